// Search NDS Tree in the desktop program: the tree chooser and the search
// dialog over the example directory (an ldif: tree connection), and the
// password typed for a connection that binds to a private directory server.
#include "modal_script.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"

#include "files/design_file.h"
#include "gui/core/image_list.h"
#include "gui/netware/nds_dialogs.h"
#include "platform/tree_connections.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

class NdsDialogsTest : public QObject {
    Q_OBJECT
    ImageList images_;
    QTemporaryDir config_;

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config_.path().toUtf8());
        QDir::setCurrent(config_.path());
        StoredTreeConnections s;
        nds::TreeConnection corp;
        corp.name = "CORP_TREE";
        corp.address = std::string("ldif:") + QV_SOURCE_DIR + "/examples/corp_tree.ldif";
        nds::TreeConnection other;
        other.name = "OTHER_TREE";
        other.address = "ldif:/nonexistent.ldif";
        s.trees = {corp, other};
        s.preferred = "CORP_TREE";
        QVERIFY(TreeConnectionStore().Write(s));
    }

    void discoverFillsTheDesignAndKeepsVerbose() {
        QWidget main;
        NullInteraction ui;
        TreeDesign design;
        design.SetHosts(nullptr, &ui);
        NewDesign(design, 1);
        ModalScript script;
        QStringList offered;
        bool treeTitleOk = false;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_TREES*>(w);
            QVERIFY(dlg);
            treeTitleOk = dlg->windowTitle() == QStringLiteral("Select Tree");
            for (int i = 0; i < dlg->LB_TREES->count(); ++i)
                offered << dlg->LB_TREES->item(i)->text();
            QCOMPARE(dlg->LB_TREES->currentRow(), 0);
            dlg->CB_VERBOSE->setChecked(true);
            dlg->accept();
        });
        QString log, partitions, treeName;
        bool okWasDisabledAtFirst = false, closeBox = true;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_NDS_SEARCH*>(w);
            QVERIFY(dlg);
            closeBox = dlg->windowFlags().testFlag(Qt::WindowCloseButtonHint);
            okWasDisabledAtFirst = !dlg->BTN_OK->isEnabled();
            // The walk runs in the dialog's first timer tick; OK is enabled when it ends.
            QVERIFY(QTest::qWaitFor([dlg] { return dlg->BTN_OK->isEnabled(); }, 20000));
            log = dlg->RE_ERRORS->toPlainText();
            partitions = dlg->ED_TOTALPARTITIONS->text();
            treeName = dlg->ED_TREENAME->text();
            QVERIFY(!dlg->BTN_CANCEL->isEnabled());
            QVERIFY(dlg->RE_ERRORS->lineWrapMode() == QTextEdit::NoWrap);
            dlg->BTN_OK->click();
        });
        QVERIFY(DiscoverTreeWindow(design, images_, &main));
        QVERIFY(script.unexpected.isEmpty());
        QVERIFY(treeTitleOk);
        QCOMPARE(offered, (QStringList{"CORP_TREE", "OTHER_TREE"}));
        QVERIFY(okWasDisabledAtFirst);
        QVERIFY(!closeBox);
        QCOMPARE(partitions, QStringLiteral("4"));
        QCOMPARE(treeName, QStringLiteral("CORP_TREE"));
        QVERIFY(log.startsWith(
            QStringLiteral("Initializing for NDS Search...\nNDS Search started...")));
        QVERIFY(log.contains(QStringLiteral("Current Container: \\T=CORP_TREE\\O=CORP")));
        QVERIFY(log.endsWith(QStringLiteral("NDS SEARCH COMPLETE.")));
        QCOMPARE(design.partitions.Size(), std::size_t{4});
        QVERIFY(design.Flags().modified);
        QVERIFY(QFile::exists(config_.path() + QStringLiteral("/DSSEARCH.ERR")));

        // The chooser keeps CB_VERBOSE; Cancel there ends the command.
        TreeDesign again;
        again.SetHosts(nullptr, &ui);
        NewDesign(again, 2);
        bool verboseKept = false;
        script.Then([&](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_TREES*>(w);
            verboseKept = dlg && dlg->CB_VERBOSE->isChecked();
            w->close();
        });
        QVERIFY(!DiscoverTreeWindow(again, images_, &main));
        QVERIFY(verboseKept);
    }

    // The preferred connection binds without a password file: the password is
    // asked before anything else, a refused one is asked again next time, an
    // accepted one is kept for the rest of the run, and never stored.
    void typedPasswordIsAskedAgainOnlyAfterARefusal() {
        qv::test::SlapdServer server;
        std::string error;
        QVERIFY2(
            server.Start({{"cn=CORP_TREE", QV_SOURCE_DIR "/examples/corp_tree.ldif", ""}}, error),
            error.c_str());
        StoredTreeConnections saved = TreeConnectionStore().Read().value_or({});
        StoredTreeConnections s = saved;
        nds::TreeConnection live;
        live.name = "CORP_LIVE";
        live.address = server.Url("cn=CORP_TREE");
        live.bindDn = "cn=admin,cn=CORP_TREE";
        s.trees.insert(s.trees.begin(), live);
        s.preferred = "CORP_LIVE";
        QVERIFY(TreeConnectionStore().Write(s));

        QWidget main;
        auto typePassword = [](const QString& password, QString* label) {
            return [password, label](QWidget* w) {
                auto* dlg = qobject_cast<QInputDialog*>(w);
                QVERIFY(dlg);
                *label = dlg->labelText();
                dlg->setTextValue(password);
                dlg->accept();
            };
        };

        // A wrong password: the context set-up fails before the tree chooser.
        qv::test::ScriptedInteraction ui;
        TreeDesign refused;
        refused.SetHosts(nullptr, &ui);
        NewDesign(refused, 1);
        QString label;
        ModalScript script;
        script.Then(typePassword("guess", &label));
        QVERIFY(!DiscoverTreeWindow(refused, images_, &main));
        QVERIFY(script.unexpected.isEmpty());
        QCOMPARE(label, QStringLiteral("Password for cn=admin,cn=CORP_TREE:"));
        QCOMPARE(ui.boxes.size(), std::size_t{1});
        QCOMPARE(ui.boxes[0].text,
                 std::string(
                     "Could not initialize NDS context.  Error: -669\rInvalid credentials (49)"));

        // Asked again; the right one finds the tree.
        TreeDesign found;
        found.SetHosts(nullptr, &ui);
        NewDesign(found, 2);
        script.Then(typePassword("secret", &label));
        script.Then([](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_TREES*>(w);
            QVERIFY(dlg);
            QCOMPARE(dlg->SelectedTree(), std::string("CORP_LIVE"));
            dlg->accept();
        });
        script.Then([](QWidget* w) {
            auto* dlg = qobject_cast<TDLG_NDS_SEARCH*>(w);
            QVERIFY(dlg);
            QVERIFY(QTest::qWaitFor([dlg] { return dlg->BTN_OK->isEnabled(); }, 20000));
            dlg->BTN_OK->click();
        });
        QVERIFY(DiscoverTreeWindow(found, images_, &main));
        QVERIFY(script.unexpected.isEmpty());
        QCOMPARE(found.partitions.Size(), std::size_t{4});
        QCOMPARE(ui.boxes.size(), std::size_t{1});

        // Kept for the rest of the run: the chooser comes first.
        TreeDesign third;
        third.SetHosts(nullptr, &ui);
        NewDesign(third, 3);
        bool chooserFirst = false;
        script.Then([&](QWidget* w) {
            chooserFirst = qobject_cast<TDLG_TREES*>(w) != nullptr;
            w->close();
        });
        QVERIFY(!DiscoverTreeWindow(third, images_, &main));
        QVERIFY(chooserFirst);

        // Neither password reached the settings file.
        QFile file(QString::fromStdString(TreeConnectionStore().path()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        QVERIFY(stored.contains("CORP_LIVE"));
        QVERIFY(!stored.contains("secret") && !stored.contains("guess"));
        QVERIFY(TreeConnectionStore().Write(saved));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NdsDialogsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "nds_dialogs_test.moc"
