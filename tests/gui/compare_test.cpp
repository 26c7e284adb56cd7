// Compare With and Save Plan driven through the real windows: a design window
// holding the example design, the comparison window over a planned design,
// a difference selected, the plan saved and applied.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "edit/design_compare.h"
#include "edit/edit_script.h"
#include "files/design_file.h"
#include "gui/compare/compare_window.h"
#include "gui/core/mdi_child.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

namespace {

const char* const kPlannedEdits = "create-object CORP \"ORGANIZATIONAL UNIT\" PLANT\n"
                                  "create-partition PLANT.CORP\n"
                                  "move-object FS3.ENG.CORP PLANT.CORP\n"
                                  "add-replica PLANT.CORP FS3 RO\n"
                                  "change-type PLANT.CORP FS3 M\n"
                                  "set-version FS3.PLANT.CORP 610\n";

bool RunScript(TreeDesign& d, const std::string& text) {
    std::vector<ScriptLine> lines;
    return !ParseEditScript(text, lines) && !RunEditScript(d, lines, nullptr);
}

} // namespace

class CompareGuiTest : public AppTest {
    Q_OBJECT

    QTemporaryDir dir_;
    const std::string corp_ = qv::gui::test::ExampleCopy("corp.qvd").toStdString();

    std::string Path(const char* name) const {
        return dir_.filePath(QLatin1String(name)).toStdString();
    }

    TMDIChild* OpenCorp() {
        script_->ChooseFile(QString::fromStdString(corp_));
        app_->UpdateAllMenus();
        app_->menuBar()->findChild<QAction*>(QStringLiteral("Open1"))->trigger();
        return app_->ActiveChild();
    }
    // The planned design: the example with the edits above.
    std::string WritePlanned() {
        TreeDesign planned;
        if (!OpenDesign(planned, corp_) || !RunScript(planned, kPlannedEdits))
            return {};
        planned.designFileName = Path("planned.qvd");
        return WriteDesignFile(planned) ? planned.designFileName : std::string();
    }

private slots:
    void init() { StartApp({}); }

    void cleanup() { FinishApp(); }

    void compareWithShowsGroupsSelectsAndSavesThePlan() {
        const std::string planned = WritePlanned();
        QVERIFY(!planned.empty());
        TMDIChild* child = OpenCorp();
        QVERIFY(child);

        script_->ChooseFile(QString::fromStdString(planned));
        QPointer<TFRM_COMPARE> window = OpenCompareWith(
            child, child->Design(), [child](ObjectNode* n) { child->SelectNode(n); });
        QVERIFY(window);
        QVERIFY(script_->Idle());
        QVERIFY(window->isVisible());

        QTreeWidget* tree = window->findChild<QTreeWidget*>(QStringLiteral("TV_DIFFERENCES"));
        QVERIFY(tree);
        QCOMPARE(tree->topLevelItemCount(), 5);
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Objects (2)"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Leaf Objects (0)"));
        QCOMPARE(tree->topLevelItem(2)->text(0), QStringLiteral("Partitions (1)"));
        QCOMPARE(tree->topLevelItem(4)->text(0), QStringLiteral("Servers (1)"));
        QTreeWidgetItem* objects = tree->topLevelItem(0);
        QCOMPARE(objects->child(1)->text(0),
                 QStringLiteral("object moved FS3.ENG.CORP -> FS3.PLANT.CORP"));

        // Selecting a difference selects its object in the design window.
        tree->setCurrentItem(objects->child(1));
        QVERIFY(child->SelectedNode());
        QCOMPARE(child->Design().FullContext(child->SelectedNode()), std::string("FS3.ENG.CORP"));
        tree->setCurrentItem(tree->topLevelItem(4)->child(0));
        QCOMPARE(child->Design().FullContext(child->SelectedNode()), std::string("FS3.ENG.CORP"));
        tree->setCurrentItem(objects->child(0)); // PLANT is new: its container is selected
        QCOMPARE(child->Design().FullContext(child->SelectedNode()), std::string("CORP"));

        // Save Plan writes the script; the design window's design is left as it was.
        const std::string plan = Path("plan.qvs");
        script_->ChooseFile(QString::fromStdString(plan));
        window->findChild<QPushButton*>(QStringLiteral("BTN_SAVEPLAN"))->click();
        QTRY_VERIFY(script_->Idle());
        // The file dialogs of Open, Compare With and Save Plan, and no message box.
        QCOMPARE(script_->seen.size(), std::size_t(3));
        QCOMPARE(script_->seen[1].text, QStringLiteral("Compare With"));
        QCOMPARE(script_->seen[2].text, QStringLiteral("Save Plan"));
        QVERIFY(!child->Design().Flags().modified);
        QVERIFY(child->Design().FindNodeByContext("FS3.ENG.CORP"));

        Result<std::string> read = ReadWholeFile(plan);
        QVERIFY(read);
        const std::string text = *read;
        TreeDesign applied, expected;
        QVERIFY(OpenDesign(applied, corp_));
        QVERIFY(OpenDesign(expected, planned));
        QVERIFY2(RunScript(applied, text), text.c_str());
        QVERIFY(DesignMismatches(applied, expected).empty());

        window->findChild<QPushButton*>(QStringLiteral("BTN_CLOSE"))->click();
        QTRY_VERIFY(window.isNull());
    }

    void aCancelledChoiceOpensNoWindow() {
        TMDIChild* child = OpenCorp();
        QVERIFY(child);
        script_->Cancel();
        QVERIFY(!OpenCompareWith(child, child->Design(), [](ObjectNode*) {}));
        QVERIFY(script_->Idle());
        QVERIFY(!child->findChild<TFRM_COMPARE*>());
    }
};

QTEST_MAIN(CompareGuiTest)
#include "compare_test.moc"
