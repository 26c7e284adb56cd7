// The desktop program's finish: where undo and redo leave the selection, the
// replica rows' pictures, the order of the print questions, the icons of the
// refusals, the layouts of narrow windows and report windows, the help texts,
// the windows that new designs and the Compare window open with, and the file
// dialogs. Driven through the real windows on the offscreen platform.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "core/class_table.h"
#include "core/entries.h"
#include "files/design_file.h"
#include "gui/compare/compare_window.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/edit/tree_actions.h"
#include "gui/edit/tree_commands.h"
#include "gui/help/help_window.h"
#include "gui/print/print_commands.h"
#include "gui/print/print_status_dlg.h"
#include "gui/reports/class_chooser_dlg.h"
#include "gui/shell/mdi_app.h"
#include "gui/utilities/nds_rights_dialogs.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMdiArea>
#include <QMenuBar>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <memory>
#include <sys/stat.h>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::AppTest;
using qv::gui::test::ModalScript;

class RoughEdgesTest : public AppTest {
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
        QCoreApplication::processEvents();
    }
    TMDIChild* Active() const { return app_->ActiveChild(); }
    TMDIChild* OpenExample() {
        script_->ChooseFile(qv::gui::test::ExampleCopy("corp.qvd"));
        Trigger("Open1");
        Settle();
        return Active();
    }
    static void TypeName(QWidget* w, const QString& name) {
        w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(name);
        static_cast<QDialog*>(w)->accept();
    }
    // The first node in walk order that the test wants.
    static ObjectNode* First(TreeDesign& d, const std::function<bool(ObjectNode*)>& wanted) {
        ObjectNode* found = nullptr;
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            if (wanted(n))
                found = n;
            return found == nullptr;
        });
        return found;
    }

private slots:
    void init() { StartApp({.sized = true, .exposed = true}); }

    void cleanup() { FinishApp(); }

    // Undo and redo of Rename, Create Partition and Move select the node the
    // operation started on, wherever the selection went meanwhile.
    void undoAndRedoSelectWhereTheStepStarted() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        TreeDesign& d = c->Design();
        auto container = [](ObjectNode* n) {
            return n->Parent() && n->Parent()->Parent() && !n->IsPartitionRoot() &&
                   IsContainerClass(n->ClassIndex());
        };
        ObjectNode* ou = First(d, container);
        QVERIFY(ou);
        ObjectNode* server =
            First(d, [](ObjectNode* n) { return n->ClassIndex() == kClassServer; });
        QVERIFY(server);
        ObjectNode* partition = First(d, [&d](ObjectNode* n) {
            return n->Parent() && n->Parent() != d.Root()->Child(0) && n->IsPartitionRoot() &&
                   n->ClassIndex() == kClassOrgUnit;
        });
        QVERIFY(partition);

        struct Case {
            const char* item;
            ObjectNode* node;
            std::function<void(QWidget*)> answer;
        };
        const Case cases[] = {
            {"RenameObject1", ou, [](QWidget* w) { TypeName(w, QStringLiteral("RENAMEDOU")); }},
            {"CreatePartition1", ou, nullptr},
            {"MoveObject1", partition,
             [&d](QWidget* w) {
                 w->findChild<QLineEdit*>(QStringLiteral("ED_TO"))
                     ->setText(FromModel(d.FullContext(d.Root()->Child(0))));
                 static_cast<QDialog*>(w)->accept();
             }},
        };
        for (const Case& k : cases) {
            c->SelectNode(k.node);
            if (k.answer)
                script_->Then(k.answer);
            Trigger(k.item);
            Settle();
            QVERIFY2(c->Design().History().CanUndo(), k.item);
            for (bool undo : {true, false}) {
                c->SelectNode(server);
                Trigger(undo ? "Undo1" : "Redo1");
                Settle();
                QVERIFY2(c->SelectedNode() == k.node, k.item);
                QCOMPARE(c->TreeView1()->currentIndex().data().toString(),
                         FromModel(k.node->Name()));
            }
        }
    }

    // A selected replica row shows the row's highlight through the white of
    // the bitmap.
    void replicaBitmapsAreTransparentOnASelectedRow() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        c->SelectNode(c->Design().Root());
        QListView* list = c->ListBox1();
        QVERIFY(list->model()->rowCount() > 0);
        const QModelIndex row = list->model()->index(0, 0);
        list->setCurrentIndex(row);
        list->selectionModel()->select(row, QItemSelectionModel::ClearAndSelect);
        const std::string entry = ToModel(row.data(ReplicaListModel::EntryRole).toString());
        const QImage bitmap = app_->Images().ReplicaBitmap(EntryType(entry)).toImage();
        QVERIFY(!bitmap.isNull());
        // A pixel that is white in the drawn bitmap, so transparent.
        QPoint white(-1, -1);
        for (int y = 0; y < bitmap.height() && white.x() < 0; ++y)
            for (int x = 0; x < bitmap.width(); ++x)
                if (bitmap.pixelColor(x, y).alpha() == 0) {
                    white = QPoint(x, y);
                    break;
                }
        QVERIFY(white.x() >= 0);
        const QRect r = list->visualRect(row);
        const QImage shown = list->viewport()->grab().toImage();
        const QColor pixel = shown.pixelColor(r.left() + 5 + white.x(), r.top() + white.y());
        QVERIFY2(pixel != QColor(Qt::white), qPrintable(pixel.name()));
        const QPalette pal = list->palette();
        QVERIFY2(pixel == pal.color(QPalette::Active, QPalette::Highlight) ||
                     pixel == pal.color(QPalette::Inactive, QPalette::Highlight),
                 qPrintable(pixel.name()));
    }

    // File > Print: the print dialog (here the delivery) comes first, the
    // test page question with the printout after it.
    void thePrintDialogComesBeforeTheTestPageQuestion() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        QTemporaryDir dir;
        QStringList order;
        SetPrintDelivery([&](QWidget*, const PrintRender& render) {
            order << QStringLiteral("print dialog, %1 questions before")
                         .arg(script_->Texts(QStringLiteral("question")).size());
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
            render(printer, false);
        });
        // The question, then the printing status dialog, closed with OK when the job ends.
        script_->No().Then([](QWidget* w) {
            auto* ok = w->findChild<QPushButton*>(QStringLiteral("BTN_OK"));
            QElapsedTimer waited;
            waited.start();
            while (ok && !ok->isVisible() && waited.elapsed() < 20000)
                QTest::qWait(10);
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("Print1");
        Settle();
        SetPrintDelivery({});
        QCOMPARE(order, QStringList{QStringLiteral("print dialog, 0 questions before")});
        QCOMPARE(script_->Texts(QStringLiteral("question")),
                 QStringList{QStringLiteral("Print test page only?")});
    }

    // A file that cannot be opened is told with the information icon.
    void failuresUseTheInformationIcon() {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("pipe.qvd"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        script_->ChooseFile(fifo).Ok();
        Trigger("Open1");
        Settle();
        QVERIFY(script_->Texts(QStringLiteral("error")).isEmpty());
        const QStringList shown = script_->Texts(QStringLiteral("information"));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.front().startsWith(QStringLiteral("Cannot open file")),
                 qPrintable(shown.front()));
    }

    // TFRM_DSRIGHTS: the "Tree View" section ends where the tree pane ends,
    // on showing, on resizing and when the splitter moves.
    void rightsHeaderSectionsLineUpWithThePanes() {
        TFRM_DSRIGHTS& dlg = TFRM_DSRIGHTS::Instance(app_->Images(), app_.get());
        auto check = [&dlg](const char* when) {
            QCoreApplication::processEvents();
            const int treeRight = dlg.TreeView1->mapTo(&dlg, QPoint(dlg.TreeView1->width(), 0)).x();
            const int listLeft = dlg.ListBox1->mapTo(&dlg, QPoint(0, 0)).x();
            const int split = dlg.HeaderControl1->mapTo(&dlg, QPoint(0, 0)).x() +
                              dlg.HeaderControl1->sectionViewportPosition(1);
            QVERIFY2(split >= treeRight && split <= listLeft,
                     qPrintable(QStringLiteral("%1: section at %2, panes at %3..%4")
                                    .arg(QLatin1String(when))
                                    .arg(split)
                                    .arg(treeRight)
                                    .arg(listLeft)));
        };
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        check("shown");
        dlg.resize(900, 500);
        check("resized");
        dlg.Splitter1->setSizes({150, 600});
        check("splitter moved");
        dlg.hide();
    }

    // Window > Tile with three windows in a small frame: the radio captions
    // and the export button stay whole, and each tree page pane keeps a width.
    void narrowWindowsKeepTheirControlsWhole() {
        app_->resize(700, 500);
        for (int i = 0; i < 3; ++i)
            Trigger("New1");
        Trigger("Tile1");
        QCoreApplication::processEvents();
        for (TMDIChild* c : app_->Children()) {
            QVERIFY(c->width() < 400);
            for (int page = 0; page < c->PageControl1()->count(); ++page) {
                c->PageControl1()->setCurrentIndex(page);
                QCoreApplication::processEvents();
                QWidget* shown = c->PageControl1()->currentWidget();
                for (QAbstractButton* b : shown->findChildren<QAbstractButton*>()) {
                    if (!b->isVisibleTo(shown) || b->objectName().startsWith(QLatin1String("BTN_")))
                        continue;
                    QVERIFY2(
                        b->width() >= b->sizeHint().width(),
                        qPrintable(
                            b->objectName() +
                            QStringLiteral(" %1 < %2").arg(b->width()).arg(b->sizeHint().width())));
                }
            }
            c->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
            QCoreApplication::processEvents();
            for (QWidget* pane :
                 std::initializer_list<QWidget*>{c->TreeView1(), c->LB_LEAFOBJS(), c->ListBox1()})
                QVERIFY2(pane->width() >= 40, qPrintable(pane->objectName()));
        }
    }

    // Help: the texts are wrapped once, by the window; every topic title is
    // whole; Undo, Redo and Compare With have topics.
    void helpTextsWrapOnceAndTitlesAreWhole() {
        TFM_HELP* help = app_->findChild<TFM_HELP*>();
        QVERIFY(help);
        help->show();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTreeWidget* tree = help->TV_HELP();
        tree->expandAll();
        QCoreApplication::processEvents();
        const QFontMetrics fm(tree->font());
        for (QTreeWidgetItemIterator it(tree); *it; ++it) {
            const QRect r = tree->visualItemRect(*it);
            QVERIFY2(r.left() + fm.horizontalAdvance((*it)->text(0)) <= tree->viewport()->width(),
                     qPrintable((*it)->text(0)));
        }
        for (const char* topic : {"Undo", "Redo", "Compare With"}) {
            QVERIFY2(help->SelectTopic(topic), topic);
            QVERIFY2(!help->RE_HELP()->toPlainText().isEmpty(), topic);
        }
        // A paragraph of the ring report topic is one line of the text: the
        // window breaks it where its width ends.
        QVERIFY(help->SelectTopic("Import Replica Ring Report"));
        const QString text = help->RE_HELP()->toPlainText();
        QVERIFY(text.contains(QStringLiteral("cannot read the tree (for example when the directory "
                                             "cannot be reached")));
        QVERIFY(text.contains(QStringLiteral("\n2. In \"Preferences\"")));
        QCOMPARE(help->RE_HELP()->lineWrapMode(), QTextEdit::WidgetWidth);
        help->hide();
    }

    // The printing status dialog's OK is whole; the preview zooms and counts pages.
    void printingStatusAndPreview() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        TFM_PRINTDLG dlg(app_.get());
        dlg.show();
        dlg.ShowOk();
        QCoreApplication::processEvents();
        auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("BTN_OK"));
        QVERIFY(ok && ok->isVisible());
        QVERIFY(ok->width() >= ok->sizeHint().width());
        QVERIFY(ok->height() >= ok->sizeHint().height());
        const QRect inDialog(ok->mapTo(&dlg, QPoint(0, 0)), ok->size());
        QVERIFY(dlg.rect().contains(inDialog));
        dlg.hide();

        SetPrintDelivery({});
        bool checked = false;
        script_->Then([&checked](QWidget* w) {
            auto* preview = w->findChild<QPrintPreviewWidget*>(QStringLiteral("PreviewWidget"));
            auto* in = w->findChild<QPushButton*>(QStringLiteral("BTN_ZOOMIN"));
            auto* out = w->findChild<QPushButton*>(QStringLiteral("BTN_ZOOMOUT"));
            auto* pages = w->findChild<QLabel*>(QStringLiteral("LBL_PAGES"));
            QVERIFY(preview && in && out && pages);
            QTRY_VERIFY(preview->pageCount() > 0);
            const qreal before = preview->zoomFactor();
            in->click();
            QVERIFY(preview->zoomFactor() > before);
            out->click();
            out->click();
            QVERIFY(preview->zoomFactor() < before);
            QCOMPARE(pages->text(), QStringLiteral("Page 1 of %1").arg(preview->pageCount()));
            checked = true;
            static_cast<QDialog*>(w)->reject();
        });
        Trigger("Print1");
        Settle();
        QVERIFY(checked);
        QVERIFY(script_->Texts(QStringLiteral("question")).isEmpty());
    }

    // New opens with the first level under [ROOT] shown, as Open does.
    void newShowsTheFirstLevel() {
        Trigger("New1");
        TMDIChild* c = Active();
        QVERIFY(c);
        QTreeView* tree = c->TreeView1();
        QVERIFY(tree->isExpanded(tree->model()->index(0, 0)));
        TMDIChild* opened = OpenExample();
        QVERIFY(opened->TreeView1()->isExpanded(opened->TreeView1()->model()->index(0, 0)));
    }

    // The class chooser keeps one choice for Report Objects and another for
    // Create Object: Add All for the report does not become 95 create dialogs.
    void reportObjectsChoiceStaysWithReportObjects() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        ObjectNode* withLeaves = First(c->Design(), [](ObjectNode* n) {
            return n->Leaves() && !n->Leaves()->empty() && IsContainerClass(n->ClassIndex());
        });
        QVERIFY(withLeaves);
        c->SelectNode(withLeaves);
        QVERIFY(c->LeafRowCount() > 0);
        script_->Then([](QWidget* w) {
            auto* chooser = qobject_cast<TFM_RPTCONFIG*>(w);
            chooser->BTN_RESETClick();
            chooser->accept();
        });
        script_->Cancel(); // the search result window
        CommandsOf(*c).ReportObjects();
        Settle();
        QVERIFY(app_->findChild<TFM_RPTCONFIG*>()->SelectedClasses().Count() > 90);

        // Create Object shows the chooser with its own (empty) choice.
        int listed = -1;
        script_->Then([&listed](QWidget* w) {
            listed = w->findChild<QListWidget*>(QStringLiteral("LB_Show"))->count();
            static_cast<QDialog*>(w)->accept();
        });
        script_->Ok(); // "Nothing was selected."
        c->SelectNode(c->Design().Root()->Child(0));
        Trigger("CreateObject1");
        Settle();
        QCOMPARE(listed, 0);
        QCOMPARE(script_->Texts(QStringLiteral("message")),
                 QStringList{QStringLiteral("Nothing was selected.")});
    }

    // The Compare window opens over the frame; a selected difference is
    // shown on the Tree View page.
    void compareWindowOpensOverItsFrame() {
        app_->move(200, 150);
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        c->PageControl1()->setCurrentIndex(TMDIChild::kReportsPage);
        QCoreApplication::processEvents();
        script_->ChooseFile(QStringLiteral(QV_SOURCE_DIR "/examples/branch.qvd"));
        Trigger("CompareWith1");
        Settle();
        auto* compare = c->findChild<TFRM_COMPARE*>();
        QVERIFY(compare);
        QVERIFY(compare->isVisible());
        QVERIFY2(app_->frameGeometry().contains(compare->frameGeometry().center()),
                 qPrintable(QStringLiteral("%1,%2").arg(compare->x()).arg(compare->y())));
        QTreeWidget* diffs = compare->Differences();
        QTreeWidgetItem* pick = nullptr;
        for (QTreeWidgetItemIterator it(diffs); *it && !pick; ++it)
            if ((*it)->parent() && c->Design().FindNodeByContext(
                                       (*it)->data(0, Qt::UserRole + 1).toString().toStdString()))
                pick = *it;
        QVERIFY(pick);
        diffs->setCurrentItem(pick);
        QCoreApplication::processEvents();
        QCOMPARE(c->ActivePage(), static_cast<int>(TMDIChild::kTreePage));
        QVERIFY(c->SelectedNode());
        compare->close();
    }

    // File dialogs open in the active design's folder (or the last one
    // used), wide enough for their columns.
    void fileDialogsOpenInTheDesignsFolder() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        const QString folder = QFileInfo(FromModel(c->Design().designFileName)).absolutePath();
        QString shownFolder;
        bool columnsFit = false;
        script_->Then([&](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            QVERIFY(dlg);
            shownFolder = dlg->directory().absolutePath();
            if (auto* view = dlg->findChild<QTreeView*>(QStringLiteral("treeView"))) {
                QCoreApplication::processEvents();
                columnsFit = view->header()->length() <= view->viewport()->width() + 1;
            }
            dlg->reject();
        });
        Trigger("CompareWith1");
        Settle();
        QCOMPARE(shownFolder, folder);
        QVERIFY(columnsFit);

        // Without a design window: the folder the last dialog chose.
        QTemporaryDir other;
        QFile::copy(QStringLiteral(QV_SOURCE_DIR "/examples/branch.qvd"),
                    other.filePath(QStringLiteral("branch.qvd")));
        script_->ChooseFile(other.filePath(QStringLiteral("branch.qvd")));
        Trigger("Open1");
        Settle();
        for (TMDIChild* w : app_->Children()) {
            w->Design().DropChanges();
            w->close();
        }
        QCoreApplication::processEvents();
        QVERIFY(!app_->ActiveChild());
        script_->Then([&](QWidget* w) {
            shownFolder = static_cast<QFileDialog*>(w)->directory().absolutePath();
            static_cast<QDialog*>(w)->reject();
        });
        Trigger("Open1");
        Settle();
        QCOMPARE(shownFolder, QDir(other.path()).absolutePath());
    }
};

QTEST_MAIN(RoughEdgesTest)
#include "rough_edges_test.moc"
