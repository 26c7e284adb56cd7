// The desktop program driven through its real windows on the offscreen
// platform; every modal box is answered by the script.
#include "app_fixture.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/dialogs.h"
#include "gui/core/mdi_child.h"
#include "gui/edit/edit_dialogs.h"
#include "gui/reports/warning_settings_dlg.h"
#include "gui/shell/mdi_app.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

namespace {

const char* const kRingReport = "REPORT TITLE: DSD LIST REPLICA RINGS\n"
                                "REPORT VERSION: 0.8\n"
                                "PARTITION: \\CORP_TREE\n"
                                "REPLICA RING\n"
                                "STATUS\n"
                                "NUMB\n"
                                "1 1 M ON                                    X "
                                "\\CORP_TREE\\O=CORP\\CN=FS1 END\n"
                                "PARTITION: \\CORP_TREE\\O=CORP\\OU=SALES\n"
                                "REPLICA RING\n"
                                "STATUS\n"
                                "NUMB\n"
                                "1 1 M ON                                    X "
                                "\\CORP_TREE\\O=CORP\\OU=SALES\\CN=FS2 END\n"
                                "2 1 RW ON                                   X "
                                "\\CORP_TREE\\O=CORP\\CN=FS1 END\n"
                                "REPLICAS\n";

const char* const kNlistReport = "Current context: SALES.CORP\n"
                                 "Partial Name                                   Object Class\n"
                                 "---------------------------------------------- ------------\n"
                                 "JSMITH                                         User\n"
                                 "JSMYTHE                                        User\n"
                                 "MJONES                                         User\n"
                                 "A total of 3 objects was found in this context.\n";

} // namespace

class GuiTest : public AppTest {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Write(const QString& name, const QByteArray& content) {
        QFile f(Path(name));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(content);
        return Path(name);
    }
    QAction* Item(const char* name) const {
        return app_->menuBar()->findChild<QAction*>(QLatin1String(name));
    }
    QMenu* Menu(const char* name) const {
        return app_->menuBar()->findChild<QMenu*>(QLatin1String(name));
    }
    bool Enabled(const char* name) {
        app_->UpdateAllMenus();
        return Item(name)->isEnabled();
    }
    // As the user does it: the menu opens (deciding its enabling), then the item.
    void Trigger(const char* name) {
        app_->UpdateAllMenus();
        Item(name)->trigger();
    }
    TMDIChild* Active() const { return app_->ActiveChild(); }
    int OpenWindows() const {
        int n = 0;
        for (TMDIChild* c : app_->Children())
            if (!c->Freed())
                ++n;
        return n;
    }
    QString LabelText(TMDIChild* c, const char* name) {
        return c->findChild<QLabel*>(QLatin1String(name))->text();
    }
    // Selects a node by clicking its row in the tree view.
    void SelectInTree(TMDIChild* c, const QString& name) {
        QTreeView* tree = c->TreeView1();
        QModelIndexList found =
            tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, name, 1,
                                 Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(!found.isEmpty(), qPrintable(name));
        tree->setCurrentIndex(found.first());
    }
    void ImportRingReport() {
        QString report = Write(QStringLiteral("rings.rpt"), kRingReport);
        script_->ChooseFile(report);
        Trigger("ImportDSDiagReport1");
        QVERIFY(script_->Idle());
    }
    void Settle() {
        QTRY_VERIFY(script_->Idle());
        QCoreApplication::processEvents();
    }

private slots:
    void init() { StartApp({}); }

    void cleanup() { FinishApp(); }

    // ---------------------------------------------------------------- menus

    void menusWithoutDesignWindow() {
        for (const char* on : {"New1", "Open1", "Exit1", "MM_DISCOVER_TREE", "ImportDSDiagReport1",
                               "ChangeWarningSettings1"})
            QVERIFY2(Enabled(on), on);
        for (const char* off : {"Save1",
                                "SaveAs1",
                                "Print1",
                                "PrintScreen1",
                                "Close1",
                                "FindServer1",
                                "FindText1",
                                "FindObject1",
                                "ImportDSVersionReport1",
                                "ImportUserReport1",
                                "MergeTrees1",
                                "CreateObject1",
                                "DeleteObject1",
                                "MoveObject1",
                                "CollapseAll1",
                                "ExpandAll1",
                                "Delete1",
                                "ChangeType1",
                                "ClearDSVersions1",
                                "SortObjects1",
                                "SortGridView1",
                                "LogToFile1",
                                "Casscade1",
                                "Tile1",
                                "WindowList1"})
            QVERIFY2(!Enabled(off), off);
        QVERIFY(!Menu("PrintMode1")->menuAction()->isEnabled());
    }

    void menusWithOneWindowFollowTheSelectionAndPage() {
        Trigger("New1");
        TMDIChild* c = Active();
        QVERIFY(c);
        QCOMPARE(c->windowTitle(), QStringLiteral("UNTITLED1.qvd"));
        QVERIFY(!Enabled("Save1"));
        for (const char* on : {"SaveAs1", "Close1", "FindServer1", "FindObject1", "MergeTrees1",
                               "ImportDSVersionReport1", "CollapseAll1", "WindowList1",
                               "SortObjects1", "LogToFile1"})
            QVERIFY2(Enabled(on), on);
        QVERIFY(!Enabled("FindText1"));
        QVERIFY(!Enabled("SortGridView1"));

        // [ROOT]: a container and a partition root holding the master replica.
        QVERIFY(Enabled("CreateObject1"));
        QVERIFY(!Enabled("CreatePartition1"));
        QVERIFY(!Enabled("MergePartition1"));
        QVERIFY(Enabled("AddReplica1"));
        QVERIFY(!Enabled("RenameObject1"));
        QVERIFY(!Enabled("DeleteObject1"));
        QVERIFY(!Enabled("Delete1")); // the master replica cannot be deleted

        SelectInTree(c, QStringLiteral("SERVER"));
        QVERIFY(!Enabled("CreateObject1"));
        QVERIFY(Enabled("MoveObject1"));
        QVERIFY(Enabled("RenameObject1"));
        QVERIFY(Enabled("DeleteObject1")); // leafless and childless: the refusal comes later
        SelectInTree(c, QStringLiteral("ORGANIZATION"));
        QVERIFY(Enabled("CreatePartition1"));
        QVERIFY(!Enabled("MoveObject1"));

        // A change enables Save.
        Trigger("CreatePartition1");
        Settle();
        QVERIFY(c->Design().Flags().modified);
        QVERIFY(Enabled("Save1"));
        QVERIFY(Enabled("MergePartition1"));

        // Other pages: Tree, View and Replica follow the tree page.
        c->PageControl1()->setCurrentIndex(TMDIChild::kReportsPage);
        QVERIFY(Enabled("FindText1"));
        QVERIFY(!Enabled("FindServer1"));
        QVERIFY(!Enabled("SortObjects1"));
        QVERIFY(!Menu("Tree1")->menuAction()->isEnabled());
        QVERIFY(!Menu("Replica1")->menuAction()->isEnabled());
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        QVERIFY(!Enabled("FindText1"));
        QVERIFY(Enabled("SortGridView1"));
        c->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
        QVERIFY(Menu("Tree1")->menuAction()->isEnabled());
    }

    void popupMenuRules() {
        Trigger("New1");
        TMDIChild* c = Active();
        c->UpdatePopupMenu1();
        auto on = [c](const char* name) {
            return c->PopupMenu1()->findChild<QAction*>(QLatin1String(name))->isEnabled();
        };
        QVERIFY(on("CreateObject1"));
        QVERIFY(!on("RenameObject1"));
        QVERIFY(!on("CompareSchema1"));
        SelectInTree(c, QStringLiteral("SERVER"));
        c->UpdatePopupMenu1();
        QVERIFY(on("CompareSchema1"));
        QVERIFY(!on("VerifyUserDefaultServer1"));
        QVERIFY(on("ExpandObject1"));
        c->UpdatePopupMenu2();
        auto on2 = [c](const char* name) {
            return c->PopupMenu2()->findChild<QAction*>(QLatin1String(name))->isEnabled();
        };
        QVERIFY(on2("GotoObject1"));
        QVERIFY(!on2("DeleteReplica1")); // "[ROOT]*MASTER*"
    }

    // ---------------------------------------------------------------- files

    void untitledCounterKeepsCounting() {
        Trigger("New1");
        Trigger("Close1");
        Trigger("New1");
        Trigger("Close1");
        Trigger("New1");
        QCOMPARE(Active()->windowTitle(), QStringLiteral("UNTITLED3.qvd"));
        QCOMPARE(app_->ShortNames(), QStringList{QStringLiteral("UNTITLED3.qvd")});
    }

    void newThenSaveAsksForANameAndReopens() {
        Trigger("New1");
        TMDIChild* c = Active();
        const QString path = Path(QStringLiteral("first.qvd"));
        script_->ChooseFile(path);
        c->Design().MarkDiffersFromFile();
        Trigger("Save1");
        Settle();
        QCOMPARE(script_->seen.size(), std::size_t{1}); // the save dialog, nothing else
        QVERIFY(QFile::exists(path));
        QCOMPARE(c->windowTitle(), path);
        QVERIFY(!c->Design().Flags().modified);
        QCOMPARE(app_->ShortNames(), QStringList{QStringLiteral("first.qvd")});
        QCOMPARE(app_->FullNames(), QStringList{path});

        // Saving again writes in place without asking.
        c->Design().MarkDiffersFromFile();
        Trigger("Save1");
        QCOMPARE(script_->seen.size(), std::size_t{1});

        script_->ChooseFile(path);
        Trigger("Open1");
        Settle();
        QCOMPARE(OpenWindows(), 2);
        TMDIChild* reopened = Active();
        QVERIFY(reopened != c);
        QCOMPARE(reopened->windowTitle(), path);
        QCOMPARE(LabelText(reopened, "Label1"), QStringLiteral("Object: [ROOT]"));
        QCOMPARE(LabelText(reopened, "Label3"), QStringLiteral("Replica Count: 1"));
        QVERIFY(!reopened->Design().Flags().modified);
    }

    void saveAsOverExistingFileAsksFirst() {
        const QString path = Write(QStringLiteral("taken.qvd"), "old");
        Trigger("New1");
        script_->ChooseFile(path).Yes();
        Trigger("SaveAs1");
        Settle();
        QStringList asked = script_->Texts(QStringLiteral("warning"));
        QCOMPARE(asked.size(), 1);
        QVERIFY(asked.first().contains(QStringLiteral("already exists")));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.size() > 24); // a design file replaced the three bytes
    }

    void closingAModifiedDesignAsks() {
        Trigger("New1");
        Active()->Design().MarkDiffersFromFile();
        script_->No();
        Trigger("Close1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("UNTITLED1.qvd has changed.. Save?")});
        QCOMPARE(OpenWindows(), 0);
        QVERIFY(app_->ShortNames().isEmpty());

        // Unmodified: no question at all.
        Trigger("New1");
        Trigger("Close1");
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 1);
    }

    void closingTheMainWindowAsksPerModifiedDesignThenStoresSettings() {
        const QString ini = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) +
                            QStringLiteral("/Quorvane/Quorvane.ini");
        QFile::remove(ini);
        Trigger("New1");
        Active()->Design().MarkDiffersFromFile();
        Trigger("New1");
        Active()->Design().MarkDiffersFromFile();
        script_->No().No();
        QVERIFY(app_->close());
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 2);
        QVERIFY(QFile::exists(ini));
    }

    void exitAsksFirst() {
        script_->No();
        Trigger("Exit1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("Are you sure you want to exit Quorvane?")});
        QVERIFY(app_->isVisible());
    }

    void openingAFileThatIsNotADesignClosesItsWindow() {
        const QString path = Write(QStringLiteral("junk.qvd"), "not a design file at all");
        script_->ChooseFile(path).Ok();
        Trigger("Open1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("Illegal file format on file: ") + path});
        QTRY_COMPARE(OpenWindows(), 0);
        QVERIFY(app_->FullNames().isEmpty());
    }

    void windowListBringsEveryMatchingWindowToTheFront() {
        const QString path = Path(QStringLiteral("same.qvd"));
        TreeDesign d;
        NewDesign(d, 1);
        d.designFileName = path.toStdString();
        QVERIFY(WriteDesignFile(d));
        script_->ChooseFile(path);
        Trigger("Open1");
        TMDIChild* first = Active();
        Trigger("New1");
        script_->ChooseFile(path);
        Trigger("Open1");
        TMDIChild* second = Active();
        Trigger("New1");
        QCOMPARE(app_->ShortNames(),
                 (QStringList{"same.qvd", "UNTITLED1.qvd", "same.qvd", "UNTITLED2.qvd"}));
        QList<TMDIChild*> activated;
        QMetaObject::Connection watch =
            connect(app_->MdiArea(), &QMdiArea::subWindowActivated, this,
                    [&](QMdiSubWindow* w) { activated << qobject_cast<TMDIChild*>(w); });
        script_->Then([](QWidget* w) { static_cast<QDialog*>(w)->accept(); }); // first row
        Trigger("WindowList1");
        Settle();
        disconnect(watch);
        activated.removeAll(nullptr);
        QCOMPARE(activated, (QList<TMDIChild*>{first, second}));
        QCOMPARE(Active(), second);
    }

    // ---------------------------------------------------------------- imports

    void treePageAfterAReplicaRingImport() {
        ImportRingReport();
        TMDIChild* c = Active();
        QVERIFY(c);
        QCOMPARE(c->windowTitle(), QStringLiteral("UNTITLED1.qvd"));
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: [ROOT]"));
        QCOMPARE(LabelText(c, "Label2"), QStringLiteral("Subordinate Objects: 1"));
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 1"));
        QCOMPARE(c->ListBox1()->model()->index(0, 0).data().toString(), QStringLiteral("FS1"));

        SelectInTree(c, QStringLiteral("CORP")); // not a partition root
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: CORP"));
        QCOMPARE(LabelText(c, "Label2"), QStringLiteral("Subordinate Objects: 2"));
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 0"));
        // Rows: 0xBB, class, "*", the leaf entry; sorted on that text.
        QAbstractItemModel* leaves = c->LB_LEAFOBJS()->model();
        QCOMPARE(leaves->rowCount(), 2);
        QCOMPARE(leaves->index(0, 0).data(Qt::UserRole + 1).toString(),
                 QString::fromLatin1("\xBB"
                                     "2*SALES\xBF\xBC"
                                     "2"));
        QCOMPARE(leaves->index(1, 0).data().toString(), QStringLiteral("FS1"));

        SelectInTree(c, QStringLiteral("SALES"));
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: SALES.CORP"));
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 2"));
        QVERIFY(!c->ReplicaListShowsServer());

        SelectInTree(c, QStringLiteral("FS1"));
        QVERIFY(c->ReplicaListShowsServer());
        QCOMPARE(LabelText(c, "Label2"), QStringLiteral("Subordinate Objects: 0"));
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 2"));
        // Go to object from a server's replica: the partition's root node.
        QAbstractItemModel* rows = c->ListBox1()->model();
        for (int r = 0; r < rows->rowCount(); ++r)
            if (rows->index(r, 0).data().toString() == QStringLiteral("SALES.CORP"))
                c->ListBox1()->setCurrentIndex(rows->index(r, 0));
        c->GotoObject();
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: SALES.CORP"));
    }

    void deleteKeyOnAMasterIsRefused() {
        ImportRingReport();
        TMDIChild* c = Active();
        SelectInTree(c, QStringLiteral("SALES"));
        QListView* replicas = c->ListBox1();
        int master = -1;
        for (int r = 0; r < replicas->model()->rowCount(); ++r)
            if (replicas->model()
                    ->index(r, 0)
                    .data(Qt::UserRole + 1)
                    .toString()
                    .endsWith(QStringLiteral("*MASTER*")))
                master = r;
        QVERIFY(master >= 0);
        replicas->setCurrentIndex(replicas->model()->index(master, 0));
        script_->Ok();
        QTest::keyClick(replicas, Qt::Key_Delete);
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("Master replicas and Subordinate Reference replicas "
                                            "cannot be deleted.")});
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 2"));
        QVERIFY(!Enabled("Delete1"));

        // The read/write replica goes.
        replicas->setCurrentIndex(replicas->model()->index(master == 0 ? 1 : 0, 0));
        QVERIFY(Enabled("Delete1"));
        script_->Yes();
        QTest::keyClick(replicas, Qt::Key_Delete);
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("Are you sure you want to delete this replica?")});
        // The server keeps a subordinate reference in place of its read/write replica.
        QStringList left;
        for (int r = 0; r < replicas->model()->rowCount(); ++r)
            left << replicas->model()->index(r, 0).data(Qt::UserRole + 1).toString();
        QCOMPARE(left, (QStringList{"FS1*SUB/REF*", "FS2*MASTER*"}));
    }

    void addReplicaChangeTypeAndMoveThroughTheirDialogs() {
        ImportRingReport();
        TMDIChild* c = Active(); // [ROOT] selected: FS1 holds its master
        script_->Then([](QWidget* w) {
            QVERIFY(!w->findChild<QRadioButton*>(QStringLiteral("RB_MASTER"))->isEnabled());
            QVERIFY(w->findChild<QRadioButton*>(QStringLiteral("RB_RW"))->isChecked());
            w->findChild<QComboBox*>(QStringLiteral("CB_SERVERS"))
                ->setCurrentText(QStringLiteral("FS2"));
            w->findChild<QRadioButton*>(QStringLiteral("RB_RO"))->setChecked(true);
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("AddReplica1");
        Settle();
        QCOMPARE(LabelText(c, "Label3"), QStringLiteral("Replica Count: 2"));
        QListView* replicas = c->ListBox1();
        auto rows = [replicas] {
            QStringList out;
            for (int r = 0; r < replicas->model()->rowCount(); ++r)
                out << replicas->model()->index(r, 0).data(Qt::UserRole + 1).toString();
            return out;
        };
        QCOMPARE(rows(), (QStringList{"FS1*MASTER*", "FS2*READ/ONLY*"}));

        replicas->setCurrentIndex(replicas->model()->index(1, 0));
        script_->Then([](QWidget* w) {
            QVERIFY(!w->findChild<QComboBox*>(QStringLiteral("CB_SERVERS"))->isEnabled());
            w->findChild<QRadioButton*>(QStringLiteral("RB_RW"))->setChecked(true);
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("ChangeType1");
        Settle();
        QCOMPARE(rows(), (QStringList{"FS1*MASTER*", "FS2*READ/WRITE*"}));

        SelectInTree(c, QStringLiteral("FS2"));
        script_->Then([](QWidget* w) {
            QCOMPARE(w->findChild<QLineEdit*>(QStringLiteral("ED_FROM"))->text(),
                     QStringLiteral("FS2.SALES.CORP"));
            QVERIFY(!w->findChild<QPushButton*>(QStringLiteral("BTN_OK"))->isEnabled());
            w->findChild<QLineEdit*>(QStringLiteral("ED_TO"))->setText(QStringLiteral(" CORP "));
            w->findChild<QPushButton*>(QStringLiteral("BTN_OK"))->click();
        });
        Trigger("MoveObject1");
        Settle();
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: FS2.CORP"));
        script_->Clear(); // whatever the move reported
    }

    void individualAndReplicaReports() {
        ImportRingReport();
        TMDIChild* c = Active();
        SelectInTree(c, QStringLiteral("FS1"));
        QStringList panels;
        script_->Then([&panels](QWidget* w) {
            for (const char* p : {"PN_MASTER", "PN_RW", "PN_SUBREF"})
                panels
                    << w->findChild<QLabel*>(QLatin1String(p) + QStringLiteral("_Caption"))->text();
            panels << w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text();
            static_cast<QDialog*>(w)->accept();
        });
        c->PopupMenu2()->findChild<QAction*>(QStringLiteral("ReplicaReport1"))->trigger();
        Settle();
        QCOMPARE(panels, (QStringList{"Master: 1", "Read/Write: 1", "Sub/Ref: 0", "FS1.CORP"}));

        SelectInTree(c, QStringLiteral("SALES"));
        QString report;
        script_->Then([&report](QWidget* w) {
            report = static_cast<TErrReportDlg*>(w)->TreeReport()->toPlainText();
            static_cast<QDialog*>(w)->accept();
        });
        c->PopupMenu1()->findChild<QAction*>(QStringLiteral("PrintRepList"))->trigger();
        Settle();
        QVERIFY(report.startsWith(QStringLiteral("***INDIVIDUAL PARTITION REPORT***")));
        QVERIFY(report.contains(QStringLiteral("Partition: SALES.CORP")));
        QVERIFY(c->findChild<QLabel*>(QStringLiteral("Label1"))->isVisible());
    }

    void editServerAddsATcpipAddress() {
        ImportRingReport();
        TMDIChild* c = Active();
        SelectInTree(c, QStringLiteral("FS1"));
        bool refused = false, othersLocked = false;
        script_->Then([](QWidget* w) {
            QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                     QStringLiteral("SERVER: FS1"));
            QVERIFY(!w->findChild<QPushButton*>(QStringLiteral("BTN_DELETE"))->isEnabled());
            w->findChild<QPushButton*>(QStringLiteral("BTN_ADD"))->click();
            w->findChild<QPushButton*>(QStringLiteral("BTN_CLOSE"))->click();
        });
        script_->Then([&](QWidget* w) {
            auto* one = w->findChild<QLineEdit*>(QStringLiteral("ED_ONE"));
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("BTN_OK"));
            one->selectAll();
            QTest::keyClicks(one, QStringLiteral("256"));
            refused = !ok->isEnabled();
            othersLocked = !w->findChild<QLineEdit*>(QStringLiteral("ED_TWO"))->isEnabled();
            QTest::keyClick(one, Qt::Key_Backspace);
            ok->click();
        });
        c->PopupMenu1()->findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
        Settle();
        QVERIFY(refused);
        QVERIFY(othersLocked);
        int i = c->Design().servers.FindLast("FS1");
        QCOMPARE(c->Design().attributes.Entries(static_cast<std::size_t>(i)),
                 (ReplicaList{"IPX:00000000", "TCPIP:25.0.0.0"}));
        QVERIFY(c->Design().Flags().modified);
    }

    void createObjectChoosesAClassThenAName() {
        Trigger("New1");
        TMDIChild* c = Active();
        SelectInTree(c, QStringLiteral("ORGANIZATION"));
        const int before = c->LeafRowCount();
        QStringList labels;
        script_->Then([&labels](QWidget* w) {
            auto* avail = w->findChild<QListWidget*>(QStringLiteral("LB_Avail"));
            QList<QListWidgetItem*> user =
                avail->findItems(QStringLiteral("USER"), Qt::MatchExactly);
            QCOMPARE(user.size(), 1);
            avail->setCurrentItem(user.first());
            w->findChild<QPushButton*>(QStringLiteral("BTN_ADD"))->click();
            labels << w->findChild<QLabel*>(QStringLiteral("LBL_Show"))->text()
                   << w->findChild<QLabel*>(QStringLiteral("LBL_Avail"))->text();
            w->findChild<QPushButton*>(QStringLiteral("BTN_OK"))->click();
        });
        script_->Then([](QWidget* w) {
            QCOMPARE(w->findChild<QLineEdit*>(QStringLiteral("ED_CLASS"))->text(),
                     QStringLiteral("USER"));
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("BTN_OK"));
            QVERIFY(!ok->isEnabled());
            w->findChild<QLineEdit*>(QStringLiteral("ED_OBJNAME"))
                ->setText(QStringLiteral("J.DOE"));
            ok->click();
        });
        script_->No(); // do not turn the containment message off
        Trigger("CreateObject1");
        Settle();
        QCOMPARE(labels, (QStringList{"Listed : 1", "Available : 96"}));
        QCOMPARE(c->LeafRowCount(), before + 1);
        QModelIndexList found = c->LB_LEAFOBJS()->model()->match(
            c->LB_LEAFOBJS()->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("J_DOE"));
        QCOMPARE(found.size(), 1);
        QVERIFY(c->Design().Flags().modified);
    }

    void findObjectSelectsEveryMatchingRow() {
        ImportRingReport();
        TMDIChild* c = Active();
        const QString objects = Write(QStringLiteral("objects.rpt"), kNlistReport);
        script_->ChooseFile(objects);
        Trigger("ImportUserReport1");
        Settle();
        SelectInTree(c, QStringLiteral("SALES"));
        QCOMPARE(c->LeafRowCount(), 4); // FS2 and the three users

        // Report Objects of every class lists the four.
        QString total;
        script_->Then([](QWidget* w) {
            w->findChild<QPushButton*>(QStringLiteral("BTN_RESET"))->click();
            w->findChild<QPushButton*>(QStringLiteral("BTN_OK"))->click();
        });
        script_->Then([&total](QWidget* w) {
            total = w->findChild<QLineEdit*>(QStringLiteral("ED_TOTAL"))->text();
            static_cast<QDialog*>(w)->accept();
        });
        c->PopupMenu3()->findChild<QAction*>(QStringLiteral("Report1"))->trigger();
        Settle();
        QCOMPARE(total, QStringLiteral("4"));

        auto find = [this](const QString& text, bool notFound = false) {
            script_->Then([text](QWidget* w) {
                w->findChild<QLineEdit*>(QStringLiteral("ED_FIND"))->setText(text);
                static_cast<QDialog*>(w)->accept();
            });
            if (notFound)
                script_->Ok();
            Trigger("FindObject1");
            Settle();
        };
        find(QStringLiteral("JSM"));
        QModelIndexList rows = c->LB_LEAFOBJS()->selectionModel()->selectedRows();
        QCOMPARE(rows.size(), 2);
        for (const QModelIndex& i : rows)
            QVERIFY(i.data().toString().startsWith(QStringLiteral("JSM")));

        // The two found rows go with "Delete Leaf Objects" of the list's menu.
        c->UpdatePopupMenu3();
        QAction* del = c->PopupMenu3()->findChild<QAction*>(QStringLiteral("Delete1"));
        QVERIFY(del->isEnabled());
        QVERIFY(
            !c->PopupMenu3()->findChild<QAction*>(QStringLiteral("RenameObject2"))->isEnabled());
        script_->Yes();
        del->trigger();
        Settle();
        QCOMPARE(c->LeafRowCount(), 2);
        QCOMPARE(LabelText(c, "Label2"), QStringLiteral("Subordinate Objects: 2"));
        script_->Clear();

        find(QStringLiteral("ZZ"), true);
        QCOMPARE(script_->Texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("\"ZZ\" was not found.")});
        QCOMPARE(c->SelectedLeafCount(), 0);
    }

    void findServerSelectsTheServerOrSaysItIsMissing() {
        ImportRingReport();
        TMDIChild* c = Active();
        auto findServer = [this](const QString& text, bool notFound = false) {
            script_->Then([text](QWidget* w) {
                w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(text);
                static_cast<QDialog*>(w)->accept();
            });
            if (notFound)
                script_->Ok();
            Trigger("FindServer1");
            Settle();
        };
        findServer(QStringLiteral("fs2"));
        QCOMPARE(LabelText(c, "Label1"), QStringLiteral("Object: FS2.SALES.CORP"));
        findServer(QStringLiteral("NOPE"), true);
        QCOMPARE(script_->Texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("Server: NOPE does not exist.")});
    }

    void aFailingImportClosesItsWindow() {
        const QString bad = Write(QStringLiteral("bad.rpt"), "REPORT TITLE: SOMETHING ELSE\n");
        Trigger("New1");
        script_->ChooseFile(bad).Ok();
        Trigger("ImportDSDiagReport1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("information")).size(), 1);
        QVERIFY(script_->Texts(QStringLiteral("information"))
                    .first()
                    .startsWith(QStringLiteral("Error on line 1")));
        QTRY_COMPARE(OpenWindows(), 1); // the import's window went, the first one stays
        QCOMPARE(app_->ShortNames(), QStringList{QStringLiteral("UNTITLED1.qvd")});

        // Into the open design: a failing DS version import closes the active window.
        script_->Clear();
        script_->ChooseFile(bad).Ok();
        Trigger("ImportDSVersionReport1");
        Settle();
        QTRY_COMPARE(OpenWindows(), 0);
    }

    void mergeConflictsShowTheErrorReport() {
        const QString other = Path(QStringLiteral("other.qvd"));
        TreeDesign d;
        NewDesign(d, 1);
        d.designFileName = other.toStdString();
        QVERIFY(WriteDesignFile(d));
        Trigger("New1");
        QString report;
        script_->ChooseFile(other).Yes().Ok().Then([&report](QWidget* w) {
            auto* dlg = qobject_cast<TErrReportDlg*>(w);
            if (dlg && dlg->LogFile()->isHidden())
                report = dlg->TreeReport()->toPlainText();
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("MergeTrees1");
        Settle();
        QVERIFY(script_->Texts(QStringLiteral("question"))
                    .first()
                    .startsWith(QStringLiteral("This operation will merge tree :")));
        QVERIFY(script_->Texts(QStringLiteral("information"))
                    .first()
                    .startsWith(QStringLiteral("Merge was unsuccesful.")));
        QVERIFY(report.startsWith(QStringLiteral("**ERROR REPORT OF TREE MERGE**")));
        QVERIFY(report.contains(QStringLiteral("Error: SERVER is a duplicate server")));
        QVERIFY(!Active()->Design().Flags().modified);
    }

    void analysisPagesAreBuiltWhenShown() {
        ImportRingReport();
        TMDIChild* c = Active();
        c->PageControl1()->setCurrentIndex(TMDIChild::kReportsPage);
        auto* box = c->findChild<QTextEdit*>(QStringLiteral("RE_PARTRPT"));
        QVERIFY(box->toPlainText().contains(QStringLiteral("SALES.CORP")));
        QVERIFY(!c->Design().Flags().reportStale[kPartitionReport]);
        QVERIFY(c->Design().Flags().reportStale[kServerReport]);

        // Find Text on the report page selects the occurrence.
        script_->Then([](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("ED_FIND"))->setText(QStringLiteral("sales"));
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("FindText1");
        Settle();
        QCOMPARE(box->textCursor().selectedText(), QStringLiteral("SALES"));

        // Sort Grid View asks once; a grid already sorted is left alone.
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        script_->Yes();
        Trigger("SortGridView1");
        Settle();
        Trigger("SortGridView1");
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 1);

        // The visible grid goes to a delimited file.
        const QString dlm = Path(QStringLiteral("grid.dlm"));
        script_->ChooseFile(dlm);
        c->findChild<QAbstractButton*>(QStringLiteral("SB_SAVEDLM"))->click();
        Settle();
        QFile f(dlm);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.contains("SALES.CORP"));
        QVERIFY(text.contains(','));
    }

    void operationLogIsViewedAndClearedPerWindow() {
        Trigger("New1");
        TMDIChild* c = Active();
        Trigger("LogToFile1");
        QVERIFY(Item("LogToFile1")->isChecked());
        SelectInTree(c, QStringLiteral("ORGANIZATION"));
        Trigger("CreatePartition1");
        Settle();
        QString shown;
        script_->Then([&shown](QWidget* w) {
            auto* dlg = qobject_cast<TErrReportDlg*>(w);
            if (dlg && dlg->TreeReport()->isHidden())
                shown = dlg->LogFile()->toPlainText();
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("ViewLogFile1");
        Settle();
        QVERIFY(shown.startsWith(QStringLiteral("Action: Create Partition")));
        Trigger("ClearLogFile1");
        QVERIFY(c->Design().log.Lines().empty());
        Trigger("LogToFile1");
        QVERIFY(!Item("LogToFile1")->isChecked());
    }

    // ---------------------------------------------------------------- settings

    void settingsDialogMessages() {
        auto& dlg = *app_->findChild<TFM_WARNINGSETTINGS*>();
        auto edit = [&dlg](const char* name) {
            return dlg.findChild<QLineEdit*>(QLatin1String(name));
        };
        auto press = [&dlg](const char* name) {
            dlg.findChild<QPushButton*>(QLatin1String(name))->click();
        };
        QCOMPARE(app_->Settings().Min5xDSVersion, 730);
        script_->Then([&](QWidget*) {
            QCOMPARE(edit("ED_5XMINDS")->text(), QStringLiteral("730"));
            QCOMPARE(edit("ED_5XMINDS")->maxLength(), 7);
            edit("ED_MAX_READABLES")->setText(QStringLiteral("1-2"));
            edit("ED_MAX_OBJS_PER_CONTAINER")->setText(QStringLiteral("5.0"));
            press("BTN_OK");
        });
        script_->Ok().Then([&](QWidget*) {
            edit("ED_MAX_READABLES")->setText(QStringLiteral("12"));
            edit("ED_MAX_OBJS_PER_CONTAINER")->setText(QStringLiteral("4000"));
            edit("ED_MIN_DSVERSION")->setText(QStringLiteral("700"));
            press("BTN_OK");
        });
        script_->Ok().Then([&](QWidget*) {
            edit("ED_MIN_DSVERSION")->setText(QStringLiteral("699"));
            edit("ED_5XMINDS")->setText(QStringLiteral("800"));
            press("BTN_OK");
        });
        script_->Ok().Then([&](QWidget*) {
            edit("ED_5XMINDS")->setText(QStringLiteral("799"));
            edit("ED_SKADSMINDS")->setText(QStringLiteral("799"));
            press("BTN_OK");
        });
        script_->Ok().Then([&](QWidget*) {
            edit("ED_SKADSMINDS")->setText(QStringLiteral("800"));
            press("BTN_OK");
        });
        Trigger("ChangeWarningSettings1");
        Settle();
        QCOMPARE(
            script_->Texts(QStringLiteral("warning")),
            (QStringList{QStringLiteral("Invalid input for field(s) : \n2,8."),
                         QStringLiteral("4.X DS Versions must be less than 699."),
                         QStringLiteral("5.X DS Versions must be between 700 and 799."),
                         QStringLiteral("SKADS DS Versions must be greater or equal to 800.")}));
        QCOMPARE(app_->Settings().MaxReadables, 12);
        QCOMPARE(app_->Settings().Min4xDSVersion, 699);
        QCOMPARE(app_->Settings().MinSkadsVersion, 800);

        // Reset to Defaults, then Cancel: nothing stored.
        script_->Clear();
        script_->Then([&](QWidget* w) {
            press("BTN_RESET");
            QCOMPARE(edit("ED_5XMINDS")->text(), QStringLiteral("736"));
            static_cast<QDialog*>(w)->reject();
        });
        Trigger("ChangeWarningSettings1");
        Settle();
        QCOMPARE(app_->Settings().Min5xDSVersion, 799);
    }

    void settingsSwitchesAreStoredOnlyAfterAClick() {
        Trigger("New1");
        TMDIChild* c = Active();
        for (ReportIndex r :
             {kPartitionReport, kServerReport, kRelationReport, kSchemaReport, kObjectReport,
              kServerSuggestions, kPartitionSuggestions, kObjectSuggestions})
            c->Design().MarkReportBuilt(r);
        auto& dlg = *app_->findChild<TFM_WARNINGSETTINGS*>();
        script_->Then([&dlg](QWidget*) {
            // Toggled by code: not a change of the user's.
            dlg.findChild<QCheckBox*>(QStringLiteral("CB_DUP_ADDR"))->setChecked(false);
            dlg.findChild<QPushButton*>(QStringLiteral("BTN_OK"))->click();
        });
        Trigger("ChangeWarningSettings1");
        Settle();
        QVERIFY(app_->Settings().CheckDupAddr);
        // Accepted: the three suggestion texts of the open designs are stale.
        QVERIFY(c->Design().Flags().reportStale[kServerSuggestions]);
        QVERIFY(c->Design().Flags().reportStale[kObjectSuggestions]);
        QVERIFY(!c->Design().Flags().reportStale[kPartitionReport]);

        script_->Then([&dlg](QWidget*) {
            dlg.findChild<QCheckBox*>(QStringLiteral("CB_DUP_ADDR"))->click();
            dlg.findChild<QPushButton*>(QStringLiteral("BTN_OK"))->click();
        });
        Trigger("ChangeWarningSettings1");
        Settle();
        QVERIFY(!app_->Settings().CheckDupAddr);
    }

    // ---------------------------------------------------------------- sorting, splitters

    void defaultSortingAsksAndSorts() {
        Trigger("New1");
        TMDIChild* c = Active();
        TreeDesign& d = c->Design();
        d.AddChild(d.Root(), "AAA", kClassOrganization);
        c->RefreshTreePage();
        QCOMPARE(d.Root()->Child(0)->Name(), std::string("ORGANIZATION"));
        script_->Yes();
        Trigger("SortAutomatically1");
        Settle();
        QVERIFY(Item("SortAutomatically1")->isChecked());
        QVERIFY(!Item("SortObjects1")->isVisible());
        QCOMPARE(d.Root()->Child(0)->Name(), std::string("AAA"));
        QVERIFY(d.Flags().modified);
        Trigger("SortAutomatically1"); // off again, without a question
        QVERIFY(!Item("SortAutomatically1")->isChecked());
        QVERIFY(Item("SortObjects1")->isVisible());
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 1);
    }

    // With QV_SCREENSHOT=<file.png>: the main window with the example tree, as a picture.
    void screenshotOfTheExampleTree() {
        const QString out = QString::fromLocal8Bit(qgetenv("QV_SCREENSHOT"));
        if (out.isEmpty())
            QSKIP("QV_SCREENSHOT not set");
        app_->resize(1000, 640);
        const QString examples = QStringLiteral(QV_SOURCE_DIR "/examples/");
        script_->ChooseFile(examples + QStringLiteral("corp_rings_v08.rpt"));
        Trigger("ImportDSDiagReport1");
        Settle();
        script_->ChooseFile(examples + QStringLiteral("corp_objects.rpt"));
        Trigger("ImportUserReport1");
        Settle();
        script_->Clear();
        TMDIChild* c = Active();
        QVERIFY(c);
        Trigger("ExpandAll1");
        SelectInTree(c, QStringLiteral("SALES"));
        QCoreApplication::processEvents();
        QVERIFY(app_->grab().save(out));
    }

    void splitterLimits() {
        Trigger("New1");
        TMDIChild* c = Active();
        auto* header = c->findChild<QHeaderView*>(QStringLiteral("HeaderControl1"));
        QCOMPARE(header->sectionSize(0), 251 + 2);
        QCOMPARE(header->sectionSize(1), 260 + 5 + 1);
        auto* panel2 = c->findChild<QWidget*>(QStringLiteral("Panel2"));
        auto drag = [](QWidget* panel, int dx) {
            QTest::mouseMove(panel, QPoint(2, 10));
            QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(2, 10));
            QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(2 + dx, 10));
        };
        drag(panel2, 40);
        QCOMPARE(c->TreeView1()->width(), 291);
        QCOMPARE(c->LB_LEAFOBJS()->width(), 220);
        QCOMPARE(header->sectionSize(0), 293);
        drag(panel2, -290); // would leave less than 15 pixels of tree
        QCOMPARE(c->TreeView1()->width(), 291);
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    GuiTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "gui_test.moc"
