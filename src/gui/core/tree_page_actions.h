// The commands behind a design window's tree page: its keys, double click and
// drops, and its three pop-up menus. The editing commands provide them; the
// main window attaches them to each design window it makes.
#pragma once

class QMenu;

namespace qv {
class ObjectNode;
}

namespace qv::gui {

class TreePageActions {
public:
    virtual ~TreePageActions() = default;

    // ---- keys, double click and drops of the tree page ----
    virtual void TreeDeleteKey() = 0;
    virtual void ReplicaDeleteKey() = 0;
    virtual void TreeDoubleClicked() = 0;
    virtual void Dropped(ObjectNode* dragged, ObjectNode* target) = 0;
    // The object of the replica row chosen in the replica list.
    virtual void GotoObject() = 0;

    // ---- the pop-up menus of the tree, the replica list and the leaf list ----
    virtual QMenu* TreeMenu() const = 0;
    virtual QMenu* ReplicaMenu() const = 0;
    virtual QMenu* LeafMenu() const = 0;
    // Decide the enabling of each menu (as when it is opened).
    virtual void UpdateTreeMenu() = 0;
    virtual void UpdateReplicaMenu() = 0;
    virtual void UpdateLeafMenu() = 0;
    // The menus' captions after the design's object labels.
    virtual void ApplyTexts() = 0;
};

} // namespace qv::gui
