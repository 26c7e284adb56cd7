// The three pop-up menus of the tree page: PopupMenu1 on the tree,
// PopupMenu2 on the replica list and PopupMenu3 on the subordinate list, each
// with typed items and the rule that enables them when it opens.
#pragma once

#include "gui/print/print_commands.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace qv::gui {

class TMDIChild;
class TreeCommands;
struct EditServices;

class TreeMenus : public QObject {
    Q_OBJECT
public:
    TreeMenus(TMDIChild& child, TreeCommands& commands, const EditServices& services,
              QWidget* owner);

    QMenu* Tree() const { return tree_; }
    QMenu* Replicas() const { return replicas_; }
    QMenu* Leaves() const { return leaves_; }
    // Decide the enabling of each menu, as when it opens.
    void UpdateTreeMenu();
    void UpdateReplicaMenu();
    void UpdateLeafMenu();
    // The captions as built.
    void ApplyTexts();

private:
    struct TreeItems {
        QAction* createObject;
        QAction* deleteObject;
        QAction* renameObject;
        QAction* expandObject;
        QAction* collapseObject;
        QAction* createPartition;
        QAction* mergePartition;
        QAction* addReplica;
        QAction* printSubTree;
        QAction* report;
        QAction* editServer;
        QAction* compareSchema;
        QAction* verifyUserDefaultServer;
    };
    struct ReplicaItems {
        QAction* deleteReplica;
        QAction* changeType;
        QAction* gotoObject;
        QAction* replicaReport;
    };
    struct LeafItems {
        QAction* gotoObject;
        QAction* report;
        QAction* deleteLeaves;
        QAction* moveLeaves;
        QAction* rename;
        QAction* displayRights; // the "Display Rights" submenu
        QAction* ndsRights;
        QAction* fileRights;
    };

    TMDIChild& child_;
    TreeCommands& commands_;
    std::function<PrintSource(TMDIChild&)> printSource_;
    QMenu* tree_;
    QMenu* replicas_;
    QMenu* leaves_;
    TreeItems treeItems_{};
    ReplicaItems replicaItems_{};
    LeafItems leafItems_{};
};

} // namespace qv::gui
