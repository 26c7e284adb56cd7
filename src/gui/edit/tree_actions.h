// The editing commands as a design window's tree page actions: the commands,
// their pop-up menus, and the shared dialogs they ask in. The main window
// hands each design window its own TreeActions over the same dialogs.
#pragma once

#include "gui/core/tree_page_actions.h"
#include "gui/edit/edit_services.h"

#include <memory>

namespace qv::gui {

class TMDIChild;
class TreeCommands;
class TreeMenus;

class TreeActions final : public TreePageActions {
public:
    TreeActions(TMDIChild& child, const EditServices& services);
    ~TreeActions() override;

    TreeCommands& Commands() const { return *commands_; }

    void TreeDeleteKey() override;
    void ReplicaDeleteKey() override;
    void TreeDoubleClicked() override;
    void Dropped(ObjectNode* dragged, ObjectNode* target) override;
    void GotoObject() override;
    QMenu* TreeMenu() const override;
    QMenu* ReplicaMenu() const override;
    QMenu* LeafMenu() const override;
    void UpdateTreeMenu() override;
    void UpdateReplicaMenu() override;
    void UpdateLeafMenu() override;
    void ApplyTexts() override;

private:
    std::unique_ptr<TreeCommands> commands_;
    TreeMenus* menus_; // owned by the design window, as Qt objects are
};

// The editing commands of a design window made by the main window.
TreeCommands& CommandsOf(const TMDIChild& child);

} // namespace qv::gui
