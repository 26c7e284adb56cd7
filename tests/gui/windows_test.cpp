// Two design windows in one frame: every command, undo and redo act on the
// window they started in, and that window is active again after every modal
// box; Exit and closing the frame free nothing until every design has been
// settled. On a large design, the partition grid shows its progress and
// stops on Abort, and an edit lets go of the stale grids without rebuilding
// them. Driven through the real windows on the offscreen platform.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "core/synthetic_design.h"
#include "files/design_file.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/panels.h"
#include "gui/core/qt_text.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

class WindowsTest : public AppTest {
    Q_OBJECT

    QAction* Item(const char* name) const {
        return app_->menuBar()->findChild<QAction*>(QLatin1String(name));
    }
    void Trigger(const char* name) {
        app_->UpdateAllMenus();
        QVERIFY2(Item(name)->isEnabled(), name);
        Item(name)->trigger();
    }
    void Settle() {
        QTRY_VERIFY(script_->Idle());
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QTest::qWait(5);
        }
    }
    TMDIChild* Active() const { return app_->ActiveChild(); }
    static std::string Bytes(TMDIChild* c) {
        std::string out;
        c->Design().EnsureAllSubRefs();
        out = SerializeDesign(c->Design()).value_or("");
        return out;
    }
    static void TypeName(QWidget* w, const QString& name) {
        w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(name);
        static_cast<QDialog*>(w)->accept();
    }
    // The class chooser: exactly these classes in the object list, then OK.
    static void ChooseClasses(QWidget* w, const QStringList& names) {
        auto* chooser = qobject_cast<TFM_RPTCONFIG*>(w);
        QVERIFY(chooser);
        chooser->BTN_CLEARClick();
        auto* avail = chooser->findChild<QListWidget*>(QStringLiteral("LB_Avail"));
        avail->clearSelection();
        for (int i = 0; i < avail->count(); ++i)
            if (names.contains(avail->item(i)->text())) {
                if (names.size() == 1)
                    avail->setCurrentItem(avail->item(i));
                avail->item(i)->setSelected(true);
            }
        chooser->BTN_ADDClick();
        chooser->accept();
    }
    // corp.qvd with one rename in its history, then UNTITLED1 in front of it,
    // with the keyboard focus in UNTITLED1's tree.
    void TwoWindows(TMDIChild** corp, TMDIChild** untitled) {
        script_->ChooseFile(qv::gui::test::ExampleCopy("corp.qvd"));
        Trigger("Open1");
        Settle();
        *corp = Active();
        QVERIFY(*corp);
        (*corp)->SelectNode((*corp)->Design().Root()->Child(0));
        script_->Then([](QWidget* w) { TypeName(w, QStringLiteral("CORPRENAMED")); });
        Trigger("RenameObject1");
        Settle();
        Trigger("New1");
        Settle();
        *untitled = Active();
        QVERIFY(*untitled && *untitled != *corp);
        app_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app_.get()));
        (*untitled)->TreeView1()->setFocus();
        QCoreApplication::processEvents();
    }

private slots:
    void init() { StartApp({.sized = true, .exposed = true}); }

    void cleanup() { FinishApp(); }

    // Merge Trees into UNTITLED1, then Undo and Redo: UNTITLED1 stays the
    // active window throughout and corp.qvd is never touched.
    void mergeAndUndoStayInTheirWindow() {
        TMDIChild* corp = nullptr;
        TMDIChild* untitled = nullptr;
        TwoWindows(&corp, &untitled);
        const std::string corpBytes = Bytes(corp);
        const std::string before = Bytes(untitled);

        script_->ChooseFile(QStringLiteral(QV_SOURCE_DIR "/examples/branch.qvd")).Yes().Ok();
        Trigger("MergeTrees1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("information")).value(0),
                 QStringLiteral("Merge was succesful."));
        QCOMPARE(Active(), untitled);
        const std::string merged = Bytes(untitled);
        QVERIFY(merged != before);
        QCOMPARE(Bytes(corp), corpBytes);

        Trigger("Undo1");
        Settle();
        QCOMPARE(Active(), untitled);
        QCOMPARE(Bytes(untitled), before);
        QCOMPARE(Bytes(corp), corpBytes);

        // A second Undo has nothing left in UNTITLED1: corp keeps its rename.
        app_->UpdateAllMenus();
        QVERIFY(!Item("Undo1")->isEnabled());
        Item("Undo1")->trigger();
        Settle();
        QCOMPARE(Active(), untitled);
        QCOMPARE(Bytes(corp), corpBytes);

        Trigger("Redo1");
        Settle();
        QCOMPARE(Active(), untitled);
        QCOMPARE(Bytes(untitled), merged);
        QCOMPARE(Bytes(corp), corpBytes);
    }

    // A chain of refused Create Object commands (the class chooser cancelled,
    // then an empty name refused) leaves UNTITLED1 active and unchanged.
    void refusedCreatesStayInTheirWindow() {
        TMDIChild* corp = nullptr;
        TMDIChild* untitled = nullptr;
        TwoWindows(&corp, &untitled);
        const std::string corpBytes = Bytes(corp);
        const std::string before = Bytes(untitled);
        untitled->SelectNode(untitled->Design().Root()->Child(0));
        // The class chooser cancelled; nothing chosen; the create dialog cancelled.
        const std::function<void()> rounds[] = {
            [this] { script_->Cancel(); },
            [this] { script_->Then([](QWidget* w) { ChooseClasses(w, {}); }).Ok(); },
            [this] {
                script_->Then([](QWidget* w) { ChooseClasses(w, {QStringLiteral("USER")}); })
                    .Cancel();
            },
        };
        for (const auto& round : rounds) {
            round();
            Trigger("CreateObject1");
            Settle();
            QCOMPARE(Active(), untitled);
            QCOMPARE(Bytes(untitled), before);
            QCOMPARE(Bytes(corp), corpBytes);
        }
        QCOMPARE(script_->Texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Nothing was selected.")});
        // Undo after the refusals has nothing to take back in UNTITLED1.
        app_->UpdateAllMenus();
        QVERIFY(!Item("Undo1")->isEnabled());

        // A create that works, then its undo: still in UNTITLED1.
        script_->Then([](QWidget* w) { ChooseClasses(w, {QStringLiteral("USER")}); });
        script_->Then([](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("ED_OBJNAME"))
                ->setText(QStringLiteral("NEWUSER"));
            static_cast<QDialog*>(w)->accept();
        });
        script_->No(); // the containment notice
        Trigger("CreateObject1");
        Settle();
        QCOMPARE(Active(), untitled);
        QVERIFY(Bytes(untitled) != before);
        QCOMPARE(Bytes(corp), corpBytes);
        Trigger("Undo1");
        Settle();
        QCOMPARE(Active(), untitled);
        QCOMPARE(Bytes(untitled), before);
        QCOMPARE(Bytes(corp), corpBytes);
    }

    // Exit: Yes, No for corp.qvd, Yes for UNTITLED1, then the Save As
    // cancelled: both windows keep their designs, their changes and Close.
    void aCancelledExitLeavesEveryWindow() {
        TMDIChild* corp = nullptr;
        TMDIChild* untitled = nullptr;
        TwoWindows(&corp, &untitled);
        untitled->SelectNode(untitled->Design().Root()->Child(0));
        script_->Then([](QWidget* w) { TypeName(w, QStringLiteral("UNTRENAMED")); });
        Trigger("RenameObject1");
        Settle();
        const std::string corpBytes = Bytes(corp);
        const std::string untitledBytes = Bytes(untitled);

        script_->Yes().No().Yes().Cancel();
        Trigger("Exit1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 3);
        QVERIFY(app_->isVisible());
        for (TMDIChild* c : {corp, untitled}) {
            QVERIFY(!c->Freed());
            QVERIFY(c->Design().Flags().modified);
        }
        QCOMPARE(Bytes(corp), corpBytes);
        QCOMPARE(Bytes(untitled), untitledBytes);
        QCOMPARE(Active(), untitled);
        app_->MdiArea()->setActiveSubWindow(corp);
        QCoreApplication::processEvents();
        app_->UpdateAllMenus();
        QVERIFY(Item("Close1")->isEnabled());
        QVERIFY(Item("Save1")->isEnabled());
        QCOMPARE(corp->TreeView1()->model()->rowCount(), 1);
        QVERIFY(corp->Design().Root()->ChildCount() > 0);

        // Closing the frame itself asks the same and also frees nothing on a cancel.
        script_->No().Yes().Cancel();
        app_->close();
        Settle();
        QVERIFY(app_->isVisible());
        QVERIFY(!corp->Freed() && !untitled->Freed());
        QVERIFY(untitled->Design().Flags().modified);

        // Saying No to both closes everything.
        script_->Yes().No().No();
        Trigger("Exit1");
        Settle();
        QVERIFY(!app_->isVisible());
    }

    // The partition grid build names each server on PNL_GRID, keeps Abort
    // live and stops on it; after a build, an edit drops the stale grids and
    // leaves their rebuilding to the next showing of the page.
    void partitionGridProgressAbortAndStaleDrop() {
        TreeDesign d;
        SyntheticOptions o;
        o.containers = 3000;
        o.servers = 3000;
        o.partitions = 3000;
        o.leaves = 3000;
        GenerateSyntheticDesign(d, o);
        QTemporaryDir dir;
        d.designFileName = ToPath(dir.filePath(QStringLiteral("grid.qvd")));
        QVERIFY(WriteDesignFile(d));
        script_->ChooseFile(dir.filePath(QStringLiteral("grid.qvd")));
        Trigger("Open1");
        Settle();
        TMDIChild* c = Active();
        QVERIFY(c);
        auto* status = c->findChild<StatusPanel*>(QStringLiteral("PNL_GRID"));
        auto* abort = c->findChild<QPushButton*>(QStringLiteral("BTN_CANCEL3"));
        QVERIFY(status && abort);

        // First showing: Abort pressed as soon as the status line names a server.
        QStringList seen;
        bool abortWasLive = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, this, [&] {
            const QString text = status->Caption();
            if (!text.contains(QLatin1String("Processing Server: ")))
                return;
            seen << text;
            if (seen.size() == 1) {
                abortWasLive = abort->isEnabled();
                abort->click();
            }
        });
        watch.start();
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        watch.stop();
        QVERIFY(!seen.isEmpty());
        QVERIFY(abortWasLive);
        QVERIFY(c->Design().Flags().gridStale[kPartitionGrids]);
        QCOMPARE(c->Views().partXServ.RowCount(), 0);
        QVERIFY(!status->Caption().contains(QLatin1String("Processing Server")));

        // Shown again: built to the end.
        c->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        QVERIFY(!c->Design().Flags().gridStale[kPartitionGrids]);
        QCOMPARE(c->Views().partXServ.RowCount(), 3001);
        auto* grid = c->findChild<QTableView*>(QStringLiteral("Adv_PartCols"));
        QCOMPARE(grid->model()->rowCount(), 3001);

        // An edit on the tree page: the grids are dropped, not rebuilt.
        c->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
        c->SelectNode(c->Design().Root()->Child(0));
        script_->Then([](QWidget* w) { TypeName(w, QStringLiteral("RENAMEDORG")); });
        Trigger("RenameObject1");
        Settle();
        QVERIFY(c->Design().Flags().gridStale[kPartitionGrids]);
        QCOMPARE(c->Views().partXServ.RowCount(), 0);
        QCOMPARE(c->Views().servXPart.RowCount(), 0);
        QCOMPARE(grid->model()->rowCount(), 0);
        c->Design().DropChanges();
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
