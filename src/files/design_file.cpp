#include "files/design_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

namespace {

// Bounds-checked reader over a file image.
class ByteReader {
public:
    ByteReader(std::string_view bytes, std::size_t pos, std::size_t end)
        : bytes_(bytes), pos_(pos), end_(end) {}
    std::size_t Pos() const { return pos_; }
    std::size_t Remaining() const { return end_ - pos_; }
    bool U8(std::uint8_t& v) {
        if (Remaining() < 1)
            return false;
        v = static_cast<std::uint8_t>(bytes_[pos_++]);
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (Remaining() < 4)
            return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool Text(std::size_t n, std::string& s) {
        if (Remaining() < n)
            return false;
        s.assign(bytes_.data() + pos_, n);
        pos_ += n;
        return true;
    }
    // Reads count length-prefixed (one byte) texts.
    bool Entries(std::uint32_t count, std::vector<std::string>& out) {
        // Every entry takes at least its length byte: a count larger than the
        // bytes left cannot be right, and must not drive an allocation.
        if (count > Remaining())
            return false;
        out.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint8_t len = 0;
            if (!U8(len))
                return false;
            std::string e;
            if (!Text(len, e))
                return false;
            out.push_back(std::move(e));
        }
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_;
    std::size_t end_;
};

bool ParseTable(std::string_view bytes, std::size_t from, std::size_t to,
                std::vector<TableItem>& out) {
    ByteReader r(bytes, from, to);
    while (r.Pos() < to) {
        std::uint32_t count = 0;
        std::uint32_t nameLen = 0;
        if (!r.U32(count) || !r.U32(nameLen))
            return false;
        if (nameLen > kMaxStoredText)
            return false;
        TableItem item;
        if (!r.Text(nameLen, item.name) || !r.Entries(count, item.entries))
            return false;
        out.push_back(std::move(item));
    }
    return true;
}

class ByteWriter {
public:
    explicit ByteWriter(std::string& out) : out_(out) {}
    void U8(std::uint8_t v) { out_.push_back(static_cast<char>(v)); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    void PatchU32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void Bytes(std::string_view s) { out_.append(s); }
    std::size_t Pos() const { return out_.size(); }

private:
    std::string& out_;
};

bool Storable(std::string_view s, std::string* tooLong) {
    if (s.size() <= kMaxStoredText)
        return true;
    if (tooLong)
        *tooLong = std::string(s);
    return false;
}

bool WriteTable(ByteWriter& w, const ItemTable& table, Progress& progress, std::string* tooLong) {
    for (const TableItem& item : table) {
        progress.Pump();
        if (!Storable(item.name, tooLong))
            return false;
        w.U32(static_cast<std::uint32_t>(item.entries.size()));
        w.U32(static_cast<std::uint32_t>(item.name.size()));
        w.Bytes(item.name);
        for (const std::string& e : item.entries) {
            if (!Storable(e, tooLong))
                return false;
            w.U8(static_cast<std::uint8_t>(e.size()));
            w.Bytes(e);
        }
    }
    return true;
}

std::string SystemError() {
    return std::strerror(errno);
}

} // namespace

// ---------------------------------------------------------------- parsing

ParseStatus ParseDesignFile(std::string_view bytes, DesignFileContents& out) {
    out = DesignFileContents{};
    ByteReader head(bytes, 0, bytes.size());
    std::uint32_t reserved = 0;
    if (!head.U32(out.magic1) || !head.U32(out.magic2) || !head.U32(reserved))
        return ParseStatus::BadMagic;
    if (out.magic1 != kDesignMagic1 || out.magic2 != kDesignMagic2)
        return ParseStatus::BadMagic;
    std::uint32_t objectsEnd = 0, partitionsEnd = 0, serversEnd = 0;
    if (!head.U32(objectsEnd) || !head.U32(partitionsEnd) || !head.U32(serversEnd))
        return ParseStatus::Broken;
    if (objectsEnd < 24 || partitionsEnd < objectsEnd || serversEnd < partitionsEnd ||
        serversEnd > bytes.size())
        return ParseStatus::Broken;

    ByteReader r(bytes, 24, objectsEnd);
    while (r.Pos() < objectsEnd) {
        ObjectRecord rec;
        std::uint8_t nameLen = 0, parentLen = 0;
        std::uint32_t leafCount = 0;
        if (!r.U8(nameLen) || !r.U8(parentLen) || !r.U8(rec.classIndex) ||
            !r.U8(rec.partitionMark) || !r.Text(nameLen, rec.name) ||
            !r.Text(parentLen, rec.parentName) || !r.U8(rec.parentLevel) || !r.U32(leafCount))
            return ParseStatus::Broken;
        rec.hasLeaves = leafCount != 0;
        if (!r.Entries(leafCount, rec.leaves))
            return ParseStatus::Broken;
        out.objects.push_back(std::move(rec));
    }
    if (!ParseTable(bytes, objectsEnd, partitionsEnd, out.partitions) ||
        !ParseTable(bytes, partitionsEnd, serversEnd, out.servers) ||
        !ParseTable(bytes, serversEnd, bytes.size(), out.attributes))
        return ParseStatus::Broken;
    return ParseStatus::Ok;
}

bool ApplyDesignContents(TreeDesign& design, DesignFileContents& contents) {
    Progress& progress = design.progress();
    ObjectNode* root = design.Root();
    ObjectNode* current = root;
    int currentLevel = 0;
    for (ObjectRecord& rec : contents.objects) {
        progress.Pump();
        ObjectNode* node = nullptr;
        if (rec.name == kRootName) {
            node = root;
        } else {
            // The parent is on the ancestor path of the previous record: the
            // first node upwards with that name and level.
            ObjectNode* p = current;
            int level = currentLevel;
            while (p && !(p->Name() == rec.parentName && (level & 0xFF) == rec.parentLevel)) {
                p = p->Parent();
                --level;
            }
            if (!p)
                return false;
            int mark = rec.partitionMark > 254 ? kNoPartitionMark : rec.partitionMark;
            node = design.AddChild(p, std::move(rec.name), rec.classIndex, mark);
            current = node;
            currentLevel = level + 1;
        }
        if (rec.hasLeaves) {
            for (const std::string& e : rec.leaves)
                design.NoteClass(LeafClassIndex(e));
            node->leaves = std::make_unique<LeafList>(std::move(rec.leaves));
        }
        progress.Show(ProgressChannel::Status, "  Configuring Object: " + design.FullContext(node));
    }
    auto fill = [&](std::vector<TableItem>& from, ItemTable& to, const char* label,
                    bool dropSubRefs) {
        to.Reserve(from.size());
        for (TableItem& item : from) {
            progress.Pump();
            ReplicaList kept;
            kept.reserve(item.entries.size());
            for (std::string& e : item.entries)
                if (!dropSubRefs || EntryType(e) != kSubRef)
                    kept.push_back(std::move(e));
            if (label)
                progress.Show(ProgressChannel::Status, std::string(label) + item.name);
            to.Append(std::move(item.name), std::move(kept));
            if (!label)
                progress.Show(ProgressChannel::Status,
                              "  Configuring Server Addresses and DS Versions: " +
                                  std::to_string(to.Size()));
        }
    };
    fill(contents.partitions, design.partitions, "  Configuring Partition: ", true);
    fill(contents.servers, design.servers, "  Configuring Server: ", true);
    fill(contents.attributes, design.attributes, nullptr, false);
    return true;
}

// ---------------------------------------------------------------- writing

bool SerializeDesign(TreeDesign& design, std::string& out, std::string* tooLong) {
    Progress& progress = design.progress();
    out.clear();
    ByteWriter w(out);
    w.U32(kDesignMagic1);
    w.U32(kDesignMagic2);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    bool ok = design.Walk(design.Root(), [&](ObjectNode* n) {
        progress.Pump();
        ObjectNode* parent = n->Parent();
        const std::string& parentName = parent ? parent->Name() : std::string();
        if (!Storable(n->Name(), tooLong) || !Storable(parentName, tooLong))
            return false;
        w.U8(static_cast<std::uint8_t>(n->Name().size()));
        w.U8(static_cast<std::uint8_t>(parentName.size()));
        w.U8(static_cast<std::uint8_t>(n->ClassIndex()));
        w.U8(static_cast<std::uint8_t>(n->PartitionMark()));
        w.Bytes(n->Name());
        w.Bytes(parentName);
        w.U8(static_cast<std::uint8_t>(parent ? parent->Level() : 0));
        const LeafList* leaves = n->leaves.get();
        w.U32(leaves ? static_cast<std::uint32_t>(leaves->size()) : 0);
        if (leaves)
            for (const std::string& e : *leaves) {
                if (!Storable(e, tooLong))
                    return false;
                w.U8(static_cast<std::uint8_t>(e.size()));
                w.Bytes(e);
            }
        progress.Show(ProgressChannel::Status, "Writing Object: " + n->Name());
        return true;
    });
    if (!ok)
        return false;
    std::uint32_t objectsEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Partitions..");
    if (!WriteTable(w, design.partitions, progress, tooLong))
        return false;
    std::uint32_t partitionsEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Servers..");
    if (!WriteTable(w, design.servers, progress, tooLong))
        return false;
    std::uint32_t serversEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Versions and Addresses of Servers..");
    if (!WriteTable(w, design.attributes, progress, tooLong))
        return false;
    w.PatchU32(12, objectsEnd);
    w.PatchU32(16, partitionsEnd);
    w.PatchU32(20, serversEnd);
    return true;
}

// ---------------------------------------------------------------- files

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "Cannot open file \"" + path + "\". " + SystemError();
        return false;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        errno = EISDIR;
        error = "Cannot open file \"" + path + "\". " + SystemError();
        return false;
    }
    if (st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[1 << 16];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    bool failed = std::ferror(f) != 0;
    int saved = errno;
    std::fclose(f);
    if (failed) {
        errno = saved;
        error = "Read error on file \"" + path + "\". " + SystemError();
        return false;
    }
    return true;
}

bool ReplaceFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    std::string dir = ".";
    std::string::size_type slash = path.find_last_of('/');
    if (slash != std::string::npos)
        dir = slash == 0 ? "/" : path.substr(0, slash);
    std::string tmpl = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                       "." + std::string(LastPathComponent(path)) + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "Cannot create file \"" + path + "\". " + SystemError();
        return false;
    }
    auto fail = [&](const std::string& what) {
        int saved = errno;
        close(fd);
        unlink(name.data());
        errno = saved;
        error = what + " \"" + path + "\". " + SystemError();
        return false;
    };
    // Keep the permissions of the file being replaced; a new file gets the
    // usual ones (0666 less the umask).
    struct stat st {};
    mode_t mode;
    if (stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0)
        return fail("Cannot create file");
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return fail("Error writing file");
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    if (fsync(fd) != 0)
        return fail("Error writing file");
    if (close(fd) != 0) {
        int saved = errno;
        unlink(name.data());
        errno = saved;
        error = "Error writing file \"" + path + "\". " + SystemError();
        return false;
    }
    if (rename(name.data(), path.c_str()) != 0) {
        int saved = errno;
        unlink(name.data());
        errno = saved;
        error = "Cannot create file \"" + path + "\". " + SystemError();
        return false;
    }
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return true;
}

std::string IllegalFormatMessage(const std::string& path) {
    return "Illegal file format on file: " + path;
}

FileDialogRequest DesignSaveDialogRequest() {
    FileDialogRequest r;
    r.filter = "Design Files *.qvd|*.qvd|Delimited File *.dlm|*.dlm|Rich Edit  *.rtf|*.rtf|Any "
               "File *.*|*.*";
    r.defaultExt = "*.qvn";
    r.overwritePrompt = true;
    r.pathMustExist = true;
    return r;
}

FileDialogRequest DesignOpenDialogRequest() {
    FileDialogRequest r;
    r.filter = "Design Files *.qvd|*.qvd|Report Files *.rpt|*.rpt|Any File *.*|*.*";
    r.defaultExt = "*.qvn";
    r.pathMustExist = true;
    return r;
}

// ---------------------------------------------------------------- operations

void NewDesign(TreeDesign& design, int untitledNumber) {
    std::string old = design.designFileName;
    design.designFileName = "UNTITLED" + std::to_string(untitledNumber) + ".qvd";
    design.view().DesignFileNameChanged(old, design.designFileName);
    design.ResetToInitialTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    design.partitions.Append(kRootName, {MakeReplicaEntry("SERVER", kMaster)});
    design.servers.Append("SERVER", {MakeReplicaEntry(kRootName, kMaster)});
    design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    design.flags.modified = false;
    design.flags.neverSaved = true;
    design.AddSubordinateEntries(design.Root());
    design.MarkAllStale();
    design.view().RefreshTreePage();
}

bool ReadDesignFile(TreeDesign& design, const std::string& path) {
    std::string bytes, error;
    if (!ReadWholeFile(path, bytes, error)) {
        design.ui().Error(error);
        return false;
    }
    DesignFileContents contents;
    ParseStatus status = ParseDesignFile(bytes, contents);
    bytes.clear();
    bytes.shrink_to_fit();
    if (status != ParseStatus::Ok || !ApplyDesignContents(design, contents)) {
        design.ui().Information(IllegalFormatMessage(path));
        return false;
    }
    design.progress().Show(ProgressChannel::Status, "  Re-sorting objects....");
    design.progress().Pump();
    return true;
}

bool OpenDesign(TreeDesign& design, const std::string& path) {
    DesignView& view = design.view();
    view.SetObjectLabelsVisible(false);
    std::string old = design.designFileName;
    design.designFileName = path;
    view.DesignFileNameChanged(old, path);
    view.ClearReplicaView();
    design.ClearTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    if (!ReadDesignFile(design, path))
        return false;
    design.flags.modified = false;
    design.flags.neverSaved = false;
    ObjectNode* root = design.Root();
    if (!root->leaves) {
        design.AddSubordinateEntries(root);
        design.flags.modified = true;
    }
    if (root->leaves) {
        int at = design.IndexOfLeaf(*root->leaves, "ORGANIZATION");
        bool hasChild = false;
        for (std::size_t i = 0; i < root->ChildCount(); ++i)
            if (root->Child(i)->Name() == "ORGANIZATION") {
                hasChild = true;
                break;
            }
        if (at >= 0 && !hasChild) {
            root->leaves->erase(root->leaves->begin() + at);
            design.flags.modified = true;
        }
    }
    // Every server has its attribute item: a file with fewer attribute items
    // than servers gets the "not known" values for the missing ones.
    while (design.attributes.Size() < design.servers.Size()) {
        design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
        design.flags.modified = true;
    }
    view.RefreshTreePage();
    view.SetObjectLabelsVisible(true);
    design.progress().Show(ProgressChannel::Status, "");
    design.MarkAllStale();
    return true;
}

bool WriteDesignFile(TreeDesign& design) {
    DesignView& view = design.view();
    view.SetObjectLabelsVisible(false);
    std::string bytes, tooLong, error;
    bool ok = SerializeDesign(design, bytes, &tooLong);
    if (!ok) {
        error = "Cannot save \"" + design.designFileName + "\": the name \"" + tooLong +
                "\" is longer than 255 characters.";
    } else {
        ok = ReplaceFileAtomically(design.designFileName, bytes, error);
    }
    if (!ok) {
        design.ui().Error(error);
        view.SetObjectLabelsVisible(true);
        design.progress().Show(ProgressChannel::Status, "");
        return false;
    }
    design.flags.modified = false;
    design.flags.neverSaved = false;
    view.SetObjectLabelsVisible(true);
    design.progress().Show(ProgressChannel::Status, "");
    return true;
}

bool SaveDesignAs(TreeDesign& design) {
    std::optional<std::string> path = design.ui().ChooseSaveFile(DesignSaveDialogRequest());
    if (!path)
        return false;
    std::string old = design.designFileName;
    design.designFileName = *path;
    design.view().DesignFileNameChanged(old, *path);
    return WriteDesignFile(design);
}

bool SaveDesign(TreeDesign& design) {
    if (design.flags.neverSaved)
        return SaveDesignAs(design);
    return WriteDesignFile(design);
}

} // namespace qv
