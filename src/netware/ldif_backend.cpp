#include "netware/ldif_backend.h"

#include "files/file_access.h"

#include <ldap.h>
#include <ldif.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <strings.h>
#include <tuple>

namespace qv::nds {

namespace {

// Closes an LDIF stream and frees the record buffer on every way out.
struct LdifReader {
    LDIFFP* fp = nullptr;
    char* buf = nullptr;
    int bufLen = 0;
    ~LdifReader() {
        if (buf)
            ber_memfree(buf);
        if (fp)
            ldif_close(fp);
    }
};

struct ParsedRecord {
    LDIFRecord lr{};
    bool parsed = false;
    ~ParsedRecord() {
        if (parsed)
            ldap_ldif_record_done(&lr);
    }
};

// OpenLDAP's record parser takes a line with an empty attribute type
// (":value") for a named one and fails on it; such records are refused first.
bool WellFormed(const char* record) {
    if (!record)
        return false;
    for (const char* line = record; *line;) {
        if (*line == ':')
            return false;
        const char* next = std::strchr(line, '\n');
        if (!next)
            break;
        line = next + 1;
    }
    return true;
}

constexpr std::uint64_t kMaxUrlValueBytes = 64ull * 1024 * 1024;

std::string Base64(std::string_view bytes) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += digits[v >> 6 & 63];
        out += digits[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += digits[v >> 18];
        out += digits[v >> 12 & 63];
        out += i + 1 < bytes.size() ? digits[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

// Values given by URL ("jpegPhoto:< file:///path") are read here rather than
// by OpenLDAP's LDIF functions, which would open anything (a device, a FIFO)
// and read it without bound: only file URLs of this host, only regular files
// of at most 64 MB. The value goes back into the record in base64 ("::").
// firstLine is the line number of the record's first line. False, with the
// reason naming the line, when a value cannot be read so.
bool ResolveUrlValues(const char* record, unsigned long firstLine, std::string& resolved,
                      bool& changed, std::string& error) {
    changed = false;
    resolved.clear();
    unsigned long lineNo = firstLine;
    for (const char* line = record; *line;) {
        // One logical line: continuation lines start with a space.
        const char* end = line;
        std::string logical;
        unsigned long lines = 0;
        while (true) {
            const char* nl = std::strchr(end, '\n');
            const char* stop = nl ? nl : end + std::strlen(end);
            std::string_view piece(end, static_cast<std::size_t>(stop - end));
            if (!piece.empty() && piece.back() == '\r')
                piece.remove_suffix(1);
            if (lines > 0)
                piece.remove_prefix(1);
            logical += piece;
            ++lines;
            end = nl ? nl + 1 : stop;
            if (!nl || *end != ' ')
                break;
        }
        std::size_t colon = logical.find(':');
        if (line[0] != '#' && colon != std::string::npos && colon + 1 < logical.size() &&
            logical[colon + 1] == '<') {
            const std::string attr = logical.substr(0, colon);
            std::size_t at = logical.find_first_not_of(' ', colon + 2);
            const std::string url = at == std::string::npos ? std::string() : logical.substr(at);
            const std::string where = "Line " + std::to_string(lineNo) + ": the value of " + attr +
                                      " given by URL " + url;
            std::string path;
            if (url.rfind("file:///", 0) == 0)
                path = url.substr(7);
            else if (url.rfind("file://localhost/", 0) == 0)
                path = url.substr(16);
            if (path.empty()) {
                error = where + " cannot be read: only file:/// URLs are read.";
                return false;
            }
            std::string bytes, why;
            if (!ReadWholeFile(path, bytes, why, kMaxUrlValueBytes)) {
                error = where + " cannot be read: " + why;
                return false;
            }
            resolved += attr + ":: " + Base64(bytes) + "\n";
            changed = true;
        } else {
            resolved.append(line, static_cast<std::size_t>(end - line));
            if (resolved.empty() || resolved.back() != '\n')
                resolved += '\n';
        }
        lineNo += lines;
        line = end;
    }
    return true;
}

} // namespace

Status LdifDirectory::LoadFile(const std::string& path, const std::string& treeName) {
    LDIFFP* fp = ldif_open(path.c_str(), "r");
    if (!fp)
        return kErrTransportFailure;
    return LoadFrom(fp, treeName);
}

Status LdifDirectory::Load(const char* data, std::size_t size, const std::string& treeName) {
    // ldif_open_mem wants a writable buffer; it only reads it.
    std::string copy(data, size);
    if (copy.empty())
        return kErrBadDirectoryData;
    LDIFFP* fp = ldif_open_mem(copy.data(), copy.size(), "r");
    if (!fp)
        return kErrNotEnoughMemory;
    return LoadFrom(fp, treeName);
}

Status LdifDirectory::LoadFrom(void* file, const std::string& treeName) {
    LdifReader reader;
    reader.fp = static_cast<LDIFFP*>(file);
    entries_.clear();
    values_.clear();
    byDn_.clear();
    referrals_.clear();
    skipped_ = 0;
    naming_ = TreeNaming{};
    naming_.tree = treeName;
    unsigned long lineNo = 0;
    std::vector<Rdn> rdns;
    std::vector<std::vector<std::string>> mapped(AttributeMappings().size());
    std::vector<std::string> baseNorms;
    std::int32_t lastParent = -1;
    std::string lastParentKey;
    std::string resolved;
    error_.clear();
    while (true) {
        int r = ldif_read_record(reader.fp, &lineNo, &reader.buf, &reader.bufLen);
        if (r < 0)
            return kErrBadDirectoryData;
        if (r == 0)
            break;
        if (!WellFormed(reader.buf))
            return kErrBadDirectoryData;
        struct berval rbuf;
        rbuf.bv_val = reader.buf;
        rbuf.bv_len = std::strlen(reader.buf);
        if (std::strstr(reader.buf, ":<")) {
            // The record's first line: its lines counted back from the last
            // one read (the blank line after it, unless the file ended).
            unsigned long lines = 0;
            for (const char* c = reader.buf; *c; ++c)
                lines += *c == '\n';
            if (rbuf.bv_len > 0 && reader.buf[rbuf.bv_len - 1] != '\n')
                ++lines;
            const bool atEnd = reader.fp->fp && std::feof(reader.fp->fp);
            const unsigned long last = atEnd ? lineNo : lineNo - 1;
            const unsigned long first = last >= lines ? last - lines + 1 : 1;
            bool changed = false;
            if (!ResolveUrlValues(reader.buf, first, resolved, changed, error_))
                return kErrBadDirectoryData;
            if (changed) {
                rbuf.bv_val = resolved.data();
                rbuf.bv_len = resolved.size();
            }
        }
        ParsedRecord rec;
        if (ldap_parse_ldif_record(&rbuf, lineNo, &rec.lr, "ldif",
                                   LDIF_DEFAULT_ADD | LDIF_ENTRIES_ONLY | LDIF_NO_CONTROLS) !=
            LDAP_SUCCESS)
            return kErrBadDirectoryData;
        rec.parsed = true;
        if (rec.lr.lr_op != LDAP_REQ_ADD || !rec.lr.lrop_mods) {
            ++skipped_;
            continue;
        }
        if (!ParseDn(std::string_view(rec.lr.lr_dn.bv_val ? rec.lr.lr_dn.bv_val : "",
                                      rec.lr.lr_dn.bv_len),
                     rdns) ||
            rdns.empty()) {
            ++skipped_;
            continue;
        }
        std::int32_t parent = -1;
        std::string key;
        auto slot = byDn_.end();
        if (entries_.empty()) {
            naming_.base = rdns;
            baseNorms.clear();
            for (const Rdn& r : naming_.base)
                baseNorms.push_back(NormalizedRdn(r));
        } else {
            if (rdns.size() <= naming_.base.size()) {
                ++skipped_;
                continue;
            }
            std::size_t extra = rdns.size() - naming_.base.size();
            bool below = true;
            for (std::size_t i = 0; i < baseNorms.size() && below; ++i)
                below = NormalizedRdn(rdns[extra + i]) == baseNorms[i];
            if (!below) {
                ++skipped_;
                continue;
            }
            // The key is the normalized DN below the root; the parent's key is
            // its tail after the first RDN.
            std::size_t firstLength = 0;
            for (std::size_t i = 0; i < extra; ++i) {
                if (i)
                    key += ',';
                key += NormalizedRdn(rdns[i]);
                if (i == 0)
                    firstLength = key.size();
            }
            if (extra == 1) {
                parent = 0;
            } else {
                std::string_view parentKey = std::string_view(key).substr(firstLength + 1);
                // Siblings follow each other: the last parent found is tried first.
                if (lastParent >= 0 && parentKey == lastParentKey) {
                    parent = lastParent;
                } else {
                    auto it = byDn_.find(std::string(parentKey));
                    if (it == byDn_.end()) {
                        ++skipped_;
                        continue;
                    }
                    parent = it->second;
                    lastParent = parent;
                    lastParentKey = parentKey;
                }
            }
            // A DN seen before is left out.
            bool fresh = false;
            std::tie(slot, fresh) =
                byDn_.try_emplace(std::move(key), static_cast<std::int32_t>(entries_.size()));
            if (!fresh) {
                ++skipped_;
                continue;
            }
        }
        EntryTraits traits;
        for (auto& m : mapped)
            m.clear();
        // A referral object is not listed: it stands for a part of the tree
        // held elsewhere, which is not followed.
        bool referral = false;
        std::vector<std::string> urls;
        for (LDAPMod** mp = rec.lr.lrop_mods; *mp; ++mp) {
            LDAPMod* mod = *mp;
            if (!mod->mod_type || !mod->mod_bvalues)
                continue;
            for (struct berval** v = mod->mod_bvalues; *v; ++v) {
                std::string_view value((*v)->bv_val ? (*v)->bv_val : "", (*v)->bv_len);
                if (strcasecmp(mod->mod_type, "objectClass") == 0 && value.size() == 8 &&
                    strncasecmp(value.data(), "referral", 8) == 0)
                    referral = true;
                else if (strcasecmp(mod->mod_type, "ref") == 0)
                    urls.emplace_back(value);
            }
        }
        if (referral && parent >= 0) {
            byDn_.erase(slot);
            referrals_.push_back({parent, ListedName(rdns.front()), std::move(urls)});
            continue;
        }
        for (LDAPMod** mp = rec.lr.lrop_mods; *mp; ++mp) {
            LDAPMod* mod = *mp;
            if (!mod->mod_type || !mod->mod_bvalues)
                continue;
            const AttributeMapping* mapping = FindMappingByLdap(mod->mod_type);
            for (struct berval** v = mod->mod_bvalues; *v; ++v) {
                std::string_view value((*v)->bv_val ? (*v)->bv_val : "", (*v)->bv_len);
                if (mapping)
                    mapped[static_cast<std::size_t>(mapping - AttributeMappings().data())]
                        .emplace_back(value);
                else
                    NoteTrait(traits, mod->mod_type, value);
            }
        }
        Entry e;
        e.object = MakeListedObject(rdns.front(), traits);
        auto index = static_cast<std::int32_t>(entries_.size());
        bool anyValues = false;
        for (const auto& m : mapped)
            anyValues = anyValues || !m.empty();
        if (anyValues) {
            std::vector<AttributeValues> vals;
            std::string record;
            for (std::size_t a = 0; a < mapped.size(); ++a) {
                const AttributeMapping& mapping = AttributeMappings()[a];
                AttributeValues av{mapping.ndsName, mapping.syntax, {}};
                for (const std::string& v : mapped[a])
                    if (ValueRecord(mapping, v, naming_, record))
                        av.records.push_back(record);
                if (!av.records.empty())
                    vals.push_back(std::move(av));
            }
            e.values = static_cast<std::int32_t>(values_.size());
            values_.push_back(std::move(vals));
        }
        entries_.push_back(std::move(e));
        if (parent >= 0) {
            Entry& p = entries_[static_cast<std::size_t>(parent)];
            if (p.lastChild < 0)
                p.firstChild = index;
            else
                entries_[static_cast<std::size_t>(p.lastChild)].nextSibling = index;
            p.lastChild = index;
        }
    }
    return entries_.empty() ? kErrBadDirectoryData : kOk;
}

std::int32_t LdifDirectory::Find(const std::string& path) const {
    std::vector<Rdn> below;
    if (entries_.empty() || !PathToRdns(path, naming_.tree, below))
        return -1;
    if (below.empty())
        return 0;
    std::vector<Rdn> leafFirst(below.rbegin(), below.rend());
    auto it = byDn_.find(NormalizedDn(leafFirst));
    return it == byDn_.end() ? -1 : it->second;
}

const std::vector<AttributeValues>* LdifDirectory::ValuesOf(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return nullptr;
    std::int32_t v = entries_[static_cast<std::size_t>(index)].values;
    return v < 0 ? nullptr : &values_[static_cast<std::size_t>(v)];
}

Status LdifBackend::List(const std::string& path, std::vector<ListedObject>& out) {
    out.clear();
    std::int32_t i = dir_->Find(path);
    if (i < 0)
        return kErrNoSuchEntry;
    for (std::int32_t c = dir_->At(static_cast<std::size_t>(i)).firstChild; c >= 0;
         c = dir_->At(static_cast<std::size_t>(c)).nextSibling)
        out.push_back(dir_->At(static_cast<std::size_t>(c)).object);
    for (const LdifDirectory::Referral& r : dir_->Referrals()) {
        if (r.parent != i)
            continue;
        std::string text = "Referral not followed: " + path + "\\" + r.name;
        for (const std::string& u : r.urls)
            text += " " + u;
        notices_.push_back(std::move(text));
    }
    return kOk;
}

void LdifBackend::TakeReport(std::vector<std::string>& notices, std::string& words,
                             std::string& fatal) {
    notices = std::move(notices_);
    notices_.clear();
    words.clear();
    fatal.clear();
}

Status LdifBackend::Read(const std::string& path, const std::vector<std::string>& names,
                         std::vector<AttributeValues>& out) {
    out.clear();
    std::int32_t i = dir_->Find(path);
    if (i < 0)
        return kErrNoSuchEntry;
    const std::vector<AttributeValues>* vals = dir_->ValuesOf(i);
    if (!vals)
        return kOk;
    for (const std::string& n : names) {
        const AttributeMapping* m = FindMappingByNds(n);
        if (!m)
            continue;
        for (const AttributeValues& av : *vals)
            if (av.name == m->ndsName)
                out.push_back(av);
    }
    return kOk;
}

Status OpenLdifBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words) {
    // A directory file is read once per version of the file: a context made
    // again for the same tree reuses it.
    static std::mutex mutex;
    static std::map<std::tuple<std::string, std::string, long long, long long>,
                    std::shared_ptr<const LdifDirectory>>
        cache;
    std::string path = connection.address.substr(5);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return kErrTransportFailure;
    auto key = std::make_tuple(path, connection.name, static_cast<long long>(st.st_mtime),
                               static_cast<long long>(st.st_size));
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it == cache.end()) {
        auto dir = std::make_shared<LdifDirectory>();
        Status s = dir->LoadFile(path, connection.name);
        if (s != kOk) {
            words = dir->Error();
            return s;
        }
        cache.clear();
        it = cache.emplace(key, std::move(dir)).first;
    }
    out = std::make_unique<LdifBackend>(it->second);
    return kOk;
}

} // namespace qv::nds
