#include "netware/directory_entries.h"

#include "netware/ldif_records.h"

#include "core/ascii_text.h"
#include "files/file_access.h"
#include "netware/directory_backend.h"
#include "netware/directory_profile.h"
#include "netware/ldap_session.h"
#include "netware/object_path.h"

#include <ldap.h>
#include <ldif.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <sstream>
#include <unordered_set>

namespace qv::nds {

namespace {

void AddValue(DirectoryEntry& e, std::string_view attr, std::string_view value) {
    std::string name = LowerAscii(attr);
    for (auto& [n, values] : e.attributes)
        if (n == name) {
            values.emplace_back(value);
            return;
        }
    e.attributes.emplace_back(std::move(name), std::vector<std::string>{std::string(value)});
}

struct LdifCleanup {
    LDIFFP* fp = nullptr;
    char* buf = nullptr;
    ~LdifCleanup() {
        if (buf)
            ber_memfree(buf);
        if (fp)
            ldif_close(fp);
    }
};

struct SessionCleanup {
    LDAP* ld = nullptr;
    ~SessionCleanup() {
        if (ld)
            ldap_unbind_ext_s(ld, nullptr, nullptr);
    }
};

// One paged subtree search of every entry below the base with all user
// attributes.
Status SearchTree(LDAP* ld, const std::string& base, std::vector<DirectoryEntry>& out) {
    struct berval* cookie = nullptr;
    Status status = kOk;
    do {
        LDAPControl* page = nullptr;
        if (ldap_create_page_control(ld, 1000, cookie, 0, &page) != LDAP_SUCCESS) {
            status = kErrSystemFailure;
            break;
        }
        if (cookie) {
            ber_bvfree(cookie);
            cookie = nullptr;
        }
        LDAPControl* controls[2] = {page, nullptr};
        LDAPMessage* res = nullptr;
        int rc = ldap_search_ext_s(ld, base.c_str(), LDAP_SCOPE_SUBTREE, "(objectClass=*)", nullptr,
                                   0, controls, nullptr, nullptr, LDAP_NO_LIMIT, &res);
        ldap_control_free(page);
        if (rc != LDAP_SUCCESS) {
            ldap_msgfree(res);
            status = FromLdap(rc);
            break;
        }
        for (LDAPMessage* m = ldap_first_entry(ld, res); m; m = ldap_next_entry(ld, m)) {
            DirectoryEntry e;
            if (char* dn = ldap_get_dn(ld, m)) {
                e.dn = dn;
                ldap_memfree(dn);
            }
            BerElement* ber = nullptr;
            for (char* a = ldap_first_attribute(ld, m, &ber); a;
                 a = ldap_next_attribute(ld, m, ber)) {
                if (berval** vals = ldap_get_values_len(ld, m, a)) {
                    for (int i = 0; vals[i]; ++i)
                        AddValue(e, a, std::string_view(vals[i]->bv_val, vals[i]->bv_len));
                    ldap_value_free_len(vals);
                }
                ldap_memfree(a);
            }
            if (ber)
                ber_free(ber, 0);
            out.push_back(std::move(e));
        }
        LDAPControl** returned = nullptr;
        int err = LDAP_SUCCESS;
        if (ldap_parse_result(ld, res, &err, nullptr, nullptr, nullptr, &returned, 0) !=
            LDAP_SUCCESS)
            err = LDAP_OTHER;
        cookie = PagedResultsCookie(ld, returned);
        ldap_controls_free(returned);
        ldap_msgfree(res);
        if (err != LDAP_SUCCESS) {
            status = FromLdap(err);
            break;
        }
    } while (cookie);
    if (cookie)
        ber_bvfree(cookie);
    return status;
}

const std::vector<std::string>& NoValues() {
    static const std::vector<std::string> none;
    return none;
}

} // namespace

const std::vector<std::string>& DirectoryEntry::Values(std::string_view name) const {
    for (const auto& [n, values] : attributes)
        if (n.size() == name.size() &&
            std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            }))
            return values;
    return NoValues();
}

std::string DirectoryEntry::First(std::string_view name) const {
    const auto& v = Values(name);
    return v.empty() ? std::string() : v.front();
}

Status DirectoryEntries::LoadLdif(std::string_view text) {
    entries_.clear();
    std::string copy(text);
    if (copy.empty())
        return kErrBadDirectoryData;
    LdifCleanup file;
    file.fp = ldif_open_mem(copy.data(), copy.size(), "r");
    if (!file.fp)
        return kErrNotEnoughMemory;
    unsigned long lineNo = 0;
    int bufLen = 0;
    std::string resolved;
    while (true) {
        int r = ldif_read_record(file.fp, &lineNo, &file.buf, &bufLen);
        if (r < 0)
            return kErrBadDirectoryData;
        if (r == 0)
            break;
        // What OpenLDAP's parser cannot take is refused before it sees it, and
        // values given by URL are read only from bounded regular files.
        if (!LdifRecordWellFormed(file.buf))
            return kErrBadDirectoryData;
        struct berval rbuf;
        rbuf.bv_val = file.buf;
        rbuf.bv_len = std::strlen(file.buf);
        if (std::strstr(file.buf, ":<")) {
            Result<std::optional<std::string>> rewritten = ResolveLdifUrlValues(file.buf, lineNo);
            if (!rewritten)
                return kErrBadDirectoryData;
            if (*rewritten) {
                resolved = std::move(**rewritten);
                rbuf.bv_val = resolved.data();
                rbuf.bv_len = resolved.size();
            }
        }
        LDIFRecord lr{};
        if (ldap_parse_ldif_record(&rbuf, lineNo, &lr, "ldif",
                                   LDIF_DEFAULT_ADD | LDIF_ENTRIES_ONLY | LDIF_NO_CONTROLS) !=
            LDAP_SUCCESS)
            return kErrBadDirectoryData;
        if (lr.lr_op == LDAP_REQ_ADD && lr.lrop_mods) {
            DirectoryEntry e;
            e.dn.assign(lr.lr_dn.bv_val ? lr.lr_dn.bv_val : "", lr.lr_dn.bv_len);
            for (LDAPMod** mp = lr.lrop_mods; *mp; ++mp) {
                if (!(*mp)->mod_type || !(*mp)->mod_bvalues)
                    continue;
                for (berval** v = (*mp)->mod_bvalues; *v; ++v)
                    AddValue(e, (*mp)->mod_type,
                             std::string_view((*v)->bv_val ? (*v)->bv_val : "", (*v)->bv_len));
            }
            entries_.push_back(std::move(e));
        }
        ldap_ldif_record_done(&lr);
    }
    return Finish();
}

Status DirectoryEntries::Load(const TreeConnection& connection) {
    entries_.clear();
    requestedProfile_ = connection.profile;
    const std::string& address = connection.address;
    if (address.rfind("ldif:", 0) == 0) {
        // ldif:PATH or ldif:PATH?BASE-DN
        std::string file = address.substr(5, address.find('?') - 5);
        Result<std::string> text = ReadWholeFile(file, kMaxLdifTreeBytes);
        if (!text)
            return kErrTransportFailure;
        if (Status s = LoadLdif(*text))
            return s;
        // A volume's folder may be given relative to the LDIF file, so that a
        // directory and its volumes travel together.
        std::string folder = file.find('/') == std::string::npos ? std::string(".")
                                                                 : file.substr(0, file.rfind('/'));
        for (DirectoryEntry& e : entries_)
            for (auto& [name, values] : e.attributes)
                if (name == "qvvolumepath")
                    for (std::string& v : values)
                        if (!v.empty() && v.front() != '/')
                            v = folder + "/" + v;
        return kOk;
    }
    if (address.rfind("ldap://", 0) != 0 && address.rfind("ldaps://", 0) != 0)
        return kErrNoSuchTree;
    SessionCleanup session;
    std::string base;
    if (Status s = ConnectLdap(connection, session.ld, base))
        return s;
    if (Status s = SearchTree(session.ld, base, entries_))
        return s;
    // The base entry is the tree root: it goes first.
    std::vector<Rdn> baseRdns;
    ParseDn(base, baseRdns);
    const std::string baseKey = NormalizedDn(baseRdns);
    auto root = std::find_if(entries_.begin(), entries_.end(), [&](const DirectoryEntry& e) {
        std::vector<Rdn> r;
        return ParseDn(e.dn, r) && NormalizedDn(r) == baseKey;
    });
    if (root == entries_.end())
        return kErrNoSuchEntry;
    std::rotate(entries_.begin(), root, root + 1);
    return Finish();
}

Status DirectoryEntries::Finish() {
    byFullName_.clear();
    byDn_.clear();
    if (entries_.empty())
        return kErrBadDirectoryData;
    std::vector<std::vector<Rdn>> rdns(entries_.size());
    std::vector<DirectoryEntry> kept;
    std::vector<std::vector<Rdn>> keptRdns;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (ParseDn(entries_[i].dn, rdns[i]) && !rdns[i].empty()) {
            kept.push_back(std::move(entries_[i]));
            keptRdns.push_back(std::move(rdns[i]));
        }
    entries_ = std::move(kept);
    if (entries_.empty())
        return kErrBadDirectoryData;
    // The tree root is the entry with the shortest DN (an LDIF file may hold
    // it anywhere); the LDAP base entry comes first already.
    std::size_t top = 0;
    for (std::size_t i = 1; i < entries_.size(); ++i)
        if (keptRdns[i].size() < keptRdns[top].size())
            top = i;
    if (top != 0) {
        std::rotate(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(top),
                    entries_.begin() + static_cast<std::ptrdiff_t>(top) + 1);
        std::rotate(keptRdns.begin(), keptRdns.begin() + static_cast<std::ptrdiff_t>(top),
                    keptRdns.begin() + static_cast<std::ptrdiff_t>(top) + 1);
    }
    const std::size_t baseSize = keptRdns.front().size();
    std::vector<std::string> baseNorm;
    for (const Rdn& r : keptRdns.front())
        baseNorm.push_back(NormalizedRdn(r));
    // Entries not below the root, and repeated DNs, are left out.
    kept.clear();
    std::vector<std::vector<Rdn>> below;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& r = keptRdns[i];
        bool inside = i == 0 || r.size() > baseSize;
        for (std::size_t k = 0; inside && k < baseSize; ++k)
            inside = NormalizedRdn(r[r.size() - baseSize + k]) == baseNorm[k];
        if (!inside ||
            !byDn_.emplace(NormalizedDn(r), static_cast<std::int32_t>(kept.size())).second)
            continue;
        kept.push_back(std::move(entries_[i]));
        below.emplace_back(r.begin(), r.end() - static_cast<std::ptrdiff_t>(baseSize));
    }
    entries_ = std::move(kept);
    // The profile: the connection's, or decided from the classes present.
    std::unordered_set<std::string> classes;
    for (const DirectoryEntry& e : entries_)
        for (const std::string& oc : e.Values("objectClass"))
            classes.insert(LowerAscii(oc));
    ProfileEvidence evidence;
    evidence.anyEntryOf = [&](const std::vector<std::string>& wanted) {
        return std::any_of(wanted.begin(), wanted.end(),
                           [&](const std::string& c) { return classes.count(LowerAscii(c)) > 0; });
    };
    profile_ = &ChooseProfile(requestedProfile_, evidence, profileWhy_);
    std::vector<bool> leafClass;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        DirectoryEntry& e = entries_[i];
        const std::vector<Rdn>& r = below[i];
        // Names as the discovery gives them: UTF-8 kept, a multi-valued RDN
        // one name with all its values.
        std::string full;
        for (const Rdn& part : r) {
            if (!full.empty())
                full += '.';
            full += ComponentName(ListedName(part));
        }
        e.fullName = full;
        e.rdnValue = ComponentName(ListedName(r.empty() ? keptRdns.front().front() : r.front()));
        // What the entry is, as discovery sees it: the profile's class table
        // and container rules.
        EntryTraits traits;
        traits.profile = profile_;
        for (const auto& [attr, values] : e.attributes)
            for (const std::string& v : values)
                NoteTrait(traits, attr, v);
        e.baseClass = traits.baseClass.empty() ? traits.mappedClass : traits.baseClass;
        e.container = traits.container;
        leafClass.push_back(traits.leaf);
        if (i == 0) {
            e.parent = -1;
            continue;
        }
        // The parent is the entry whose DN is this one without its first RDN.
        std::vector<Rdn> parentDn(r.begin() + 1, r.end());
        parentDn.insert(parentDn.end(), keptRdns.front().begin(), keptRdns.front().end());
        auto it = byDn_.find(NormalizedDn(parentDn));
        e.parent = it == byDn_.end() ? -1 : it->second;
        byFullName_.emplace(UpperAscii(full), static_cast<std::int32_t>(i));
    }
    // Entries whose parent is missing hang nowhere; the others are linked.
    for (std::size_t i = 1; i < entries_.size(); ++i)
        if (entries_[i].parent >= 0)
            entries_[static_cast<std::size_t>(entries_[i].parent)].children.push_back(
                static_cast<std::int32_t>(i));
    // An entry with entries below it is a container where the profile says so.
    entries_[0].container = true;
    if (profile_->containersWithEntriesBelow)
        for (std::size_t i = 1; i < entries_.size(); ++i)
            if (!entries_[i].children.empty() && !leafClass[i])
                entries_[i].container = true;
    return kOk;
}

std::int32_t DirectoryEntries::FindByFullName(std::string_view name) const {
    if (!name.empty() && name.front() == '.')
        name.remove_prefix(1);
    if (name.empty() || UpperAscii(name) == "[ROOT]")
        return entries_.empty() ? -1 : 0;
    auto it = byFullName_.find(UpperAscii(name));
    return it == byFullName_.end() ? -1 : it->second;
}

std::int32_t DirectoryEntries::FindByDn(std::string_view dn) const {
    std::vector<Rdn> r;
    if (!ParseDn(dn, r))
        return -1;
    auto it = byDn_.find(NormalizedDn(r));
    return it == byDn_.end() ? -1 : it->second;
}

} // namespace qv::nds
