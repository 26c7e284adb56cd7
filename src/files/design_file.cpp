#include "files/design_file.h"

#include "core/depth_limit.h"

#include <unordered_map>

namespace qv {

namespace {

// The end offsets of the first three sections are 32-bit fields.
constexpr std::size_t kMaxSectionOffset = 0xFFFFFFFFu;
constexpr const char* kTooLargeFailure =
    "the design is too large for a design file (its sections would pass 4 GiB).";

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

// A name, leaf entry or table entry a file cannot hold: its length field is
// one byte. A 255-character name whose leaf entry (name, 0xBF, 0xBC, class)
// is longer is named as such.
Result<void> Storable(std::string_view s, bool leafEntry = false) {
    if (s.size() <= kMaxStoredText)
        return {};
    std::string_view name = leafEntry ? LeafName(s) : s;
    if (leafEntry && name.size() <= kMaxStoredText)
        return Failed("the leaf entry of \"" + std::string(name) +
                      "\" (its name, two marks and its class) is longer than 255 characters.");
    return Failed("the name \"" + std::string(name) + "\" is longer than 255 characters.");
}

Result<void> WriteTable(ByteWriter& w, const ItemTable& table, Progress& progress,
                        std::size_t limit = kMaxSectionOffset) {
    for (const TableItem& item : table) {
        progress.Pump();
        if (Result<void> storable = Storable(item.name); !storable)
            return storable;
        w.U32(static_cast<std::uint32_t>(item.entries.size()));
        w.U32(static_cast<std::uint32_t>(item.name.size()));
        w.Bytes(item.name);
        for (const std::string& e : item.entries) {
            if (Result<void> storable = Storable(e); !storable)
                return storable;
            w.U8(static_cast<std::uint8_t>(e.size()));
            w.Bytes(e);
        }
        if (w.Pos() > limit)
            return Failed(kTooLargeFailure);
    }
    return {};
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

Result<void> ApplyDesignContents(TreeDesign& design, DesignFileContents& contents) {
    Progress& progress = design.progress();
    ObjectNode* root = design.Root();
    ObjectNode* current = root;
    int currentLevel = 0;
    constexpr std::size_t kStatusEveryRecord = 1024;
    std::size_t recordNumber = 0;
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
                return Failed("");
            // No object lies deeper than 255 levels, so the one-byte parent
            // levels above never match a wrong ancestor.
            if (level + 1 > kMaxObjectLevel)
                return Failed(TooDeepMessage(rec.name + "." + design.FullContext(p), level + 1));
            int mark = rec.partitionMark > 254 ? kNoPartitionMark : rec.partitionMark;
            node = design.AddChild(p, std::move(rec.name), rec.classIndex, mark);
            current = node;
            currentLevel = level + 1;
        }
        if (rec.hasLeaves) {
            for (const std::string& e : rec.leaves)
                design.NoteClass(LeafClassIndex(e));
            design.ReplaceLeaves(node, std::make_unique<LeafList>(std::move(rec.leaves)));
        }
        // A full context is as long as the node is deep: shown for every
        // record of a small file, then for every 1024th, so that opening takes
        // time linear in the records whatever the depth.
        if (++recordNumber <= kStatusEveryRecord || recordNumber % kStatusEveryRecord == 0)
            progress.Show(ProgressChannel::Status,
                          "  Configuring Object: " + design.FullContext(node));
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
    return {};
}

// ---------------------------------------------------------------- writing

Result<std::string> SerializeDesign(TreeDesign& design) {
    Progress& progress = design.progress();
    std::string out;
    ByteWriter w(out);
    w.U32(kDesignMagic1);
    w.U32(kDesignMagic2);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    w.U32(0);
    // Levels by node, from the parent's (pre-order visits parents first).
    std::unordered_map<const ObjectNode*, int> levels;
    // Why the walk stopped, when it did.
    Result<void> walked;
    bool ok = design.Walk(design.Root(), [&](ObjectNode* n) {
        progress.Pump();
        ObjectNode* parent = n->Parent();
        const int level = parent ? levels[parent] + 1 : 0;
        if (n->ChildCount() > 0)
            levels[n] = level;
        // The reader places a record by its parent's name and level (one
        // byte) and takes every record named [ROOT] for the root: a tree that
        // would read back otherwise is not written.
        if (level > kMaxObjectLevel) {
            walked = Failed(TooDeepMessage(design.FullContext(n), level));
            return false;
        }
        if (parent && n->Name() == kRootName) {
            walked = Failed("the object \"" + design.FullContext(n) +
                            "\" would be read back as the tree's root.");
            return false;
        }
        const std::string& parentName = parent ? parent->Name() : std::string();
        if (!(walked = Storable(n->Name())) || !(walked = Storable(parentName)))
            return false;
        w.U8(static_cast<std::uint8_t>(n->Name().size()));
        w.U8(static_cast<std::uint8_t>(parentName.size()));
        w.U8(static_cast<std::uint8_t>(n->ClassIndex()));
        w.U8(static_cast<std::uint8_t>(n->PartitionMark()));
        w.Bytes(n->Name());
        w.Bytes(parentName);
        w.U8(static_cast<std::uint8_t>(parent ? level - 1 : 0));
        const LeafList* leaves = n->Leaves();
        w.U32(leaves ? static_cast<std::uint32_t>(leaves->size()) : 0);
        if (leaves)
            for (const std::string& e : *leaves) {
                if (!(walked = Storable(e, true)))
                    return false;
                w.U8(static_cast<std::uint8_t>(e.size()));
                w.Bytes(e);
            }
        if (w.Pos() > kMaxSectionOffset) {
            walked = Failed(kTooLargeFailure);
            return false;
        }
        progress.Show(ProgressChannel::Status, "Writing Object: " + n->Name());
        return true;
    });
    if (!ok)
        return Failed(walked.error());
    std::uint32_t objectsEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Partitions..");
    if (Result<void> written = WriteTable(w, design.partitions, progress); !written)
        return Failed(written.error());
    std::uint32_t partitionsEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Servers..");
    if (Result<void> written = WriteTable(w, design.servers, progress); !written)
        return Failed(written.error());
    std::uint32_t serversEnd = static_cast<std::uint32_t>(w.Pos());
    progress.Show(ProgressChannel::Status, "Writing Versions and Addresses of Servers..");
    // The attribute section runs to the end of the file: no offset limits it.
    if (Result<void> written = WriteTable(w, design.attributes, progress, ~std::size_t{0});
        !written)
        return Failed(written.error());
    w.PatchU32(12, objectsEnd);
    w.PatchU32(16, partitionsEnd);
    w.PatchU32(20, serversEnd);
    return out;
}

// ---------------------------------------------------------------- files

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

namespace {

// What an open design keeps about its file (TreeDesign::openedFile).
struct OpenedDesignFile {
    std::string path;
    FileIdentity identity;
    FileLock lock;
};

} // namespace

std::string FileInUseQuestion(const std::string& path) {
    return "The file \"" + path + "\" is in use: another program has it open.\rOpen it anyway?";
}

std::string FileChangedQuestion(const std::string& path) {
    return std::string(kFileChangedQuestionStart) + "\r\"" + path +
           "\"\rSaving now replaces what the other program saved.\rSave anyway?";
}

void NewDesign(TreeDesign& design, int untitledNumber) {
    std::string old = design.designFileName;
    design.designFileName = "UNTITLED" + std::to_string(untitledNumber) + ".qvd";
    design.openedFile.reset();
    design.view().DesignFileNameChanged(old, design.designFileName);
    design.ResetToInitialTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    design.partitions.Append(kRootName, {MakeReplicaEntry("SERVER", kMaster)});
    design.servers.Append("SERVER", {MakeReplicaEntry(kRootName, kMaster)});
    design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    design.MarkNew();
    design.AddSubordinateEntries(design.Root());
    design.MarkAllStale();
    design.History().Clear(design);
    design.view().RefreshTreePage();
}

bool ReadDesignFile(TreeDesign& design, const std::string& path) {
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        design.ui().Error(bytes.error());
        return false;
    }
    DesignFileContents contents;
    ParseStatus status = ParseDesignFile(*bytes, contents);
    bytes->clear();
    bytes->shrink_to_fit();
    const Result<void> applied =
        status == ParseStatus::Ok ? ApplyDesignContents(design, contents) : Failed("");
    if (!applied) {
        const std::string& tooDeep = applied.error();
        design.ui().Information(IllegalFormatMessage(path) +
                                (tooDeep.empty() ? std::string() : "\r" + tooDeep));
        return false;
    }
    design.progress().Show(ProgressChannel::Status, "  Re-sorting objects....");
    design.progress().Pump();
    return true;
}

bool OpenDesign(TreeDesign& design, const std::string& path, bool lock) {
    DesignView& view = design.view();
    view.SetObjectLabelsVisible(false);
    std::string old = design.designFileName;
    design.designFileName = path;
    view.DesignFileNameChanged(old, path);
    view.ClearReplicaView();
    design.openedFile.reset();
    auto opened = std::make_shared<OpenedDesignFile>();
    if (NotRegularFileReason(path).empty()) {
        bool inUse = false;
        if (lock && !opened->lock.Acquire(path, inUse) && inUse &&
            !design.ui().AskYesNo(FileInUseQuestion(path)))
            return false;
        // Taken before the bytes: a change made meanwhile shows at the next save.
        opened->identity = CurrentIdentity(path);
    }
    design.ClearTree();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    if (!ReadDesignFile(design, path))
        return false;
    opened->path = path;
    design.openedFile = opened;
    design.MarkSaved();
    ObjectNode* root = design.Root();
    if (!root->Leaves()) {
        design.AddSubordinateEntries(root);
        design.MarkDiffersFromFile();
    }
    if (root->Leaves()) {
        int at = design.IndexOfLeaf(*root->Leaves(), "ORGANIZATION");
        bool hasChild = false;
        for (std::size_t i = 0; i < root->ChildCount(); ++i)
            if (root->Child(i)->Name() == "ORGANIZATION") {
                hasChild = true;
                break;
            }
        if (at >= 0 && !hasChild) {
            design.EraseLeafAt(root, static_cast<std::size_t>(at));
            design.MarkDiffersFromFile();
        }
    }
    // Every server has its attribute item: a file with fewer attribute items
    // than servers gets the "not known" values for the missing ones.
    while (design.attributes.Size() < design.servers.Size()) {
        design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
        design.MarkDiffersFromFile();
    }
    view.RefreshTreePage();
    view.SetObjectLabelsVisible(true);
    design.progress().Show(ProgressChannel::Status, "");
    design.MarkAllStale();
    // Undo back to this point gives the file as it is on disk, unless Open repaired it.
    if (design.Flags().modified)
        design.History().MarkUnsaved();
    else
        design.History().MarkSaved();
    return true;
}

bool WriteDesignFile(TreeDesign& design) {
    DesignView& view = design.view();
    view.SetObjectLabelsVisible(false);
    const std::string path = design.designFileName;
    auto end = [&](bool ok) {
        view.SetObjectLabelsVisible(true);
        design.progress().Show(ProgressChannel::Status, "");
        return ok;
    };
    const Result<std::string> bytes = SerializeDesign(design);
    if (!bytes) {
        design.ui().Error("Cannot save \"" + path + "\": " + bytes.error());
        return end(false);
    }
    // A folder or a special file is refused before any question; another
    // program's save since this design read or wrote the file is not replaced
    // without asking; nor is a read-only file or a file with other names.
    const SaveTarget target = InspectSaveTarget(path);
    if (target.kind == SaveTargetKind::Folder || target.kind == SaveTargetKind::Special) {
        design.ui().Error(target.error);
        return end(false);
    }
    const FileIdentity now = CurrentIdentity(path);
    auto* opened = static_cast<OpenedDesignFile*>(design.openedFile.get());
    if (opened && opened->path == path && !now.SameContentsAs(opened->identity) &&
        !design.ui().AskYesNo(FileChangedQuestion(path)))
        return end(false);
    if (!ConfirmSaveTarget(design.ui(), path))
        return end(false);
    Result<FileIdentity> written = ReplaceFileAtomically(path, *bytes);
    if (!written) {
        design.ui().Error(written.error());
        return end(false);
    }
    auto state = std::make_shared<OpenedDesignFile>();
    state->path = path;
    state->identity = *written;
    if (opened && opened->path == path)
        opened->lock.Release();
    bool inUse = false;
    state->lock.Acquire(path, inUse);
    design.openedFile = state;
    design.MarkSaved();
    design.History().MarkSaved();
    return end(true);
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
    if (design.Flags().neverSaved)
        return SaveDesignAs(design);
    return WriteDesignFile(design);
}

} // namespace qv
