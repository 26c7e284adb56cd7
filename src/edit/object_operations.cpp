#include "edit/object_operations.h"

#include "core/depth_limit.h"
#include "core/design_change.h"
#include "edit/edit_common.h"
#include "edit/name_rules.h"

#include <algorithm>
#include <unordered_set>

namespace qv {

namespace {

const char* const kNoContainmentCheck =
    "Quorvane will not check containment for this object.\rYou are creating this object based "
    "on your knowledge of NDS.\rDo you wish to disable this message?";
const char* const kIllegalMove = "Illegal move.  The object is either NOT a partition or an "
                                 "invalid containment has occurred.";
const char* const kSameNameInContext =
    "Illegal move.  There is an object that contains the same name in this context.";

// A leaf entry's class as an index (-1 for one that cannot be a class index).
int ClassOfEntry(std::string_view entry) {
    long long c = LeafClassIndex(entry);
    return c >= 0 && c < kClassSetSize ? static_cast<int>(c) : -1;
}

ObjectNode* ChildNamed(const ObjectNode* parent, std::string_view name) {
    for (std::size_t i = 0; i < parent->ChildCount(); ++i)
        if (parent->Child(i)->Name() == name)
            return parent->Child(i);
    return nullptr;
}

bool LeafNamed(TreeDesign& design, const ObjectNode* container, std::string_view name) {
    return container->Leaves() && design.IndexOfLeaf(*container->Leaves(), name) >= 0;
}

void EraseLeaf(TreeDesign& design, ObjectNode* container, std::string_view name) {
    if (!container || !container->Leaves())
        return;
    int at = design.IndexOfLeaf(*container->Leaves(), name);
    if (at >= 0)
        design.EraseLeafAt(container, static_cast<std::size_t>(at));
}

// The edit boxes of TMoveDlg type upper case and OK trims.
std::string MoveDestinationText(std::string_view typed) {
    return UpperCaseTyped(TrimText(typed));
}

// The log block of a move of node X from source.
LogBlock MoveLogBlock(const TreeDesign& design, const ObjectNode* x, const std::string& source) {
    return LogBlock("Move Object")
        .Line("  Object Type: " + ClassName(x->ClassIndex()))
        .Line("  Source     : " + source)
        .Line("  Destination: " + design.FullContext(x));
}

// Takes the node with its subtree under destination as its first child and
// keeps the tables in step. Shared by Move Object and drag and drop.

void MoveNode(TreeDesign& design, DesignChange& change, ObjectNode* node, ObjectNode* destination) {
    const bool partitionRoot = node->IsPartitionRoot();
    ObjectNode* oldParent = node->Parent();
    if (partitionRoot)
        design.RecontextPartitions(node, design.FullContext(destination));
    design.AttachNode(destination, design.DetachNode(node), 0);
    if (partitionRoot) {
        // The subordinate references of the moved partition were justified by
        // its old parent partition; they are computed again for the new one.
        const std::string partition = design.FullContext(node);
        if (ReplicaList* pl = design.partitions.EntriesOf(partition)) {
            std::vector<std::string> holders;
            for (const std::string& e : *pl)
                if (EntryType(e) == kSubRef)
                    holders.emplace_back(EntryName(e));
            std::erase_if(*pl, [](const std::string& e) { return EntryType(e) == kSubRef; });
            for (const std::string& s : holders)
                if (ReplicaList* sl = design.servers.EntriesOf(s))
                    std::erase_if(*sl, [&](const std::string& e) {
                        return EntryType(e) == kSubRef && EntryName(e) == partition;
                    });
        }
        change.Touch(kTouchObjects);
    }
    EraseLeaf(design, oldParent, node->Name());
    design.AppendLeaf(destination, MakeLeafEntry(node->Name(), node->ClassIndex()));
    change.Touch(kTouchLeaves).Refresh();
}

// Takes the chosen entries out of a leaf list in one pass: for each chosen
// text its first occurrences, as many as it was chosen. Containers may hold
// many thousands of leaves, so nothing here is quadratic.
class LeafRemoval {
public:
    explicit LeafRemoval(const LeafList& list) {
        available_.reserve(list.size());
        for (const std::string& e : list)
            ++available_[e];
    }
    // Claims one occurrence of the entry; false when the list holds no more.
    bool Claim(const std::string& entry) {
        auto it = available_.find(entry);
        if (it == available_.end() || it->second == 0)
            return false;
        --it->second;
        ++chosen_[entry];
        return true;
    }
    void Apply(TreeDesign& design, ObjectNode* container) {
        const LeafList& list = *container->Leaves();
        std::vector<std::size_t> drop;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if ((i + 1) % 2000 == 0)
                design.progress().Pump();
            auto it = chosen_.find(list[i]);
            if (it == chosen_.end() || it->second == 0)
                continue;
            --it->second;
            drop.push_back(i);
        }
        design.RemoveLeavesAt(container, drop);
    }

private:
    std::unordered_map<std::string, std::size_t> available_;
    std::unordered_map<std::string, std::size_t> chosen_;
};

bool NameTakenIn(TreeDesign& design, const ObjectNode* container, std::string_view name) {
    return ChildNamed(container, name) || LeafNamed(design, container, name);
}

} // namespace

// ---------------------------------------------------------------- rules

bool CanCreateObjects(const ObjectNode* node) {
    return node && IsContainerClass(node->ClassIndex());
}

bool CanDeleteObject(const ObjectNode* node) {
    return node && !node->IsPartitionRoot() && node->ChildCount() == 0 &&
           (!node->Leaves() || node->Leaves()->empty());
}

bool CanRenameObject(const ObjectNode* node) {
    return node && node->Parent();
}

bool CanMoveObject(const ObjectNode* node) {
    return node && (node->IsPartitionRoot() || !IsContainerClass(node->ClassIndex()));
}

bool CanStartDrag(const ObjectNode* node) {
    return node && node->Parent() &&
           (node->IsPartitionRoot() || node->ClassIndex() == kClassServer);
}

bool DropAccepted(const ObjectNode* dragged, const ObjectNode* target) {
    if (!dragged || !target || target == dragged || target == dragged->Parent() ||
        dragged->IsSelfOrAncestorOf(target))
        return false;
    return DropContainmentAllows(target->ClassIndex(), dragged->ClassIndex());
}

// ---------------------------------------------------------------- create

bool CreateObjects(TreeDesign& design, ObjectNode* s, const std::optional<ClassSet>& chosen,
                   const CreateObjectDialog& dialog) {
    DesignChange operation(design, "Create Object");
    if (!s || !chosen)
        return false;
    Interaction& ui = design.ui();
    ClassSet classes = *chosen;
    if (classes.Count() == 0) {
        ui.Message("Nothing was selected.");
        return false;
    }
    if (classes.Contains(kClassTop)) {
        classes.Remove(kClassTop);
        ui.Message("\"TOP\" cannot be created.");
    }
    if (classes.Contains(kClassPartition)) {
        classes.Remove(kClassPartition);
        ui.Message("\"PARTITION\" is not an effective class.");
    }
    design.EnsureLeafList(s);
    bool created = false;
    for (int k = 0; k < kClassCount; ++k) {
        if (!classes.Contains(k))
            continue;
        bool showAgain = true;
        while (showAgain) {
            showAgain = false;
            std::optional<CreateObjectInput> input = dialog ? dialog(k) : std::nullopt;
            if (!input)
                break; // Cancel: on with the next class
            const std::string n = CleanTypedName(input->name);
            if (std::optional<std::string> problem = TypedNameProblem(n, k)) {
                ui.Warning(*problem);
                showAgain = true;
                continue;
            }
            if (!CreateContainmentAllows(s->ClassIndex(), k)) {
                ui.Message("Illegal containment for object class: " + ClassName(k));
                break;
            }
            if (CreateContainmentUnchecked(k) && !design.Flags().containmentWarningOff &&
                ui.AskYesNoNotice(kNoContainmentCheck))
                design.SetContainmentWarningOff(true);
            // A child node without its leaf entry counts as taken as well.
            bool taken = LeafNamed(design, s, n) || ChildNamed(s, n) ||
                         (k == kClassServer && design.servers.FindLast(n) >= 0);
            if (taken) {
                const std::string text = "Object: " + n + " already exists in this container" +
                                         "\r" +
                                         "OR, if this is a server object, the server exists in "
                                         "the tree.";
                if (input->createAnother) {
                    ui.Message(text);
                    showAgain = true;
                } else if (ui.AskYesNo(text + "\r" +
                                       "Do you want to try to create this object again?")) {
                    showAgain = true;
                }
                continue;
            }
            if (std::optional<std::string> deep =
                    IsNodeClass(k) ? NewChildTooDeep(design, s, n) : std::nullopt) {
                ui.Information(*deep);
                break;
            }
            design.AppendLeaf(s, MakeLeafEntry(n, k));
            design.NoteClass(k);
            if (IsNodeClass(k))
                design.AddChild(s, n, k);
            if (k == kClassServer) {
                std::size_t si = design.servers.Append(n);
                design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
                // The new server gets a read/write replica of its partition
                // while the partition has fewer than three readable replicas.
                if (ObjectNode* p0 = edit::PartitionOf(s)) {
                    const std::string partition = design.FullContext(p0);
                    if (ReplicaList* pl = design.partitions.EntriesOf(partition)) {
                        auto readable = std::count_if(pl->begin(), pl->end(),
                                                      [](const auto& e) { return IsReadable(e); });
                        if (readable < 3) {
                            pl->push_back(MakeReplicaEntry(n, kReadWrite));
                            design.servers.Entries(si).push_back(
                                MakeReplicaEntry(partition, kReadWrite));
                        }
                    }
                }
            }
            DesignChange(design, kTouchObjects)
                .Refresh()
                .Log(LogBlock("Create Object")
                         .Line("  Name       : " + n + "." + design.FullContext(s))
                         .Line("  Object Type: " + ClassName(k)))
                .Commit();
            created = true;
            showAgain = input->createAnother;
        }
    }
    return created;
}

// ---------------------------------------------------------------- delete

bool DeleteObject(TreeDesign& design, ObjectNode* x) {
    DesignChange operation(design, "Delete Object");
    if (!x || !x->Parent())
        return false; // the tree root is never deleted
    Interaction& ui = design.ui();
    std::string question = "Are you sure you want to delete this object?";
    if (x->Leaves() && !x->Leaves()->empty())
        question +=
            "\rIt contains " + std::to_string(x->Leaves()->size()) + " subordinate LEAF object(s).";
    if (!ui.AskYesNo(question))
        return false;
    // Every refusal is decided before anything changes.
    const bool server = x->ClassIndex() == kClassServer;
    int si = -1;
    if (server) {
        if (design.servers.Size() == 1) {
            ui.Information("You cannot delete the last server in the tree.");
            return false;
        }
        si = design.servers.FindLast(x->Name());
        if (si >= 0) {
            for (const std::string& e : design.servers.Entries(static_cast<std::size_t>(si)))
                if (EntryType(e) == kMaster) {
                    ui.Information("This server contains one or more Master "
                                   "replicas.\rDesignate other servers to contain the Master "
                                   "replicas\rbefore deleting this server object.");
                    return false;
                }
        }
    }
    if (x->ChildCount() > 0) {
        ui.Information("This object has subordinates.");
        return false;
    }
    if (x->IsPartitionRoot()) {
        ui.Information("This container is a partition.  Remove the partition before deleting.");
        return false;
    }
    if (si >= 0) {
        const std::size_t i = static_cast<std::size_t>(si);
        for (const std::string& e : design.servers.Entries(i))
            if (ReplicaList* pl = design.partitions.EntriesOf(EntryName(e))) {
                int k = FindEntryByName(*pl, x->Name());
                if (k >= 0)
                    pl->erase(pl->begin() + k);
            }
        design.servers.Erase(i);
        if (i < design.attributes.Size())
            design.attributes.Erase(i);
    }
    design.ReplaceLeaves(x, nullptr);
    const std::string name = x->Name();
    DesignChange change(design, kTouchObjects);
    change.Refresh().Log(LogBlock("Delete Object")
                             .Line("  Name       : " + design.FullContext(x))
                             .Line("  Object Type: " + ClassName(x->ClassIndex())));
    ObjectNode* parent = x->Parent();
    design.DeleteNode(x);
    EraseLeaf(design, parent, name);
    change.Commit();
    return true;
}

// ---------------------------------------------------------------- rename

bool RenameObject(TreeDesign& design, ObjectNode* x, const std::optional<std::string>& newName) {
    DesignChange operation(design, "Rename Object");
    if (!x || !x->Parent() || !newName)
        return false;
    Interaction& ui = design.ui();
    const std::string m = CleanTypedName(*newName);
    if (std::optional<std::string> problem = TypedNameProblem(m, x->ClassIndex())) {
        ui.Warning(*problem);
        return false;
    }
    ObjectNode* parent = x->Parent();
    // A leaf object of the parent with that name is taken as well: two
    // objects of one name in one container cannot be told apart.
    if (ChildNamed(parent, m) || LeafNamed(design, parent, m)) {
        ui.Information("That name already exists in this context.");
        return false;
    }
    const bool server = x->ClassIndex() == kClassServer;
    if (server && design.servers.FindLast(m) >= 0) {
        ui.Information("That server name already exists.");
        return false;
    }
    const std::string oldName = x->Name();
    const std::string oldContext = design.FullContext(x);
    bool tablesRenamed = false;
    if (server) {
        int si = design.servers.FindLast(oldName);
        if (si >= 0) {
            const std::size_t i = static_cast<std::size_t>(si);
            for (const std::string& e : design.servers.Entries(i))
                if (ReplicaList* pl = design.partitions.EntriesOf(EntryName(e)))
                    for (std::string& r : *pl)
                        if (EntryName(r) == oldName)
                            r = MakeReplicaEntry(m, EntryType(r));
            design.servers.Rename(i, m);
            tablesRenamed = true;
        }
    }
    // The partitions at X or below it take the new name of X in their context.
    std::vector<std::pair<ObjectNode*, std::string>> roots;
    design.WalkSubtree(x, [&](ObjectNode* n) {
        if (n->IsPartitionRoot())
            roots.emplace_back(n, design.FullContext(n));
        return true;
    });
    const int classIndex = x->ClassIndex();
    if (parent->Leaves()) {
        int at = design.IndexOfLeaf(*parent->Leaves(), oldName);
        if (at >= 0)
            design.SetLeafAt(parent, static_cast<std::size_t>(at), MakeLeafEntry(m, classIndex));
    }
    design.RenameNode(x, m);
    if (!roots.empty()) {
        std::unordered_map<std::string, std::string> renamed;
        for (auto& [node, old] : roots) {
            std::string now = design.FullContext(node);
            int pi = design.partitions.FindLast(old);
            if (pi >= 0)
                design.partitions.Rename(static_cast<std::size_t>(pi), now);
            renamed.emplace(old, std::move(now));
        }
        for (std::size_t i = 0; i < design.servers.Size(); ++i)
            for (std::string& e : design.servers.Entries(i)) {
                auto it = renamed.find(std::string(EntryName(e)));
                if (it != renamed.end())
                    e = MakeReplicaEntry(it->second, EntryType(e));
            }
        tablesRenamed = true;
    }
    // Partition and server names appear in every report and grid.
    DesignChange(design, kTouchLeaves | (tablesRenamed ? kTouchObjects : 0u))
        .Refresh()
        .Log(LogBlock("Renamed Object")
                 .Line("  Old Name: " + oldContext)
                 .Line("  New Name: " + design.FullContext(x)))
        .Commit();
    return true;
}

// ---------------------------------------------------------------- move

bool MoveObject(TreeDesign& design, ObjectNode* x, const std::optional<std::string>& destination) {
    DesignChange operation(design, "Move Object");
    if (!x || !destination)
        return false;
    Interaction& ui = design.ui();
    const std::string text = MoveDestinationText(*destination);
    ObjectNode* d = design.FindNodeByContext(text);
    if (!d) {
        ui.Information("'" + text + "'" + " was not found." + "\r" +
                       "Check the context and try again.");
        return false;
    }
    if (d == x)
        return false;
    if (x->IsSelfOrAncestorOf(d) || d == x->Parent()) {
        ui.Information(kIllegalMove);
        return false;
    }
    if (NameTakenIn(design, d, x->Name())) {
        ui.Information(kSameNameInContext);
        return false;
    }
    if (!MoveContainmentAllows(x->ClassIndex(), d->ClassIndex())) {
        ui.Information(kIllegalMove);
        return false;
    }
    if (std::optional<std::string> deep = MoveTooDeep(design, x, d)) {
        ui.Information(*deep);
        return false;
    }
    const std::string source = design.FullContext(x);
    DesignChange change(design);
    MoveNode(design, change, x, d);
    change.Log(MoveLogBlock(design, x, source)).Commit();
    return true;
}

bool DropObject(TreeDesign& design, ObjectNode* x, ObjectNode* t) {
    DesignChange operation(design, "Move Object");
    if (!x || !t)
        return false;
    if (t == x->Parent() || t->Parent() == x)
        return false;
    Interaction& ui = design.ui();
    if (!CanStartDrag(x) || !DropAccepted(x, t)) {
        ui.Information(kIllegalMove);
        return false;
    }
    if (NameTakenIn(design, t, x->Name())) {
        ui.Information(kSameNameInContext);
        return false;
    }
    if (std::optional<std::string> deep = MoveTooDeep(design, x, t)) {
        ui.Information(*deep);
        return false;
    }
    const std::string source = x->Name() + "." + design.FullContext(x->Parent());
    DesignChange change(design);
    MoveNode(design, change, x, t);
    change.Log(MoveLogBlock(design, x, source)).Commit();
    return true;
}

// ---------------------------------------------------------------- leaf objects

bool DeleteLeafObjects(TreeDesign& design, ObjectNode* container,
                       const std::vector<std::string>& selectedEntries) {
    DesignChange operation(design, "Delete Leaf Objects");
    if (!container || selectedEntries.empty())
        return false;
    if (!design.ui().AskYesNo("Are you sure you want to delete the object(s)?"))
        return false;
    if (!container->Leaves())
        return false;
    LeafRemoval removal(*container->Leaves());
    DesignChange change(design, kTouchLeaves);
    bool changed = false;
    const std::string context = design.FullContext(container);
    for (const std::string& entry : selectedEntries) {
        const int classIndex = ClassOfEntry(entry);
        if (IsNodeClass(classIndex) || !removal.Claim(entry))
            continue;
        change.Log(LogBlock("Delete Object")
                       .Line("  Name       : " + std::string(LeafName(entry)) + "." + context)
                       .Line("  Object Type: " + ClassName(classIndex)));
        changed = true;
    }
    if (!changed)
        return false;
    removal.Apply(design, container);
    change.Refresh().Commit();
    return true;
}

std::string LeafMoveSourceText(const TreeDesign& design, const ObjectNode* container) {
    return design.FullContext(container) + "'s leaf objects";
}

bool MoveLeafObjects(TreeDesign& design, ObjectNode* container,
                     const std::vector<std::string>& selectedEntries, const MoveDialog& dialog) {
    DesignChange operation(design, "Move Leaf Objects");
    if (!container || selectedEntries.empty())
        return false;
    Interaction& ui = design.ui();
    if (!design.Flags().containmentWarningOff && ui.AskYesNoNotice(kNoContainmentCheck))
        design.SetContainmentWarningOff(true);
    std::optional<std::string> typed =
        dialog ? dialog(LeafMoveSourceText(design, container)) : std::nullopt;
    if (!typed)
        return false;
    const std::string t = MoveDestinationText(*typed);
    const std::string source = design.FullContext(container);
    if (t == source) {
        ui.Message("Cannot move to the same container.");
        return false;
    }
    ObjectNode* d = design.FindNodeByContext(t);
    if (!d) {
        ui.Message("'" + t + "'" + " could not be found in the tree.");
        return false;
    }
    if (!d->Parent()) {
        ui.Message("Illegal containment.");
        return false;
    }
    if (!IsContainerClass(d->ClassIndex())) {
        ui.Message("'" + design.FullContext(d) + "' is not a container.");
        return false;
    }
    std::unordered_set<std::string> present, children;
    for (const std::string& e : design.EnsureLeafList(d))
        present.emplace(LeafName(e));
    for (std::size_t i = 0; i < container->ChildCount(); ++i)
        children.insert(container->Child(i)->Name());
    if (!container->Leaves())
        return false;
    LeafRemoval removal(*container->Leaves());
    DesignChange change(design, kTouchLeaves);
    bool moved = false;
    for (const std::string& entry : selectedEntries) {
        const std::string name(LeafName(entry));
        if (children.count(name) || present.count(name) || !removal.Claim(entry))
            continue;
        design.AppendLeaf(d, entry);
        present.insert(name);
        change.Log(LogBlock("Move Object")
                       .Line("  Object Type: " + ClassName(ClassOfEntry(entry)))
                       .Line("  Object Name: " + name)
                       .Line("  Source     : " + source)
                       .Line("  Destination: " + t));
        moved = true;
    }
    if (!moved)
        return false;
    removal.Apply(design, container);
    change.Refresh().Commit();
    return true;
}

bool RenameLeafObject(TreeDesign& design, ObjectNode* container, const std::string& selectedEntry,
                      const std::optional<std::string>& newName) {
    DesignChange operation(design, "Rename Leaf Object");
    if (!container || !container->Leaves() || !newName)
        return false;
    Interaction& ui = design.ui();
    const std::string m = CleanTypedName(*newName);
    if (std::optional<std::string> problem = TypedNameProblem(m, ClassOfEntry(selectedEntry))) {
        ui.Warning(*problem);
        return false;
    }
    const std::string entry = selectedEntry; // the row may be replaced below
    const int at = FindEntryExact(*container->Leaves(), entry);
    if (at < 0)
        return false;
    const std::string oldName(LeafName(entry));
    // The entry of a child node names a container or server: renaming only
    // the entry would leave the node behind under its old name.
    if (ChildNamed(container, oldName)) {
        ui.Information("Use Rename Object to rename a container or server.");
        return false;
    }
    if (LeafNamed(design, container, m) || ChildNamed(container, m)) {
        ui.Information("That name already exists in this container.");
        return false;
    }
    const int classIndex = ClassOfEntry(entry);
    // Keep the entry's class text as it is, whatever it holds.
    std::size_t sep = LeafName(entry).size();
    if (sep == entry.size())
        sep = std::string::npos;
    std::string renamed =
        sep == std::string::npos ? MakeLeafEntry(m, kClassUnknown) : m + entry.substr(sep);
    design.SetLeafAt(container, static_cast<std::size_t>(at), std::move(renamed));
    const std::string context = design.FullContext(container);
    DesignChange(design, kTouchLeaves)
        .Refresh()
        .Log(LogBlock("Rename Leaf Object")
                 .Line("  Object Type: " + ClassName(classIndex))
                 .Line("  From       : " + oldName + "." + context)
                 .Line("  To         : " + m + "." + context))
        .Commit();
    return true;
}

} // namespace qv
