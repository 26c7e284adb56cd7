// The LDAP backend's listings one level at a time, for servers that refuse
// subtree searches: unpaged one-level searches, repeated with paging on
// "size limit exceeded", handed out in parts, with the next containers'
// listings asked for ahead while the current one is read. Attribute values
// come with the listing and are kept until the walk reads them.
#include "netware/ldap_backend_internal.h"
#include "netware/ldap_session.h"

#include <ldap.h>

#include <string>
#include <vector>

namespace qv::nds::ldap {

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
            notices_.push_back(ReferralNotice(
                parentPath.empty() ? "\\T=" + naming_.tree : parentPath, ReferenceUrls(ld_, res)));
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
            if (paged)
                cookie = PagedResultsCookie(ld_, returned);
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

} // namespace qv::nds::ldap
