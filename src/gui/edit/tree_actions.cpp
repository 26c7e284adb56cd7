#include "gui/edit/tree_actions.h"

#include "gui/core/mdi_child.h"
#include "gui/edit/tree_commands.h"
#include "gui/edit/tree_menus.h"

namespace qv::gui {

TreeActions::TreeActions(TMDIChild& child, const EditServices& services)
    : commands_(std::make_unique<TreeCommands>(child, services)),
      menus_(new TreeMenus(child, *commands_, services, &child)) {}

TreeActions::~TreeActions() = default;

void TreeActions::TreeDeleteKey() {
    commands_->DeleteObject();
}
void TreeActions::ReplicaDeleteKey() {
    commands_->DeleteReplicaKey();
}
void TreeActions::TreeDoubleClicked() {
    commands_->EditServer();
}
void TreeActions::Dropped(ObjectNode* dragged, ObjectNode* target) {
    commands_->Drop(dragged, target);
}
void TreeActions::GotoObject() {
    commands_->GotoObject();
}
QMenu* TreeActions::TreeMenu() const {
    return menus_->Tree();
}
QMenu* TreeActions::ReplicaMenu() const {
    return menus_->Replicas();
}
QMenu* TreeActions::LeafMenu() const {
    return menus_->Leaves();
}
void TreeActions::UpdateTreeMenu() {
    menus_->UpdateTreeMenu();
}
void TreeActions::UpdateReplicaMenu() {
    menus_->UpdateReplicaMenu();
}
void TreeActions::UpdateLeafMenu() {
    menus_->UpdateLeafMenu();
}
void TreeActions::ApplyTexts() {
    menus_->ApplyTexts();
}

TreeCommands& CommandsOf(const TMDIChild& child) {
    return static_cast<TreeActions&>(child.Actions()).Commands();
}

} // namespace qv::gui
