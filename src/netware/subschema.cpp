#include "netware/subschema.h"

#include "netware/ldap_session.h"

#include <algorithm>
#include <ldap.h>

namespace qv::nds {

namespace {

// The values of the attributes of the first entry of a base search, added to
// the targets (one for each name).
Result<void> ReadBase(LDAP* ld, const std::string& dn, const char* filter,
                      const std::vector<const char*>& names,
                      std::vector<std::vector<std::string>*> targets) {
    std::vector<char*> attrs;
    for (const char* n : names)
        attrs.push_back(const_cast<char*>(n));
    attrs.push_back(nullptr);
    LDAPMessage* res = nullptr;
    timeval timeout{30, 0};
    const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, filter, attrs.data(), 0,
                                     nullptr, nullptr, &timeout, 0, &res);
    if (rc != LDAP_SUCCESS) {
        if (res)
            ldap_msgfree(res);
        return Failed(std::string("search of \"") + dn + "\" failed: " + ldap_err2string(rc));
    }
    LDAPMessage* entry = ldap_first_entry(ld, res);
    if (!entry) {
        ldap_msgfree(res);
        return Failed("no entry \"" + dn + "\"");
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
    return {};
}

} // namespace

Result<Subschema> ReadSubschema(const TreeConnection& connection) {
    LDAP* ld = nullptr;
    std::string base;
    // A schema source names only the server: no base DN is needed.
    if (Status s = ConnectLdap(connection, ld, base, false)) {
        if (ld)
            ldap_unbind_ext_s(ld, nullptr, nullptr);
        return Failed("cannot connect or bind to " + connection.address + " (status " +
                      std::to_string(s) + ")");
    }
    Subschema out;
    std::vector<std::string> subentry;
    Result<void> read = ReadBase(ld, "", "(objectClass=*)", {"subschemaSubentry"}, {&subentry});
    if (read && subentry.empty())
        read = Failed("the server names no subschema entry");
    if (read)
        read = ReadBase(ld, subentry.front(), "(objectClass=subschema)",
                        {"objectClasses", "attributeTypes", "ldapSyntaxes"},
                        {&out.objectClasses, &out.attributeTypes, &out.ldapSyntaxes});
    ldap_unbind_ext_s(ld, nullptr, nullptr);
    if (!read)
        return Failed(read.error());
    return out;
}

} // namespace qv::nds
