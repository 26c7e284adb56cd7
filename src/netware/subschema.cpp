#include "netware/subschema.h"

#include <algorithm>
#include <fstream>
#include <ldap.h>

namespace qv::nds {

namespace {

// The values of one attribute of the first entry of a base search.
bool ReadBase(LDAP* ld, const std::string& dn, const char* filter,
              const std::vector<const char*>& names, std::vector<std::vector<std::string>*> targets,
              std::string& error) {
    std::vector<char*> attrs;
    for (const char* n : names)
        attrs.push_back(const_cast<char*>(n));
    attrs.push_back(nullptr);
    LDAPMessage* res = nullptr;
    timeval timeout{30, 0};
    const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, filter, attrs.data(), 0,
                                     nullptr, nullptr, &timeout, 0, &res);
    if (rc != LDAP_SUCCESS) {
        error = std::string("search of \"") + dn + "\" failed: " + ldap_err2string(rc);
        if (res)
            ldap_msgfree(res);
        return false;
    }
    LDAPMessage* entry = ldap_first_entry(ld, res);
    if (!entry) {
        error = "no entry \"" + dn + "\"";
        ldap_msgfree(res);
        return false;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        berval** vals = ldap_get_values_len(ld, entry, names[i]);
        if (!vals)
            continue;
        for (berval** v = vals; *v; ++v)
            targets[i]->emplace_back((*v)->bv_val, (*v)->bv_len);
        ldap_value_free_len(vals);
    }
    ldap_msgfree(res);
    return true;
}

// Connects and binds as the connection says; the address needs no base DN
// (a schema source names only the server).
bool Connect(const TreeConnection& c, LDAP*& ld, std::string& error) {
    ld = nullptr;
    LDAPURLDesc* url = nullptr;
    if (ldap_url_parse(c.address.c_str(), &url) != LDAP_URL_SUCCESS || !url) {
        error = "not an LDAP URL: " + c.address;
        return false;
    }
    std::string uri = std::string(url->lud_scheme ? url->lud_scheme : "ldap") + "://" +
                      (url->lud_host ? url->lud_host : "");
    if (url->lud_port)
        uri += ":" + std::to_string(url->lud_port);
    ldap_free_urldesc(url);
    if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS || !ld) {
        error = "cannot connect to " + uri;
        return false;
    }
    int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    timeval timeout{10, 0};
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    if (c.startTls) {
        const int rc = ldap_start_tls_s(ld, nullptr, nullptr);
        if (rc != LDAP_SUCCESS) {
            error = "StartTLS with " + uri + " failed: " + ldap_err2string(rc);
            return false;
        }
    }
    std::string password = c.password;
    if (!c.bindDn.empty() && password.empty() && !c.passwordFile.empty()) {
        std::ifstream in(c.passwordFile, std::ios::binary);
        std::getline(in, password);
        if (!password.empty() && password.back() == '\r')
            password.pop_back();
    }
    berval cred;
    cred.bv_val = password.data();
    cred.bv_len = c.bindDn.empty() ? 0 : password.size();
    const int rc = ldap_sasl_bind_s(ld, c.bindDn.empty() ? nullptr : c.bindDn.c_str(),
                                    LDAP_SASL_SIMPLE, &cred, nullptr, nullptr, nullptr);
    std::fill(password.begin(), password.end(), '\0');
    if (rc != LDAP_SUCCESS) {
        error = "cannot bind to " + uri + ": " + ldap_err2string(rc);
        return false;
    }
    return true;
}

} // namespace

bool ReadSubschema(const TreeConnection& connection, Subschema& out, std::string& error) {
    LDAP* ld = nullptr;
    if (!Connect(connection, ld, error)) {
        if (ld)
            ldap_unbind_ext_s(ld, nullptr, nullptr);
        return false;
    }
    std::vector<std::string> subentry;
    bool ok = ReadBase(ld, "", "(objectClass=*)", {"subschemaSubentry"}, {&subentry}, error);
    if (ok && subentry.empty()) {
        ok = false;
        error = "the server names no subschema entry";
    }
    if (ok)
        ok = ReadBase(ld, subentry.front(), "(objectClass=subschema)",
                      {"objectClasses", "attributeTypes", "ldapSyntaxes"},
                      {&out.objectClasses, &out.attributeTypes, &out.ldapSyntaxes}, error);
    ldap_unbind_ext_s(ld, nullptr, nullptr);
    return ok;
}

} // namespace qv::nds
