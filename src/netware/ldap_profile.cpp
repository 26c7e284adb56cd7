#include "netware/ldap_profile.h"

namespace qv::nds {

namespace {

// The first value of an attribute of the root DSE, or empty.
std::string RootDseValue(LDAP* ld, const char* attr, int timeoutSeconds) {
    char* attrs[] = {const_cast<char*>(attr), nullptr};
    LDAPMessage* res = nullptr;
    struct timeval timeout = {timeoutSeconds, 0};
    std::string value;
    if (ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", attrs, 0, nullptr, nullptr,
                          &timeout, 1, &res) == LDAP_SUCCESS) {
        if (LDAPMessage* e = ldap_first_entry(ld, res)) {
            berval** vals = ldap_get_values_len(ld, e, attr);
            if (vals && vals[0])
                value.assign(vals[0]->bv_val, vals[0]->bv_len);
            ldap_value_free_len(vals);
        }
    }
    ldap_msgfree(res);
    return value;
}

// Escapes a value for a search filter (RFC 4515).
std::string FilterValue(const std::string& v) {
    std::string out;
    static const char hex[] = "0123456789abcdef";
    for (char c : v) {
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
            out += '\\';
            out += hex[static_cast<unsigned char>(c) >> 4];
            out += hex[static_cast<unsigned char>(c) & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

ProfileEvidence LdapProfileEvidence(LDAP* ld, const std::string& baseDn, int timeoutSeconds) {
    ProfileEvidence e;
    e.vendor = RootDseValue(ld, "vendorName", timeoutSeconds);
    e.anyEntryOf = [ld, baseDn, timeoutSeconds](const std::vector<std::string>& classes) {
        std::string filter = "(|";
        for (const std::string& c : classes)
            filter += "(objectClass=" + FilterValue(c) + ")";
        filter += ")";
        char noAttrs[] = "1.1";
        char* attrs[] = {noAttrs, nullptr};
        struct timeval timeout = {timeoutSeconds, 0};
        // One entry answers the question; the size limit ends the search
        // there. A server that will not search the whole subtree is asked
        // about the base and the entries right below it.
        for (int scope : {LDAP_SCOPE_SUBTREE, LDAP_SCOPE_BASE, LDAP_SCOPE_ONELEVEL}) {
            LDAPMessage* res = nullptr;
            int rc = ldap_search_ext_s(ld, baseDn.c_str(), scope, filter.c_str(), attrs, 0, nullptr,
                                       nullptr, &timeout, 1, &res);
            const bool answered = rc == LDAP_SUCCESS || rc == LDAP_SIZELIMIT_EXCEEDED;
            const bool found = answered && res && ldap_count_entries(ld, res) > 0;
            ldap_msgfree(res);
            if (found)
                return true;
            if ((answered && scope == LDAP_SCOPE_SUBTREE) || rc == LDAP_SERVER_DOWN ||
                rc == LDAP_TIMEOUT)
                return false;
        }
        return false;
    };
    return e;
}

} // namespace qv::nds
