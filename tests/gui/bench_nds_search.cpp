// Benchmark of the search dialog on the large generated directory: how long
// the window goes without handling events (and so without repainting) while
// the walk runs, and how soon Cancel is obeyed.
//   QT_QPA_PLATFORM=offscreen build/tests/gui/bench_nds_search
// QV_BENCH_LEAVES lowers the number of leaf objects (default 1,000,000).
// QV_BENCH_TREE_ADDRESS searches that address (e.g. ldap://127.0.0.1:PORT/cn=BIG_TREE,
// a server loaded with the same directory) instead of the generated LDIF file.
#include "bench_options.h"
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/image_list.h"
#include "gui/netware/nds_dialogs.h"
#include "netware/directory_export.h"
#include "platform/tree_connections.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <sys/resource.h>

using namespace qv;
using namespace qv::gui;

class BenchNdsSearch : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    ImageList images_;

    struct Run {
        qint64 longestPauseMs = 0;
        qint64 longestPauseEndMs = 0; // since the dialog appeared
        qint64 cancelMs = -1;
        qint64 walkMs = 0;
        std::size_t partitions = 0;
    };

    // One Search NDS Tree; cancelAfterMs > 0 presses Cancel that long after the start.
    Run Search(int cancelAfterMs) {
        Run r;
        QWidget main;
        NullInteraction ui;
        TreeDesign design;
        design.SetHosts(nullptr, &ui);
        NewDesign(design, 1);
        test::ModalScript script;
        script.Then([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_NDS_SEARCH*>(w);
            QVERIFY(dlg);
            QElapsedTimer clock, sinceTick;
            clock.start();
            sinceTick.start();
            QTimer ticks;
            ticks.setInterval(10);
            QElapsedTimer sinceCancel;
            connect(&ticks, &QTimer::timeout, [&] {
                const qint64 pause = sinceTick.restart();
                if (pause > r.longestPauseMs) {
                    r.longestPauseMs = pause;
                    r.longestPauseEndMs = clock.elapsed();
                }
                if (cancelAfterMs > 0 && !sinceCancel.isValid() &&
                    clock.elapsed() >= cancelAfterMs && dlg->BTN_CANCEL->isEnabled()) {
                    sinceCancel.start();
                    dlg->BTN_CANCEL->click();
                }
            });
            ticks.start();
            if (cancelAfterMs > 0) {
                // The walk may end before Cancel is due: then OK closes the dialog.
                QVERIFY(QTest::qWaitFor(
                    [&] { return !dlg->isVisible() || dlg->BTN_OK->isEnabled(); }, 600000));
                r.cancelMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
                if (dlg->isVisible())
                    dlg->BTN_OK->click();
            } else {
                QVERIFY(QTest::qWaitFor([&] { return dlg->BTN_OK->isEnabled(); }, 600000));
                r.walkMs = clock.elapsed();
                dlg->BTN_OK->click();
            }
        });
        DiscoverTreeWindow(design, images_, &main);
        if (!script.unexpected.isEmpty())
            qWarning("unexpected windows: %s", qPrintable(script.unexpected.join(", ")));
        r.partitions = design.partitions.Size();
        return r;
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", dir_.path().toUtf8());
        QDir::setCurrent(dir_.path());
        std::string address = qgetenv("QV_BENCH_TREE_ADDRESS").toStdString();
        if (address.empty()) {
            TreeDesign d;
            GenerateSyntheticDesign(d, test::LargeBenchOptions());
            const std::string file = dir_.path().toStdString() + "/big.ldif";
            std::ofstream out(file, std::ios::binary);
            QVERIFY(nds::WriteDesignLdif(d, "BIG_TREE", out));
            address = "ldif:" + file;
        }
        StoredTreeConnections s;
        nds::TreeConnection big;
        big.name = "BIG_TREE";
        big.address = address;
        s.trees = {big};
        s.preferred = "BIG_TREE";
        QVERIFY(TreeConnectionStore().Write(s));
    }

    void wholeWalk() {
        Run r = Search(0);
        qInfo("walk to the end: %.2f s, %zu partitions; longest pause between event "
              "handlings: %lld ms, ending %.2f s after the dialog appeared",
              r.walkMs / 1000.0, r.partitions, r.longestPauseMs, r.longestPauseEndMs / 1000.0);
    }

    void cancelDuringTheWalk() {
        for (int after : {500, 2000}) {
            Run r = Search(after);
            if (r.cancelMs < 0) {
                qInfo("the walk ended before Cancel was due at %d ms", after);
                continue;
            }
            qInfo("Cancel pressed %d ms into the walk: the dialog closed %lld ms later; "
                  "longest pause until then: %lld ms",
                  after, r.cancelMs, r.longestPauseMs);
        }
        rusage use{};
        getrusage(RUSAGE_SELF, &use);
        qInfo("peak memory: %ld MB", use.ru_maxrss / 1024);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchNdsSearch bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "bench_nds_search.moc"
