// File Rights in the desktop program: the folder chooser over the example
// volume, the report window's pages, hierarchy, rows, marks and Print, and
// the command end to end through quorvane-cmd and the RIGHTS stand-in on the
// example tree.
#include "example_copy.h"
#include "modal_script.h"

#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/print/print_commands.h"
#include "gui/shell/mdi_app.h"
#include "gui/utilities/file_rights_dialogs.h"
#include "gui/utilities/rights_wait_dialog.h"
#include "platform/tree_connections.h"
#include "platform/utility_settings.h"
#include "utilities/command_runner.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
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
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

namespace {

const QString kVolume = QStringLiteral(QV_SOURCE_DIR "/examples/volumes/FS1_SYS");

std::string ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

QStringList Rows(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

using Marks = std::array<bool, 8>;
constexpr Marks kAll{true, true, true, true, true, true, true, true};
constexpr Marks kNone{};
constexpr Marks kReadScan{false, true, false, false, false, false, true, false};

// A process whose title carries the text, alive until destroyed.
class TitledProcess {
public:
    explicit TitledProcess(const std::string& title) {
        pid_ = fork();
        if (pid_ == 0) {
            char* argv[] = {const_cast<char*>(title.c_str()), const_cast<char*>("30"), nullptr};
            execv("/bin/sleep", argv);
            _exit(127);
        }
        visible_ = QTest::qWaitFor([&] {
            for (const std::string& t : utilities::ProcessTitles())
                if (t == title)
                    return true;
            return false;
        });
    }
    bool Visible() const { return visible_; }
    ~TitledProcess() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }

private:
    pid_t pid_ = -1;
    bool visible_ = false;
};

// Another test program's rights report would refuse the command.
void WaitForOtherRightsRuns() {
    QVERIFY(QTest::qWaitFor(
        [] { return utilities::CountCommandWindows(utilities::kRightsMarker) == 0; }, 120000));
}

} // namespace

class FileRightsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    ImageList images_;

    void Map(const std::string& volume) {
        UtilitySettings s;
        s.drives['F'] = volume;
        QVERIFY(UtilitySettingsStore().Write(s));
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toUtf8());
        QDir::setCurrent(dir_.path());
        StoredTreeConnections s;
        nds::TreeConnection corp;
        corp.name = "CORP_TREE";
        corp.address = std::string("ldif:") + QV_SOURCE_DIR + "/examples/corp_tree.ldif";
        s.trees = {corp};
        s.preferred = "CORP_TREE";
        QVERIFY(TreeConnectionStore().Write(s));
        Map("FS1_SYS.CORP");
        // The interpreter built beside the test programs.
        utilities::SetInterpreterPath(
            (QCoreApplication::applicationDirPath() + QStringLiteral("/../../quorvane-cmd"))
                .toStdString());
    }

    void chooserListsMappedDrivesAndRealFolders() {
        TFRM_FSRIGHTS dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Find File System Rights To..."));
        dlg.LoadDrives();
        QCOMPARE(dlg.DriveComboBox1->count(), 1);
        QCOMPARE(dlg.DriveComboBox1->currentText(), QStringLiteral("F:"));
        QCOMPARE(Rows(dlg.DirectoryListBox1),
                 (QStringList{"F:\\", "  APPS", "  HOME", "  PUBLIC"}));
        QCOMPARE(dlg.DirLabel->text(), QStringLiteral("F:\\"));
        dlg.DirectoryListBox1->setCurrentRow(3);
        dlg.DirectoryListBox1DblClick();
        QCOMPARE(Rows(dlg.DirectoryListBox1), (QStringList{"F:\\", "  PUBLIC", "    REPORTS"}));
        QCOMPARE(dlg.DirectoryListBox1->currentRow(), 1);
        dlg.DirectoryListBox1->setCurrentRow(2);
        dlg.DirectoryListBox1DblClick();
        QCOMPARE(dlg.Directory(), std::string("F:\\PUBLIC\\REPORTS"));
        QCOMPARE(dlg.DirLabel->text(), QStringLiteral("F:\\PUBLIC\\REPORTS"));

        // OK writes the batch file in the current folder.
        dlg.Prepare("SALES.CORP", {"JSMITH", "MJONES"});
        dlg.BTN_OKClick();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.LinesWritten(), std::size_t(2));
        QCOMPARE(ReadAll(QStringLiteral("QVD_FSR.BAT")),
                 std::string("CX \".SALES.CORP\"\r\nF:\r\nCD \"\\PUBLIC\\REPORTS\"\r\n"
                             "RIGHTS . /I /NAME=\"JSMITH\" > #FSR#1.TXT\r\n"
                             "RIGHTS . /I /NAME=\"MJONES\" > #FSR#2.TXT\r\n"));

        // Going back up; drives in upper case, one whose volume has no files
        // offers its root only; no drive at all: OK is refused.
        dlg.DirectoryListBox1->setCurrentRow(0);
        dlg.DirectoryListBox1DblClick();
        QCOMPARE(dlg.Directory(), std::string("F:\\"));
        dlg.SetDrives({{'G', ""}, {'F', kVolume.toStdString()}});
        QCOMPARE(dlg.DriveComboBox1->itemText(1), QStringLiteral("G:"));
        dlg.DriveComboBox1->setCurrentIndex(1);
        QCOMPARE(Rows(dlg.DirectoryListBox1), (QStringList{"G:\\"}));
        dlg.SetDrives({});
        QVERIFY(!dlg.BTN_OK->isEnabled());
    }

    void reportWindowShowsHierarchyRowsAndMarks() {
        TFRM_FSDISPLAYRIGHTS dlg(images_);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("File System Rights Report"));
        QCOMPARE(dlg.Panel2->text(), QStringLiteral("Context :"));
        utilities::FileRightsReports reports(2);
        reports[0].objectName = "JSMITH";
        reports[0].entries = {
            {"SYS:\\", 0xFF, 0, 0},
            {"SYS:\\PUBLIC", 0xFF, 0, utilities::kFileRead | utilities::kFileScan},
            {"SYS:\\PUBLIC\\REPORTS", 0x47, 0x06, 0xFF}};
        reports[1].objectName = "MJONES";
        reports[1].entries = {{"SYS:\\PUBLIC\\REPORTS", 0, 0, 0x04}};
        dlg.SetContext("SALES.CORP");
        dlg.SetObjects({"\xBB"
                        "6*JSMITH\xBF\xBC"
                        "6",
                        "\xBB"
                        "6*MJONES\xBF\xBC"
                        "6",
                        "\xBB"
                        "6*KBROWN\xBF\xBC"
                        "6"});
        dlg.SetReports(reports);
        // Shown without modality, so that only the notice below is a modal window.
        dlg.setWindowModality(Qt::NonModal);
        dlg.show();
        QCOMPARE(dlg.PageControl1->currentIndex(), 0);
        QVERIFY(dlg.BTN_PRINT->isHidden());
        QCOMPARE(Rows(dlg.ListBox1), (QStringList{"JSMITH", "MJONES", "KBROWN"}));
        QCOMPARE(dlg.ListBox1->currentRow(), 0);
        QCOMPARE(dlg.TreeView1->topLevelItemCount(), 1);
        QTreeWidgetItem* root = dlg.TreeView1->topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("SYS:\\"));
        QTreeWidgetItem* pub = root->child(0);
        QCOMPARE(pub->text(0), QStringLiteral("PUBLIC"));
        QCOMPARE(pub->child(0)->text(0), QStringLiteral("REPORTS"));
        QCOMPARE(dlg.TreeView1->currentItem(), pub->child(0));

        // The rights page: the deepest node, the first row, its filter.
        dlg.PageControl1->setCurrentIndex(1);
        QCOMPARE(dlg.Edit1->text(), QStringLiteral("SALES.CORP.JSMITH"));
        QVERIFY(dlg.BTN_PRINT->isVisible());
        QCOMPARE(dlg.ListBox2->currentRow(), 0);
        QCOMPARE(dlg.LabelRights->text(), QStringLiteral("Inherited Rights Filter:"));
        QCOMPARE(dlg.Marks(), (Marks{true, true, true, false, false, false, true, false}));
        dlg.ListBox2->setCurrentRow(1);
        QCOMPARE(dlg.Marks(), (Marks{false, true, true, false, false, false, false, false}));
        dlg.ListBox2->setCurrentRow(2);
        QCOMPARE(dlg.LabelRights->text(), QStringLiteral("Effective Rights:"));
        QCOMPARE(dlg.Marks(), kAll);
        QCOMPARE(dlg.CB_MARKS[6]->text(), QStringLiteral("File Scan"));
        // Another node: back to the first row; R and F on the effective row.
        dlg.TreeView1->setCurrentItem(pub);
        QCOMPARE(dlg.ListBox2->currentRow(), 0);
        QCOMPARE(dlg.Marks(), kAll);
        dlg.ListBox2->setCurrentRow(2);
        QCOMPARE(dlg.Marks(), kReadScan);
        dlg.TreeView1->setCurrentItem(root);
        dlg.ListBox2->setCurrentRow(2);
        QCOMPARE(dlg.Marks(), kNone);

        // Print: the form as shown, without OK and Print.
        int printed = 0;
        SetPrintDelivery([&](QWidget* parent, const PrintRender& render) {
            QCOMPARE(parent, &dlg);
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir_.filePath(QStringLiteral("form.pdf")));
            render(printer, false);
            ++printed;
        });
        dlg.BTN_PRINT->click();
        SetPrintDelivery({});
        QCOMPARE(printed, 1);
        QVERIFY(QFile(dir_.filePath(QStringLiteral("form.pdf"))).size() > 0);
        QVERIFY(dlg.BTN_OK->isVisible());
        QVERIFY(dlg.BTN_PRINT->isVisible());

        // Another object: its report matched by path; the deepest node again.
        dlg.PageControl1->setCurrentIndex(0);
        QVERIFY(dlg.BTN_PRINT->isHidden());
        dlg.ListBox1->setCurrentRow(1);
        dlg.PageControl1->setCurrentIndex(1);
        QCOMPARE(dlg.TreeView1->currentItem(), pub->child(0));
        dlg.ListBox2->setCurrentRow(2);
        QCOMPARE(dlg.Marks(), (Marks{false, false, true, false, false, false, false, false}));
        // A node whose path the report does not hold: every mark greyed.
        dlg.TreeView1->setCurrentItem(pub);
        QCOMPARE(dlg.Marks(), kNone);

        // An object without a report: the page is disabled after the notice.
        dlg.PageControl1->setCurrentIndex(0);
        dlg.ListBox1->setCurrentRow(2);
        ModalScript script;
        script.Ok();
        dlg.PageControl1->setCurrentIndex(1);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(script.Texts(QStringLiteral("information")),
                 QStringList{"The report generation for object : SALES.CORP.KBROWN\nfailed."});
        QVERIFY(!dlg.TabSheet2->isEnabled());
        QVERIFY(dlg.BTN_PRINT->isHidden());
        QVERIFY(script.unexpected.isEmpty());
        // Shown again: both pages enabled, the first page, the first object.
        dlg.hide();
        dlg.show();
        QVERIFY(dlg.TabSheet2->isEnabled());
        QCOMPARE(dlg.PageControl1->currentIndex(), 0);
        QCOMPARE(dlg.ListBox1->currentRow(), 0);
        dlg.Clear();
        QCOMPARE(dlg.ListBox1->count(), 0);
    }

    void commandRunsRightsOnTheExampleTree() {
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        app.OpenFiles({qv::gui::test::ExampleCopy("corp.qvd")});
        TMDIChild* c = app.ActiveChild();
        QVERIFY(c);
        c->SelectNode(c->Design().FindNodeByContext("SALES.CORP"));
        QListView* leaves = c->LB_LEAFOBJS();
        QAbstractItemModel* model = leaves->model();
        auto select = [&](const QStringList& names) {
            leaves->selectionModel()->clearSelection();
            for (const QString& n : names) {
                const QModelIndexList found =
                    model->match(model->index(0, 0), Qt::DisplayRole, n, 1, Qt::MatchExactly);
                QCOMPARE(found.size(), 1);
                leaves->selectionModel()->select(found.first(), QItemSelectionModel::Select);
            }
        };
        select({"MJONES", "JSMITH"});
        TFRM_WAIT2& wait = TFRM_WAIT2::Instance(&app);
        wait.Logic().SetPauseMs(1500);
        wait.Timer1->setInterval(50);
        QFile::remove(QStringLiteral("#FSR#9.TXT"));
        QFile old(QStringLiteral("#FSR#9.TXT"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.close();

        ModalScript script;
        script.Then([](QWidget* w) {
            auto* dlg = qobject_cast<TFRM_FSRIGHTS*>(w);
            QVERIFY(dlg);
            dlg->ChangeDirectory("PUBLIC\\REPORTS");
            dlg->BTN_OK->click();
        });
        // The wait closes by itself once the batch file has run.
        script.Then([](QWidget* w) {
            QVERIFY(qobject_cast<TFRM_WAIT2*>(w));
            QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000);
        });
        Marks effective{};
        QString edit, rootText;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TFRM_FSDISPLAYRIGHTS*>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->Panel2->text(), QStringLiteral("SALES.CORP"));
            QCOMPARE(Rows(dlg->ListBox1), (QStringList{"JSMITH", "MJONES"}));
            QCOMPARE(dlg->Reports().size(), std::size_t(2));
            rootText = dlg->TreeView1->topLevelItem(0)->text(0);
            dlg->PageControl1->setCurrentIndex(1);
            edit = dlg->Edit1->text();
            dlg->ListBox2->setCurrentRow(2);
            effective = dlg->Marks();
            dlg->BTN_OK->click();
        });
        WaitForOtherRightsRuns();
        FileRights(*c);
        QTRY_VERIFY(script.Idle());
        QVERIFY2(script.unexpected.isEmpty(), qPrintable(script.unexpected.join(" | ")));
        QVERIFY(script.Texts(QStringLiteral("warning")).isEmpty());
        QVERIFY(script.Texts(QStringLiteral("information")).isEmpty());
        QCOMPARE(rootText, QStringLiteral("FS1_SYS:\\"));
        QCOMPARE(edit, QStringLiteral("SALES.CORP.JSMITH"));
        QCOMPARE(effective, kReadScan);
        QVERIFY(!QFile::exists(QStringLiteral("#FSR#9.TXT")));
        QVERIFY(ReadAll(QStringLiteral("#FSR#2.TXT")).rfind("NAME=MJONES\n", 0) == 0);

        // A drive mapped to what is no volume: each report holds RIGHTS's
        // complaint; nothing is shown but the warnings and the notice.
        Map("JSMITH.SALES.CORP");
        script.Then([](QWidget* w) { static_cast<TFRM_FSRIGHTS*>(w)->BTN_OK->click(); });
        script.Then([](QWidget* w) { QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 30000); });
        script.Ok().Ok().Ok();
        WaitForOtherRightsRuns();
        FileRights(*c);
        QTRY_VERIFY(script.Idle());
        Map("FS1_SYS.CORP");
        QCOMPARE(
            script.Texts(QStringLiteral("warning")),
            (QStringList{"Error in report file: #FSR#1.TXT.\nError on line : 1\nNAME expected.",
                         "Error in report file: #FSR#2.TXT.\nError on line : 1\nNAME expected."}));
        QCOMPARE(script.Texts(QStringLiteral("information")),
                 QStringList{"No reports were successfully imported."});
        QVERIFY(script.unexpected.isEmpty());

        // Cancel in the chooser: nothing runs.
        script.Clear();
        QFile::remove(QStringLiteral("QVD_FSR.BAT"));
        script.Cancel();
        WaitForOtherRightsRuns();
        FileRights(*c);
        QTRY_VERIFY(script.Idle());
        QVERIFY(!QFile::exists(QStringLiteral("QVD_FSR.BAT")));

        // Another rights report running: refused before anything is asked.
        {
            TitledProcess other("CoMMand.CoM /C QVD_DSR.BAT");
            QVERIFY(other.Visible());
            script.Ok();
            FileRights(*c);
            QTRY_VERIFY(script.Idle());
        }
        QCOMPARE(script.Texts(QStringLiteral("information")),
                 QStringList{"There is currently an instance of \"DSRIGHTS\" or \"RIGHTS\" "
                             "running.\nThis instance must be termintated before continuing."});
        QVERIFY(script.unexpected.isEmpty());
        c->Design().DropChanges();
    }
};

QTEST_MAIN(FileRightsTest)
#include "file_rights_test.moc"
