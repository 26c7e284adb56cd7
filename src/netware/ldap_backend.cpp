// Any LDAPv3 directory server through OpenLDAP's client library. The walk's
// listings and attribute reads are served from one subtree search of the
// connection's base, read as the server sends it: each container's children
// in the order they came, handed out in parts. When the server's limits stop
// that search, it is made again with the paged-results control; a server that
// refuses subtree searches is listed one level at a time instead (unpaged
// one-level searches, repeated with paging on "size limit exceeded").
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
#include <strings.h>
#include <sys/socket.h>
#include <unordered_map>
#include <unordered_set>

namespace qv::nds {

namespace {

// ---- the entry-to-object mapping ----
// The attributes a search asks for: those the walk and the profile's class
// mapping need, and the referral URLs of referral objects.
std::vector<std::string> ListingAttributes(const DirectoryProfile& profile) {
    std::vector<std::string> a = profile.ListingAttributes();
    a.emplace_back("ref");
    return a;
}

// One search entry as the walk sees it.
struct MappedEntry {
    std::vector<Rdn> rdns; // the DN, leaf first
    ListedObject object;
    std::vector<AttributeValues> values; // in the order of the mappings' attributes
    // A referral object (objectClass referral): its URLs. It is not listed.
    bool referral = false;
    std::vector<std::string> referralUrls;
};

// Reads the entry's DN and attributes in place from the message. False when
// the DN does not parse.
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

// Whether the walk may read the entry's attributes later: containers (the
// partition roots among them), servers, and whatever has values. Other
// entries are kept only in their parent's listing.
bool KeptForReads(const MappedEntry& e) {
    return (e.object.flags & kFlagContainer) || !e.values.empty() ||
           e.object.baseClass == "NCP Server";
}

// The counted error of a referral object that is not followed.
std::string ReferralNotice(const std::string& where, const std::vector<std::string>& urls) {
    std::string text = "Referral not followed: " + where;
    for (const std::string& u : urls)
        text += " " + u;
    return text;
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

bool IsLimit(int err) {
    return err == LDAP_SIZELIMIT_EXCEEDED || err == LDAP_TIMELIMIT_EXCEEDED ||
           err == LDAP_ADMINLIMIT_EXCEEDED;
}

bool IsRefusal(int err) {
    return err == LDAP_UNWILLING_TO_PERFORM || err == LDAP_INSUFFICIENT_ACCESS ||
           err == LDAP_UNAVAILABLE_CRITICAL_EXTENSION || err == LDAP_PROTOCOL_ERROR ||
           err == LDAP_OTHER;
}

const char* LimitName(int err) {
    return err == LDAP_SIZELIMIT_EXCEEDED   ? "size limit"
           : err == LDAP_TIMELIMIT_EXCEEDED ? "time limit"
                                            : "administrative limit";
}

class LdapBackend final : public DirectoryBackend {
public:
    ~LdapBackend() override {
        if (ld_) {
            for (const auto& [path, msgid] : ahead_)
                ldap_abandon_ext(ld_, msgid, nullptr, nullptr);
            for (const auto& [path, stream] : streams_)
                if (stream.msgid >= 0)
                    ldap_abandon_ext(ld_, stream.msgid, nullptr, nullptr);
            if (tree_.msgid >= 0 && !tree_.done)
                ldap_abandon_ext(ld_, tree_.msgid, nullptr, nullptr);
            ldap_unbind_ext_s(ld_, nullptr, nullptr);
        }
    }
    Status Open(const TreeConnection& c, std::string& words);
    // The profile the entries are read with, and how it was chosen.
    const DirectoryProfile* profile_ = &QuorvaneProfile();
    std::string profileWhy_;
    Status List(const std::string& path, std::vector<ListedObject>& out) override;
    Status ListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                    bool& complete) override;
    Status Read(const std::string& path, const std::vector<std::string>& names,
                std::vector<AttributeValues>& out) override;
    void TakeReport(Report& out) override;

private:
    Status DnOf(const std::string& path, std::string& dn) const;
    // The key of a path in the subtree's index: its normalized DN below the base.
    bool KeyOf(const std::string& path, std::string& key) const;

    // ---- the subtree search ----
    // Starts it (again), paged or not. Entries received so far are dropped;
    // the names the current listing handed out are remembered and not handed
    // out again.
    Status StartTree(bool paged);
    // Takes up to enough results of the subtree search as they arrive.
    void Receive(std::size_t enough);
    void TakeTreeEntry(LDAPMessage* message);
    // The search ended with err (its result, or the session's failure).
    void TreeEnded(int err, const std::string& words);
    // Hands out what arrived of the current listing, at most kPart objects.
    void HandOut(std::vector<ListedObject>& out);
    bool ListingComplete() const;
    Status TreeListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                        bool& complete);
    Status TreeRead(const std::string& path, const std::vector<std::string>& names,
                    std::vector<AttributeValues>& out);

    // ---- listings one level at a time (servers that refuse subtree searches) ----
    Status OneLevelListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                            bool& complete);
    Status OneLevelRead(const std::string& path, const std::vector<std::string>& names,
                        std::vector<AttributeValues>& out);
    Status Search(const std::string& dn, int scope, const std::string& parentPath,
                  std::vector<ListedObject>* out, bool paged);
    // Starts a search; msgid names it for Collect.
    Status Issue(const std::string& dn, int scope, bool paged, berval* cookie, int& msgid,
                 int pageSize = 1000);
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
    // A fresh session after a transport failure; false (with the fatal line
    // set) when none can be had.
    bool Reconnect(const std::string& words);

    LDAP* ld_ = nullptr;
    TreeConnection connection_;
    TreeNaming naming_;
    std::string baseDn_;
    std::vector<std::string> attrs_; // the attributes a search asks for
    struct timeval timeout_ = {kDefaultTimeoutSeconds, 0};
    // What the directory said, for TakeReport.
    std::vector<std::string> notices_;
    std::string words_;
    std::string fatal_;
    std::size_t handedTotal_ = 0; // objects handed out by listings
    bool oneLevel_ = false;       // the server refused the subtree search

    // The subtree search and what arrived of it: entries in the order
    // received, each container's children linked in that order. Entry 0 is
    // the base.
    struct TreeEntry {
        ListedObject object;
        std::int32_t firstChild = -1;
        std::int32_t lastChild = -1;
        std::int32_t nextSibling = -1;
        std::int32_t values = -1;
    };
    struct Tree {
        int msgid = -1;
        bool started = false;
        bool paged = false;
        bool done = false;
        Status status = kOk;
        int pageSize = 1000;
        int starts = 0;
        bool baseArrived = false;
        std::size_t received = 0;
        std::vector<TreeEntry> entries;
        std::vector<std::vector<AttributeValues>> values;
        std::unordered_map<std::string, std::int32_t> byKey;
        // Entries that came before their parent, by the parent's key.
        std::unordered_map<std::string, std::vector<std::int32_t>> orphans;
        std::int32_t lastParent = -1;
        std::string lastParentKey;
    } tree_;
    // The listing being handed out from the subtree search.
    struct Cursor {
        std::string path;
        std::int32_t entry = -1;                   // -1 until the container arrived
        std::int32_t lastHanded = -1;              // the child handed out last
        bool restarted = false;                    // the search was made again meanwhile
        std::unordered_set<std::string> handedOut; // before the search was made again
    } cursor_;
    MappedEntry mapped_; // reused for every entry

    // Values of entries listed but not yet read, by path (one level at a time).
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

bool LdapBackend::KeyOf(const std::string& path, std::string& key) const {
    std::vector<Rdn> below;
    if (!PathToRdns(path, naming_.tree, below))
        return false;
    std::vector<Rdn> leafFirst(below.rbegin(), below.rend());
    key = NormalizedDn(leafFirst);
    return true;
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
    if (!MapEntry(ld_, entry, *profile_, naming_, mapped_))
        return;
    const std::string path =
        parentPath.empty() ? "\\T=" + naming_.tree : parentPath + "\\" + mapped_.object.name;
    if (mapped_.referral) {
        notices_.push_back(ReferralNotice(path, mapped_.referralUrls));
        return;
    }
    if (!mapped_.values.empty())
        pending_[path] = std::move(mapped_.values);
    if (out)
        out->push_back(std::move(mapped_.object));
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
        struct timeval wait = timeout_;
        int type = ldap_result(ld_, msgid, LDAP_MSG_ONE, &wait, &res);
        if (type <= 0) {
            ldap_msgfree(res);
            int code = LDAP_SERVER_DOWN;
            ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &code);
            err = type == 0 || code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code;
            words_ = type == 0 ? "No answer from the directory server within " +
                                     std::to_string(timeout_.tv_sec) + " s"
                               : SessionWords(ld_, err);
            return true;
        }
        bool done = false;
        if (type == LDAP_RES_SEARCH_ENTRY) {
            TakeEntry(res, parentPath, out);
            ++taken;
        } else if (type == LDAP_RES_SEARCH_REFERENCE) {
            char** urls = nullptr;
            std::vector<std::string> list;
            if (ldap_parse_reference(ld_, res, &urls, nullptr, 0) == LDAP_SUCCESS && urls)
                for (char** u = urls; *u; ++u)
                    list.emplace_back(*u);
            ldap_memvfree(reinterpret_cast<void**>(urls));
            notices_.push_back(
                ReferralNotice(parentPath.empty() ? "\\T=" + naming_.tree : parentPath, list));
        } else if (type == LDAP_RES_SEARCH_RESULT) {
            done = true;
            LDAPControl** returned = nullptr;
            char* diagnostic = nullptr;
            if (ldap_parse_result(ld_, res, &err, nullptr, &diagnostic, nullptr, &returned, 0) !=
                LDAP_SUCCESS)
                err = LDAP_OTHER;
            if (err != LDAP_SUCCESS)
                words_ = DirectoryWords(err, diagnostic);
            ldap_memfree(diagnostic);
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

Status LdapBackend::OneLevelListPart(const std::string& path, bool first,
                                     std::vector<ListedObject>& out, bool& complete) {
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
    if (status == kErrTransportFailure)
        Reconnect(words_);
    else
        Prefetch(path);
    if (status == kOk)
        handedTotal_ += out.size();
    return status;
}

Status LdapBackend::OneLevelRead(const std::string& path, const std::vector<std::string>& names,
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

// ---- the walk's calls ----

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

// ---- the subtree search ----

Status LdapBackend::StartTree(bool paged) {
    if (tree_.msgid >= 0 && !tree_.done && ld_)
        ldap_abandon_ext(ld_, tree_.msgid, nullptr, nullptr);
    // What the current listing handed out is not handed out again.
    if (cursor_.entry >= 0 && cursor_.lastHanded >= 0) {
        for (std::int32_t c = tree_.entries[static_cast<std::size_t>(cursor_.entry)].firstChild;
             c >= 0; c = tree_.entries[static_cast<std::size_t>(c)].nextSibling) {
            cursor_.handedOut.insert(tree_.entries[static_cast<std::size_t>(c)].object.name);
            if (c == cursor_.lastHanded)
                break;
        }
    }
    if (tree_.started) {
        cursor_.restarted = true;
        cursor_.entry = -1;
        cursor_.lastHanded = -1;
    }
    const int starts = tree_.starts + 1;
    const int pageSize = tree_.pageSize;
    tree_ = Tree{};
    tree_.started = true;
    tree_.paged = paged;
    tree_.starts = starts;
    tree_.pageSize = pageSize;
    TreeEntry root;
    root.object.flags = kFlagContainer;
    tree_.entries.push_back(std::move(root));
    tree_.byKey.emplace(std::string(), 0);
    Status s = Issue(baseDn_, LDAP_SCOPE_SUBTREE, paged, nullptr, tree_.msgid, tree_.pageSize);
    if (s != kOk) {
        tree_.done = true;
        tree_.status = s;
        words_ = SessionWords(ld_, LDAP_SERVER_DOWN);
    }
    return s;
}

void LdapBackend::TakeTreeEntry(LDAPMessage* message) {
    ++tree_.received;
    if (!MapEntry(ld_, message, *profile_, naming_, mapped_))
        return;
    MappedEntry& e = mapped_;
    const std::vector<Rdn>& base = naming_.base;
    if (e.rdns.size() < base.size())
        return;
    const std::size_t extra = e.rdns.size() - base.size();
    for (std::size_t i = 0; i < base.size(); ++i)
        if (NormalizedRdn(e.rdns[extra + i]) != NormalizedRdn(base[i]))
            return; // not below the base
    if (e.referral) {
        std::string path;
        if (!naming_.DnToPath(FormatDn(e.rdns), path))
            path = "\\T=" + naming_.tree;
        notices_.push_back(ReferralNotice(path, e.referralUrls));
        if (extra == 0) {
            // The tree's root itself lives elsewhere.
            TreeEnded(LDAP_REFERRAL, "The base entry " + baseDn_ + " is a referral");
        }
        return;
    }
    std::int32_t index = 0;
    std::string key;
    if (extra > 0) {
        std::size_t firstLength = 0;
        for (std::size_t i = 0; i < extra; ++i) {
            if (i)
                key += ',';
            key += NormalizedRdn(e.rdns[i]);
            if (i == 0)
                firstLength = key.size();
        }
        std::string_view parentKey =
            extra == 1 ? std::string_view() : std::string_view(key).substr(firstLength + 1);
        std::int32_t parent = -1;
        if (extra == 1) {
            parent = 0;
        } else if (tree_.lastParent >= 0 && parentKey == tree_.lastParentKey) {
            parent = tree_.lastParent;
        } else {
            auto it = tree_.byKey.find(std::string(parentKey));
            if (it != tree_.byKey.end()) {
                parent = it->second;
                tree_.lastParent = parent;
                tree_.lastParentKey = parentKey;
            }
        }
        index = static_cast<std::int32_t>(tree_.entries.size());
        const bool kept = KeptForReads(e);
        if (kept && !tree_.byKey.emplace(key, index).second)
            return; // sent twice
        TreeEntry t;
        t.object = std::move(e.object);
        tree_.entries.push_back(std::move(t));
        auto link = [&](std::int32_t p, std::int32_t child) {
            TreeEntry& pe = tree_.entries[static_cast<std::size_t>(p)];
            if (pe.lastChild < 0)
                pe.firstChild = child;
            else
                tree_.entries[static_cast<std::size_t>(pe.lastChild)].nextSibling = child;
            pe.lastChild = child;
        };
        if (parent >= 0)
            link(parent, index);
        else
            tree_.orphans[std::string(parentKey)].push_back(index);
        if (kept && !tree_.orphans.empty()) {
            auto waiting = tree_.orphans.find(key);
            if (waiting != tree_.orphans.end()) {
                for (std::int32_t child : waiting->second)
                    link(index, child);
                tree_.orphans.erase(waiting);
            }
        }
    }
    if (extra == 0)
        tree_.baseArrived = true;
    if (!e.values.empty()) {
        TreeEntry& t = tree_.entries[static_cast<std::size_t>(index)];
        if (t.values < 0) {
            t.values = static_cast<std::int32_t>(tree_.values.size());
            tree_.values.push_back(std::move(e.values));
        }
    }
}

void LdapBackend::TreeEnded(int err, const std::string& words) {
    if (!tree_.done && tree_.msgid >= 0 && err != LDAP_SUCCESS && ld_)
        ldap_abandon_ext(ld_, tree_.msgid, nullptr, nullptr);
    tree_.done = true;
    tree_.status = err == LDAP_SUCCESS ? kOk : FromLdap(err);
    if (err != LDAP_SUCCESS)
        words_ = words;
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

void LdapBackend::Receive(std::size_t enough) {
    for (std::size_t taken = 0; taken < enough && !tree_.done; ++taken) {
        LDAPMessage* res = nullptr;
        struct timeval wait = timeout_;
        int type = ld_ ? ldap_result(ld_, tree_.msgid, LDAP_MSG_ONE, &wait, &res) : -1;
        if (type <= 0) {
            ldap_msgfree(res);
            // Lost or silent: a fresh session and the search again, at most twice.
            int code = LDAP_SERVER_DOWN;
            if (ld_)
                ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &code);
            std::string words =
                type == 0 ? "No answer from the directory server within " +
                                std::to_string(timeout_.tv_sec) + " s"
                          : SessionWords(ld_, code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code);
            if (tree_.starts < 3 && Reconnect(words)) {
                words_ = words;
                StartTree(tree_.paged);
                continue;
            }
            TreeEnded(LDAP_SERVER_DOWN, words);
            if (fatal_.empty())
                fatal_ = "The directory server cannot be reached any more; the walk ends here.";
            return;
        }
        if (type == LDAP_RES_SEARCH_ENTRY) {
            TakeTreeEntry(res);
        } else if (type == LDAP_RES_SEARCH_REFERENCE) {
            char** urls = nullptr;
            std::vector<std::string> list;
            if (ldap_parse_reference(ld_, res, &urls, nullptr, 0) == LDAP_SUCCESS && urls)
                for (char** u = urls; *u; ++u)
                    list.emplace_back(*u);
            ldap_memvfree(reinterpret_cast<void**>(urls));
            notices_.push_back(ReferralNotice("\\T=" + naming_.tree, list));
        } else if (type == LDAP_RES_SEARCH_RESULT) {
            int err = LDAP_SUCCESS;
            LDAPControl** returned = nullptr;
            char* diagnostic = nullptr;
            char** referrals = nullptr;
            if (ldap_parse_result(ld_, res, &err, nullptr, &diagnostic, &referrals, &returned, 0) !=
                LDAP_SUCCESS)
                err = LDAP_OTHER;
            std::string words = DirectoryWords(err, diagnostic);
            ldap_memfree(diagnostic);
            if (err == LDAP_REFERRAL) {
                std::vector<std::string> list;
                for (char** r = referrals; r && *r; ++r)
                    list.emplace_back(*r);
                notices_.push_back(ReferralNotice("\\T=" + naming_.tree, list));
            }
            ldap_memvfree(reinterpret_cast<void**>(referrals));
            struct berval* cookie = nullptr;
            if (LDAPControl* resp =
                    tree_.paged ? ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr)
                                : nullptr) {
                ber_int_t estimate = 0;
                struct berval c = {0, nullptr};
                if (ldap_parse_pageresponse_control(ld_, resp, &estimate, &c) == LDAP_SUCCESS &&
                    c.bv_len > 0)
                    cookie = ber_bvdup(&c);
                ber_memfree(c.bv_val);
            }
            ldap_controls_free(returned);
            ldap_msgfree(res);
            res = nullptr;
            if (err == LDAP_SUCCESS && cookie) {
                // The next page.
                Status s =
                    Issue(baseDn_, LDAP_SCOPE_SUBTREE, true, cookie, tree_.msgid, tree_.pageSize);
                ber_bvfree(cookie);
                if (s != kOk)
                    TreeEnded(LDAP_SERVER_DOWN, SessionWords(ld_, LDAP_SERVER_DOWN));
                continue;
            }
            if (cookie)
                ber_bvfree(cookie);
            if (err == LDAP_SUCCESS) {
                TreeEnded(err, words);
            } else if (!tree_.paged && (IsLimit(err) || IsRefusal(err))) {
                // Past the server's limits with paging: pages no larger than
                // what it sent before it stopped.
                if (IsLimit(err) && tree_.received > 0 && tree_.received < 1000)
                    tree_.pageSize = static_cast<int>(tree_.received);
                words_ = words;
                StartTree(true);
            } else if ((IsRefusal(err) || IsLimit(err)) && tree_.received == 0 &&
                       cursor_.lastHanded < 0 && cursor_.handedOut.empty()) {
                // No subtree search here, not even paged (a refusal, or a
                // limit struck before the first entry, as a limit on the
                // entries a search may look at does): one level at a time.
                TreeEnded(err, words);
                oneLevel_ = true;
            } else if (IsLimit(err)) {
                TreeEnded(err, words);
                fatal_ = "The directory's " + std::string(LimitName(err)) +
                         " stopped the search after " + std::to_string(tree_.received) +
                         " entries while listing: " + cursor_.path + "; " +
                         std::to_string(handedTotal_) + " objects read.";
            } else {
                TreeEnded(err, words);
            }
            continue;
        }
        ldap_msgfree(res);
    }
}

void LdapBackend::HandOut(std::vector<ListedObject>& out) {
    const TreeEntry& container = tree_.entries[static_cast<std::size_t>(cursor_.entry)];
    std::int32_t c = cursor_.lastHanded < 0
                         ? container.firstChild
                         : tree_.entries[static_cast<std::size_t>(cursor_.lastHanded)].nextSibling;
    while (c >= 0 && out.size() < kPart) {
        const TreeEntry& e = tree_.entries[static_cast<std::size_t>(c)];
        if (!cursor_.restarted || !cursor_.handedOut.count(e.object.name))
            out.push_back(e.object);
        cursor_.lastHanded = c;
        c = e.nextSibling;
    }
}

bool LdapBackend::ListingComplete() const {
    if (!tree_.done || cursor_.entry < 0)
        return tree_.done;
    const TreeEntry& container = tree_.entries[static_cast<std::size_t>(cursor_.entry)];
    return cursor_.lastHanded < 0
               ? container.firstChild < 0
               : tree_.entries[static_cast<std::size_t>(cursor_.lastHanded)].nextSibling < 0;
}

Status LdapBackend::TreeListPart(const std::string& path, bool first,
                                 std::vector<ListedObject>& out, bool& complete) {
    out.clear();
    complete = false;
    std::string key;
    if (!KeyOf(path, key)) {
        complete = true;
        return kErrIllegalName;
    }
    if (first) {
        cursor_ = Cursor{};
        cursor_.path = path;
    } else if (cursor_.path != path) {
        complete = true;
        return kOk;
    }
    if (!tree_.started)
        StartTree(false);
    // What arrived is handed out at once; otherwise the next entries are
    // waited for, a part's worth at a time, so that the walk stays live.
    for (int round = 0; round < 2 && out.empty(); ++round) {
        if (cursor_.entry < 0) {
            auto it = tree_.byKey.find(key);
            if (it != tree_.byKey.end() &&
                (tree_.entries[static_cast<std::size_t>(it->second)].object.flags & kFlagContainer))
                cursor_.entry = it->second;
        }
        if (cursor_.entry >= 0)
            HandOut(out);
        if (!out.empty() || tree_.done)
            break;
        Receive(kPart);
        if (oneLevel_)
            return kOk;
    }
    if (tree_.done && tree_.status != kOk) {
        out.clear();
        complete = true;
        return tree_.status;
    }
    if (tree_.done && cursor_.entry < 0) {
        complete = true;
        return kErrNoSuchEntry;
    }
    complete = ListingComplete();
    handedTotal_ += out.size();
    return kOk;
}

Status LdapBackend::TreeRead(const std::string& path, const std::vector<std::string>& names,
                             std::vector<AttributeValues>& out) {
    out.clear();
    std::string key;
    if (!KeyOf(path, key))
        return kErrIllegalName;
    if (!tree_.started)
        StartTree(false);
    auto it = tree_.byKey.find(key);
    // The base's values come with the base entry (its place is kept from the start).
    while ((it == tree_.byKey.end() || (it->second == 0 && !tree_.baseArrived)) && !tree_.done &&
           !oneLevel_) {
        Receive(kPart);
        it = tree_.byKey.find(key);
    }
    if (oneLevel_)
        return kOk;
    if (it == tree_.byKey.end())
        return tree_.status;
    const TreeEntry& e = tree_.entries[static_cast<std::size_t>(it->second)];
    if (e.values < 0)
        return kOk;
    const std::vector<AttributeValues>& values = tree_.values[static_cast<std::size_t>(e.values)];
    for (const std::string& n : names) {
        const AttributeMapping* m = profile_->FindByNds(n);
        if (!m)
            continue;
        for (const AttributeValues& av : values)
            if (av.name == m->ndsName)
                out.push_back(av);
    }
    return kOk;
}

} // namespace

Status OpenLdapBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words) {
    auto backend = std::make_unique<LdapBackend>();
    if (Status s = backend->Open(connection, words))
        return s;
    const DirectoryProfile& profile = *backend->profile_;
    std::string why = backend->profileWhy_;
    out = DecorateBackend(std::move(backend), profile, why, connection);
    return kOk;
}

} // namespace qv::nds
