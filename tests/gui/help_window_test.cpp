// The help window: its topic tree, the text of each kind of topic, Print into
// a PDF file, and F1 in a design window.
#include "modal_script.h"

#include "gui/core/image_list.h"
#include "gui/help/help_window.h"
#include "gui/print/print_commands.h"
#include "help/help_topics.h"

#include <QApplication>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

class HelpWindowTest : public QObject {
    Q_OBJECT
    ImageList images_;

private slots:
    void treeLabelAndButtons() {
        TFM_HELP help(images_);
        QCOMPARE(help.windowTitle(), QStringLiteral("Quorvane Help"));
        QCOMPARE(help.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
                 QStringLiteral(
                     "Novell, INC. is not affiliated with Quorvane in any way, shape, or form."));
        QTreeWidget* tree = help.TV_HELP();
        QStringList top;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            top << tree->topLevelItem(i)->text(0);
        QCOMPARE(top, (QStringList{"File", "Edit", "Search", "Tree", "View", "Replica", "Options",
                                   "Reports"}));
        QTreeWidgetItem* treeGroup = tree->topLevelItem(3);
        QCOMPARE(treeGroup->childCount(), 15);
        QTreeWidgetItem* rights = treeGroup->child(14);
        QCOMPARE(rights->text(0), QStringLiteral("Display Rights"));
        QCOMPARE(rights->childCount(), 2);
        QCOMPARE(rights->child(1)->text(0), QStringLiteral("File Rights"));
        QCOMPARE(help.findChild<QPushButton*>(QStringLiteral("BTN_PRINT"))->text(),
                 QStringLiteral("&Print"));
        QVERIFY(help.findChild<QPushButton*>(QStringLiteral("BTN_OK")));
    }

    void selectionShowsTheTopicText() {
        TFM_HELP help(images_);
        QTreeWidget* tree = help.TV_HELP();
        QTreeWidgetItem* file = tree->topLevelItem(0);
        tree->setCurrentItem(file->child(0)); // New
        QCOMPARE(help.RE_HELP()->toPlainText(), QStringLiteral("Creates a new Quorvane File"));
        // A group entry empties the text.
        tree->setCurrentItem(file);
        QCOMPARE(help.RE_HELP()->toPlainText(), QString());
        tree->setCurrentItem(tree->topLevelItem(2)->child(14)); // Display Rights
        QCOMPARE(help.RE_HELP()->toPlainText(), QString());
        // A long topic replaces the lines; a short one after it shows its line alone.
        QVERIFY(help.SelectTopic("Import Replica Ring Report"));
        QVERIFY(help.RE_HELP()->toPlainText().contains(QLatin1String("DSDIAG")));
        QVERIFY(help.RE_HELP()->document()->blockCount() > 10);
        QVERIFY(help.SelectTopic("View Operation Log"));
        const QString log = help.RE_HELP()->toPlainText();
        QCOMPARE(log, QStringLiteral("Enables, views, and clears the Operation Log."));
        QVERIFY(help.SelectTopic("Clear Operation Log"));
        QCOMPARE(help.RE_HELP()->toPlainText(), log);
        QVERIFY(!help.SelectTopic("No Such Topic"));
    }

    void printWritesTheTopicText() {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("help.pdf"));
        SetPrintDelivery([&](QWidget*, const PrintRender& render) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            render(printer, false);
        });
        TFM_HELP help(images_);
        help.SelectTopic("Search NDS Tree");
        QTest::mouseClick(help.findChild<QPushButton*>(QStringLiteral("BTN_PRINT")),
                          Qt::LeftButton);
        SetPrintDelivery({});
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished());
        const QString printed = QString::fromLocal8Bit(text.readAllStandardOutput());
        QVERIFY(printed.contains(QLatin1String("DSSEARCH.ERR")));
        QVERIFY(printed.contains(QLatin1String("-100 to -800")));
    }

    void f1OpensTheTopicOfThePage() {
        TFM_HELP help(images_);
        QWidget window;
        auto* field = new QTextEdit(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        int page = 3;
        InstallHelpKey(&window, help, [&] { return page; });
        ModalScript script;
        QString shown;
        script.Then([&](QWidget* w) {
            shown = static_cast<TFM_HELP*>(w)->TV_HELP()->currentItem()->text(0);
            static_cast<QDialog*>(w)->accept();
        });
        field->setFocus();
        QTest::keyClick(field, Qt::Key_F1);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(shown, QStringLiteral("Reports"));
        QVERIFY(script.unexpected.isEmpty());
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    HelpWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "help_window_test.moc"
