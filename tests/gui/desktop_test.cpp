// The desktop program as a user meets it: the selection that the tree shows,
// closing without losing work, the grid export, the pictures of the grids,
// windows in the frame. Driven through the real windows on the offscreen
// platform; every modal box is answered by the script.
#include "app_fixture.h"
#include "example_copy.h"
#include "modal_script.h"

#include "core/class_table.h"
#include "core/entries.h"
#include "core/synthetic_design.h"
#include "files/design_file.h"
#include "gui/core/image_list.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/tree_page.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/shell/mdi_app.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
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

// Records the region that a widget repaints.
class PaintSpy : public QObject {
public:
    explicit PaintSpy(QWidget* w) { w->installEventFilter(this); }
    QRegion painted;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

} // namespace

// A dark palette as a desktop's dark theme gives it.
QPalette DarkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 45));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 30));
    p.setColor(QPalette::AlternateBase, QColor(45, 45, 45));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(50, 50, 50));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(42, 92, 170));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(45, 45, 45));
    p.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    return p;
}

class DesktopTest : public AppTest {
    Q_OBJECT

    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString Example(const char* name) const {
        return QStringLiteral(QV_SOURCE_DIR "/examples/") + QLatin1String(name);
    }
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
    int OpenWindows() const {
        int n = 0;
        for (TMDIChild* c : app_->Children())
            if (!c->Freed())
                ++n;
        return n;
    }
    TMDIChild* OpenExample() {
        script_->ChooseFile(qv::gui::test::ExampleCopy("corp.qvd"));
        Trigger("Open1");
        Settle();
        return Active();
    }
    QModelIndex Row(TMDIChild* c, const QString& name) {
        QAbstractItemModel* m = c->TreeView1()->model();
        QModelIndexList found = m->match(m->index(0, 0), Qt::DisplayRole, name, 1,
                                         Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? QModelIndex() : found.first();
    }
    // The tree shows the node the commands act on: the highlight, the current
    // index and the scrolled-to row are that node's, and its row was repainted.
    void VerifyTreeShows(TMDIChild* c, const QString& name, const PaintSpy* spy = nullptr) {
        QTreeView* tree = c->TreeView1();
        ObjectNode* n = c->SelectedNode();
        QVERIFY(n);
        QCOMPARE(FromModelName(n), name);
        QModelIndex current = tree->currentIndex();
        QCOMPARE(current.data().toString(), name);
        QCOMPARE(tree->selectionModel()->selectedIndexes(), QModelIndexList{current});
        QRect row = tree->visualRect(current);
        QVERIFY(tree->viewport()->rect().contains(row.center()));
        if (spy)
            QVERIFY2(spy->painted.intersects(row), qPrintable(name));
    }
    static QString FromModelName(const ObjectNode* n) { return QString::fromLatin1(n->Name()); }

private slots:
    void init() { StartApp({.sized = true}); }

    void cleanup() { FinishApp(); }

    // Typed names follow the logic's rule: accented Latin-1 letters are
    // upper-cased, letters without a Latin-1 capital stay as typed.
    void typedNamesFollowTheLogicsRule() {
        Trigger("New1");
        TMDIChild* c = Active();
        c->SelectNode(c->Design().Root()->Child(0));
        const QString typed = QString::fromLatin1("m\xfcller.stra\xdf"
                                                  "e \xff\xb5");
        script_->Then([typed](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            edit->clear();
            // As typed: the box upper-cases the way the names are stored.
            for (QChar ch : QString::fromLatin1("\xe9t\xe9")) {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(edit, &key);
            }
            QCOMPARE(edit->text(), QString::fromLatin1("\xc9T\xc9"));
            edit->setText(typed);
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("RenameObject1");
        Settle();
        QCOMPARE(c->Design().Root()->Child(0)->Name(), std::string("M\xdcLLER_STRA\xdf"
                                                                   "E \xff\xb5"));
    }

    // Find Server, Goto Object of both lists and a rename: the tree's
    // highlight moves with the node the commands act on.
    void theHighlightFollowsEverySelection() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        QTreeView* tree = c->TreeView1();
        tree->expandAll();
        QCoreApplication::processEvents();
        PaintSpy spy(tree->viewport());

        script_->Then([](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("FS2"));
            static_cast<QDialog*>(w)->accept();
        });
        spy.painted = {};
        Trigger("FindServer1");
        Settle();
        VerifyTreeShows(c, QStringLiteral("FS2"), &spy);

        // The server's replica rows name partitions: Goto Object selects one.
        QListView* replicas = c->ListBox1();
        QVERIFY(replicas->model()->rowCount() > 0);
        replicas->setCurrentIndex(replicas->model()->index(0, 0));
        spy.painted = {};
        c->UpdatePopupMenu2();
        c->PopupMenu2()->findChild<QAction*>(QStringLiteral("GotoObject1"))->trigger();
        QCoreApplication::processEvents();
        ObjectNode* partition = c->SelectedNode();
        QVERIFY(partition && partition->IsPartitionRoot());
        VerifyTreeShows(c, FromModelName(partition), &spy);

        // Rename: the dialog opens with the name of the highlighted node.
        QString shown = tree->currentIndex().data().toString();
        script_->Then([shown](QWidget* w) {
            auto* edit = w->findChild<QLineEdit*>(QStringLiteral("Edit1"));
            QCOMPARE(edit->text(), shown);
            edit->setText(shown + QStringLiteral("X"));
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("RenameObject1");
        Settle();
        VerifyTreeShows(c, shown + QStringLiteral("X"));
    }

    // Yes to the save question, then Cancel in the file choice: the window
    // stays open with its changes, for Close, the window's own close and Exit.
    void cancellingTheSaveKeepsTheDesign() {
        Trigger("New1");
        TMDIChild* c = Active();
        c->Design().MarkDiffersFromFile();

        script_->Yes().Cancel();
        Trigger("Close1");
        Settle();
        QCOMPARE(OpenWindows(), 1);
        QVERIFY(c->Design().Flags().modified);

        script_->Yes().Cancel();
        c->close();
        Settle();
        QCOMPARE(OpenWindows(), 1);
        QVERIFY(c->Design().Flags().modified);

        script_->Yes().Yes().Cancel();
        Trigger("Exit1");
        Settle();
        QVERIFY(app_->isVisible());
        QCOMPARE(OpenWindows(), 1);
        QVERIFY(c->Design().Flags().modified);
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 4);

        // No drops the changes and closes.
        script_->No();
        Trigger("Close1");
        Settle();
        QTRY_COMPARE(OpenWindows(), 0);
    }

    // The grid's export: "Save to delimited file..", the dialog on the
    // delimited filter, ".dlm" added, and a design file kept unless confirmed.
    void theGridExportWritesDelimitedFiles() {
        TMDIChild* c = OpenExample();
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        Settle();
        auto* save = c->findChild<QAbstractButton*>(QStringLiteral("SB_SAVEDLM"));
        QCOMPARE(save->text(), QStringLiteral("Save to delimited file.."));

        QString filter;
        script_->Then([&filter, this](QWidget* w) {
            filter = static_cast<QFileDialog*>(w)->selectedNameFilter();
            QFileDialog* dlg = static_cast<QFileDialog*>(w);
            dlg->setDirectory(dir_.path());
            dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
                ->setText(QStringLiteral("grid"));
            static_cast<QDialog*>(dlg)->accept();
        });
        save->click();
        Settle();
        QVERIFY2(filter.startsWith(QStringLiteral("Delimited File")), qPrintable(filter));
        QFile dlm(Path(QStringLiteral("grid.dlm")));
        QVERIFY(dlm.open(QIODevice::ReadOnly));
        QVERIFY(dlm.size() > 0);

        // A design under the chosen name: a question, and No keeps it.
        const QString design = Path(QStringLiteral("keep.qvd"));
        QVERIFY(QFile::copy(Example("corp.qvd"), design));
        const qint64 size = QFileInfo(design).size();
        script_->ChooseFile(design).No();
        save->click();
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("question")).size(), 1);
        QVERIFY(script_->Texts(QStringLiteral("question"))
                    .first()
                    .contains(QStringLiteral("is a design file")));
        QCOMPARE(QFileInfo(design).size(), size);
    }

    // A question during an edit: the tree stays painted as it was.
    void theTreeStaysPaintedDuringAQuestion() {
        TMDIChild* c = OpenExample();
        QTreeView* tree = c->TreeView1();
        QModelIndex leafless;
        // A node without children or subordinates: Delete Object asks first.
        c->Design().WalkSubtree(c->Design().Root(), [&](ObjectNode* n) {
            if (!leafless.isValid() && n->Parent() && n->ChildCount() == 0 &&
                (!n->Leaves() || n->Leaves()->empty()) && !n->IsPartitionRoot())
                leafless = Row(c, FromModelName(n));
            return !leafless.isValid();
        });
        QVERIFY(leafless.isValid());
        tree->setCurrentIndex(leafless);
        QCoreApplication::processEvents();
        const QImage before = tree->grab().toImage();
        bool painted = false;
        script_->Then([&](QWidget* w) {
            auto* picture = c->findChild<QLabel*>(QStringLiteral("TreePicture"));
            painted = picture && picture->isVisible() && !picture->pixmap().isNull() &&
                      picture->geometry() == tree->geometry() &&
                      picture->pixmap().size() == before.size();
            static_cast<QMessageBox*>(w)->button(QMessageBox::No)->click();
        });
        Trigger("DeleteObject1");
        Settle();
        QVERIFY(painted);
        QVERIFY(!c->findChild<QLabel*>(QStringLiteral("TreePicture"))->isVisible());
    }

    // The imports start on report files and say what they read; an opened
    // design shows the first level under [ROOT].
    void importsStartOnReportsAndSayWhatTheyRead() {
        QString filter;
        script_->Then([&filter, this](QWidget* w) {
            filter = static_cast<QFileDialog*>(w)->selectedNameFilter();
            static_cast<QFileDialog*>(w)->reject();
        });
        Trigger("ImportDSDiagReport1");
        Settle();
        QVERIFY2(filter.startsWith(QStringLiteral("Report Files")), qPrintable(filter));

        script_->ChooseFile(Example("corp_rings_v08.rpt"));
        Trigger("ImportDSDiagReport1");
        Settle();
        TMDIChild* c = Active();
        QVERIFY(c);
        QVERIFY(app_->statusBar()->currentMessage().startsWith(
            QStringLiteral("Read corp_rings_v08.rpt: ")));
        QVERIFY(app_->statusBar()->currentMessage().contains(QStringLiteral(" partitions, ")));
        QVERIFY(c->TreeView1()->isExpanded(c->TreeView1()->model()->index(0, 0)));

        OpenExample();
        QVERIFY(Active()->TreeView1()->isExpanded(Active()->TreeView1()->model()->index(0, 0)));
    }

    // The partition grids draw the replica bitmap of a cell's type, centred at
    // its top, and not its text; the object grids draw the class icon before
    // the class name; columns take their content's width.
    void gridsDrawPicturesAndClassHeaders() {
        TMDIChild* c = OpenExample();
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        Settle();
        auto* grid = c->findChild<QTableView*>(QStringLiteral("Adv_PartCols"));
        QCOMPARE(grid->verticalHeader()->defaultSectionSize(), 50);
        // Widths from the headers: never narrower than a replica bitmap.
        QCOMPARE(grid->horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
        QVERIFY(grid->columnWidth(1) >= 50);
        QModelIndex master;
        for (int r = 1; r < grid->model()->rowCount() && !master.isValid(); ++r)
            for (int col = 1; col < grid->model()->columnCount(); ++col)
                if (grid->model()->index(r, col).data().toString().contains(
                        QStringLiteral("MASTER"))) {
                    master = grid->model()->index(r, col);
                    break;
                }
        QVERIFY(master.isValid());
        auto paintCell = [](QTableView* g, const QModelIndex& i, QSize size) {
            QImage img(size, QImage::Format_ARGB32);
            img.fill(Qt::red);
            QPainter p(&img);
            QStyleOptionViewItem opt;
            opt.initFrom(g);
            opt.rect = QRect(QPoint(0, 0), size);
            opt.font = g->font();
            g->itemDelegate()->paint(&p, opt, i);
            return img;
        };
        QImage cell = paintCell(grid, master, QSize(90, 50));
        QImage expected(QSize(90, 50), QImage::Format_ARGB32);
        expected.fill(grid->palette().color(QPalette::Base));
        {
            QPainter p(&expected);
            p.drawPixmap(
                45 - 25, 0,
                app_->Images().ReplicaBitmapIn(kMaster, grid->palette().color(QPalette::Text)));
        }
        QCOMPARE(cell, expected);
        QVERIFY(grid->columnWidth(master.column()) >= ImageList::kReplicaBitmapSize);

        // PopupMenu4 of the address grid.
        auto* menu = c->findChild<QMenu*>(QStringLiteral("PopupMenu4"));
        QVERIFY(menu);
        QStringList items;
        for (QAction* a : menu->actions())
            items << a->text();
        QCOMPARE(items, (QStringList{QStringLiteral("Sort By Server"),
                                     QStringLiteral("Sort By DS Version"),
                                     QStringLiteral("Sort By Address")}));

        c->PageControl1()->setCurrentIndex(TMDIChild::kObjGridPage);
        Settle();
        auto* objects = c->findChild<QTableView*>(QStringLiteral("Adv_ObjXPartCols"));
        QModelIndex top = objects->model()->index(0, 1);
        QCOMPARE(top.data().toString(), QStringLiteral("TOP"));
        QImage header = paintCell(objects, top, QSize(80, 26));
        const QPixmap& icon = app_->Images().ClassIconIn(
            ClassIndexOf("TOP"), objects->palette().color(QPalette::ButtonText));
        QImage withIcon(QSize(80, 26), QImage::Format_ARGB32);
        withIcon.fill(objects->palette().button().color());
        {
            QPainter p(&withIcon);
            p.drawPixmap(4, 4, icon);
        }
        const QRect iconRect(4, 4, icon.width(), icon.height());
        QCOMPARE(header.copy(iconRect), withIcon.copy(iconRect));
        // Every class column is wide enough for its icon and its whole name.
        const QFontMetrics fm(objects->font());
        for (int col = 1; col < objects->model()->columnCount(); ++col) {
            const QString name = objects->model()->index(0, col).data().toString();
            QVERIFY2(objects->columnWidth(col) >=
                         fm.horizontalAdvance(name) +
                             (name == QStringLiteral("TOTAL") ? 0 : ImageList::kIconSize),
                     qPrintable(name));
        }
    }

    // Label5 to Label7 are hidden once the schema report is built and on the
    // other report buttons.
    // A replica row's bitmap is read on every ground: its lines and caption
    // take the row's text colour, selected or not, in a light or dark palette.
    void replicaRowsReadOnEveryGround() {
        TMDIChild* c = OpenExample();
        QVERIFY(c);
        c->SelectNode(c->Design().FindNodeByContext("FS2.SALES.CORP"));
        QListView* replicas = c->ListBox1();
        QVERIFY(replicas->model()->rowCount() > 0);
        const QModelIndex row = replicas->model()->index(0, 0);
        const QPalette dark = DarkPalette();
        const QRect bitmap(5, 0, ImageList::kReplicaBitmapSize, ImageList::kReplicaBitmapSize);
        for (const QPalette& palette : {replicas->palette(), dark})
            for (bool selected : {false, true}) {
                QStyleOptionViewItem opt;
                opt.initFrom(replicas);
                opt.palette = palette;
                opt.rect = QRect(0, 0, 200, 55);
                opt.font = replicas->font();
                if (selected)
                    opt.state |= QStyle::State_Selected;
                QImage img(opt.rect.size(), QImage::Format_ARGB32);
                {
                    QPainter p(&img);
                    replicas->itemDelegate()->paint(&p, opt, row);
                }
                const QColor ground =
                    palette.color(selected ? QPalette::Highlight : QPalette::Base);
                const QColor ink =
                    palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
                // With a light ink, nothing dark stands out from the ground:
                // a black line or letter on the highlight is not read.
                const bool lightInk = qGray(ink.rgb()) > 128;
                int inked = 0;
                int standsOut = 0;
                for (int y = bitmap.top(); y <= bitmap.bottom(); ++y)
                    for (int x = bitmap.left(); x <= bitmap.right(); ++x) {
                        const QRgb px = img.pixel(x, y);
                        if (QColor(px) == ink)
                            ++inked;
                        else if (lightInk && qGray(px) < 60 &&
                                 std::abs(qGray(px) - qGray(ground.rgb())) > 40)
                            ++standsOut;
                    }
                const QString what = QStringLiteral("%1 palette, %2")
                                         .arg(palette == dark ? "dark" : "light",
                                              selected ? "selected" : "not selected");
                QVERIFY2(inked > 40, qPrintable(what)); // the caption and the lines
                QVERIFY2(standsOut == 0, qPrintable(what));
            }
    }

    // The tree's node pictures draw their lines in the view's text colour: a
    // window opened under a dark palette shows no black line on its base.
    void nodePicturesTakeTheViewsInk() {
        const QPalette light = QApplication::palette();
        QApplication::setPalette(DarkPalette());
        TMDIChild* c = OpenExample();
        QApplication::setPalette(light);
        QVERIFY(c);
        const QModelIndex root = c->TreeView1()->model()->index(0, 0);
        const QImage picture = root.data(Qt::DecorationRole).value<QPixmap>().toImage();
        QVERIFY(!picture.isNull());
        int black = 0;
        int ink = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb px = picture.pixel(x, y);
                if (qAlpha(px) < 128)
                    continue;
                black += qGray(px) < 40;
                ink += QColor(px).rgb() == DarkPalette().color(QPalette::Text).rgb();
            }
        QCOMPARE(black, 0);
        QVERIFY(ink > 0);
    }

    // On a screen of twice the resolution the pictures come from their "@2x"
    // files: the same size on the screen, twice the pixels.
    void picturesAtTwiceTheScale() {
        const ImageList sharp(2);
        const ImageList plain(1);
        const QColor ink(230, 230, 230);
        const struct {
            const char* what;
            QPixmap twice;
            QPixmap once;
        } pictures[] = {
            {"replica", sharp.ReplicaBitmap(kMaster), plain.ReplicaBitmap(kMaster)},
            {"inked replica", sharp.ReplicaBitmapIn(kMaster, ink),
             plain.ReplicaBitmapIn(kMaster, ink)},
            {"class icon", sharp.ClassIcon(44), plain.ClassIcon(44)},
            {"node picture", sharp.NodePicture(2, true), plain.NodePicture(2, true)},
            {"inked node picture", sharp.NodePictureIn(2, true, ink),
             plain.NodePictureIn(2, true, ink)},
        };
        for (const auto& p : pictures) {
            QCOMPARE(p.once.devicePixelRatio(), 1.0);
            QVERIFY2(p.twice.devicePixelRatio() == 2.0, p.what);
            QVERIFY2(p.twice.deviceIndependentSize() == p.once.deviceIndependentSize(), p.what);
            QVERIFY2(p.twice.size() == p.once.size() * 2, p.what);
        }
    }

    void schemaReportLabelsAreHidden() {
        TMDIChild* c = OpenExample();
        c->PageControl1()->setCurrentIndex(TMDIChild::kReportsPage);
        Settle();
        auto labelsHidden = [c] {
            for (const char* n : {"Label5", "Label6", "Label7"})
                if (c->findChild<QLabel*>(QLatin1String(n))->isVisible())
                    return false;
            return true;
        };
        c->findChild<QAbstractButton*>(QStringLiteral("RB_SchemaRpt"))->click();
        Settle();
        QVERIFY(c->findChild<QTextEdit*>(QStringLiteral("RE_SCHEMARPT"))
                    ->toPlainText()
                    .startsWith(QStringLiteral("**SCHEMA DISTRIBUTION LIST REPORT")));
        QVERIFY(labelsHidden());
        c->findChild<QAbstractButton*>(QStringLiteral("RB_PARTREL"))->click();
        Settle();
        QVERIFY(labelsHidden());
    }

    // The dialogs' texts and pictures: the move dialog's labels, the replica
    // types' icons, upper-cased server names, the address edit on its owner.
    void dialogsAsDrawn() {
        TMDIChild* c = OpenExample();
        QStringList labels;
        script_->Then([&labels](QWidget* w) {
            for (const char* n : {"Label1", "Label2"})
                labels << w->findChild<QLabel*>(QLatin1String(n))->text();
            static_cast<QDialog*>(w)->reject();
        });
        c->SelectNode(c->Design().FindPartitionOrServerNode("FS1", false));
        Trigger("MoveObject1");
        Settle();
        QCOMPARE(labels, (QStringList{QStringLiteral("Object Selected: "),
                                      QStringLiteral("Move Object To: ")}));

        ObjectNode* partition = nullptr;
        c->Design().WalkSubtree(c->Design().Root(), [&](ObjectNode* n) {
            if (n->IsPartitionRoot())
                partition = n;
            return !partition;
        });
        c->SelectNode(partition);
        bool icons = true;
        QString typed;
        script_->Then([&](QWidget* w) {
            for (auto* rb : w->findChildren<QRadioButton*>())
                icons = icons && !rb->icon().isNull();
            auto* edit = w->findChild<QComboBox*>(QStringLiteral("CB_SERVERS"))->lineEdit();
            edit->clear();
            for (QChar ch : QStringLiteral("fs9")) {
                QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
                QApplication::sendEvent(edit, &key);
            }
            typed = edit->text();
            static_cast<QDialog*>(w)->reject();
        });
        Trigger("AddReplica1");
        Settle();
        QVERIFY(icons);
        QCOMPARE(typed, QStringLiteral("FS9"));

        c->SelectNode(c->Design().FindPartitionOrServerNode("FS1", false));
        QPoint ownerCentre, editCentre;
        script_->Then([&](QWidget* w) {
            ownerCentre = w->frameGeometry().center();
            w->findChild<QPushButton*>(QStringLiteral("BTN_ADD"))->click();
            w->findChild<QPushButton*>(QStringLiteral("BTN_CLOSE"))->click();
        });
        script_->Then([&](QWidget* w) {
            editCentre = w->geometry().center();
            static_cast<QDialog*>(w)->reject();
        });
        c->PopupMenu1()->findChild<QAction*>(QStringLiteral("Edit1"))->trigger();
        Settle();
        QVERIFY2((editCentre - ownerCentre).manhattanLength() < 40,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                .arg(editCentre.x())
                                .arg(editCentre.y())
                                .arg(ownerCentre.x())
                                .arg(ownerCentre.y())));
    }

    // Tile and Cascade keep every window inside the frame, and the frame
    // within the screen.
    void tileAndCascadeStayInTheFrame() {
        const QSize frame = app_->size();
        for (int i = 0; i < 6; ++i)
            Trigger("New1");
        for (const char* command : {"Tile1", "Casscade1"}) {
            Trigger(command);
            QCoreApplication::processEvents();
            const QRect area = app_->MdiArea()->viewport()->rect();
            for (TMDIChild* c : app_->Children())
                QVERIFY2(area.contains(c->geometry()), command);
            QCOMPARE(app_->size(), frame);
        }
    }

    // "quorvane FILE.qvd...": each design in its own window.
    void designsNamedOnTheCommandLineOpen() {
        app_->OpenFiles({Example("corp.qvd"), Example("branch.qvd")});
        Settle();
        QCOMPARE(OpenWindows(), 2);
        QStringList titles;
        for (TMDIChild* c : app_->Children())
            titles << c->windowTitle();
        QCOMPARE(titles, (QStringList{Example("corp.qvd"), Example("branch.qvd")}));
    }

    // A scripted session on a large generated design: a container of 100,000
    // subordinate objects, Find Server, Rename and Tile, with the tree showing
    // the selected node after every step.
    void aSessionOnALargeDesign() {
        TreeDesign d;
        SyntheticOptions o;
        o.containers = 2000;
        o.servers = 200;
        o.partitions = 300;
        o.leaves = 20000;
        GenerateSyntheticDesign(d, o);
        ObjectNode* big = nullptr;
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            if (n->Parent() && n->Parent()->Parent() && IsContainerClass(n->ClassIndex()))
                big = n;
            return big == nullptr;
        });
        QVERIFY(big);
        for (int i = 0; i < 100000; ++i)
            d.AppendLeaf(big, MakeLeafEntry("BULKUSER" + std::to_string(i), kClassUser));
        const std::string bigName = big->Name();
        const std::string server = d.servers.Name(d.servers.Size() / 2);
        d.designFileName = ToPath(Path(QStringLiteral("large.qvd")));
        QVERIFY(WriteDesignFile(d));

        script_->ChooseFile(Path(QStringLiteral("large.qvd")));
        Trigger("Open1");
        Settle();
        TMDIChild* c = Active();
        QVERIFY(c);
        c->SelectNode(c->Design().FindNodeByContext(d.FullContext(big)));
        VerifyTreeShows(c, QString::fromLatin1(bigName));
        QVERIFY(c->LeafRowCount() >= 100000);

        script_->Then([&server](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QString::fromLatin1(server));
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("FindServer1");
        Settle();
        VerifyTreeShows(c, QString::fromLatin1(server));

        script_->Then([](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("RENAMED"));
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("RenameObject1");
        Settle();
        VerifyTreeShows(c, QStringLiteral("RENAMED"));

        Trigger("New1");
        Trigger("Tile1");
        QCoreApplication::processEvents();
        app_->MdiArea()->setActiveSubWindow(c);
        QCoreApplication::processEvents();
        VerifyTreeShows(c, QStringLiteral("RENAMED"));
        c->Design().DropChanges();
    }

    // With QV_SHOTS=<folder>: the tree page, the partition grid and the object
    // grid of the example design as pictures (for the README).
    void screenshotsOfThePages() {
        const QString out = QString::fromLocal8Bit(qgetenv("QV_SHOTS"));
        if (out.isEmpty())
            QSKIP("QV_SHOTS not set");
        app_->resize(1100, 700);
        TMDIChild* c = OpenExample();
        script_->ChooseFile(Example("corp_objects.rpt"));
        Trigger("ImportUserReport1");
        Settle();
        c->Design().DropChanges();
        Trigger("ExpandAll1");
        ObjectNode* partition = nullptr;
        c->Design().WalkSubtree(c->Design().Root(), [&](ObjectNode* n) {
            if (n->Parent() && n->IsPartitionRoot())
                partition = n;
            return !partition;
        });
        c->SelectNode(partition);
        // A selected replica row shows how its picture reads on the highlight.
        if (c->ListBox1()->model()->rowCount() > 0)
            c->ListBox1()->setCurrentIndex(c->ListBox1()->model()->index(0, 0));
        QCoreApplication::processEvents();
        QVERIFY(app_->grab().save(out + QStringLiteral("/tree_page.png")));
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        Settle();
        QVERIFY(app_->grab().save(out + QStringLiteral("/partition_grid.png")));
        c->PageControl1()->setCurrentIndex(TMDIChild::kObjGridPage);
        Settle();
        QVERIFY(app_->grab().save(out + QStringLiteral("/object_grid.png")));

        // The same pages in Fusion with a dark palette, in a window opened
        // under it as a dark desktop opens it.
        const std::string where = c->Design().FullContext(partition);
        const QPalette light = QApplication::palette();
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(DarkPalette());
        c = OpenExample();
        Trigger("ExpandAll1");
        c->SelectNode(c->Design().FindNodeByContext(where));
        if (c->ListBox1()->model()->rowCount() > 0)
            c->ListBox1()->setCurrentIndex(c->ListBox1()->model()->index(0, 0));
        Settle();
        QVERIFY(app_->grab().save(out + QStringLiteral("/tree_page_dark.png")));
        c->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        Settle();
        QVERIFY(app_->grab().save(out + QStringLiteral("/partition_grid_dark.png")));
        QApplication::setPalette(light);
    }

    // The report windows have their Print buttons.
    void reportWindowsHavePrintButtons() {
        TMDIChild* c = OpenExample();
        bool shown = false;
        script_->Then([&shown](QWidget* w) {
            auto* print = w->findChild<QPushButton*>(QStringLiteral("BTN_PRINT"));
            shown = print && print->isVisible() && print->text() == QStringLiteral("&Print");
            static_cast<QDialog*>(w)->accept();
        });
        c->PopupMenu1()->findChild<QAction*>(QStringLiteral("PrintRepList"))->trigger();
        Settle();
        QVERIFY(shown);
    }

    // Dragging a container that is not a partition root: the target takes
    // the drop as a copy (drawn with the no-drop cursor) where a partition
    // would be taken as a move, and dropping says why the move is illegal.
    void anIllegalDropSaysWhy() {
        TMDIChild* c = OpenExample();
        auto* tree = qobject_cast<DesignTreeView*>(c->TreeView1());
        QVERIFY(tree);
        tree->expandAll();
        QCoreApplication::processEvents();
        auto* model = qobject_cast<TreeModel*>(tree->model());
        ObjectNode* hr = model->NodeAt(Row(c, QStringLiteral("HR")));
        ObjectNode* sales = model->NodeAt(Row(c, QStringLiteral("SALES")));
        QVERIFY(hr && sales && !hr->IsPartitionRoot());
        const QPoint eng = tree->visualRect(Row(c, QStringLiteral("ENG"))).center();
        QMimeData mime;
        mime.setData(QStringLiteral("application/x-quorvane-node"), QByteArray());
        auto dropActionOver = [&](ObjectNode* dragged) {
            tree->BeginDrag(dragged);
            QDragEnterEvent enter(eng, Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                                  Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &enter);
            QDragMoveEvent move(eng, Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                                Qt::NoModifier);
            QApplication::sendEvent(tree->viewport(), &move);
            return enter.isAccepted() && move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
        };
        QCOMPARE(dropActionOver(sales), Qt::MoveAction);
        tree->EndDrag();
        QCOMPARE(dropActionOver(hr), Qt::CopyAction);
        QDropEvent drop(QPointF(eng), Qt::MoveAction | Qt::CopyAction, &mime, Qt::LeftButton,
                        Qt::NoModifier);
        script_->Ok();
        QApplication::sendEvent(tree->viewport(), &drop);
        tree->EndDrag();
        Settle();
        QCOMPARE(script_->Texts(QStringLiteral("information")),
                 QStringList{QStringLiteral("Illegal move.  The object is either NOT a partition "
                                            "or an invalid containment has occurred.")});
        QCOMPARE(hr->Parent()->Name(), std::string("CORP"));
    }

    // Captions are the program's own, with nothing of the toolkit added: no
    // display name is set that the window system would append to a title.
    void captionsAreThePrograms() {
        QCOMPARE(app_->windowTitle(), QStringLiteral("Quorvane"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QGuiApplication::applicationName());
        QString about;
        script_->Then([&about](QWidget* w) {
            about = w->windowTitle();
            static_cast<QDialog*>(w)->accept();
        });
        Trigger("About1");
        Settle();
        QCOMPARE(about, QStringLiteral("About QUORVANE"));
        TMDIChild* c = OpenExample();
        QString report;
        script_->Then([&report](QWidget* w) {
            report = w->windowTitle();
            static_cast<QDialog*>(w)->accept();
        });
        c->SelectNode(c->Design().FindNodeByContext("FS2.SALES.CORP"));
        QListView* replicas = c->ListBox1();
        QVERIFY(replicas->model()->rowCount() > 0);
        replicas->setCurrentIndex(replicas->model()->index(0, 0));
        c->UpdatePopupMenu2();
        c->PopupMenu2()->findChild<QAction*>(QStringLiteral("ReplicaReport1"))->trigger();
        Settle();
        QCOMPARE(report, QStringLiteral("Replica Report"));
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "desktop_test.moc"
