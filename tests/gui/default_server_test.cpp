// Verify User Default Server in the desktop program: the wait dialog with a
// scripted census, the result window on the example design, and the menu
// command end to end (NLIST through quorvane-cmd on the example tree).
#include "example_copy.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/wait_dialog.h"
#include "gui/print/print_commands.h"
#include "gui/shell/mdi_app.h"
#include "gui/utilities/default_server_dialogs.h"
#include "platform/tree_connections.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

namespace {

const char* const kReport = "Object Class: User\n"
                            "Current context: SALES.CORP\n"
                            "User: MJONES\n"
                            "        Last Name: Jones\n"
                            "        Default Server: FS3.ENG.CORP\n"
                            "User: JSMITH\n"
                            "        Last Name: Smith\n"
                            "        Default Server: FS2.SALES.CORP\n"
                            "User: NOBODY\n"
                            "        Last Name: Body\n"
                            "A total of 3 User objects were found in this context.\n"
                            "\n"
                            "Object Class: User\n"
                            "Current context: TEAM.DEV.ENG.CORP\n"
                            "User: ALEE\n"
                            "        Last Name: Lee\n"
                            "A total of 1 User object was found in this context.\n"
                            "\n"
                            "Object Class: User\n"
                            "Current context: GONE\n"
                            "User: X\n"
                            "        Last Name: X\n"
                            "A total of 1 User object was found in this context.\n"
                            "\n"
                            "A total of 5 User objects were found.\n";

void WriteText(const QString& path, const char* text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// Records the boxes of the result window and answers its save dialog.
class RecordingUi : public Interaction {
public:
    QStringList boxes;
    std::optional<std::string> savePath;
    void Message(std::string_view t) override { boxes << "message: " + Text(t); }
    void Information(std::string_view t) override { boxes << "information: " + Text(t); }
    void Warning(std::string_view t) override { boxes << "warning: " + Text(t); }
    void Error(std::string_view t) override { boxes << "error: " + Text(t); }
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& r) override {
        boxes << "save: " + QString::fromStdString(r.filter);
        return savePath;
    }

private:
    static QString Text(std::string_view t) {
        return QString::fromLatin1(t.data(), static_cast<qsizetype>(t.size()));
    }
};

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void Click(QListWidget* list, int row) {
    list->setCurrentRow(row);
    emit list->itemClicked(list->item(row));
}

// The shared part of the waits: a run that says whether it goes on and
// whether it takes Escape.
class TestWait : public WaitDialog {
public:
    explicit TestWait(QWidget* parent = nullptr) : WaitDialog(parent, 5) {}
    bool running = true;
    bool takesEscape = true;
    int ticks = 0, escapes = 0;
    void Timer1Timer() override { ++ticks; }
    static TestWait& Instance(QWidget* parent) { return SingleInstance<TestWait>(parent); }

protected:
    bool Running() const override { return running; }
    bool EscapePressed() override {
        ++escapes;
        return takesEscape;
    }
};

} // namespace

class DefaultServerTest : public QObject {
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

    void init() { QFile::remove(QStringLiteral("DEFSRV.TXT")); }

    void aWaitRefusesToCloseWhileItsRunGoesOnAndGivesEscapeToTheRun() {
        TestWait wait;
        QCOMPARE(wait.Timer1->objectName(), QStringLiteral("Timer1"));
        QCOMPARE(wait.Timer1->interval(), 5);
        QVERIFY(!wait.Timer1->isActive());
        wait.Timer1->start();
        QTRY_VERIFY(wait.ticks >= 2);
        wait.Timer1->stop();
        wait.setProperty("qvHandled", true);
        wait.open();
        wait.close();
        QVERIFY(wait.isVisible());
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(wait.isVisible());
        QCOMPARE(wait.escapes, 1);
        // A run that leaves Escape to the dialog: it closes.
        wait.takesEscape = false;
        QTest::keyClick(&wait, Qt::Key_Escape);
        QVERIFY(!wait.isVisible());
        QCOMPARE(wait.result(), int(QDialog::Rejected));
        // Once the run is over the window closes.
        wait.open();
        wait.running = false;
        wait.close();
        QVERIFY(!wait.isVisible());
        // One instance of its kind, made on first use.
        QWidget parent;
        TestWait& first = TestWait::Instance(&parent);
        QCOMPARE(&TestWait::Instance(nullptr), &first);
        QCOMPARE(first.parent(), &parent);
    }

    void waitLaunchesOnceAndReadsTheReport() {
        int census = 0, launches = 0;
        TFM_DEFSERV dlg(
            nullptr, [&] { return census; },
            [&] {
                ++launches;
                WriteText(QStringLiteral("DEFSRV.TXT"), kReport);
            });
        QCOMPARE(dlg.windowTitle(), QStringLiteral("User Default Server Report"));
        QVERIFY(!dlg.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!dlg.Timer1->isActive());
        QCOMPARE(dlg.Timer1->interval(), 1000);
        QCOMPARE(dlg.BTN_ACTION->text(), QStringLiteral("&Abort"));
        dlg.Timer1->setInterval(5);
        QStringList labels;
        connect(
            dlg.Timer1, &QTimer::timeout, &dlg, [&] { labels << dlg.Label1->text(); },
            Qt::QueuedConnection);
        dlg.open();
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.isVisible(), 5000);
        QVERIFY(dlg.Result());
        QCOMPARE(launches, 1);
        QCOMPARE(dlg.Logic().LaunchCounter(), 12);
        QCOMPARE(dlg.Contexts().size(), std::size_t{3});
        QCOMPARE(dlg.Contexts()[0].users.size(), std::size_t{3});
        QCOMPARE(dlg.Memo1->toPlainText(),
                 QStringLiteral("\nSuccessfully parsed file : DEFSRV.TXT"));
        QVERIFY(labels.size() >= 4);
        QCOMPARE(labels.mid(0, 4), (QStringList{"Generating Default Server Report.",
                                                "Generating Default Server Report..",
                                                "Generating Default Server Report...",
                                                "Generating Default Server Report"}));
    }

    void aParseFailureLeavesTheDialogOpenToClose() {
        TFM_DEFSERV dlg(
            nullptr, [] { return 0; },
            [] { WriteText(QStringLiteral("DEFSRV.TXT"), "Object\nfound."); });
        dlg.Timer1->setInterval(5);
        dlg.open();
        QTRY_COMPARE_WITH_TIMEOUT(dlg.BTN_ACTION->text(), QStringLiteral("&Close"), 5000);
        QVERIFY(dlg.isVisible());
        QVERIFY(!dlg.Timer1->isActive());
        QCOMPARE(dlg.Memo1->toPlainText(),
                 QStringLiteral("Error parsing file : DEFSRV.TXT\nUnexpected end of file.\n"
                                "Line :2 Column : 1\n"));
        QVERIFY(dlg.Contexts().empty());
        // Escape and the close box do not end it; the button does, without asking.
        dlg.setProperty("qvHandled", true); // driven here, not by the script
        ModalScript script;
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
        dlg.BTN_ACTION->click();
        QVERIFY(!dlg.isVisible());
        QVERIFY(!dlg.Result());
        QVERIFY(script.seen.empty());
        // Shown again, it starts over.
        dlg.open();
        QCOMPARE(dlg.BTN_ACTION->text(), QStringLiteral("&Abort"));
        QVERIFY(dlg.Memo1->toPlainText().isEmpty());
        QVERIFY(dlg.Timer1->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(dlg.BTN_ACTION->text(), QStringLiteral("&Close"), 5000);
        dlg.BTN_ACTION->click();
        QVERIFY(!dlg.isVisible());
    }

    void abortAsksAndNoKeepsWaiting() {
        int launches = 0;
        // Another report never ends: nothing is launched.
        TFM_DEFSERV dlg(
            nullptr, [] { return 1; }, [&] { ++launches; });
        dlg.Timer1->setInterval(5);
        ModalScript script;
        dlg.open();
        dlg.setProperty("qvHandled", true); // driven here, not by the script
        script.No();
        dlg.BTN_ACTION->click();
        QTRY_VERIFY(script.Idle());
        QVERIFY(dlg.isVisible());
        QVERIFY(dlg.Timer1->isActive());
        script.Yes();
        dlg.BTN_ACTION->click();
        QTRY_VERIFY(!dlg.isVisible());
        QVERIFY(!dlg.Result());
        QCOMPARE(launches, 0);
        const QString question =
            QStringLiteral("NLIST has not finished generating the report.\nAborting will NOT stop "
                           "the NLIST report.\nDo you wish to Abort?");
        QCOMPARE(script.Texts(QStringLiteral("warning")), (QStringList{question, question}));
    }

    void resultWindowListsUsersServersAndTheSummary() {
        TreeDesign design;
        NullInteraction quiet;
        design.SetHosts(nullptr, &quiet);
        QVERIFY(OpenDesign(design, QV_SOURCE_DIR "/examples/corp.qvd", false));
        utilities::DefaultServerContexts contexts;
        std::vector<std::string> memo;
        QVERIFY(utilities::ParseDefaultServerText(kReport, "DEFSRV.TXT", contexts, memo));
        RecordingUi ui;
        TFM_SRVDISPLAY dlg(images_, ui);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("User Default Server Report Results"));
        dlg.SetContexts(std::move(contexts));
        dlg.LocateContexts(design);
        dlg.open();
        QCOMPARE(dlg.LBL_CONTEXTS->text(), QStringLiteral("Contexts Searched : 3"));
        QCOMPARE(dlg.LBL_USERS->text(), QStringLiteral("User Objects : "));
        QCOMPARE(Items(dlg.LB_CONTEXTS), (QStringList{"SALES.CORP", "TEAM.DEV.ENG.CORP", "GONE"}));
        // Images: the class, the shortened mark, none.
        QCOMPARE(dlg.LB_CONTEXTS->item(0)->data(Qt::UserRole).toInt(), 2);
        QCOMPARE(dlg.LB_CONTEXTS->item(1)->data(Qt::UserRole).toInt(), 52);
        QCOMPARE(dlg.LB_CONTEXTS->item(2)->data(Qt::UserRole).toInt(), -1);
        QCOMPARE(dlg.LB_CONTEXTS->visualItemRect(dlg.LB_CONTEXTS->item(0)).height(), 16);
        QVERIFY(dlg.RE_SUMMARY->isHidden());

        Click(dlg.LB_CONTEXTS, 0);
        QCOMPARE(Items(dlg.LB_USERS), (QStringList{"JSMITH", "MJONES", "NOBODY"}));
        QCOMPARE(dlg.LBL_USERS->text(), QStringLiteral("User Objects : 3"));
        QCOMPARE(Items(dlg.LB_PARTROOT), QStringList{"SALES.CORP"});
        QCOMPARE(Items(dlg.LB_SERVERS), (QStringList{"FS1", "FS2"}));
        QCOMPARE(dlg.RE_SUMMARY->toPlainText(),
                 QStringLiteral("Context                         : SALES.CORP\n"
                                "Partition Root                  : SALES.CORP\n"
                                "Recommended Default Server List :\n"
                                "  Server : FS1\n"
                                "  Server : FS2\n"
                                "\n"
                                "USERS                              DEFAULT SERVERS\n"
                                "\n"
                                "JSMITH                             FS2\n"
                                "MJONES                             FS3, WARNING!\n"
                                "NOBODY                             NONE, WARNING!\n"));
        // The list marks the same users as the summary, in red.
        QList<bool> warned;
        for (int i = 0; i < dlg.LB_USERS->count(); ++i)
            warned << dlg.LB_USERS->item(i)->data(TFM_SRVDISPLAY::kWarningRole).toBool();
        QCOMPARE(warned, (QList<bool>{false, true, true}));
        // The marked rows are painted with the mark in red, the others without
        // red; a selected row's mark takes the selection's text colour.
        for (bool selected : {false, true}) {
            QList<bool> red;
            for (int i = 0; i < dlg.LB_USERS->count(); ++i) {
                QStyleOptionViewItem opt;
                opt.initFrom(dlg.LB_USERS);
                opt.rect = QRect(0, 0, 300, 16); // a row of the list
                opt.font = dlg.LB_USERS->font();
                if (selected)
                    opt.state |= QStyle::State_Selected;
                QImage row(opt.rect.size(), QImage::Format_ARGB32);
                {
                    QPainter p(&row);
                    dlg.LB_USERS->itemDelegate()->paint(&p, opt,
                                                        dlg.LB_USERS->model()->index(i, 0));
                }
                int reds = 0;
                for (int y = 0; y < row.height(); ++y)
                    for (int x = 0; x < row.width(); ++x) {
                        const QColor c = row.pixelColor(x, y);
                        reds += c.red() > 150 && c.green() < 90 && c.blue() < 90;
                    }
                red << (reds > 10);
            }
            QCOMPARE(red, selected ? (QList<bool>{false, false, false})
                                   : (QList<bool>{false, true, true}));
        }
        Click(dlg.LB_USERS, 1);
        QCOMPARE(Items(dlg.LB_DEFAULTSERVER), QStringList{"FS3"});
        Click(dlg.LB_USERS, 2);
        QCOMPARE(Items(dlg.LB_DEFAULTSERVER), QStringList{"NONE"});

        // Found after shortening: its partition is DEV's.
        Click(dlg.LB_CONTEXTS, 1);
        QCOMPARE(Items(dlg.LB_PARTROOT), QStringList{"DEV.ENG.CORP"});
        QCOMPARE(Items(dlg.LB_SERVERS), QStringList{"FS3"});
        QVERIFY(ui.boxes.isEmpty());

        // Not in the design: the warning, and nothing of another context stays.
        Click(dlg.LB_CONTEXTS, 2);
        QCOMPARE(ui.boxes, QStringList{"warning: Could not locate partition root for : GONE.\r"
                                       "The Tree Design is not consistent with the report."});
        QCOMPARE(Items(dlg.LB_USERS), QStringList{"X"});
        QVERIFY(Items(dlg.LB_SERVERS).isEmpty());
        QVERIFY(dlg.SummaryLines().empty());

        // Save: the notice, the file dialog, the rich text file.
        Click(dlg.LB_CONTEXTS, 0);
        ui.boxes.clear();
        const QString rtf = dir_.filePath(QStringLiteral("report.rtf"));
        ui.savePath = rtf.toStdString();
        dlg.BTN_SAVE->click();
        QCOMPARE(ui.boxes.value(0), QStringLiteral("information: Save the report as a *.RTF "
                                                   "file.\rUse WordPad to view the document."));
        QVERIFY(ui.boxes.value(1).startsWith(QStringLiteral("save: ")));
        QFile file(rtf);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QVERIFY(bytes.contains("MJONES                             FS3, WARNING!\\par"));
        // Cancelled: nothing written.
        ui.savePath.reset();
        QFile::remove(rtf);
        dlg.BTN_SAVE->click();
        QVERIFY(!QFile::exists(rtf));

        // Print: the summary goes to the printout.
        int printed = 0;
        SetPrintDelivery([&](QWidget*, const PrintRender&) { ++printed; });
        dlg.BTN_PRINT->click();
        SetPrintDelivery({});
        QCOMPARE(printed, 1);
        dlg.close();
        dlg.Clear();
        QCOMPARE(dlg.LB_CONTEXTS->count(), 0);
    }

    void contextsPastTheLimitAreListedWithANotice() {
        TreeDesign design;
        NullInteraction quiet;
        design.SetHosts(nullptr, &quiet);
        QVERIFY(OpenDesign(design, QV_SOURCE_DIR "/examples/corp.qvd", false));
        utilities::DefaultServerContexts many(utilities::kMaxLocatedContexts + 1,
                                              {"SALES.CORP", {"U"}, false});
        RecordingUi ui;
        TFM_SRVDISPLAY dlg(images_, ui);
        dlg.SetContexts(std::move(many));
        dlg.LocateContexts(design);
        dlg.open();
        const QString note = QStringLiteral("The report lists 2001 contexts. The first 2000 are "
                                            "located in the design; the contexts after the "
                                            "2000th are listed but not located.");
        QTRY_COMPARE(ui.boxes, QStringList{"information: " + note});
        QCOMPARE(dlg.LB_CONTEXTS->count(), 2001);
        QCOMPARE(dlg.LBL_CONTEXTS->text(), QStringLiteral("Contexts Searched : 2001"));
        Click(dlg.LB_CONTEXTS, 1999);
        QCOMPARE(Items(dlg.LB_PARTROOT), QStringList{"SALES.CORP"});
        Click(dlg.LB_CONTEXTS, 2000);
        QCOMPARE(ui.boxes.value(1), "warning: " + note);
        QVERIFY(Items(dlg.LB_PARTROOT).isEmpty());
        QCOMPARE(Items(dlg.LB_USERS), QStringList{"U"});
        dlg.close();
    }

    void menuCommandRunsNlistOnTheSelectedContainer() {
        ModalScript script;
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&app));
        // Without a design window nothing happens.
        VerifyUserDefaultServer(app);
        QVERIFY(script.seen.empty());
        app.OpenFiles({qv::gui::test::ExampleCopy("corp.qvd")});
        QTRY_VERIFY(app.ActiveChild());
        TreeDesign& d = app.ActiveChild()->Design();
        app.ActiveChild()->SelectNode(d.FindNodeByContext("ENG.CORP"));
        TFM_DEFSERV::Instance(&app).Timer1->setInterval(20);
        // The census counts every process of the user: another test's report
        // must be over first.
        QTRY_COMPARE_WITH_TIMEOUT(utilities::CountCommandWindows(utilities::kDefaultServerMarker),
                                  0, 30000);
        QString context;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_DEFSERV*>(w);
            QVERIFY(dlg);
            context = QString::fromStdString(dlg->ContextText());
            QVERIFY(QTest::qWaitFor([dlg] { return !dlg->isVisible(); }, 20000));
        });
        QStringList contexts, servers;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFM_SRVDISPLAY*>(w);
            QVERIFY(dlg);
            contexts = Items(dlg->LB_CONTEXTS);
            Click(dlg->LB_CONTEXTS, 0);
            servers = Items(dlg->LB_SERVERS);
            dlg->BTN_OK->click();
        });
        VerifyUserDefaultServer(app);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(context, QStringLiteral(".ENG.CORP"));
        QCOMPARE(contexts, QStringList{"DEV.ENG.CORP"});
        QCOMPARE(servers, QStringList{"FS3"});
        QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(" | ")));
        QVERIFY(QFile::exists(QStringLiteral("DEFSRV.TXT")));

        // While a marked process runs, the command only warns.
        pid_t other = fork();
        QVERIFY(other >= 0);
        if (other == 0) {
            execl("/bin/sleep", "coMMand.coM /C NLIST User", "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        QTRY_COMPARE(utilities::CountCommandWindows(utilities::kDefaultServerMarker), 1);
        script.Ok();
        VerifyUserDefaultServer(app);
        kill(other, SIGTERM);
        waitpid(other, nullptr, 0);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(script.Texts(QStringLiteral("warning")),
                 QStringList{"There is currently an instance of the User Default Server "
                             "Report\nrunning.  Please close this instance before continuing."});
        app.ActiveChild()->Design().DropChanges();
    }
};

QTEST_MAIN(DefaultServerTest)
#include "default_server_test.moc"
