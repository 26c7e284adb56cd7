// The parts of the LDAP backend that its three files share: the class, and
// the reading of search entries. ldap_backend.cpp opens the session and
// dispatches the walk's calls, ldap_subtree.cpp serves them from the one
// subtree search, ldap_one_level.cpp lists one level at a time for servers
// that refuse subtree searches. Not for use outside those files.
#pragma once

#include "netware/directory_backend.h"
#include "netware/directory_profile.h"

#include <ldap.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace qv::nds::ldap {

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
              const TreeNaming& naming, MappedEntry& out);

// The counted error of a referral object that is not followed.
std::string ReferralNotice(const std::string& where, const std::vector<std::string>& urls);
// The URLs of a search continuation reference.
std::vector<std::string> ReferenceUrls(LDAP* ld, LDAPMessage* reference);

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
        // Deques: growing to a million entries never moves those already
        // there (moving half a million at once held the walk for 150 ms).
        std::deque<TreeEntry> entries;
        std::deque<std::vector<AttributeValues>> values;
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

} // namespace qv::nds::ldap
