// NDS Rights in the desktop program: the wait dialog with a scripted census,
// the report window over a report read from text (chain, stand-in path entry,
// rows, marks, splitter, failures), and the command end to end (DSRIGHTS
// through quorvane-cmd on the example tree).
#include "example_copy.h"
#include "modal_script.h"

#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/print/print_commands.h"
#include "gui/shell/mdi_app.h"
#include "gui/utilities/nds_rights_dialogs.h"
#include "gui/utilities/rights_wait_dialog.h"
#include "platform/tree_connections.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

namespace {

using Marks10 = std::array<bool, 10>;

std::string Row(const std::string& text, const std::string& object, const std::string& property) {
    std::string line = text;
    line.resize(64, ' ');
    return line + object + property + "\n";
}

// JSMITH's rights to FS2.SALES.CORP, read in the context SALES.CORP: path
// entries for the root, CORP and FS2 (none for SALES), one property.
std::string Report() {
    const std::string ruling(78, '_');
    const std::string rule = std::string(64, ' ') + std::string(14, '_') + "\n";
    return "How JSMITH got rights to FS2\nh\nh\nh\n" + ruling + "\n[Root]\n" +
           Row("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           Row("  Inherits From Above", "[     ]", "[     ]") +
           Row("  Equivalent To [Public]", "[ B   ]", "[     ]") + rule +
           Row("  Effective Rights", "[ B   ]", "[     ]") + ruling + "\nCORP..\n" +
           Row("  Inherited Rights Filter", "[ BCDR]", "[ CRWA]") +
           Row("  Inherits From Above", "[ B   ]", "[     ]") +
           Row("  Equivalent To EVERYONE.", "[ BC  ]", "[ CR  ]") + rule +
           Row("  Effective Rights", "[ BC  ]", "[ CR  ]") + ruling + "\nFS2\n" +
           Row("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           Row("  Inherits From Above", "[ BC  ]", "[ CR  ]") +
           Row("  JSMITH", "[ B DR]", "[     ]") + Row("  JSMITH", "[S    ]", "[     ]") + rule +
           Row("  Effective Rights", "[ BCDR]", "[ CR  ]") + "Selected Property Rights\n" +
           "Network Address\n" + Row("  JSMITH", "       ", "[ CRW ]") + rule +
           Row("  Effective Rights", "       ", "[ CRW ]");
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

Marks10 MarksOf(std::uint8_t object, std::uint8_t property) {
    Marks10 out{};
    const auto& marks = utilities::RightsMarks();
    for (std::size_t i = 0; i < marks.size(); ++i)
        out[i] = ((marks[i].property ? property : object) & marks[i].bit) != 0;
    return out;
}

// A rights report of another test program would refuse this one.
void WaitForOtherRightsRuns() {
    for (int i = 0; i < 1200 && utilities::CountCommandWindows(utilities::kRightsMarker) > 0; ++i)
        QTest::qWait(100);
}

std::string LeafRow(const char* name, int cls) {
    return std::string("\xBB") + static_cast<char>(cls) + "*" + MakeLeafEntry(name, cls);
}

} // namespace

class NdsRightsTest : public QObject {
    Q_OBJECT
    ImageList images_;
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        QDir::setCurrent(dir_.path());
        StoredTreeConnections s;
        nds::TreeConnection corp;
        corp.name = "CORP_TREE";
        corp.address = std::string("ldif:") + QV_SOURCE_DIR + "/examples/corp_tree.ldif";
        s.trees = {corp};
        s.preferred = "CORP_TREE";
        QVERIFY(TreeConnectionStore().Write(s));
        utilities::SetInterpreterPath(
            QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../../quorvane-cmd"))
                .absolutePath()
                .toStdString());
    }

    void waitAnimatesAndCancelLeavesItUnfinished() {
        int census = 1;
        int started = 0;
        std::int64_t now = 0;
        TFRM_WAIT2 dlg(
            nullptr, [&] { return census; }, [&](std::string_view, std::string_view) { ++started; },
            [&] { return now += 100; });
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Please Wait..."));
        QVERIFY(!dlg.Timer1->isActive());
        QCOMPARE(dlg.Timer1->interval(), 1000);
        dlg.Timer1->setInterval(10);
        dlg.SetCommandText("QVD_DSR.BAT");
        QTimer::singleShot(0, &dlg, [&] {
            QCOMPARE(started, 1);
            QTest::keyClick(&dlg, Qt::Key_Escape); // Cancel: only the flag
            QTimer::singleShot(100, &dlg, [&] {
                QVERIFY(dlg.isVisible());
                QVERIFY(dlg.Panel1->text().startsWith(QStringLiteral(" Creating Rights reports")));
                census = 0;
            });
        });
        dlg.exec();
        QVERIFY(!dlg.Finished());
        // Shown again: one more command, and the pause ends it finished.
        census = 0;
        dlg.exec();
        QCOMPARE(started, 2);
        QVERIFY(dlg.Finished());
    }

    void reportWindowShowsChainRowsAndMarks() {
        std::vector<utilities::SourceRights> sources{{"JSMITH", false, {}}, {"MJONES", false, {}}};
        QVERIFY(utilities::ParseNDSRightsReportText(Report(), "SALES.CORP", sources));
        TFRM_DISPLAYRIGHTS dlg(images_);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("NDS Rights Report"));
        std::vector<ChainLevel> chain{{"CORP", 1, false}, {"SALES", 2, true}};
        dlg.SetHeader("SALES.CORP", "SALES.CORP", chain);
        dlg.SetLists({LeafRow("JSMITH", 5), LeafRow("MJONES", 5)}, {LeafRow("FS2", 7)});
        dlg.SetSources(sources);
        ModalScript script;
        Marks10 effective{}, inherited{}, filter{}, twice{};
        QStringList rows, madeRows;
        QString edit1, edit2, hierarchy;
        bool selectedEnabled = false;
        QString selectedObject, selectedName;
        std::array<bool, 5> selectedMarks{};
        int splitterBefore = 0, splitterAfter = 0, splitterRefused = 0, headerSection = 0;
        script.Then([&](QWidget* w) {
            QCOMPARE(w, static_cast<QWidget*>(&dlg));
            QCOMPARE(dlg.PageControl1->currentIndex(), 0);
            QVERIFY(!dlg.BTN_PRINT->isVisible());
            QCOMPARE(Items(dlg.ListBox1), (QStringList{"JSMITH", "MJONES"}));
            QCOMPARE(dlg.ListBox1->currentRow(), 0);
            QCOMPARE(dlg.HeaderControl1->model()->headerData(1, Qt::Horizontal).toString(),
                     QStringLiteral("SALES.CORP"));
            // The splitter: a move inside the bounds, one past the left edge.
            splitterBefore = dlg.ListBox1->width();
            dlg.MoveSplitter(30);
            splitterAfter = dlg.ListBox1->width();
            headerSection = dlg.HeaderControl1->sectionSize(0);
            dlg.MoveSplitter(-dlg.Panel1->x());
            splitterRefused = dlg.ListBox1->width();
            dlg.PageControl1->setCurrentIndex(1);
            QVERIFY(dlg.BTN_PRINT->isVisible());
            edit1 = dlg.Edit1->text();
            hierarchy = QString::fromStdString(dlg.NodeContext(dlg.TreeView1->currentItem()));
            selectedEnabled = dlg.BTN_SELECTED->isEnabled();
            rows = Items(dlg.ListBox3);
            dlg.ListBox3->setCurrentRow(dlg.ListBox3->count() - 1);
            effective = dlg.Marks();
            edit2 = dlg.Edit2->text();
            dlg.ListBox3->setCurrentRow(3);
            twice = dlg.Marks();
            // SALES has no entry of its own: CORP's stands in.
            QTreeWidgetItem* sales = dlg.TreeView1->currentItem()->parent();
            dlg.TreeView1->setCurrentItem(sales);
            madeRows = Items(dlg.ListBox3);
            dlg.ListBox3->setCurrentRow(0);
            filter = dlg.Marks();
            dlg.ListBox3->setCurrentRow(1);
            inherited = dlg.Marks();
            dlg.BTN_SELECTED->click();
        });
        script.Then([&](QWidget* w) {
            auto* sel = qobject_cast<TFRM_SELECTED*>(w);
            QVERIFY(sel);
            selectedObject = sel->Edit3->text();
            selectedName = sel->Edit1->text();
            selectedMarks = sel->Marks();
            sel->BTN_OK->click();
        });
        script.Then([&](QWidget*) {
            // The other source has no report: the page is disabled.
            dlg.PageControl1->setCurrentIndex(0);
            dlg.ListBox1->setCurrentRow(1);
            dlg.PageControl1->setCurrentIndex(1);
        });
        script.Ok();
        script.Then([&](QWidget*) { dlg.BTN_OK->click(); });
        dlg.exec();
        QTRY_VERIFY(script.Idle());
        QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(" | ")));
        QCOMPARE(splitterAfter, splitterBefore + 30);
        QCOMPARE(headerSection, splitterAfter + dlg.Panel1->width() / 2);
        QCOMPARE(splitterRefused, splitterAfter);
        QCOMPARE(edit1, QStringLiteral("SALES.CORP.JSMITH"));
        QCOMPARE(hierarchy, QStringLiteral("FS2.SALES.CORP"));
        QVERIFY(selectedEnabled);
        QCOMPARE(rows, (QStringList{"Inherited Rights Filter", "Inherits From Above",
                                    "JSMITH.SALES.CORP", "JSMITH.SALES.CORP", "Effective Rights"}));
        using namespace utilities;
        QCOMPARE(effective, MarksOf(kRightB | kRightC | kRightD | kRightR, kRightC | kRightR));
        QCOMPARE(edit2, QStringLiteral("Effective Rights"));
        // The second row of the same name shows the first one's rights.
        QCOMPARE(twice, MarksOf(kRightB | kRightD | kRightR, 0));
        QCOMPARE(madeRows, (QStringList{"Inherited Rights Filter", "Inherits From Above",
                                        "Effective Rights"}));
        QCOMPARE(filter, MarksOf(kRightB | kRightC | kRightD | kRightR,
                                 kRightC | kRightR | kRightW | kRightA));
        QCOMPARE(inherited, MarksOf(kRightB | kRightC, kRightC | kRightR));
        QCOMPARE(selectedObject, QStringLiteral("SALES.CORP.JSMITH"));
        QCOMPARE(selectedName, QStringLiteral("NETWORK ADDRESS"));
        QCOMPARE(selectedMarks, (std::array<bool, 5>{false, true, true, true, false}));
        QCOMPARE(script.Texts(QStringLiteral("information")),
                 QStringList{"The NDS rights report generation for : \nSALES.CORP.MJONES failed."});
    }

    void chainStopsAtNineteenLevelsAndAFailedTargetIsNamed() {
        std::vector<utilities::SourceRights> sources{{"JSMITH", true, {}}};
        TFRM_DISPLAYRIGHTS dlg(images_);
        std::vector<ChainLevel> chain;
        for (int i = 0; i < 25; ++i)
            chain.push_back({"L" + std::to_string(i), 1, false});
        dlg.SetHeader("[ROOT]", "deep", chain);
        dlg.SetLists({LeafRow("JSMITH", 5)}, {LeafRow("T", 7)});
        dlg.SetSources(sources);
        ModalScript script;
        int depth = 0;
        QString edit1;
        script.Then([&](QWidget*) {
            dlg.PageControl1->setCurrentIndex(1);
            edit1 = dlg.Edit1->text();
            for (QTreeWidgetItem* n = dlg.TreeView1->currentItem(); n && n->parent();
                 n = n->parent())
                ++depth;
        });
        script.Ok();
        script.Then([&](QWidget*) {
            QVERIFY(!dlg.TabSheet2->isEnabled());
            QVERIFY(!dlg.BTN_PRINT->isVisible());
            dlg.BTN_OK->click();
        });
        dlg.exec();
        QTRY_VERIFY(script.Idle());
        QCOMPARE(depth, 20); // nineteen levels and the target
        QCOMPARE(edit1, QStringLiteral("JSMITH"));
        QStringList info = script.Texts(QStringLiteral("information"));
        QCOMPARE(info.size(), 1);
        QVERIFY(
            info[0].startsWith(QStringLiteral("The NDS rights report generation for : T.L18.")));
        QVERIFY(info[0].endsWith(QStringLiteral(".L0\nfailed.")));
    }

    void printHidesTheButtons() {
        TFRM_DISPLAYRIGHTS dlg(images_);
        dlg.show();
        dlg.BTN_PRINT->show();
        bool rendered = false;
        SetPrintDelivery([&](QWidget*, const PrintRender& render) {
            QPrinter printer(QPrinter::ScreenResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir_.filePath(QStringLiteral("rights.pdf")));
            render(printer, false);
            rendered = true;
        });
        dlg.BTN_PRINTClick();
        SetPrintDelivery({});
        QVERIFY(rendered);
        QVERIFY(dlg.BTN_PRINT->isVisible());
        QVERIFY(dlg.BTN_OK->isVisible());
        QVERIFY(QFileInfo(dir_.filePath(QStringLiteral("rights.pdf"))).size() > 0);
    }

    void commandRunsDsrightsOnTheExampleTree() {
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        app.OpenFiles({qv::gui::test::ExampleCopy("corp.qvd")});
        TMDIChild* c = app.ActiveChild();
        QVERIFY(c);
        c->SelectNode(c->Design().FindNodeByContext("SALES.CORP"));
        QListView* leaves = c->LB_LEAFOBJS();
        QAbstractItemModel* model = leaves->model();
        const QModelIndexList found = model->match(model->index(0, 0), Qt::DisplayRole,
                                                   QStringLiteral("JSMITH"), 1, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        leaves->selectionModel()->clearSelection();
        leaves->selectionModel()->select(found.first(), QItemSelectionModel::Select);
        TFRM_WAIT2& wait = TFRM_WAIT2::Instance(&app);
        wait.Logic().SetPauseMs(1500);
        wait.Timer1->setInterval(50);
        QFile old(QStringLiteral("#DSR#9.TXT"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();

        ModalScript script;
        QString noTargets;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFRM_DSRIGHTS*>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->windowTitle(), QStringLiteral("Find DS Rights to Objects..."));
            QVERIFY(dlg->ChooseContainer("SALES.CORP"));
            QVERIFY(Items(dlg->ListBox1).contains(QStringLiteral("FS2")));
            dlg->BTN_OK->click(); // nothing selected: the notice, and the dialog stays
        });
        script.Ok();
        script.Then([&](QWidget*) {
            auto* dlg = qobject_cast<TFRM_DSRIGHTS*>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->SelectTargets({"FS2"});
            dlg->BTN_OK->click();
        });
        script.Then([](QWidget* w) {
            QVERIFY(qobject_cast<TFRM_WAIT2*>(w));
            QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);
        });
        Marks10 effective{};
        QString edit1;
        QStringList rows;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFRM_DISPLAYRIGHTS*>(w);
            QVERIFY(dlg);
            QCOMPARE(Items(dlg->ListBox2), QStringList{"FS2"});
            dlg->PageControl1->setCurrentIndex(1);
            edit1 = dlg->Edit1->text();
            rows = Items(dlg->ListBox3);
            dlg->ListBox3->setCurrentRow(dlg->ListBox3->count() - 1);
            effective = dlg->Marks();
            dlg->BTN_OK->click();
        });
        WaitForOtherRightsRuns();
        NDSRights(*c);
        QTRY_VERIFY(script.Idle());
        QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(" | ")));
        QCOMPARE(script.Texts(QStringLiteral("message")),
                 QStringList{"No objects were selected to check NDS rights for.\nObjects from "
                             "the Subordinate Objects list box must be selected."});
        QVERIFY(script.Texts(QStringLiteral("warning")).isEmpty());
        QCOMPARE(edit1, QStringLiteral("SALES.CORP.JSMITH"));
        QCOMPARE(rows, (QStringList{"Inherited Rights Filter", "Inherits From Above",
                                    "JSMITH.SALES.CORP", "Effective Rights"}));
        using namespace utilities;
        QCOMPARE(effective, MarksOf(kRightB | kRightC | kRightD | kRightR, kRightC | kRightR));
        QVERIFY(!QFile::exists(QStringLiteral("#DSR#9.TXT")));
        QFile bat(QStringLiteral("QVD_DSR.BAT"));
        QVERIFY(bat.open(QIODevice::ReadOnly));
        QCOMPARE(bat.readAll(),
                 QByteArray("CX \".SALES.CORP\"\r\nDSRIGHTS \"JSMITH\" \".FS2.SALES.CORP\" > "
                            "#DSR#1.TXT\r\n"));

        // A report that cannot be read: the warning, then the window.
        script.Clear();
        script.Then([](QWidget* w) {
            auto* dlg = qobject_cast<TFRM_DSRIGHTS*>(w);
            dlg->ChooseContainer("SALES.CORP");
            dlg->SelectTargets({"FS2"});
            QFile::remove(QStringLiteral("QVD_DSR.BAT"));
            dlg->BTN_OK->click();
            // The batch now runs a utility that is not there.
            QFile f(QStringLiteral("QVD_DSR.BAT"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("CX \".SALES.CORP\"\r\n");
        });
        script.Then([](QWidget* w) { QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000); });
        script.Ok();
        script.Then([](QWidget* w) { static_cast<TFRM_DISPLAYRIGHTS*>(w)->BTN_OK->click(); });
        WaitForOtherRightsRuns();
        NDSRights(*c);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(script.Texts(QStringLiteral("warning")),
                 QStringList{"Error in report file: #DSR#1.TXT.\nError on line : 0\nCould not "
                             "open file."});
        c->Design().DropChanges();
    }
};

QTEST_MAIN(NdsRightsTest)
#include "nds_rights_test.moc"
