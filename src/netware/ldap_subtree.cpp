// The LDAP backend's one subtree search of the connection's base, which
// serves the walk's listings and attribute reads: entries are kept in the
// order the server sends them, each container's children linked in that
// order and handed out in parts. When the server's limits stop the search
// or the server refuses it, it is made again with the paged-results control;
// refused even so (or stopped by a limit before the first entry), the
// backend lists one level at a time instead (ldap_one_level.cpp).
#include "netware/ldap_backend_internal.h"
#include "netware/ldap_session.h"

#include <ldap.h>

#include <string>
#include <vector>

namespace qv::nds::ldap {

namespace {

// Whether the walk may read the entry's attributes later: containers (the
// partition roots among them), servers, and whatever has values. Other
// entries are kept only in their parent's listing.
bool KeptForReads(const MappedEntry& e) {
    return (e.object.flags & kFlagContainer) || !e.values.empty() ||
           e.object.baseClass == "NCP Server";
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

} // namespace

bool LdapBackend::KeyOf(const std::string& path, std::string& key) const {
    std::vector<Rdn> below;
    if (!PathToRdns(path, naming_.tree, below))
        return false;
    std::vector<Rdn> leafFirst(below.rbegin(), below.rend());
    key = NormalizedDn(leafFirst);
    return true;
}

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
            notices_.push_back(ReferralNotice("\\T=" + naming_.tree, ReferenceUrls(ld_, res)));
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
            struct berval* cookie = tree_.paged ? PagedResultsCookie(ld_, returned) : nullptr;
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

} // namespace qv::nds::ldap
