#include "netware/ldif_backend.h"

#include "netware/ldif_records.h"

#include "files/file_access.h"

#include <ldap.h>
#include <ldif.h>

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_set>

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

// The lines on which records start: a line that is neither blank, a
// comment nor a continuation, after a blank line or at the start (a first
// "version:" line stands alone). The reader hands out records in this order.
std::vector<unsigned long> RecordLines(std::string_view text) {
    std::vector<unsigned long> lines;
    bool afterBlank = true;
    unsigned long n = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        ++n;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty()) {
            afterBlank = true;
            continue;
        }
        if (line.front() == '#' || line.front() == ' ')
            continue;
        if (afterBlank && !(lines.empty() && strncasecmp(line.data(), "version:", 8) == 0))
            lines.push_back(n);
        afterBlank = false;
    }
    return lines;
}

} // namespace

Status LdifDirectory::LoadFile(const std::string& path, const std::string& treeName,
                               const Options& options) {
    // Through the file access: a FIFO, device or folder is refused at once, a
    // file past the limit is never read.
    error_.clear();
    Result<std::string> bytes = ReadWholeFile(path, kMaxLdifTreeBytes);
    if (!bytes) {
        error_ = bytes.error();
        return kErrTransportFailure;
    }
    if (bytes->empty())
        return kErrBadDirectoryData;
    return Load(bytes->data(), bytes->size(), treeName, options);
}

Status LdifDirectory::Load(const char* data, std::size_t size, const std::string& treeName) {
    return Load(data, size, treeName, Options{});
}

Status LdifDirectory::Load(const char* data, std::size_t size, const std::string& treeName,
                           const Options& options) {
    // A UTF-8 byte order mark before the first line is not part of it.
    if (size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0) {
        data += 3;
        size -= 3;
    }
    // ldif_open_mem wants a writable buffer; it only reads it.
    std::string copy(data, size);
    if (copy.empty())
        return kErrBadDirectoryData;
    recordLines_ = RecordLines(copy);
    LDIFFP* fp = ldif_open_mem(copy.data(), copy.size(), "r");
    if (!fp)
        return kErrNotEnoughMemory;
    return LoadFrom(fp, treeName, options);
}

namespace {

// One entry of the file as read, before the tree is built: its DN as the
// file writes it (parsed again when the entry is placed, so that a million
// entries do not each hold their parsed RDNs) and the values of the
// attributes some profile reads.
struct FileEntry {
    unsigned long line = 0;
    std::string dn;
    std::size_t depth = 0; // its number of RDNs
    std::vector<std::pair<std::string, std::vector<std::string>>> attrs;
};

// The attributes (lower-case) that any profile asks for, and the referral URLs.
const std::unordered_set<std::string>& ReadAttributes() {
    static const std::unordered_set<std::string> names = [] {
        std::unordered_set<std::string> n = {"ref"};
        for (const DirectoryProfile& p : Profiles())
            for (const std::string& a : p.ListingAttributes()) {
                std::string lower = a;
                for (char& c : lower)
                    if (c >= 'A' && c <= 'Z')
                        c = static_cast<char>(c - 'A' + 'a');
                n.insert(std::move(lower));
            }
        return n;
    }();
    return names;
}

bool IsReferral(const FileEntry& e) {
    for (const auto& [type, vals] : e.attrs)
        if (strcasecmp(type.c_str(), "objectClass") == 0)
            for (const std::string& v : vals)
                if (strcasecmp(v.c_str(), "referral") == 0)
                    return true;
    return false;
}

bool IsChangeRecord(const char* record) {
    for (const char* line = record; *line;) {
        if (strncasecmp(line, "changetype:", 11) == 0)
            return true;
        const char* next = std::strchr(line, '\n');
        if (!next)
            break;
        line = next + 1;
    }
    return false;
}

void LowerAsciiInPlace(std::string& s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

// Copies the values of the attributes some profile reads into the entry,
// noting the object classes met (lower-case). type is a reused buffer.
void KeepWantedAttributes(LDAPMod** mods, const std::unordered_set<std::string>& wanted,
                          std::string& type, FileEntry& e,
                          std::unordered_set<std::string>& classesSeen) {
    for (LDAPMod** mp = mods; *mp; ++mp) {
        LDAPMod* mod = *mp;
        if (!mod->mod_type || !mod->mod_bvalues)
            continue;
        type = mod->mod_type;
        LowerAsciiInPlace(type);
        if (!wanted.count(type))
            continue;
        std::vector<std::string> vals;
        for (struct berval** v = mod->mod_bvalues; *v; ++v)
            vals.emplace_back((*v)->bv_val ? (*v)->bv_val : "", (*v)->bv_len);
        if (strcasecmp(mod->mod_type, "objectClass") == 0)
            for (const std::string& v : vals) {
                std::string lower = v;
                LowerAsciiInPlace(lower);
                classesSeen.insert(std::move(lower));
            }
        e.attrs.emplace_back(mod->mod_type, std::move(vals));
    }
}

// The values of an entry as the profile maps them; the attributes it does
// not map are noted in the traits. The index of the values added, or -1.
std::int32_t AddValues(const DirectoryProfile& profile, const TreeNaming& naming,
                       const FileEntry& fe, EntryTraits& traits,
                       std::vector<std::vector<AttributeValues>>& values) {
    std::vector<std::vector<std::string>> mapped(profile.attributes.size());
    for (const auto& [type, vals] : fe.attrs) {
        const AttributeMapping* mapping = profile.FindByLdap(type);
        for (const std::string& v : vals) {
            if (mapping)
                mapped[static_cast<std::size_t>(mapping - profile.attributes.data())].push_back(v);
            else
                NoteTrait(traits, type, v);
        }
    }
    std::vector<AttributeValues> vals;
    std::string record;
    for (std::size_t a = 0; a < mapped.size(); ++a) {
        const AttributeMapping& mapping = profile.attributes[a];
        AttributeValues av{mapping.ndsName, mapping.syntax, {}};
        for (const std::string& v : mapped[a])
            if (ValueRecord(mapping, v, naming, record))
                av.records.push_back(record);
        if (!av.records.empty())
            vals.push_back(std::move(av));
    }
    if (vals.empty())
        return -1;
    values.push_back(std::move(vals));
    return static_cast<std::int32_t>(values.size() - 1);
}

// A referral object under its parent, with the URLs of its ref values.
LdifDirectory::Referral ReferralOf(std::int32_t parent, const Rdn& first, const FileEntry& fe) {
    LdifDirectory::Referral r{parent, ListedName(first), {}};
    for (const auto& [type, vals] : fe.attrs)
        if (strcasecmp(type.c_str(), "ref") == 0)
            r.urls.insert(r.urls.end(), vals.begin(), vals.end());
    return r;
}

// An entry below the base: its key (the normalized DN below the base) and
// its depth there.
struct Placed {
    std::size_t entry;
    std::string key;
    std::size_t depth;
};

} // namespace

struct LdifDirectory::LoadState {
    LdifReader reader;
    const std::unordered_set<std::string>& wanted = ReadAttributes();
    // The records, in file order.
    std::vector<FileEntry> read;
    std::unordered_set<std::string> classesSeen; // lower-case
    unsigned long lineNo = 0;
    std::size_t records = 0;
    std::string resolved;
    std::vector<Rdn> rdns; // reused for every entry
    std::string type;
    // The entries below the base, parents before children; the entry that is
    // the base itself becomes the tree root's values.
    std::vector<Placed> placed;
    std::int32_t rootEntry = -1;
    // Whether an entry is a container may depend on whether entries lie
    // below it: those that become one then are marked.
    std::vector<bool> containerWithEntriesBelow;
    // The parent found last, which the next entry most often shares.
    std::int32_t lastParent = -1;
    std::string lastParentKey;
};

Status LdifDirectory::LoadFrom(void* file, const std::string& treeName, const Options& options) {
    LoadState s;
    s.reader.fp = static_cast<LDIFFP*>(file);
    ResetForLoad(treeName);
    if (Status st = ReadRecords(s); st != kOk)
        return st;
    ChooseLoadProfile(s, options);
    if (Status st = FindBase(s, options); st != kOk)
        return st;
    PlaceEntries(s);
    BuildTree(s);
    return kOk;
}

void LdifDirectory::ResetForLoad(const std::string& treeName) {
    entries_.clear();
    values_.clear();
    byDn_.clear();
    errors_.clear();
    referrals_.clear();
    error_.clear();
    naming_ = TreeNaming{};
    naming_.tree = treeName;
}

void LdifDirectory::NoteLeftOut(unsigned long line, const std::string& text) {
    errors_.push_back("Line " + std::to_string(line) + ": " + text);
}

Status LdifDirectory::ReadRecords(LoadState& s) {
    s.read.reserve(recordLines_.size());
    for (bool end = false; !end;)
        if (Status st = ReadRecord(s, end); st != kOk)
            return st;
    return s.read.empty() ? kErrBadDirectoryData : kOk;
}

Status LdifDirectory::ReadRecord(LoadState& s, bool& end) {
    unsigned long before = s.lineNo;
    int r = ldif_read_record(s.reader.fp, &s.lineNo, &s.reader.buf, &s.reader.bufLen);
    if (r < 0)
        return kErrBadDirectoryData;
    if (r == 0) {
        end = true;
        return kOk;
    }
    if (!LdifRecordWellFormed(s.reader.buf))
        return kErrBadDirectoryData;
    // The line the record starts on; the reader itself only counts up to
    // the last line it read.
    const unsigned long first =
        s.records < recordLines_.size() ? recordLines_[s.records] : before + 1;
    ++s.records;
    struct berval rbuf;
    rbuf.bv_val = s.reader.buf;
    rbuf.bv_len = std::strlen(s.reader.buf);
    if (std::strstr(s.reader.buf, ":<")) {
        Result<std::optional<std::string>> rewritten = ResolveLdifUrlValues(s.reader.buf, first);
        if (!rewritten) {
            error_ = rewritten.error();
            return kErrBadDirectoryData;
        }
        if (*rewritten) {
            s.resolved = std::move(**rewritten);
            rbuf.bv_val = s.resolved.data();
            rbuf.bv_len = s.resolved.size();
        }
    }
    const bool change = IsChangeRecord(s.reader.buf);
    ParsedRecord rec;
    if (ldap_parse_ldif_record(&rbuf, s.lineNo, &rec.lr, "ldif",
                               LDIF_DEFAULT_ADD | LDIF_ENTRIES_ONLY | LDIF_NO_CONTROLS) !=
        LDAP_SUCCESS) {
        if (change) {
            NoteLeftOut(first, "a change record, left out");
            return kOk;
        }
        return kErrBadDirectoryData;
    }
    rec.parsed = true;
    std::string_view dn(rec.lr.lr_dn.bv_val ? rec.lr.lr_dn.bv_val : "", rec.lr.lr_dn.bv_len);
    if (change || rec.lr.lr_op != LDAP_REQ_ADD) {
        NoteLeftOut(first, "a change record (dn: " + std::string(dn) + "), left out");
        return kOk;
    }
    FileEntry e;
    e.line = first;
    if (!ParseDn(dn, s.rdns) || s.rdns.empty()) {
        NoteLeftOut(first, "the DN \"" + std::string(dn) + "\" does not parse, entry left out");
        return kOk;
    }
    e.dn = std::string(dn);
    e.depth = s.rdns.size();
    if (rec.lr.lrop_mods)
        KeepWantedAttributes(rec.lr.lrop_mods, s.wanted, s.type, e, s.classesSeen);
    s.read.push_back(std::move(e));
    return kOk;
}

void LdifDirectory::ChooseLoadProfile(const LoadState& s, const Options& options) {
    ProfileEvidence evidence;
    evidence.anyEntryOf = [&](const std::vector<std::string>& classes) {
        for (const std::string& c : classes) {
            std::string lower = c;
            LowerAsciiInPlace(lower);
            if (s.classesSeen.count(lower))
                return true;
        }
        return false;
    };
    profile_ = &ChooseProfile(options.profile, evidence, profileWhy_);
}

Status LdifDirectory::FindBase(const LoadState& s, const Options& options) {
    if (!options.baseDn.empty()) {
        if (!ParseDn(options.baseDn, naming_.base) || naming_.base.empty())
            return kErrIllegalName;
        return kOk;
    }
    std::size_t top = 0;
    for (std::size_t i = 1; i < s.read.size(); ++i)
        if (s.read[i].depth < s.read[top].depth)
            top = i;
    ParseDn(s.read[top].dn, naming_.base);
    return kOk;
}

void LdifDirectory::PlaceEntries(LoadState& s) {
    std::vector<std::string> baseNorms;
    for (const Rdn& r : naming_.base)
        baseNorms.push_back(NormalizedRdn(r));
    const std::string baseText = FormatDn(naming_.base);
    // Reserved once: the keys below never move, so the map of the lines
    // where each DN was first seen can look at them instead of copying them.
    s.placed.reserve(s.read.size());
    std::unordered_map<std::string_view, unsigned long> firstLine;
    firstLine.reserve(s.read.size());
    for (std::size_t i = 0; i < s.read.size(); ++i) {
        ParseDn(s.read[i].dn, s.rdns);
        bool below = s.rdns.size() >= naming_.base.size();
        std::size_t extra = below ? s.rdns.size() - naming_.base.size() : 0;
        for (std::size_t k = 0; k < baseNorms.size() && below; ++k)
            below = NormalizedRdn(s.rdns[extra + k]) == baseNorms[k];
        if (!below) {
            NoteLeftOut(s.read[i].line, "the entry " + FormatDn(s.rdns) + " is outside the base " +
                                            baseText + ", left out");
            continue;
        }
        std::string key;
        for (std::size_t k = 0; k < extra; ++k) {
            if (k)
                key += ',';
            key += NormalizedRdn(s.rdns[k]);
        }
        if (auto seen = firstLine.find(key); seen != firstLine.end()) {
            NoteLeftOut(s.read[i].line, "the DN " + FormatDn(s.rdns) +
                                            " repeats the entry of line " +
                                            std::to_string(seen->second) + ", left out");
            continue;
        }
        if (extra == 0) {
            s.rootEntry = static_cast<std::int32_t>(i);
            firstLine.emplace(std::string_view(), s.read[i].line);
        } else {
            s.placed.push_back({i, std::move(key), extra});
            firstLine.emplace(std::string_view(s.placed.back().key), s.read[i].line);
        }
    }
    firstLine = {};
    // Parents before children; siblings in file order.
    std::stable_sort(s.placed.begin(), s.placed.end(),
                     [](const Placed& a, const Placed& b) { return a.depth < b.depth; });
}

void LdifDirectory::BuildTree(LoadState& s) {
    entries_.reserve(s.placed.size() + 1);
    s.containerWithEntriesBelow.reserve(s.placed.size() + 1);
    byDn_.reserve(s.placed.size());
    {
        Entry root;
        EntryTraits t;
        t.profile = profile_;
        if (s.rootEntry >= 0)
            root.values = AddValues(*profile_, naming_,
                                    s.read[static_cast<std::size_t>(s.rootEntry)], t, values_);
        entries_.push_back(std::move(root));
        s.containerWithEntriesBelow.push_back(false);
    }
    Rdn first;
    for (std::size_t i = 0; i < s.placed.size(); ++i) {
        ParseFirstRdn(s.read[s.placed[i].entry].dn, first);
        std::int32_t parent = ParentInTree(s, i, first);
        if (parent >= 0)
            AddToTree(s, i, first, parent);
    }
    for (std::size_t i = 1; i < entries_.size(); ++i)
        if (s.containerWithEntriesBelow[i] && entries_[i].firstChild >= 0)
            entries_[i].object.flags |= kFlagContainer;
}

std::int32_t LdifDirectory::ParentInTree(LoadState& s, std::size_t placed, const Rdn& first) {
    const Placed& p = s.placed[placed];
    if (p.depth <= 1)
        return 0;
    std::size_t comma = NormalizedRdn(first).size();
    std::string_view parentKey = std::string_view(p.key).substr(comma + 1);
    if (s.lastParent >= 0 && parentKey == s.lastParentKey)
        return s.lastParent;
    auto it = byDn_.find(std::string(parentKey));
    if (it == byDn_.end()) {
        const FileEntry& fe = s.read[p.entry];
        ParseDn(fe.dn, s.rdns);
        NoteLeftOut(fe.line,
                    "the parent of " + FormatDn(s.rdns) + " is not in the file, entry left out");
        return -1;
    }
    s.lastParent = it->second;
    s.lastParentKey = std::string(parentKey);
    return it->second;
}

void LdifDirectory::AddToTree(LoadState& s, std::size_t placed, const Rdn& first,
                              std::int32_t parent) {
    Placed& p = s.placed[placed];
    const FileEntry& fe = s.read[p.entry];
    // A referral object is not listed: it stands for a part of the tree
    // held elsewhere, which is not followed.
    if (IsReferral(fe)) {
        referrals_.push_back(ReferralOf(parent, first, fe));
        return;
    }
    auto index = static_cast<std::int32_t>(entries_.size());
    byDn_.emplace(std::move(p.key), index);
    Entry e;
    EntryTraits t;
    t.profile = profile_;
    e.values = AddValues(*profile_, naming_, fe, t, values_);
    t.entriesBelow = false; // known once the whole tree is placed
    e.object = MakeListedObject(first, t);
    entries_.push_back(std::move(e));
    s.containerWithEntriesBelow.push_back(!t.container && !t.leaf &&
                                          profile_->containersWithEntriesBelow);
    Entry& pe = entries_[static_cast<std::size_t>(parent)];
    if (pe.lastChild < 0)
        pe.firstChild = index;
    else
        entries_[static_cast<std::size_t>(pe.lastChild)].nextSibling = index;
    pe.lastChild = index;
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
        notes_.push_back({std::move(text), true});
    }
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
        const AttributeMapping* m = dir_->Profile().FindByNds(n);
        if (!m)
            continue;
        for (const AttributeValues& av : *vals)
            if (av.name == m->ndsName)
                out.push_back(av);
    }
    return kOk;
}

void LdifBackend::TakeReport(Report& out) {
    out = Report{};
    // The entries left out come first, once; then the referrals met since.
    if (!noted_) {
        noted_ = true;
        for (const std::string& e : dir_->Errors())
            out.notes.push_back({e, true});
    }
    for (Note& n : notes_)
        out.notes.push_back(std::move(n));
    notes_.clear();
}

Status OpenLdifBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words) {
    words.clear();
    // A directory file is read once per version of the file: a context made
    // again for the same tree reuses it.
    static std::mutex mutex;
    static std::map<std::tuple<std::string, std::string, long long, long long>,
                    std::shared_ptr<const LdifDirectory>>
        cache;
    // ldif:PATH or ldif:PATH?BASE-DN
    std::string path = connection.address.substr(5);
    LdifDirectory::Options options;
    options.profile = connection.profile;
    if (std::size_t q = path.find('?'); q != std::string::npos) {
        options.baseDn = path.substr(q + 1);
        path.resize(q);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return kErrTransportFailure;
    auto key =
        std::make_tuple(path + "?" + options.baseDn + "?" + options.profile, connection.name,
                        static_cast<long long>(st.st_mtime), static_cast<long long>(st.st_size));
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it == cache.end()) {
        auto dir = std::make_shared<LdifDirectory>();
        Status s = dir->LoadFile(path, connection.name, options);
        if (s != kOk) {
            words = dir->Error();
            return s;
        }
        cache.clear();
        it = cache.emplace(key, std::move(dir)).first;
    }
    out = DecorateBackend(std::make_unique<LdifBackend>(it->second), it->second->Profile(),
                          it->second->ProfileWhy(), connection);
    return kOk;
}

} // namespace qv::nds
