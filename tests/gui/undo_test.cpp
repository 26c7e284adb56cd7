// Edit > Undo and Redo in the desktop program: the menu items, their captions
// and shortcuts, undo of a drag and drop, and undo after Save. Also the menu
// items that lead to the other subsystems' windows (print, help).
#include "app_fixture.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/mdi_child.h"
#include "gui/edit/tree_actions.h"
#include "gui/edit/tree_commands.h"
#include "gui/help/help_window.h"
#include "gui/print/print_commands.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

class UndoGuiTest : public AppTest {
    Q_OBJECT
    QTemporaryDir dir_;

    QAction* Item(const char* name) const {
        return app_->menuBar()->findChild<QAction*>(QLatin1String(name));
    }
    TMDIChild* Active() const { return app_->ActiveChild(); }
    std::string Bytes() {
        std::string out;
        Active()->Design().EnsureAllSubRefs();
        out = SerializeDesign(Active()->Design()).value_or("");
        return out;
    }
    void OpenExample() {
        const QString copy = dir_.filePath(QStringLiteral("corp.qvd"));
        QFile::remove(copy);
        QVERIFY(QFile::copy(QStringLiteral(QV_SOURCE_DIR "/examples/corp.qvd"), copy));
        script_->ChooseFile(copy);
        app_->UpdateAllMenus();
        Item("Open1")->trigger();
        QTRY_VERIFY(script_->Idle());
        QVERIFY(Active());
    }
    void Key(const QKeySequence& keys) {
        app_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app_.get()));
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : app_.get(),
                           keys);
        QCoreApplication::processEvents();
    }

private slots:
    void init() { StartApp({.exposed = true}); }
    void cleanup() { FinishApp(); }

    void editMenuSitsBetweenFileAndSearch() {
        QStringList titles;
        for (QAction* a : app_->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles.indexOf(QStringLiteral("&Edit")),
                 titles.indexOf(QStringLiteral("&File")) + 1);
        QCOMPARE(titles.indexOf(QStringLiteral("&Search")),
                 titles.indexOf(QStringLiteral("&Edit")) + 1);
        app_->UpdateAllMenus();
        QVERIFY(!Item("Undo1")->isEnabled());
        QVERIFY(!Item("Redo1")->isEnabled());
        QCOMPARE(Item("Undo1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(Item("Redo1")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Y)));
        QVERIFY(
            Item("Redo1")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
    }

    void undoAndRedoADragAndDropByMenuAndShortcut() {
        OpenExample();
        TreeDesign& d = Active()->Design();
        const std::string before = Bytes();
        ObjectNode* fs3 = d.FindNodeByContext("FS3.ENG.CORP");
        ObjectNode* sales = d.FindNodeByContext("SALES.CORP");
        QVERIFY(fs3 && sales);
        Active()->SelectNode(fs3);
        CommandsOf(*Active()).Drop(fs3, sales);
        QTRY_VERIFY(script_->Idle());
        QVERIFY(d.FindNodeByContext("FS3.SALES.CORP"));
        const std::string after = Bytes();
        // The shortcut works at once, before any menu was opened.
        Key(QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(Bytes() == before);
        Key(QKeySequence(Qt::CTRL | Qt::Key_Y));
        QVERIFY(Bytes() == after);
        app_->UpdateAllMenus();
        QVERIFY(Item("Undo1")->isEnabled());
        QCOMPARE(Item("Undo1")->text(), QStringLiteral("&Undo Move Object"));

        Item("Undo1")->trigger();
        QVERIFY(Bytes() == before);
        QVERIFY(!d.Flags().modified);
        QCOMPARE(Active()->SelectedNode(), fs3);
        QCOMPARE(Item("Redo1")->text(), QStringLiteral("&Redo Move Object"));
        // The tree shows the node where it is again.
        QTreeView* tree = Active()->TreeView1();
        QCOMPARE(tree->currentIndex().data().toString(), QStringLiteral("FS3"));
        QCOMPARE(tree->currentIndex().parent().data().toString(), QStringLiteral("ENG"));

        Key(QKeySequence(Qt::CTRL | Qt::Key_Y));
        QVERIFY(Bytes() == after);
        Key(QKeySequence(Qt::CTRL | Qt::Key_Z));
        QVERIFY(Bytes() == before);
        Key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
        QVERIFY(Bytes() == after);
        QVERIFY(d.Flags().modified);
    }

    void undoAfterSaveMakesTheDesignModifiedAgain() {
        OpenExample();
        TreeDesign& d = Active()->Design();
        ObjectNode* hr = d.FindNodeByContext("HR.CORP");
        QVERIFY(hr);
        Active()->SelectNode(hr);
        CommandsOf(*Active()).CreatePartition();
        QTRY_VERIFY(script_->Idle());
        QVERIFY(d.Flags().modified);
        app_->UpdateAllMenus();
        Item("Save1")->trigger();
        QTRY_VERIFY(script_->Idle());
        QVERIFY(!d.Flags().modified);
        app_->UpdateAllMenus();
        QCOMPARE(Item("Undo1")->text(), QStringLiteral("&Undo Create Partition"));
        Item("Undo1")->trigger();
        QVERIFY(d.Flags().modified);
        QVERIFY(!d.FindNodeByContext("HR.CORP")->IsPartitionRoot());
        Item("Redo1")->trigger();
        QVERIFY(!d.Flags().modified);
        QVERIFY(d.FindNodeByContext("HR.CORP")->IsPartitionRoot());
    }

    void containmentQuestionUsesTheInformationIcon() {
        OpenExample();
        TreeDesign& d = Active()->Design();
        Active()->SelectNode(d.FindNodeByContext("SALES.CORP"));
        QListView* leaves = Active()->LB_LEAFOBJS();
        QVERIFY(leaves->model()->rowCount() > 0);
        leaves->selectionModel()->select(leaves->model()->index(0, 0),
                                         QItemSelectionModel::ClearAndSelect);
        script_->seen.clear();
        script_->No().Cancel();
        CommandsOf(*Active()).MoveLeafObjects();
        QTRY_VERIFY(script_->Idle());
        QVERIFY(!script_->seen.empty());
        QCOMPARE(script_->seen.front().kind, QStringLiteral("information"));
        QVERIFY(script_->seen.front().text.startsWith(
            QStringLiteral("Quorvane will not check containment")));
    }

    void printAndHelpItemsReachTheirWindows() {
        OpenExample();
        int printouts = 0;
        SetPrintDelivery([&](QWidget*, const PrintRender&) { ++printouts; });
        // The tree page graphically: the printout (its test page question
        // comes with the printing, which this delivery leaves out).
        app_->UpdateAllMenus();
        Item("Print1")->trigger();
        QTRY_VERIFY(script_->Idle());
        Item("PrintScreen1")->trigger();
        QCOMPARE(printouts, 2);
        SetPrintDelivery({});

        bool helpShown = false;
        script_->Then([&](QWidget* w) {
            helpShown = qobject_cast<TFM_HELP*>(w) != nullptr;
            static_cast<QDialog*>(w)->accept();
        });
        Item("Help2")->trigger();
        QTRY_VERIFY(script_->Idle());
        QVERIFY(helpShown);
    }
};

QTEST_MAIN(UndoGuiTest)
#include "undo_test.moc"
