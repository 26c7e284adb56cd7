// Benchmark of the Partition Grid View on the large generated design: its
// first build, edits on the tree page once it has been built, and the longest
// pause in event handling meanwhile (a 5 ms timer measures the gaps).
//   QT_QPA_PLATFORM=offscreen build/rel/tests/gui/bench_grid_page
// QV_BENCH_LEAVES lowers the number of leaf objects of the design (default 1,000,000).
#include "bench_options.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/mdi_child.h"
#include "gui/core/pages/grid_page.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace qv;
using namespace qv::gui;

namespace {

// The longest gap between two ticks of a 5 ms timer: how long the program
// did not handle events.
class PauseMeter {
public:
    PauseMeter() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (last_.isValid())
                longest_ = std::max(longest_, last_.restart());
            else
                last_.start();
        });
        timer_.start();
    }
    void Reset() {
        longest_ = 0;
        last_.invalidate();
    }
    qint64 Longest() {
        // The gap that is still open counts too.
        if (last_.isValid())
            longest_ = std::max(longest_, last_.elapsed());
        return longest_;
    }

private:
    QTimer timer_;
    QElapsedTimer last_;
    qint64 longest_ = 0;
};

} // namespace

class BenchGridPage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<TMDIApp> app_;
    std::unique_ptr<test::ModalScript> script_;
    TMDIChild* child_ = nullptr;
    PauseMeter* meter_ = nullptr;

    QAction* Item(const char* name) const { return app_->findChild<QAction*>(QLatin1String(name)); }
    void Settle() {
        for (int i = 0; i < 20 && !script_->Idle(); ++i)
            QTest::qWait(10);
        QCoreApplication::processEvents();
    }
    // One edit from the menu, its dialog answered: the time until the command returns.
    qint64 Edit(const char* item, std::function<void(QWidget*)> answer) {
        if (answer)
            script_->Then(std::move(answer));
        app_->UpdateAllMenus();
        if (!Item(item)->isEnabled()) {
            qWarning("%s is not enabled", item);
            return -1;
        }
        meter_->Reset();
        QElapsedTimer t;
        t.start();
        Item(item)->trigger();
        const qint64 ms = t.elapsed();
        Settle();
        qInfo("%-24s %6lld ms, longest pause %lld ms", item, ms, meter_->Longest());
        return ms;
    }
    qint64 ShowGridPage(const char* what) {
        meter_->Reset();
        QElapsedTimer t;
        t.start();
        child_->PageControl1()->setCurrentIndex(TMDIChild::kGridPage);
        const qint64 ms = t.elapsed();
        QCoreApplication::processEvents();
        qInfo("%-24s %6lld ms, longest pause %lld ms", what, ms, meter_->Longest());
        return ms;
    }

private slots:
    void initTestCase() {
        TreeDesign d;
        GenerateSyntheticDesign(d, test::LargeBenchOptions());
        path_ = dir_.filePath(QStringLiteral("big.qvd"));
        d.designFileName = path_.toStdString();
        QVERIFY(WriteDesignFile(d));
        script_ = std::make_unique<test::ModalScript>();
        app_ = std::make_unique<TMDIApp>(0);
        app_->CreateDialogs();
        app_->resize(1400, 900);
        app_->show();
        script_->ChooseFile(path_);
        app_->UpdateAllMenus();
        app_->Menus().open->trigger();
        Settle();
        child_ = app_->ActiveChild();
        QVERIFY(child_);
        meter_ = new PauseMeter;
    }
    void cleanupTestCase() {
        delete meter_;
        if (child_)
            child_->Design().DropChanges();
        app_.reset();
    }

    void partitionGridFirstBuild() {
        ShowGridPage("partition grid, first");
        auto* grid = child_->findChild<QTableView*>(QStringLiteral("Adv_PartCols"));
        QVERIFY(grid && grid->model()->rowCount() > 1);
        qInfo("partition grid: %d rows, %d columns", grid->model()->rowCount(),
              grid->model()->columnCount());
        child_->PageControl1()->setCurrentIndex(TMDIChild::kTreePage);
        QCoreApplication::processEvents();
    }

    void editsAfterTheGridWasBuilt() {
        ObjectNode* ou = nullptr;
        child_->Design().WalkSubtree(child_->Design().Root(), [&](ObjectNode* n) {
            if (n->Parent() && n->Parent()->Parent() && !n->IsPartitionRoot() &&
                IsContainerClass(n->ClassIndex()))
                ou = n;
            return ou == nullptr;
        });
        QVERIFY(ou);
        child_->SelectNode(ou);
        auto name = [](const char* text) {
            return [text](QWidget* w) {
                w->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QLatin1String(text));
                static_cast<QDialog*>(w)->accept();
            };
        };
        qint64 worst = 0;
        worst = std::max(worst, Edit("RenameObject1", name("RENAMEDONE")));
        worst = std::max(worst, Edit("RenameObject1", name("RENAMEDTWO")));
        worst = std::max(worst, Edit("CreatePartition1", nullptr));
        worst = std::max(worst, Edit("Undo1", nullptr));
        worst = std::max(worst, Edit("Redo1", nullptr));
        qInfo("slowest edit after the grid was built: %lld ms", worst);
        ShowGridPage("partition grid, again");
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchGridPage bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_grid_page.moc"
