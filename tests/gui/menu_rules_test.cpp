// The menus ask the operations: for every node of the example design, and
// for every row of its replica list (and for none selected), the main menu's
// and the pop-up menus' items are enabled exactly when the operation's rule
// allows it. Driven through the real windows on the offscreen platform.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "core/tree_design.h"
#include "edit/object_operations.h"
#include "edit/partition_operations.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <array>
#include <functional>
#include <memory>
#include <vector>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

class MenuRulesTest : public AppTest {
    Q_OBJECT

    bool MainItem(const char* name) {
        app_->UpdateAllMenus();
        return app_->menuBar()->findChild<QAction*>(QLatin1String(name))->isEnabled();
    }
    static bool PopupItem(QMenu* menu, const char* name) {
        QAction* a = menu->findChild<QAction*>(QLatin1String(name));
        return a && a->isEnabled();
    }
    void Settle() {
        QTRY_VERIFY(script_->Idle());
        QCoreApplication::processEvents();
    }
    TMDIChild* OpenExample() {
        script_->ChooseFile(qv::gui::test::ExampleCopy("corp.qvd"));
        app_->UpdateAllMenus();
        app_->menuBar()->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
        Settle();
        return app_->ActiveChild();
    }
    static std::vector<ObjectNode*> AllNodes(TreeDesign& d) {
        std::vector<ObjectNode*> out;
        d.WalkSubtree(d.Root(), [&out](ObjectNode* n) {
            out.push_back(n);
            return true;
        });
        return out;
    }

    struct NodeRule {
        const char* item;
        bool inPopup; // also an item of the tree's pop-up menu
        std::function<bool(const ObjectNode*)> rule;
    };

    // Delete and Change Type of the main menu and the replica list's pop-up
    // menu against the rule, for the row that is current now.
    void CheckReplicaItems(TMDIChild* c, ObjectNode* node) {
        const std::size_t rows = static_cast<std::size_t>(c->Tree().ReplicaRowCount());
        const std::string entry = c->Tree().SelectedReplica();
        const QByteArray where = QByteArray::fromStdString(node->Name() + " / " + entry);
        const bool del = CanDeleteReplica(rows, entry);
        const bool change = CanChangeReplicaType(rows, entry);
        QVERIFY2(MainItem("Delete1") == del, where.constData());
        QVERIFY2(MainItem("ChangeType1") == change, where.constData());
        c->UpdatePopupMenu2();
        QVERIFY2(PopupItem(c->PopupMenu2(), "DeleteReplica1") == del, where.constData());
        QVERIFY2(PopupItem(c->PopupMenu2(), "ChangeType1") == change, where.constData());
    }

private slots:
    void init() { StartApp({}); }

    void cleanup() { FinishApp(); }

    void treeItemsFollowTheOperationsRules() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        const NodeRule rules[] = {
            {"CreateObject1", true, [](const ObjectNode* n) { return CanCreateObjects(n); }},
            {"DeleteObject1", true, [](const ObjectNode* n) { return CanDeleteObject(n); }},
            {"RenameObject1", true, [](const ObjectNode* n) { return CanRenameObject(n); }},
            {"MoveObject1", false, [](const ObjectNode* n) { return CanMoveObject(n); }},
            {"CreatePartition1", true, [](const ObjectNode* n) { return CanCreatePartition(n); }},
            {"MergePartition1", true, [](const ObjectNode* n) { return CanMergePartition(n); }},
            {"AddReplica1", true, [](const ObjectNode* n) { return CanAddReplica(n); }},
        };
        std::array<int, 2> seen{}; // how often a rule said no and yes
        for (ObjectNode* n : AllNodes(c->Design())) {
            c->Tree().SelectNode(n);
            QCoreApplication::processEvents();
            QCOMPARE(c->Tree().SelectedNode(), n);
            c->UpdatePopupMenu1();
            for (const NodeRule& r : rules) {
                const bool allowed = r.rule(n);
                ++seen[allowed ? 1 : 0];
                const QByteArray where = QByteArray::fromStdString(n->Name() + " / ") + r.item;
                QVERIFY2(MainItem(r.item) == allowed, where.constData());
                if (r.inPopup)
                    QVERIFY2(PopupItem(c->PopupMenu1(), r.item) == allowed, where.constData());
            }
        }
        QVERIFY(seen[0] > 0 && seen[1] > 0);
    }

    void replicaItemsFollowTheOperationsRules() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        QListView* list = c->ListBox1();
        int rowsSeen = 0;
        for (ObjectNode* n : AllNodes(c->Design())) {
            c->Tree().SelectNode(n);
            QCoreApplication::processEvents();
            CheckReplicaItems(c, n);
            for (int r = 0; r < list->model()->rowCount(); ++r, ++rowsSeen) {
                list->setCurrentIndex(list->model()->index(r, 0));
                CheckReplicaItems(c, n);
            }
            if (list->model()->rowCount() == 0)
                continue;
            // Rows, none of them current: nothing to delete or retype.
            list->setCurrentIndex(QModelIndex());
            QVERIFY(c->Tree().SelectedReplica().empty());
            CheckReplicaItems(c, n);
            QVERIFY(!MainItem("Delete1") && !MainItem("ChangeType1"));
            // The Delete key neither asks nor refuses.
            const std::size_t boxes = script_->seen.size();
            QTest::keyClick(list, Qt::Key_Delete);
            Settle();
            QCOMPARE(script_->seen.size(), boxes);
            QVERIFY(!c->Design().Flags().modified);
        }
        QVERIFY(rowsSeen > 0);
    }
};

QTEST_MAIN(MenuRulesTest)
#include "menu_rules_test.moc"
