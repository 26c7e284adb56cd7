// Any LDAPv3 directory server through OpenLDAP's client library. The walk's
// listings and attribute reads are served from one subtree search of the
// connection's base, read as the server sends it: each container's children
// in the order they came, handed out in parts. When the server's limits stop
// that search, it is made again with the paged-results control; a server that
// refuses subtree searches is listed one level at a time instead (unpaged
// one-level searches, repeated with paging on "size limit exceeded").
// This file opens the session and dispatches the walk's calls; the subtree
// search is in ldap_subtree.cpp, the one-level listings in ldap_one_level.cpp.
#include "netware/ldap_backend_internal.h"
#include "netware/ldap_profile.h"
#include "netware/ldap_session.h"

#include <ldap.h>

#include <iterator>
#include <strings.h>
#include <sys/socket.h>

namespace qv::nds::ldap {

namespace {

// The attributes a search asks for: those the walk and the profile's class
// mapping need, and the referral URLs of referral objects.
std::vector<std::string> ListingAttributes(const DirectoryProfile& profile) {
    std::vector<std::string> a = profile.ListingAttributes();
    a.emplace_back("ref");
    return a;
}

// The subtree search is one long stream of small messages, which libldap
// reads with two system calls each: a read-ahead buffer under it (plain
// sessions only) takes them in large reads instead. With bytes buffered,
// libldap reads without waiting for the socket first, so the socket's own
// receive timeout keeps a server that stopped answering from holding the
// read for ever.
void ReadAhead(LDAP* ld, const TreeConnection& c, const struct timeval& timeout) {
    if (c.startTls || c.address.rfind("ldaps://", 0) == 0)
        return;
    Sockbuf* sb = nullptr;
    int fd = -1;
    if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || !sb ||
        ldap_get_option(ld, LDAP_OPT_DESC, &fd) != LDAP_OPT_SUCCESS || fd < 0)
        return;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) != 0)
        return;
    ber_sockbuf_add_io(sb, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_PROVIDER, nullptr);
}

} // namespace

// ---- the entry-to-object mapping ----

bool MapEntry(LDAP* ld, LDAPMessage* entry, const DirectoryProfile& profile,
              const TreeNaming& naming, MappedEntry& out) {
    out.values.clear();
    out.referral = false;
    out.referralUrls.clear();
    BerElement* ber = nullptr;
    struct berval dn = {0, nullptr};
    if (ldap_get_dn_ber(ld, entry, &ber, &dn) != LDAP_SUCCESS) {
        if (ber)
            ber_free(ber, 0);
        return false;
    }
    if (!ParseDn(std::string_view(dn.bv_val ? dn.bv_val : "", dn.bv_len), out.rdns) ||
        out.rdns.empty()) {
        ber_free(ber, 0);
        return false;
    }
    EntryTraits traits;
    traits.profile = &profile;
    std::string record;
    while (true) {
        struct berval attr = {0, nullptr};
        struct berval* vals = nullptr;
        if (ldap_get_attribute_ber(ld, entry, ber, &attr, &vals) != LDAP_SUCCESS || !attr.bv_val)
            break;
        std::string_view name(attr.bv_val, attr.bv_len);
        const AttributeMapping* mapping = profile.FindByLdap(name);
        const bool isRef = name.size() == 3 && strncasecmp(name.data(), "ref", 3) == 0;
        const bool isClass = name.size() == 11 && strncasecmp(name.data(), "objectClass", 11) == 0;
        AttributeValues av{mapping ? mapping->ndsName : "", mapping ? mapping->syntax : 0, {}};
        for (int i = 0; vals && vals[i].bv_val; ++i) {
            std::string_view v(vals[i].bv_val, vals[i].bv_len);
            if (isRef)
                out.referralUrls.emplace_back(v);
            else if (!mapping)
                NoteTrait(traits, name, v);
            else if (ValueRecord(*mapping, v, naming, record))
                av.records.push_back(record);
            if (isClass && v.size() == 8 && strncasecmp(v.data(), "referral", 8) == 0)
                out.referral = true;
        }
        if (vals)
            ber_memfree(vals);
        if (mapping && !av.records.empty())
            out.values.push_back(std::move(av));
    }
    ber_free(ber, 0);
    out.object = MakeListedObject(out.rdns.front(), traits);
    return true;
}

std::vector<std::string> ReferenceUrls(LDAP* ld, LDAPMessage* reference) {
    char** urls = nullptr;
    std::vector<std::string> list;
    if (ldap_parse_reference(ld, reference, &urls, nullptr, 0) == LDAP_SUCCESS && urls)
        for (char** u = urls; *u; ++u)
            list.emplace_back(*u);
    ldap_memvfree(reinterpret_cast<void**>(urls));
    return list;
}

std::string ReferralNotice(const std::string& where, const std::vector<std::string>& urls) {
    std::string text = "Referral not followed: " + where;
    for (const std::string& u : urls)
        text += " " + u;
    return text;
}

// ---- opening and the session ----

Status LdapBackend::Open(const TreeConnection& c, std::string& words) {
    connection_ = c;
    timeout_.tv_sec = c.timeoutSeconds > 0 ? c.timeoutSeconds : kDefaultTimeoutSeconds;
    if (Status s = ConnectLdap(c, ld_, baseDn_, true, &words))
        return s;
    if (!ParseDn(baseDn_, naming_.base) || naming_.base.empty())
        return kErrIllegalName;
    naming_.tree = c.name;
    ReadAhead(ld_, c, timeout_);
    profile_ = &ChooseProfile(c.profile,
                              LdapProfileEvidence(ld_, baseDn_, static_cast<int>(timeout_.tv_sec)),
                              profileWhy_);
    attrs_ = ListingAttributes(*profile_);
    // The tree root must exist.
    int msgid = 0;
    if (Status s = Issue(baseDn_, LDAP_SCOPE_BASE, false, nullptr, msgid)) {
        words = SessionWords(ld_, LDAP_OTHER);
        return s;
    }
    int err = LDAP_SUCCESS;
    berval* cookie = nullptr;
    Collect(msgid, std::string(), nullptr, false, err, cookie);
    if (cookie)
        ber_bvfree(cookie);
    if (err != LDAP_SUCCESS) {
        words = words_;
        words_.clear();
    }
    notices_.clear();
    return FromLdap(err);
}

void LdapBackend::TakeReport(Report& out) {
    out = Report{};
    for (std::string& n : notices_)
        out.notes.push_back({std::move(n), true});
    notices_.clear();
    out.words = std::move(words_);
    words_.clear();
    out.fatal = fatal_; // stays: the walk cannot go on
}

Status LdapBackend::Issue(const std::string& dn, int scope, bool paged, berval* cookie, int& msgid,
                          int pageSize) {
    if (!ld_)
        return kErrTransportFailure;
    std::vector<char*> attrs;
    for (std::string& a : attrs_)
        attrs.push_back(a.data());
    attrs.push_back(nullptr);
    // Referral objects come as entries (ManageDsaIT), so that each can be
    // named; they are never followed.
    LDAPControl manage = {const_cast<char*>(LDAP_CONTROL_MANAGEDSAIT), {0, nullptr}, 0};
    LDAPControl* page = nullptr;
    LDAPControl* controls[3] = {&manage, nullptr, nullptr};
    if (paged) {
        if (ldap_create_page_control(ld_, pageSize, cookie, 0, &page) != LDAP_SUCCESS)
            return kErrSystemFailure;
        controls[1] = page;
    }
    int rc = ldap_search_ext(ld_, dn.c_str(), scope, "(objectClass=*)", attrs.data(), 0, controls,
                             nullptr, nullptr, LDAP_NO_LIMIT, &msgid);
    if (page)
        ldap_control_free(page);
    return FromLdap(rc);
}

bool LdapBackend::Reconnect(const std::string& words) {
    if (ld_)
        ldap_unbind_ext_s(ld_, nullptr, nullptr);
    ld_ = nullptr;
    ahead_.clear();
    for (auto& [path, stream] : streams_) {
        stream.msgid = -1;
        stream.restarted = true;
    }
    std::string base, again;
    if (ConnectLdap(connection_, ld_, base, true, &again) == kOk) {
        ReadAhead(ld_, connection_, timeout_);
        return true;
    }
    words_ = words;
    fatal_ = "The directory server cannot be reached any more (" + again + "); the walk ends here.";
    return false;
}

// ---- the walk's calls ----

Status LdapBackend::List(const std::string& path, std::vector<ListedObject>& out) {
    out.clear();
    std::vector<ListedObject> part;
    bool complete = false;
    for (bool first = true; !complete; first = false) {
        if (Status s = ListPart(path, first, part, complete))
            return s;
        std::move(part.begin(), part.end(), std::back_inserter(out));
    }
    return kOk;
}

Status LdapBackend::ListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                             bool& complete) {
    if (!fatal_.empty()) {
        out.clear();
        complete = true;
        return kErrTransportFailure;
    }
    if (!oneLevel_) {
        Status s = TreeListPart(path, first, out, complete);
        if (!oneLevel_)
            return s;
        first = true; // the subtree search was refused before anything was handed out
    }
    return OneLevelListPart(path, first, out, complete);
}

Status LdapBackend::Read(const std::string& path, const std::vector<std::string>& names,
                         std::vector<AttributeValues>& out) {
    if (!fatal_.empty()) {
        out.clear();
        return kErrTransportFailure;
    }
    if (!oneLevel_) {
        Status s = TreeRead(path, names, out);
        if (!oneLevel_)
            return s;
    }
    return OneLevelRead(path, names, out);
}

} // namespace qv::nds::ldap

namespace qv::nds {

Status OpenLdapBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words) {
    auto backend = std::make_unique<ldap::LdapBackend>();
    if (Status s = backend->Open(connection, words))
        return s;
    const DirectoryProfile& profile = *backend->profile_;
    std::string why = backend->profileWhy_;
    out = DecorateBackend(std::move(backend), profile, why, connection);
    return kOk;
}

} // namespace qv::nds
