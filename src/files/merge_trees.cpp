#include "files/merge_trees.h"

#include "core/depth_limit.h"
#include "core/design_change.h"

#include "files/design_file.h"
#include "files/import_support.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace qv {

namespace {

bool IsTopLevelRecord(const ObjectRecord& rec) {
    return rec.parentName == kRootName && rec.parentLevel == 0;
}

// Places the records as the second pass will, without touching the design:
// every record's parent must lie on the ancestor path of the record before it,
// and no object may lie deeper than a design holds (then the message says
// which; a record without its parent fails without one).
Result<void> RecordsPlaceable(const TreeDesign& design, const std::vector<ObjectRecord>& records) {
    struct Step {
        const std::string* name;
        int level;
    };
    std::vector<Step> path{{&design.Root()->Name(), 0}};
    for (const ObjectRecord& rec : records) {
        if (rec.name == kRootName)
            continue;
        std::size_t i = path.size();
        while (i > 0 && !(*path[i - 1].name == rec.parentName &&
                          (path[i - 1].level & 0xFF) == rec.parentLevel))
            --i;
        if (i == 0)
            return Failed("");
        int level = path[i - 1].level + 1;
        path.resize(i);
        path.push_back({&rec.name, level});
        if (level > kMaxObjectLevel) {
            std::string context;
            for (std::size_t k = path.size(); k-- > 1;)
                context += *path[k].name + (k > 1 ? "." : "");
            return Failed(TooDeepMessage(context, level));
        }
    }
    return {};
}

std::string OldFormatMessage(const std::string& f) {
    return "With versions 4.0 and above, there was a file format change. \r" + f +
           " is in the OLD format.  To upgrade it to the new format" + "\r" + "simply open " + f +
           " then save it.  Quorvane will automatically " + "\r" + "reformat the file.";
}

class Merger {
public:
    Merger(TreeDesign& design, const std::string& path, MergeOutcome& outcome)
        : design_(design), path_(path), outcome_(outcome) {}

    bool Run(std::string_view bytes);

private:
    bool FirstPass();
    // Adds the second design's objects, partitions, servers and addresses.
    void SecondPass(DesignChange& change);
    // The steps of SecondPass, in order.
    void MergeObjects();
    // A record's object under its parent; a top-level container becomes a
    // partition root, its context kept in the work list.
    ObjectNode* AddMergedObject(ObjectNode* parent, ObjectRecord& rec);
    // The partitions but the second tree's root; the server of its master.
    std::optional<std::string> MergePartitions();
    // The servers with their replicas (SubRefs and the root's dropped), and
    // their addresses at the servers' indexes.
    void MergeServers();
    // The second tree's root partition is dissolved: its master keeps a
    // read/write replica of the first tree's root and masters the partitions
    // made from the second tree's top-level containers.
    void DissolveRootPartition(const std::optional<std::string>& rootMaster);
    void End() {
        design_.view().SetObjectLabelsVisible(true);
        design_.progress().Show(ProgressChannel::Import, "");
    }
    void Error(std::string line) {
        ++outcome_.errorCount;
        outcome_.errorReport.push_back(std::move(line));
    }

    TreeDesign& design_;
    const std::string& path_;
    MergeOutcome& outcome_;
    DesignFileContents contents_;
    // Names collected by one pass and used by the next.
    std::vector<std::string> workList_;
    bool oldFormat_ = false;
};

bool Merger::Run(std::string_view bytes) {
    DesignChange operation(design_, "Merge Trees");
    ParseStatus status = ParseDesignFile(bytes, contents_);
    const Result<void> placeable =
        status == ParseStatus::Ok ? RecordsPlaceable(design_, contents_.objects) : Failed("");
    if (const std::string& tooDeep = placeable.error(); !tooDeep.empty()) {
        design_.ui().Information(tooDeep);
        End();
        return false;
    }
    if (!placeable) {
        // Wrong magic numbers, or a damaged file: nothing of it is merged.
        design_.ui().Information(IllegalFormatMessage(path_));
        End();
        return false;
    }
    outcome_.errorReport = {"**ERROR REPORT OF TREE MERGE**",
                            "**" + std::string(LastPathComponent(path_)) + " into " +
                                std::string(LastPathComponent(design_.designFileName)) + "**",
                            ""};
    if (!FirstPass()) {
        design_.ui().Information("Merge was unsuccesful.  " + std::to_string(outcome_.errorCount) +
                                 " errors were found." + "\r" + "View Merge Error Report.");
        End();
        return false;
    }
    if (oldFormat_) {
        design_.ui().Warning(OldFormatMessage(path_));
        End();
        return false;
    }
    DesignChange change(design_, kTouchAll);
    change.Log(LogBlock("Merge Tree").Line("  Tree: " + path_));
    SecondPass(change);
    outcome_.merged = true;
    return true;
}

bool Merger::FirstPass() {
    Progress& progress = design_.progress();
    ObjectNode* root = design_.Root();

    // Top-level containers of the open design, by name (a name may occur twice).
    std::unordered_map<std::string, int> topLevel;
    for (std::size_t i = 0; i < root->ChildCount(); ++i)
        ++topLevel[root->Child(i)->Name()];
    for (const ObjectRecord& rec : contents_.objects) {
        progress.Pump();
        if (rec.name == kRootName) {
            if ((root->Leaves() != nullptr) != rec.hasLeaves)
                oldFormat_ = true;
            continue;
        }
        // Countries and organizations at any depth, and every object placed
        // directly under the root: two top-level objects of one name cannot
        // live side by side.
        bool checked = rec.classIndex == kClassOrganization || rec.classIndex == kClassCountry ||
                       rec.classIndex == 6 || IsTopLevelRecord(rec);
        if (!checked)
            continue;
        progress.Show(ProgressChannel::Import,
                      "  Checking for duplicate organizations for: " + rec.name);
        auto it = topLevel.find(rec.name);
        if (it != topLevel.end())
            for (int k = 0; k < it->second; ++k)
                Error("Error: " + rec.name + " is a duplicate country or organization.");
    }

    std::unordered_map<std::string, int> serverNames;
    for (const TableItem& item : design_.servers)
        ++serverNames[item.name];
    workList_.clear();
    for (const TableItem& item : contents_.servers) {
        progress.Pump();
        progress.Show(ProgressChannel::Import,
                      "  Checking for duplicate server name for: " + item.name);
        auto it = serverNames.find(item.name);
        if (it != serverNames.end())
            for (int k = 0; k < it->second; ++k)
                Error("Error: " + item.name + " is a duplicate server");
        workList_.push_back(item.name);
    }

    // Every address of the open design, with the index of its server, once
    // per occurrence and in table order.
    std::unordered_map<std::string, std::vector<std::size_t>> addresses;
    for (std::size_t s = 0; s < design_.attributes.Size(); ++s)
        for (const std::string& a : design_.attributes.Entries(s))
            addresses[a].push_back(s);
    // An attribute record beyond the second design's servers describes no
    // server: it is not taken, so that every server keeps its own record.
    const std::size_t taken = std::min(contents_.attributes.size(), contents_.servers.size());
    for (std::size_t k = 0; k < taken; ++k) {
        progress.Pump();
        const std::string other = k < workList_.size() ? workList_[k] : "";
        for (const std::string& e : contents_.attributes[k].entries) {
            progress.Show(ProgressChannel::Import,
                          "  Checking for duplicate address for server: " + other);
            if (e.find("00000000") != std::string::npos ||
                e.find("000.000.000.000") != std::string::npos)
                continue;
            auto it = addresses.find(e);
            if (it == addresses.end())
                continue;
            for (std::size_t s : it->second) {
                std::string first = s < design_.servers.Size() ? design_.servers.Name(s) : "";
                Error("Error: Duplicate address " + e + " on");
                outcome_.errorReport.push_back("        " + first + " and " + other + ".");
            }
        }
    }
    workList_.clear();
    return outcome_.errorCount == 0;
}

void Merger::SecondPass(DesignChange& change) {
    workList_.clear();
    MergeObjects();
    const std::optional<std::string> rootMaster = MergePartitions();
    MergeServers();
    DissolveRootPartition(rootMaster);
    workList_.clear();
    design_.AddSubordinateEntries(design_.Root());
    design_.ui().Information("Merge was succesful.");
    change.Refresh().Commit();
    End();
}

void Merger::MergeObjects() {
    Progress& progress = design_.progress();
    ObjectNode* root = design_.Root();
    ObjectNode* current = root;
    int currentLevel = 0;
    for (ObjectRecord& rec : contents_.objects) {
        progress.Pump();
        ObjectNode* node;
        if (rec.name == kRootName) {
            node = root;
            if (rec.hasLeaves) {
                design_.EnsureLeafList(root);
                for (std::string& e : rec.leaves) {
                    design_.NoteClass(LeafClassIndex(e));
                    design_.AppendLeaf(root, std::move(e));
                }
            }
        } else {
            ObjectNode* parent = current;
            int level = currentLevel;
            while (parent &&
                   !(parent->Name() == rec.parentName && (level & 0xFF) == rec.parentLevel)) {
                parent = parent->Parent();
                --level;
            }
            if (!parent)
                parent = root; // cannot happen: the records were checked to place
            node = AddMergedObject(parent, rec);
            current = node;
            currentLevel = level + 1;
        }
        progress.Show(ProgressChannel::Import, "  Adding Object: " + design_.FullContext(node));
    }
}

ObjectNode* Merger::AddMergedObject(ObjectNode* parent, ObjectRecord& rec) {
    int mark = rec.partitionMark > 254 ? kNoPartitionMark : rec.partitionMark;
    bool topContainer = mark != kPartitionRootMark && rec.parentName == kRootName &&
                        IsContainerClass(rec.classIndex);
    if (topContainer)
        mark = kPartitionRootMark;
    ObjectNode* node = design_.AddChild(parent, rec.name, rec.classIndex, mark);
    if (topContainer)
        workList_.push_back(design_.FullContext(node));
    if (rec.hasLeaves) {
        for (const std::string& e : rec.leaves)
            design_.NoteClass(LeafClassIndex(e));
        design_.ReplaceLeaves(node, std::make_unique<LeafList>(std::move(rec.leaves)));
    }
    return node;
}

std::optional<std::string> Merger::MergePartitions() {
    Progress& progress = design_.progress();
    std::optional<std::string> rootMaster;
    for (TableItem& item : contents_.partitions) {
        progress.Pump();
        if (item.name == kRootName) {
            for (const std::string& e : item.entries)
                if (!rootMaster && EntryType(e) == kMaster)
                    rootMaster = std::string(EntryName(e));
            continue;
        }
        ReplicaList kept;
        for (std::string& e : item.entries)
            if (EntryType(e) != kSubRef)
                kept.push_back(std::move(e));
        progress.Show(ProgressChannel::Import, "  Adding Partition: " + item.name);
        design_.partitions.Append(std::move(item.name), std::move(kept));
    }
    return rootMaster;
}

void Merger::MergeServers() {
    Progress& progress = design_.progress();
    // The second design's attributes go to the indexes of its servers.
    while (design_.attributes.Size() < design_.servers.Size())
        design_.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    const std::size_t firstServers = design_.servers.Size();
    const std::string rootReadWrite = MakeReplicaEntry(kRootName, kReadWrite);
    for (TableItem& item : contents_.servers) {
        progress.Pump();
        ReplicaList kept;
        for (std::string& e : item.entries) {
            std::string_view type = EntryType(e);
            if (type == kSubRef)
                continue;
            if (EntryName(e) == kRootName) {
                if (type == kMaster)
                    kept.push_back(rootReadWrite);
                continue;
            }
            kept.push_back(std::move(e));
        }
        progress.Show(ProgressChannel::Import, "  Adding Server Replicas: " + item.name);
        design_.servers.Append(std::move(item.name), std::move(kept));
    }
    // An attribute record beyond the second design's servers describes no
    // server: it is not taken, so that every server keeps its own record.
    const std::size_t taken = std::min(contents_.attributes.size(), contents_.servers.size());
    for (std::size_t k = 0; k < taken; ++k) {
        progress.Pump();
        TableItem& item = contents_.attributes[k];
        for (const std::string& e : item.entries)
            progress.Show(ProgressChannel::Import, "  Adding Addresses: " + e);
        design_.attributes.Insert(firstServers + k, std::move(item.name), std::move(item.entries));
    }
    while (design_.attributes.Size() < design_.servers.Size())
        design_.attributes.Insert(design_.attributes.Size(), "DS VERSION:0", {"IPX:00000000"});
}

void Merger::DissolveRootPartition(const std::optional<std::string>& rootMaster) {
    if (rootMaster) {
        if (ReplicaList* rootList = design_.partitions.EntriesOf(kRootName))
            rootList->push_back(MakeReplicaEntry(*rootMaster, kReadWrite));
    }
    for (const std::string& w : workList_) {
        if (design_.partitions.FindFirst(w) >= 0)
            continue;
        ReplicaList list;
        if (rootMaster)
            list.push_back(MakeReplicaEntry(*rootMaster, kMaster));
        design_.partitions.Append(w, std::move(list));
        if (rootMaster)
            if (ReplicaList* masterList = design_.servers.EntriesOf(*rootMaster))
                masterList->push_back(MakeReplicaEntry(w, kMaster));
    }
}

} // namespace

std::string MergeConfirmationText(const std::string& file, const std::string& designName) {
    return "This operation will merge tree :\r'" + file + "'" + "\r" + "into tree :" + "\r" + "'" +
           designName + "'" + "\r" + "Continue?";
}

bool MergeDesignBytes(TreeDesign& design, std::string_view bytes, const std::string& path,
                      MergeOutcome* outcome) {
    MergeOutcome local;
    MergeOutcome& out = outcome ? *outcome : local;
    out = MergeOutcome{};
    design.view().SetObjectLabelsVisible(false);
    Merger merger(design, path, out);
    return merger.Run(bytes);
}

bool MergeDesignFile(TreeDesign& design, const std::string& path, MergeOutcome* outcome) {
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        design.ui().Error(bytes.error());
        if (outcome) {
            *outcome = MergeOutcome{};
            outcome->ioError = true;
        }
        design.view().RefreshTreePage();
        return false;
    }
    return MergeDesignBytes(design, *bytes, path, outcome);
}

} // namespace qv
