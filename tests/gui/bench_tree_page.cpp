// Benchmark of the tree page on the large generated design: opening it, and
// selecting a container with 100,000 subordinate objects.
//   QT_QPA_PLATFORM=offscreen build/tests/gui/bench_tree_page
// QV_BENCH_LEAVES lowers the number of leaf objects of the design (default 1,000,000).
#include "bench_options.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/mdi_child.h"
#include "gui/shell/mdi_app.h"

#include <QAction>
#include <QApplication>
#include <QListView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

using namespace qv;
using namespace qv::gui;

class BenchTreePage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;
    std::string bigContainer_;

    TMDIChild* Open(TMDIApp& app, test::ModalScript& script) {
        script.ChooseFile(path_);
        app.UpdateAllMenus();
        app.Menus().open->trigger();
        QCoreApplication::processEvents();
        return app.ActiveChild();
    }

private slots:
    void initTestCase() {
        TreeDesign d;
        GenerateSyntheticDesign(d, test::LargeBenchOptions());
        // One container with 100,000 subordinate objects.
        ObjectNode* big = nullptr;
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            if (n->Parent() && IsContainerClass(n->ClassIndex()))
                big = n;
            return big == nullptr;
        });
        QVERIFY(big);
        for (int i = 0; i < 100000; ++i)
            d.AppendLeaf(big, MakeLeafEntry("BULKUSER" + std::to_string(i), kClassUser));
        bigContainer_ = d.FullContext(big);
        path_ = dir_.filePath(QStringLiteral("big.qvd"));
        d.designFileName = path_.toStdString();
        QVERIFY(WriteDesignFile(d));
    }

    // Open: file dialog answered, design read, tree page shown with the root selected.
    void openShowsTheTreePage() {
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        test::ModalScript script;
        TMDIChild* child = nullptr;
        QBENCHMARK_ONCE {
            child = Open(app, script);
        }
        QVERIFY(child);
        QVERIFY(child->TreeView1()->model()->rowCount() == 1);
        long long leaves = 0;
        child->Design().WalkSubtree(child->Design().Root(), [&](ObjectNode* n) {
            leaves += n->Leaves() ? static_cast<long long>(n->Leaves()->size()) : 0;
            return true;
        });
        qInfo("opened: %zu nodes, %lld leaf entries", child->Design().NodeCount(), leaves);
        child->Design().DropChanges();
    }

    void selectContainerWith100000Objects() {
        TMDIApp app(0);
        app.CreateDialogs();
        app.show();
        test::ModalScript script;
        TMDIChild* child = Open(app, script);
        QVERIFY(child);
        ObjectNode* big = child->Design().FindNodeByContext(bigContainer_);
        QVERIFY(big);
        QBENCHMARK {
            child->SelectNode(child->Design().Root());
            child->SelectNode(big);
        }
        QVERIFY(child->LeafRowCount() >= 100000);
        child->Design().DropChanges();
    }
};

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchTreePage bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_tree_page.moc"
