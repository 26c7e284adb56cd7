// Any LDAPv3 directory server through OpenLDAP's client library. Listings are
// unpaged one-level searches; only when the server answers "size limit
// exceeded" is the listing repeated with the paged-results control. A
// listing is handed out in parts as it arrives. The values of our attributes
// come with the listing and are kept until read.
#include "netware/directory_backend.h"
#include "netware/directory_profile.h"
#include "netware/ldap_profile.h"
#include "netware/ldap_session.h"

#include <ldap.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

namespace qv::nds {

namespace {

class LdapBackend final : public DirectoryBackend {
public:
    ~LdapBackend() override {
        if (ld_) {
            for (const auto& [path, msgid] : ahead_)
                ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
            for (const auto& [path, stream] : streams_)
                if (stream.msgid >= 0)
                    ldap_abandon_ext(ld_, stream.msgid, nullptr, nullptr);
            ldap_unbind_ext_s(ld_, nullptr, nullptr);
        }
    }
    Status Open(const TreeConnection& c);
    // The profile the entries are read with, and how it was chosen.
    const DirectoryProfile* profile_ = &QuorvaneProfile();
    std::string profileWhy_;
    Status List(const std::string& path, std::vector<ListedObject>& out) override;
    Status ListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                    bool& complete) override;
    Status Read(const std::string& path, const std::vector<std::string>& names,
                std::vector<AttributeValues>& out) override;

private:
    Status DnOf(const std::string& path, std::string& dn) const;
    Status Search(const std::string& dn, int scope, const std::string& parentPath,
                  std::vector<ListedObject>* out, bool paged);
    // Starts a search; msgid names it for Collect.
    Status Issue(const std::string& dn, int scope, bool paged, berval* cookie, int& msgid);
    // Takes the entries of a started search as they arrive, until its result
    // came (true; err is its result code and cookie the next page's, if any)
    // or enough entries were taken (false).
    bool Collect(int msgid, const std::string& parentPath, std::vector<ListedObject>* out,
                 bool paged, int& err, berval*& cookie, std::size_t enough = SIZE_MAX);
    // Listings run ahead: the walk lists containers in the order it met them,
    // so the next ones are asked for while the current one is read.
    void Prefetch(const std::string& current);
    void TakeEntry(LDAPMessage* entry, const std::string& parentPath,
                   std::vector<ListedObject>* out);
    // A server may close a session that has too many requests waiting (slapd's
    // conn_max_pending): when the session failed while listings were asked
    // for ahead, a new one is opened, fewer run ahead from then on, and the
    // listings under way start again. False when that does not apply or the
    // new session fails.
    bool Recover();

    LDAP* ld_ = nullptr;
    TreeConnection connection_;
    TreeNaming naming_;
    std::string baseDn_;
    std::vector<std::string> attrs_; // the attributes a listing asks for
    // Values of entries listed but not yet read, by path.
    std::unordered_map<std::string, std::vector<AttributeValues>> pending_;
    // Containers listed but not yet asked for, in the order they were met,
    // and the listings started ahead of time (path -> message id).
    std::deque<std::string> predicted_;
    std::unordered_map<std::string, int> ahead_;
    std::size_t aheadLimit_ = 32;
    // Listings being handed out in parts, by path: the search, and the names
    // handed out so far (should the server's size limit make us page).
    struct Stream {
        int msgid = -1; // -1: to be asked for (again)
        std::unordered_set<std::string> handedOut;
        bool restarted = false;
    };
    std::unordered_map<std::string, Stream> streams_;
    // Entries taken per part: a few listing buffers' worth, so the walk is
    // never kept waiting for a whole large container.
    static constexpr std::size_t kPart = 256;
};

Status LdapBackend::Open(const TreeConnection& c) {
    connection_ = c;
    if (Status s = ConnectLdap(c, ld_, baseDn_))
        return s;
    if (!ParseDn(baseDn_, naming_.base) || naming_.base.empty())
        return kErrIllegalName;
    naming_.tree = c.name;
    profile_ = &ChooseProfile(c.profile, LdapProfileEvidence(ld_, baseDn_), profileWhy_);
    attrs_ = profile_->ListingAttributes();
    // The tree root must exist; its values are kept for the first read.
    return Search(baseDn_, LDAP_SCOPE_BASE, std::string(), nullptr, false);
}

Status LdapBackend::DnOf(const std::string& path, std::string& dn) const {
    std::vector<Rdn> below;
    if (!PathToRdns(path, naming_.tree, below))
        return kErrIllegalName;
    std::vector<Rdn> leafFirst(below.rbegin(), below.rend());
    dn = FormatDn(leafFirst);
    if (!dn.empty())
        dn += ',';
    dn += baseDn_;
    return kOk;
}

void LdapBackend::TakeEntry(LDAPMessage* entry, const std::string& parentPath,
                            std::vector<ListedObject>* out) {
    // The DN and the values are read in place from the message.
    BerElement* ber = nullptr;
    struct berval dn = {0, nullptr};
    if (ldap_get_dn_ber(ld_, entry, &ber, &dn) != LDAP_SUCCESS) {
        if (ber)
            ber_free(ber, 0);
        return;
    }
    Rdn rdn;
    if (!ParseFirstRdn(std::string_view(dn.bv_val ? dn.bv_val : "", dn.bv_len), rdn)) {
        ber_free(ber, 0);
        return;
    }
    EntryTraits traits;
    traits.profile = profile_;
    std::vector<AttributeValues> values;
    std::string record;
    while (true) {
        struct berval attr = {0, nullptr};
        struct berval* vals = nullptr;
        if (ldap_get_attribute_ber(ld_, entry, ber, &attr, &vals) != LDAP_SUCCESS || !attr.bv_val)
            break;
        std::string_view name(attr.bv_val, attr.bv_len);
        const AttributeMapping* mapping = profile_->FindByLdap(name);
        AttributeValues av{mapping ? mapping->ndsName : "", mapping ? mapping->syntax : 0, {}};
        for (int i = 0; vals && vals[i].bv_val; ++i) {
            std::string_view v(vals[i].bv_val, vals[i].bv_len);
            if (!mapping)
                NoteTrait(traits, name, v);
            else if (ValueRecord(*mapping, v, naming_, record))
                av.records.push_back(record);
        }
        if (vals)
            ber_memfree(vals);
        if (mapping && !av.records.empty())
            values.push_back(std::move(av));
    }
    ber_free(ber, 0);
    ListedObject obj = MakeListedObject(rdn, traits);
    if (!values.empty())
        pending_[parentPath.empty() ? "\\T=" + naming_.tree : parentPath + "\\" + obj.name] =
            std::move(values);
    if (out)
        out->push_back(std::move(obj));
}

Status LdapBackend::Issue(const std::string& dn, int scope, bool paged, berval* cookie,
                          int& msgid) {
    if (!ld_)
        return kErrTransportFailure;
    std::vector<char*> attrs;
    for (std::string& a : attrs_)
        attrs.push_back(a.data());
    attrs.push_back(nullptr);
    LDAPControl* page = nullptr;
    LDAPControl* controls[2] = {nullptr, nullptr};
    if (paged) {
        if (ldap_create_page_control(ld_, 1000, cookie, 0, &page) != LDAP_SUCCESS)
            return kErrSystemFailure;
        controls[0] = page;
    }
    int rc = ldap_search_ext(ld_, dn.c_str(), scope, "(objectClass=*)", attrs.data(), 0,
                             paged ? controls : nullptr, nullptr, nullptr, LDAP_NO_LIMIT, &msgid);
    if (page)
        ldap_control_free(page);
    return FromLdap(rc);
}

bool LdapBackend::Collect(int msgid, const std::string& parentPath, std::vector<ListedObject>* out,
                          bool paged, int& err, berval*& cookie, std::size_t enough) {
    // Entries are taken as they arrive, while the server sends the next ones.
    err = LDAP_SUCCESS;
    cookie = nullptr;
    if (!ld_) {
        err = LDAP_SERVER_DOWN;
        return true;
    }
    std::size_t taken = 0;
    while (true) {
        if (taken >= enough)
            return false;
        LDAPMessage* res = nullptr;
        int type = ldap_result(ld_, msgid, LDAP_MSG_ONE, nullptr, &res);
        if (type <= 0) {
            ldap_msgfree(res);
            int code = LDAP_SERVER_DOWN;
            ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &code);
            err = code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code;
            return true;
        }
        bool done = false;
        if (type == LDAP_RES_SEARCH_ENTRY) {
            TakeEntry(res, parentPath, out);
            ++taken;
        } else if (type == LDAP_RES_SEARCH_RESULT) {
            done = true;
            LDAPControl** returned = nullptr;
            if (ldap_parse_result(ld_, res, &err, nullptr, nullptr, nullptr, &returned, 0) !=
                LDAP_SUCCESS)
                err = LDAP_OTHER;
            LDAPControl* resp =
                paged ? ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr) : nullptr;
            if (resp) {
                ber_int_t estimate = 0;
                struct berval c = {0, nullptr};
                if (ldap_parse_pageresponse_control(ld_, resp, &estimate, &c) == LDAP_SUCCESS &&
                    c.bv_len > 0)
                    cookie = ber_bvdup(&c);
                ber_memfree(c.bv_val);
            }
            ldap_controls_free(returned);
        }
        ldap_msgfree(res);
        if (done)
            return true;
    }
}

Status LdapBackend::Search(const std::string& dn, int scope, const std::string& parentPath,
                           std::vector<ListedObject>* out, bool paged) {
    const std::size_t kept = out ? out->size() : 0;
    struct berval* cookie = nullptr;
    Status status = kOk;
    do {
        int msgid = 0;
        status = Issue(dn, scope, paged, cookie, msgid);
        if (cookie) {
            ber_bvfree(cookie);
            cookie = nullptr;
        }
        if (status != kOk)
            break;
        int err = LDAP_SUCCESS;
        Collect(msgid, parentPath, out, paged, err, cookie);
        if (err == LDAP_SIZELIMIT_EXCEEDED && !paged) {
            if (out)
                out->clear();
            return Search(dn, scope, parentPath, out, true);
        }
        if (err != LDAP_SUCCESS) {
            status = FromLdap(err);
            break;
        }
    } while (cookie);
    if (cookie)
        ber_bvfree(cookie);
    if (status == kErrTransportFailure && Recover()) {
        if (out)
            out->resize(kept);
        return Search(dn, scope, parentPath, out, paged);
    }
    return status;
}

bool LdapBackend::Recover() {
    if (ahead_.empty() || aheadLimit_ == 0)
        return false;
    ahead_.clear();
    if (ld_)
        ldap_unbind_ext_s(ld_, nullptr, nullptr);
    ld_ = nullptr;
    std::string base;
    if (ConnectLdap(connection_, ld_, base) != kOk)
        return false;
    aheadLimit_ /= 8;
    for (auto& [path, stream] : streams_) {
        stream.msgid = -1;
        stream.restarted = true;
    }
    return true;
}

void LdapBackend::Prefetch(const std::string& current) {
    while (ahead_.size() < aheadLimit_ && !predicted_.empty()) {
        std::string next = std::move(predicted_.front());
        predicted_.pop_front();
        std::string dn;
        int msgid = 0;
        if (next == current || ahead_.count(next) || DnOf(next, dn) != kOk ||
            Issue(dn, LDAP_SCOPE_ONELEVEL, false, nullptr, msgid) != kOk)
            continue;
        ahead_.emplace(std::move(next), msgid);
    }
}

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
    out.clear();
    complete = true;
    std::string dn;
    if (Status s = DnOf(path, dn))
        return s;
    auto stream = streams_.find(path);
    if (first) {
        // Listing the same container again starts afresh.
        if (stream != streams_.end()) {
            if (ld_ && stream->second.msgid >= 0)
                ldap_abandon_ext(ld_, stream->second.msgid, nullptr, nullptr);
            streams_.erase(stream);
        }
        if (!predicted_.empty() && predicted_.front() == path)
            predicted_.pop_front();
        Prefetch(path);
        stream = streams_.emplace(path, Stream{}).first;
        auto ahead = ahead_.find(path);
        if (ahead != ahead_.end()) {
            stream->second.msgid = ahead->second;
            ahead_.erase(ahead);
        }
    } else if (stream == streams_.end()) {
        return kOk;
    }
    Stream& current = stream->second;
    int err = LDAP_SUCCESS;
    bool done = false;
    while (true) {
        if (current.msgid < 0) {
            if (Status s = Issue(dn, LDAP_SCOPE_ONELEVEL, false, nullptr, current.msgid)) {
                if (s == kErrTransportFailure && Recover())
                    continue;
                streams_.erase(stream);
                return s;
            }
        }
        berval* cookie = nullptr;
        done = Collect(current.msgid, path, &out, false, err, cookie, kPart);
        if (cookie)
            ber_bvfree(cookie);
        if (done && FromLdap(err) == kErrTransportFailure && Recover()) {
            out.clear(); // they come again
            continue;
        }
        break;
    }
    // A listing sent again (a new session, or paging) leaves out what was
    // handed out before.
    auto handedOut = [&](const ListedObject& o) { return current.handedOut.count(o.name) != 0; };
    if (current.restarted)
        std::erase_if(out, handedOut);
    Status status = kOk;
    if (done && err == LDAP_SIZELIMIT_EXCEEDED) {
        // Over the server's size limit: the listing again with the
        // paged-results control.
        out.clear();
        status = Search(dn, LDAP_SCOPE_ONELEVEL, path, &out, true);
        std::erase_if(out, handedOut);
    } else if (done) {
        status = FromLdap(err);
    } else {
        complete = false;
        for (const ListedObject& o : out)
            current.handedOut.insert(o.name);
    }
    if (status == kOk)
        for (const ListedObject& o : out)
            if (o.flags & kFlagContainer)
                predicted_.push_back(path + "\\" + o.name);
    if (complete)
        streams_.erase(stream);
    if (status != kOk)
        out.clear();
    Prefetch(path);
    return status;
}

Status LdapBackend::Read(const std::string& path, const std::vector<std::string>& names,
                         std::vector<AttributeValues>& out) {
    out.clear();
    auto it = pending_.find(path);
    if (it == pending_.end()) {
        std::string dn;
        if (Status s = DnOf(path, dn))
            return s;
        std::size_t slash = path.rfind('\\');
        std::string parent = slash == 0 ? std::string() : path.substr(0, slash);
        // A base search keeps the values under the path the entry's own name gives.
        std::vector<ListedObject> self;
        if (Status s = Search(dn, LDAP_SCOPE_BASE, parent, &self, false))
            return s;
        it = pending_.find(path);
        if (it == pending_.end())
            return kOk;
    }
    for (const std::string& n : names) {
        const AttributeMapping* m = profile_->FindByNds(n);
        if (!m)
            continue;
        for (AttributeValues& av : it->second)
            if (av.name == m->ndsName)
                out.push_back(av);
    }
    pending_.erase(it);
    return kOk;
}

} // namespace

Status OpenLdapBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out) {
    auto backend = std::make_unique<LdapBackend>();
    if (Status s = backend->Open(connection))
        return s;
    const DirectoryProfile& profile = *backend->profile_;
    std::string why = backend->profileWhy_;
    out = DecorateBackend(std::move(backend), profile, why, connection);
    return kOk;
}

} // namespace qv::nds
