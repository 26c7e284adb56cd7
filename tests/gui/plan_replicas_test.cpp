// Tree > "Plan Replica Layout..." driven through the real windows: the menu
// entry, the list of changes with their check boxes and the warnings they
// clear, Apply as one step that Edit > Undo takes back whole, Save Plan, and
// Cancel while the solver works on a large design.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "core/synthetic_design.h"
#include "edit/edit_script.h"
#include "files/design_file.h"
#include "files/file_access.h"
#include "gui/core/mdi_child.h"
#include "gui/planner/plan_replicas_dialog.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

class PlanReplicasGuiTest : public AppTest {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string corp_ = qv::gui::test::ExampleCopy("corp.qvd").toStdString();

    TMDIChild* OpenCorp() {
        script_->ChooseFile(QString::fromStdString(corp_));
        app_->UpdateAllMenus();
        app_->menuBar()->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
        return app_->ActiveChild();
    }
    static std::string Bytes(TreeDesign& d) {
        std::string out;
        out = SerializeDesign(d).value_or("");
        return out;
    }

private slots:
    void init() { StartApp({}); }

    void cleanup() { FinishApp(); }

    void listsAppliesAsOneStepAndUndoes() {
        TMDIChild* child = OpenCorp();
        QVERIFY(child);
        app_->UpdateAllMenus();
        QAction* entry = app_->menuBar()->findChild<QAction*>(QStringLiteral("PlanReplicaLayout1"));
        QVERIFY(entry);
        QCOMPARE(entry->text(), QStringLiteral("Plan Replica Layout..."));
        QVERIFY(entry->isEnabled());
        TreeDesign& d = child->Design();
        const std::string original = Bytes(d);

        TDLG_PLAN_REPLICAS dialog(d, app_->Settings(), ReplicaPlanOptions{}, child);
        dialog.show();
        dialog.Start();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Computing(), 120000);
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("LV_CHANGES"));
        auto* summary = dialog.findChild<QLabel*>(QStringLiteral("LBL_SUMMARY"));
        QVERIFY(list && summary);
        QCOMPARE(list->topLevelItemCount(), 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(list->topLevelItem(i)->checkState(0), Qt::Checked);
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("add-replica [ROOT] FS3 RW"));
        QCOMPARE(list->topLevelItem(0)->text(1),
                 QStringLiteral("Partition: [ROOT]: Warning: There are only 2 replicas of"));
        QCOMPARE(summary->text(),
                 QStringLiteral("Replica warnings: 3 before, 0 after; 4 changes; optimal."));

        // With QV_SHOTS=<folder>: the dialog as the README shows it.
        const QString shots = QString::fromLocal8Bit(qgetenv("QV_SHOTS"));
        if (!shots.isEmpty())
            QVERIFY(dialog.grab().save(shots + QStringLiteral("/plan_replicas.png")));

        // One change unchecked: the summary says so, Save Plan writes the other three.
        list->topLevelItem(3)->setCheckState(0, Qt::Unchecked);
        QVERIFY(summary->text().contains(QStringLiteral("3 of them checked.")));
        const std::string plan = dir_.filePath(QStringLiteral("plan.qvs")).toStdString();
        QVERIFY(dialog.SavePlanTo(plan));
        Result<std::string> read = ReadWholeFile(plan);
        QVERIFY(read);
        const std::string text = *read;
        std::vector<ScriptLine> lines;
        QVERIFY(!ParseEditScript(text, lines));
        QCOMPARE(lines.size(), std::size_t(3));
        list->topLevelItem(3)->setCheckState(0, Qt::Checked);

        // Apply: every change in one step; the design is not changed before.
        QCOMPARE(Bytes(d), original);
        dialog.findChild<QPushButton*>(QStringLiteral("BTN_APPLY"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(Bytes(d) != original);
        QVERIFY(d.Flags().modified);
        d.EnsureAllSubRefs();
        int left = 0;
        for (const DesignWarning& w : CollectWarnings(d, app_->Settings()))
            left += IsReplicaRule(w.rule);
        QCOMPARE(left, 0);

        // Edit > Undo takes all of it back.
        app_->UpdateAllMenus();
        QAction* undo = app_->menuBar()->findChild<QAction*>(QStringLiteral("Undo1"));
        QVERIFY(undo);
        QVERIFY(undo->isEnabled());
        QVERIFY(undo->text().contains(QStringLiteral("Plan Replica Layout")));
        undo->trigger();
        TreeDesign reread;
        QVERIFY(OpenDesign(reread, corp_));
        reread.EnsureAllSubRefs();
        d.EnsureAllSubRefs();
        QCOMPARE(Bytes(d), Bytes(reread));
        QVERIFY(script_->Idle());
    }

    void cancelIsObeyedAtOnce() {
        TMDIChild* child = OpenCorp();
        QVERIFY(child);
        TreeDesign& d = child->Design();
        SyntheticOptions o;
        o.containers = 2500;
        o.servers = 600;
        o.partitions = 1200;
        o.leaves = 0;
        GenerateSyntheticDesign(d, o);
        const std::string before = Bytes(d);
        TDLG_PLAN_REPLICAS dialog(d, app_->Settings(), ReplicaPlanOptions{}, child);
        dialog.show();
        dialog.Start();
        QTest::qWait(300);
        QVERIFY(dialog.Computing());
        // The window answers while the solver works.
        QElapsedTimer responsive;
        responsive.start();
        QCoreApplication::processEvents();
        QVERIFY(responsive.elapsed() < 500);
        QElapsedTimer clock;
        clock.start();
        dialog.findChild<QPushButton*>(QStringLiteral("BTN_CANCEL"))->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(clock.elapsed() < 500);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(Bytes(d), before);
        // The worker ends on its own soon after.
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Computing(), 120000);
        QCOMPARE(Bytes(d), before);
    }
};

QTEST_MAIN(PlanReplicasGuiTest)
#include "plan_replicas_test.moc"
