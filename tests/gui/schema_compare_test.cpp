// Server Schema Comparison in the desktop program: the choice of servers, the
// wait with its Abort and Continue questions, the report window, and the
// whole command end to end (SCHCMP through quorvane-cmd on the example tree).
#include "example_copy.h"
#include "modal_script.h"

#include "core/tree_design.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/qt_hosts.h"
#include "gui/print/print_commands.h"
#include "gui/shell/mdi_app.h"
#include "gui/utilities/schema_dialogs.h"
#include "platform/tree_connections.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

namespace {

// Records the boxes of the report window.
class Recorder final : public Interaction {
public:
    QStringList boxes;
    void Message(std::string_view t) override { boxes << QString::fromStdString(std::string(t)); }
    void Information(std::string_view t) override { Message(t); }
    void Warning(std::string_view t) override { Message(t); }
    void Error(std::string_view t) override { Message(t); }
    bool AskYesNo(std::string_view t) override {
        Message(t);
        return true;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }
};

const char* const kReport = "Comparing FS1 with FS2\n"
                            "Classes unique to FS1\n  profile\n  extra\n"
                            "Classes unique to FS2\n  None\n"
                            "Attributes unique to FS2\n  mailboxLocation\n"
                            "Syntaxes unique to FS1\n  1.2.3 Thing\n"
                            "Definition differences for FS1\n"
                            "Class definitions\nuser\n\tMAY\n\t\tHas loginScript\n\t\tLacks mail\n"
                            "\tMUST\n\t\tHas sn\n"
                            "Attribute definitions\nphone\n\tSingle-value\n\t\tNo\n"
                            "Definition differences for FS2\n"
                            "Class definitions\nuser\n\tMAY\n\t\tHas mail\n";

QStringList Texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class SchemaCompareTest : public QObject {
    Q_OBJECT
    ImageList images_;
    QTemporaryDir config_;
    QTemporaryDir work_;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        QDir::setCurrent(work_.path());
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

    void cleanup() { SetSchemaCompareHooks({}); }

    void configurationListsButtonsAndLabels() {
        TFM_SCHEMACFG dlg(images_);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Schema Compare Configuration"));
        dlg.SetAvailable({"FS3", "FS1", "FS2"});
        QCOMPARE(Texts(dlg.LB_Avail), (QStringList{"FS1", "FS2", "FS3"}));
        QCOMPARE(dlg.LB_Avail->item(0)->data(Qt::UserRole).toInt(), 3);
        QCOMPARE(dlg.LBL_SELECTED->text(), QStringLiteral(" Total Selected : 0"));
        QCOMPARE(dlg.LBL_AVAILABLE->text(), QStringLiteral(" Total Available : 3"));
        QVERIFY(!dlg.BTN_ADD->isEnabled());
        QVERIFY(!dlg.BTN_REMOVE->isEnabled());
        QVERIFY(!dlg.BTN_CLEAR->isEnabled());
        QVERIFY(dlg.BTN_ADDALL->isEnabled());
        QCOMPARE(dlg.BTN_ADDALL->text(), QStringLiteral("A&dd All"));

        dlg.LB_Avail->item(2)->setSelected(true);
        dlg.LB_Avail->item(0)->setSelected(true);
        QVERIFY(dlg.BTN_ADD->isEnabled());
        dlg.BTN_ADD->click();
        QCOMPARE(Texts(dlg.LB_Show), (QStringList{"FS1", "FS3"}));
        QCOMPARE(Texts(dlg.LB_Avail), (QStringList{"FS2"}));
        QCOMPARE(dlg.LBL_SELECTED->text(), QStringLiteral(" Total Selected : 2"));
        QCOMPARE(dlg.LBL_AVAILABLE->text(), QStringLiteral(" Total Available : 1"));
        QVERIFY(!dlg.BTN_ADD->isEnabled());
        QVERIFY(!dlg.BTN_REMOVE->isEnabled());
        QVERIFY(dlg.BTN_CLEAR->isEnabled());

        dlg.LB_Show->item(1)->setSelected(true);
        QVERIFY(dlg.BTN_REMOVE->isEnabled());
        dlg.BTN_REMOVE->click();
        QCOMPARE(Texts(dlg.LB_Avail), (QStringList{"FS2", "FS3"}));
        dlg.BTN_ADDALL->click();
        QCOMPARE(dlg.Chosen(), (std::vector<std::string>{"FS1", "FS2", "FS3"}));
        QVERIFY(!dlg.BTN_ADDALL->isEnabled());
        dlg.BTN_CLEAR->click();
        QCOMPARE(dlg.LB_Show->count(), 0);
        QVERIFY(!dlg.BTN_CLEAR->isEnabled());
        QCOMPARE(dlg.LBL_AVAILABLE->text(), QStringLiteral(" Total Available : 3"));
    }

    void reportWindowPagesTreesSpinAndPrint() {
        std::vector<utilities::TSchCmpClass> results(2);
        std::vector<std::string> memo;
        QVERIFY(utilities::ParseSchemaReportText(kReport, "SRD1.TXT", "FS1,FS2", results[0], memo));
        QVERIFY(utilities::ParseSchemaReportText("Comparing FS1 with FS3\nClasses unique to FS3\n"
                                                 "  top\n",
                                                 "SRD2.TXT", "FS1,FS3", results[1], memo));
        Recorder ui;
        TFM_SCHRPT dlg(images_, ui);
        dlg.SetResults(&results, {"FS2", "FS1", "FS3", "FS4"});
        dlg.show();
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Schema Comparison Report"));
        QCOMPARE(dlg.PageControl1->count(), 4);
        QCOMPARE(dlg.PageControl1->tabText(2), QStringLiteral("Syntax"));
        QCOMPARE(dlg.PageControl1->currentIndex(), 0);
        QCOMPARE(Texts(dlg.LB_SRVS), (QStringList{"FS1", "FS2", "FS3", "FS4"}));
        QVERIFY(dlg.ED_REPORTNUM->text().isEmpty());
        QVERIFY(!dlg.SpinButton1->isEnabled());
        QVERIFY(!dlg.BTN_PRINT->isEnabled());
        QCOMPARE(dlg.RE_PRINT->font().pointSize(), 7);

        dlg.LB_SRVS->setCurrentRow(1); // FS2
        dlg.LB_SRVSClick();
        QCOMPARE(dlg.ED_REPORTNUM->text(), QStringLiteral(" 1 of 1"));
        QVERIFY(dlg.SpinButton1->isEnabled());
        QVERIFY(dlg.BTN_PRINT->isEnabled());
        for (QLineEdit* e :
             {dlg.ED_CLASSSRV[0], dlg.ED_ATTRSRV[0], dlg.ED_SYNTAXSRV[0], dlg.ED_DEFSRV[0]})
            QCOMPARE(e->text(), QStringLiteral("FS2"));
        QCOMPARE(dlg.ED_DEFSRV[1]->text(), QStringLiteral("FS1"));
        QCOMPARE(Texts(dlg.LB_CLASSES[1]), (QStringList{"PROFILE", "EXTRA"}));
        QCOMPARE(dlg.LBL_CLASSES[1]->text(), QStringLiteral("Total : 2"));
        QCOMPARE(dlg.LBL_CLASSES[0]->text(), QStringLiteral("Total : 0"));
        QCOMPARE(Texts(dlg.LB_ATTRS[0]), (QStringList{"MAILBOXLOCATION"}));
        QCOMPARE(Texts(dlg.LB_SYNTAX[1]), (QStringList{"1.2.3 THING"}));

        // FS1's trees: roots, names, rules, differences; the labels count children.
        QTreeWidget* tree = dlg.TV_DEFS[1];
        QCOMPARE(tree->topLevelItemCount(), 2);
        QTreeWidgetItem* classes = tree->topLevelItem(0);
        QCOMPARE(classes->text(0), QStringLiteral("Classes"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("Attributes"));
        QTreeWidgetItem* user = classes->child(0);
        QCOMPARE(user->text(0), QStringLiteral("USER"));
        QCOMPARE(user->childCount(), 2);
        QCOMPARE(user->child(0)->text(0), QStringLiteral("MAY"));
        QCOMPARE(user->child(0)->child(1)->text(0), QStringLiteral("LACKS MAIL"));
        QVERIFY(dlg.LBL_DEFS[1]->text().isEmpty());
        tree->setCurrentItem(classes);
        QCOMPARE(dlg.LBL_DEFS[1]->text(), QStringLiteral("Total Classes : 1"));
        tree->setCurrentItem(user);
        QCOMPARE(dlg.LBL_DEFS[1]->text(), QStringLiteral("Total Rules : 2"));
        tree->setCurrentItem(user->child(0));
        QCOMPARE(dlg.LBL_DEFS[1]->text(), QStringLiteral("Total Differences : 2"));
        tree->setCurrentItem(user->child(0)->child(0));
        QCOMPARE(dlg.LBL_DEFS[1]->text(), QString());
        QVERIFY(dlg.LBL_DEFS[0]->text().isEmpty());

        // FS1 has two reports; the spin button stays within them.
        dlg.LB_SRVS->setCurrentRow(0);
        dlg.LB_SRVSClick();
        QCOMPARE(dlg.ED_REPORTNUM->text(), QStringLiteral(" 1 of 2"));
        dlg.SpinButton1->UpButton->click();
        QCOMPARE(dlg.ED_REPORTNUM->text(), QStringLiteral(" 1 of 2"));
        dlg.SpinButton1->DownButton->click();
        QCOMPARE(dlg.ED_REPORTNUM->text(), QStringLiteral(" 2 of 2"));
        QCOMPARE(dlg.ED_CLASSSRV[1]->text(), QStringLiteral("FS3"));
        QCOMPARE(Texts(dlg.LB_CLASSES[1]), (QStringList{"TOP"}));
        dlg.SpinButton1->DownButton->click();
        QCOMPARE(dlg.ED_REPORTNUM->text(), QStringLiteral(" 2 of 2"));
        dlg.SpinButton1->UpButton->click();
        QCOMPARE(dlg.ED_CLASSSRV[1]->text(), QStringLiteral("FS2"));

        int printed = 0;
        SetPrintDelivery([&](QWidget*, const PrintRender&) { ++printed; });
        dlg.BTN_PRINT->click();
        SetPrintDelivery({});
        QCOMPARE(printed, 1);
        const QStringList lines = dlg.RE_PRINT->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines[0],
                 QStringLiteral("FS1") + QString(47, QLatin1Char(' ')) + QStringLiteral("FS2"));
        QCOMPARE(lines[1], QStringLiteral("Unique Classes"));
        QVERIFY(lines.contains(QStringLiteral("Class Definition Differences")));
        QVERIFY(lines.filter(QRegularExpression(QStringLiteral("^    MUST +$"))).size() == 1);

        // A server without reports: the warning, and the pages emptied.
        dlg.LB_SRVS->setCurrentRow(3);
        dlg.LB_SRVSClick();
        QCOMPARE(ui.boxes, (QStringList{"There are no schema reports for server : FS4"}));
        QVERIFY(dlg.ED_CLASSSRV[0]->text().isEmpty());
        QCOMPARE(dlg.LB_CLASSES[1]->count(), 0);
        QCOMPARE(dlg.TV_DEFS[0]->topLevelItemCount(), 0);
        QVERIFY(!dlg.SpinButton1->isEnabled());
        QVERIFY(!dlg.BTN_PRINT->isEnabled());
    }

    void waitAbortsOnlyWhenConfirmed() {
        QWidget main;
        Recorder ui;
        ModalScript script;
        int started = 0;
        bool closeBox = true;
        QString button;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SCHEMACFG*>(w);
            QVERIFY(dlg);
            dlg->BTN_ADDALL->click();
            dlg->BTN_OK->click();
        });
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_WAIT*>(w);
            QVERIFY(dlg);
            closeBox = dlg->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            button = dlg->BTN_CANCEL->text();
            dlg->BTN_CANCEL->click(); // No: the wait goes on
            QVERIFY(dlg->Timer1->isActive());
            dlg->BTN_CANCEL->click(); // Yes
        });
        script.No();
        script.Yes();
        SetSchemaCompareHooks({[] { return 0; }, [&](const std::string&) { ++started; }});
        CompareServerSchema(&main, images_, ui, {"FS1", "FS2"});
        QVERIFY(script.Idle());
        QVERIFY(script.unexpected.isEmpty());
        QVERIFY(!closeBox);
        QCOMPARE(button, QStringLiteral("&Abort"));
        const QString abort = QStringLiteral(
            "There are still instances of SCHCMP.EXE running.\nAborting will NOT kill these "
            "instances of SCHCMP.EXE.\nAbort?");
        QCOMPARE(script.Texts(QStringLiteral("warning")), (QStringList{abort, abort}));
        QVERIFY(ui.boxes.isEmpty());
        QVERIFY(started <= 1);

        // Runs of another comparison are still going: the guard.
        SetSchemaCompareHooks({[] { return 2; }, {}});
        CompareServerSchema(&main, images_, ui, {"FS1", "FS2"});
        QCOMPARE(ui.boxes, (QStringList{"There are 2 of SCHRPT.EXE running.\rFor proper results, "
                                        "these instances must be terminated before continuing."}));
    }

    void fewerThanTwoServersAndAFailedReport() {
        QWidget main;
        Recorder ui;
        ModalScript script;
        SetSchemaCompareHooks({[] { return 0; }, [](const std::string&) {}});
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SCHEMACFG*>(w);
            QVERIFY(dlg);
            dlg->LB_Avail->item(0)->setSelected(true);
            dlg->BTN_ADD->click();
            dlg->BTN_OK->click();
        });
        CompareServerSchema(&main, images_, ui, {"FS1", "FS2"});
        QCOMPARE(ui.boxes, (QStringList{"At least two servers need to be selected."}));
        script.Cancel();
        CompareServerSchema(&main, images_, ui, {"FS1", "FS2"});
        QVERIFY(script.Idle());

        // No report appears: the question after the last tick; No ends without the report window.
        QString memo, button;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SCHEMACFG*>(w);
            QVERIFY(dlg);
            dlg->BTN_ADDALL->click();
            dlg->BTN_OK->click();
        });
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_WAIT*>(w);
            QVERIFY(dlg);
            dlg->Timer1->start(5);
            // The question comes up while the wait is open (the next answer).
            QVERIFY(QTest::qWaitFor([dlg] { return !dlg->isVisible(); }, 20000));
        });
        script.Then([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            auto* dlg = qobject_cast<TFM_WAIT*>(box->parentWidget());
            QVERIFY(dlg);
            memo = dlg->Memo1->toPlainText();
            box->button(QMessageBox::No)->click();
        });
        CompareServerSchema(&main, images_, ui, {"FS1", "FS2"});
        QVERIFY(script.Idle());
        QVERIFY(script.unexpected.isEmpty());
        QVERIFY(memo.contains(QStringLiteral("Error parsing report for : FS1,FS2\nFileName "
                                             ":SRD1.TXT\nCannot open file.\nLine :0 Column : 1")));
    }

    void comparesTheExampleServersEndToEnd() {
        QWidget main;
        QtInteraction ui(&main);
        ModalScript script;
        QFile old(QStringLiteral("SRD9.TXT"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SCHEMACFG*>(w);
            QVERIFY(dlg);
            dlg->BTN_ADDALL->click();
            dlg->BTN_OK->click();
        });
        bool oldGone = false;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_WAIT*>(w);
            QVERIFY(dlg);
            oldGone = !QFile::exists(QStringLiteral("SRD9.TXT"));
            dlg->Timer1->start(20);
            QVERIFY(QTest::qWaitFor([dlg] { return !dlg->isVisible(); }, 60000));
        });
        QString counter, left, right;
        QStringList unique;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SCHRPT*>(w);
            QVERIFY(dlg);
            dlg->LB_SRVS->setCurrentRow(0);
            dlg->LB_SRVSClick();
            counter = dlg->ED_REPORTNUM->text();
            left = dlg->ED_CLASSSRV[0]->text();
            right = dlg->ED_CLASSSRV[1]->text();
            unique = Texts(dlg->LB_CLASSES[0]);
            dlg->BTN_OK->click();
        });
        CompareServerSchema(&main, images_, ui, {"FS3", "FS2", "FS1"});
        QVERIFY(script.Idle());
        QVERIFY(script.unexpected.isEmpty());
        QVERIFY(oldGone);
        for (const char* name : {"SRD1.TXT", "SRD2.TXT", "SRD3.TXT"})
            QVERIFY(QFile::exists(QLatin1String(name)));
        QCOMPARE(counter, QStringLiteral(" 1 of 2"));
        QCOMPARE(left, QStringLiteral("FS1"));
        QCOMPARE(right, QStringLiteral("FS2"));
        QCOMPARE(unique, (QStringList{"PROFILE"}));
    }

    void menuAndPopUpOfferTheDesignsServersAndADistributionList() {
        ModalScript script;
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&app));
        SetSchemaCompareHooks({[] { return 0; }, [](const std::string&) {}});
        // Without a design window nothing happens.
        CompareServerSchema(app, false, {});
        CompareSchemaOfSelectedServer(app);
        QVERIFY(script.seen.empty());
        app.OpenFiles({qv::gui::test::ExampleCopy("corp.qvd")});
        QTRY_VERIFY(app.ActiveChild());
        TreeDesign& d = app.ActiveChild()->Design();
        QStringList offered[2];
        for (QStringList& list : offered)
            script.Then([&list](QWidget* w) {
                auto* dlg = qobject_cast<TFM_SCHEMACFG*>(w);
                QVERIFY(dlg);
                list = Texts(dlg->LB_Avail);
                dlg->BTN_CANCEL->click();
            });
        CompareServerSchema(app, false, {});
        app.ActiveChild()->SelectNode(d.FindNodeByContext("FS2.SALES.CORP"));
        CompareSchemaOfSelectedServer(app);
        // FS3 holds only replicas of partitions below the others' level.
        app.ActiveChild()->SelectNode(d.FindNodeByContext("FS3.ENG.CORP"));
        script.Ok();
        CompareSchemaOfSelectedServer(app);
        QTRY_VERIFY(script.Idle());
        QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(" | ")));
        QCOMPARE(offered[0], (QStringList{"FS1", "FS2", "FS3"}));
        QCOMPARE(offered[1], (QStringList{"FS1", "FS2", "FS3"}));
        QCOMPARE(script.Texts(QStringLiteral("information")),
                 QStringList{"This server has no Schema Distribution List."});
        d.DropChanges();
    }
};

QTEST_MAIN(SchemaCompareTest)
#include "schema_compare_test.moc"
