#include "netware/ldif_backend.h"

#include "files/file_access.h"

#include <ldap.h>
#include <ldif.h>

#include <sys/stat.h>

#include <cstring>
#include <map>
#include <mutex>
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

} // namespace

Status LdifDirectory::LoadFile(const std::string& path, const std::string& treeName) {
    // Through the file access: a FIFO, device or folder is refused at once, a
    // file past the limit is never read.
    std::string bytes, error;
    if (!ReadWholeFile(path, bytes, error, kMaxLdifTreeBytes))
        return kErrTransportFailure;
    return Load(bytes.data(), bytes.size(), treeName);
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
    skipped_ = 0;
    naming_ = TreeNaming{};
    naming_.tree = treeName;
    unsigned long lineNo = 0;
    std::vector<Rdn> rdns;
    std::vector<std::vector<std::string>> mapped(AttributeMappings().size());
    std::vector<std::string> baseNorms;
    std::int32_t lastParent = -1;
    std::string lastParentKey;
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
            if (!byDn_.try_emplace(std::move(key), static_cast<std::int32_t>(entries_.size()))
                     .second) {
                ++skipped_;
                continue;
            }
        }
        EntryTraits traits;
        for (auto& m : mapped)
            m.clear();
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
    return kOk;
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

Status OpenLdifBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out) {
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
        if (s != kOk)
            return s;
        cache.clear();
        it = cache.emplace(key, std::move(dir)).first;
    }
    out = std::make_unique<LdifBackend>(it->second);
    return kOk;
}

} // namespace qv::nds
