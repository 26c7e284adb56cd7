#include "gui/edit/tree_menus.h"

#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/workspace.h"
#include "gui/edit/edit_services.h"
#include "gui/edit/tree_commands.h"
#include "gui/print/print_commands.h"
#include "gui/utilities/default_server_dialogs.h"
#include "gui/utilities/file_rights_dialogs.h"
#include "gui/utilities/nds_rights_dialogs.h"
#include "gui/utilities/schema_dialogs.h"
#include "reports/leaf_commands.h"

#include <QMenu>
#include <functional>

namespace qv::gui {

namespace {

QMenu* MakeMenu(QWidget* owner, const char* name) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

QAction* AddItem(QMenu* menu, const char* name, const char* caption,
                 std::function<void()> command) {
    QAction* a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QLatin1String(name));
    QObject::connect(a, &QAction::triggered, menu, [command = std::move(command)] { command(); });
    return a;
}

} // namespace

TreeMenus::TreeMenus(TMDIChild& child, TreeCommands& commands, const EditServices& services,
                     QWidget* owner)
    : QObject(owner), child_(child), commands_(commands), printSource_(services.printSource) {
    TreeCommands* c = &commands_;
    TreePage* page = &child_.Tree();

    tree_ = MakeMenu(owner, "PopupMenu1");
    TreeItems& t = treeItems_;
    t.createObject = AddItem(tree_, "CreateObject1", "&Create Object", [c] { c->CreateObject(); });
    t.deleteObject = AddItem(tree_, "DeleteObject1", "&Delete Object", [c] { c->DeleteObject(); });
    t.renameObject = AddItem(tree_, "RenameObject1", "&Rename Object", [c] { c->RenameObject(); });
    t.expandObject = AddItem(tree_, "ExpandObject1", "E&xpand Object",
                             [page] { page->ExpandObject(page->SelectedNode()); });
    t.collapseObject = AddItem(tree_, "CollapseObject1", "C&ollapse Object",
                               [page] { page->CollapseObject(page->SelectedNode()); });
    tree_->addSeparator();
    t.createPartition =
        AddItem(tree_, "CreatePartition1", "Create &Partition", [c] { c->CreatePartition(); });
    t.mergePartition =
        AddItem(tree_, "MergePartition1", "M&erge Partition", [c] { c->MergePartition(); });
    t.addReplica = AddItem(tree_, "AddReplica1", "&Add Replica", [c] { c->AddReplica(); });
    tree_->addSeparator();
    t.printSubTree = AddItem(tree_, "PrintSubTree1", "Print SubTree",
                             [this] { PrintSubTree(printSource_(child_), child_.SelectedNode()); });
    t.report = AddItem(tree_, "PrintRepList", "Report", [c] { c->IndividualReport(); });
    t.editServer = AddItem(tree_, "Edit1", "Edit Server", [c] { c->EditServer(); });
    t.compareSchema = AddItem(tree_, "CompareSchema1", "Compare Schema",
                              [this] { CompareSchemaOfSelectedServer(child_.App()); });
    // The pop-up's twin only forwards to the main window's command.
    t.verifyUserDefaultServer =
        AddItem(tree_, "VerifyUserDefaultServer1", "Verify User Default Server",
                [this] { VerifyUserDefaultServer(child_.App()); });

    replicas_ = MakeMenu(owner, "PopupMenu2");
    ReplicaItems& r = replicaItems_;
    r.deleteReplica =
        AddItem(replicas_, "DeleteReplica1", "&Delete &Replica", [c] { c->DeleteReplica(); });
    r.changeType = AddItem(replicas_, "ChangeType1", "&Change Type", [c] { c->ChangeType(); });
    r.gotoObject = AddItem(replicas_, "GotoObject1", "&Goto Object", [c] { c->GotoObject(); });
    r.replicaReport =
        AddItem(replicas_, "ReplicaReport1", "Replica Report", [c] { c->ReplicaReport(); });

    leaves_ = MakeMenu(owner, "PopupMenu3");
    LeafItems& l = leafItems_;
    l.gotoObject = AddItem(leaves_, "GotoObject2", "Goto Object", [c] { c->GotoLeafObject(); });
    l.report = AddItem(leaves_, "Report1", "Report Objects", [c] { c->ReportObjects(); });
    l.deleteLeaves =
        AddItem(leaves_, "Delete1", "Delete Leaf Objects", [c] { c->DeleteLeafObjects(); });
    l.moveLeaves =
        AddItem(leaves_, "MoveLeafObjects1", "Move Leaf Objects", [c] { c->MoveLeafObjects(); });
    l.rename =
        AddItem(leaves_, "RenameObject2", "Rename Leaf Object", [c] { c->RenameLeafObject(); });
    QMenu* rights = leaves_->addMenu(QStringLiteral("Display Rights"));
    rights->setObjectName(QStringLiteral("DisplayRights1"));
    rights->menuAction()->setObjectName(QStringLiteral("DisplayRights1"));
    l.displayRights = rights->menuAction();
    l.ndsRights = AddItem(rights, "NDSRights1", "NDS Rights", [this] { NDSRights(child_); });
    l.fileRights = AddItem(rights, "FileRights1", "File Rights", [this] { FileRights(child_); });
}

void TreeMenus::UpdateTreeMenu() {
    TreeItems& t = treeItems_;
    t.createObject->setEnabled(commands_.CanCreateObject());
    t.deleteObject->setEnabled(commands_.CanDeleteObject());
    t.renameObject->setEnabled(commands_.CanRenameObject());
    t.createPartition->setEnabled(commands_.CanCreatePartition());
    t.mergePartition->setEnabled(commands_.CanMergePartition());
    t.addReplica->setEnabled(commands_.CanAddReplica());
    t.compareSchema->setEnabled(commands_.SelectedIsServer());
    t.verifyUserDefaultServer->setEnabled(commands_.SelectedIsContainer());
}

void TreeMenus::UpdateReplicaMenu() {
    bool rows = child_.Tree().ReplicaRowCount() > 0;
    replicaItems_.deleteReplica->setEnabled(commands_.CanDeleteReplica());
    replicaItems_.changeType->setEnabled(commands_.CanChangeReplica());
    replicaItems_.gotoObject->setEnabled(rows);
    replicaItems_.replicaReport->setEnabled(rows);
}

void TreeMenus::UpdateLeafMenu() {
    TreePage& page = child_.Tree();
    LeafMenuState st = LeafPopupMenuState(static_cast<std::size_t>(page.LeafRowCount()),
                                          static_cast<std::size_t>(page.SelectedLeafCount()),
                                          page.FocusedLeafRow(), page.SelectedNode());
    leafItems_.gotoObject->setEnabled(st.gotoObject);
    leafItems_.report->setEnabled(st.report);
    leafItems_.deleteLeaves->setEnabled(st.deleteLeaves);
    leafItems_.moveLeaves->setEnabled(st.moveLeaves);
    leafItems_.rename->setEnabled(st.rename);
    leafItems_.displayRights->setEnabled(st.displayRights);
}

void TreeMenus::ApplyTexts() {
    const std::pair<QAction*, const char*> items[] = {
        {treeItems_.createObject, "&Create Object"},
        {treeItems_.deleteObject, "&Delete Object"},
        {treeItems_.createPartition, "Create &Partition"},
        {treeItems_.mergePartition, "M&erge Partition"},
        {treeItems_.addReplica, "&Add Replica"},
        {treeItems_.renameObject, "&Rename Object"},
        {treeItems_.expandObject, "E&xpand Object"},
        {treeItems_.collapseObject, "C&ollapse Object"},
        {replicaItems_.deleteReplica, "&Delete &Replica"},
        {replicaItems_.changeType, "&Change Type"},
        {replicaItems_.gotoObject, "&Goto Object"},
    };
    for (const auto& [action, text] : items)
        action->setText(QString::fromLatin1(text));
}

} // namespace qv::gui
