#include "reports/leaf_commands.h"

#include <map>

namespace qv {

std::string_view LeafEntryOfRow(std::string_view row) {
    std::size_t star = row.find('*');
    return star == std::string_view::npos ? std::string_view() : row.substr(star + 1);
}

LeafMenuState LeafPopupMenuState(std::size_t rowCount, std::size_t selectedCount,
                                 std::string_view focusedRow, const ObjectNode* treeSelected) {
    LeafMenuState m;
    if (rowCount == 0 || selectedCount == 0)
        return m;
    long long k = LeafClassIndex(LeafEntryOfRow(focusedRow));
    m.gotoObject =
        (k >= 0 && k < kClassSetSize && IsContainerClass(static_cast<int>(k))) || k == kClassServer;
    m.report = true;
    m.deleteLeaves = selectedCount > 1 || !m.gotoObject;
    m.moveLeaves = treeSelected && treeSelected->Name() != kRootName &&
                   IsContainerClass(treeSelected->ClassIndex());
    m.rename = selectedCount == 1 && !m.gotoObject;
    m.displayRights = true;
    return m;
}

ObjectNode* GotoObject(TreeDesign& design, ObjectNode* treeSelected, std::string_view row) {
    std::string_view name = LeafName(LeafEntryOfRow(row));
    if (treeSelected)
        for (std::size_t i = 0; i < treeSelected->ChildCount(); ++i)
            if (treeSelected->Child(i)->Name() == name)
                return treeSelected->Child(i);
    design.ui().Message(std::string(name) + " was not reported as a container object by NDS.\r" +
                        "It could also be because the search was aborted.");
    return nullptr;
}

std::optional<ObjectSearchResult> CollectReportObjects(TreeDesign& design,
                                                       const ObjectNode* treeSelected,
                                                       const std::vector<std::string>& rows,
                                                       const ClassSet& selectedClasses) {
    if (selectedClasses.Count() == 0) {
        design.ui().Information("Nothing was selected, report aborted..");
        return std::nullopt;
    }
    ObjectSearchResult r;
    if (treeSelected) {
        r.rootText = design.FullContext(treeSelected);
        const ObjectNode* root = treeSelected;
        while (root && !root->IsPartitionRoot())
            root = root->Parent();
        if (root)
            r.partitionRoot = design.FullContext(root);
    }
    std::map<int, std::vector<std::string>> byClass;
    for (const std::string& row : rows) {
        design.progress().Pump();
        std::string_view entry = LeafEntryOfRow(row);
        long long k = LeafClassIndex(entry);
        if (k < 0 || k >= kClassSetSize || !selectedClasses.Contains(static_cast<int>(k)))
            continue;
        byClass[static_cast<int>(k)].emplace_back(LeafName(entry));
    }
    for (auto& [cls, names] : byClass) {
        for (std::size_t i = 0; i < names.size(); i += 10) {
            design.progress().Show(ProgressChannel::Import,
                                   ClassName(cls) + " objects found: " + std::to_string(i));
            design.progress().Pump();
        }
        r.total += names.size();
        r.groups.push_back({cls, std::move(names)});
    }
    design.progress().Show(ProgressChannel::Import, "");
    return r;
}

} // namespace qv
