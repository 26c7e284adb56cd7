// The print commands of the desktop program printing into PDF files through
// QPrinter, checked with poppler's pdfinfo and pdftotext; the printing status
// dialog driven as a user drives it.
#include "modal_script.h"

#include "files/design_file.h"
#include "gui/core/image_list.h"
#include "gui/core/tree_models.h"
#include "gui/print/print_commands.h"
#include "gui/print/print_status_dlg.h"
#include "gui/print/qt_print_canvas.h"
#include "print/tree_printing.h"
#include "reports/analysis_pages.h"

#include <QApplication>
#include <QFileInfo>
#include <QGraphicsView>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>
#include <deque>
#include <memory>

using namespace qv;
using namespace qv::gui;
using qv::gui::test::ModalScript;

namespace {

// Pumps the queue as the design window does.
class PumpProgress final : public Progress {
public:
    void Show(ProgressChannel, std::string_view) override {}
    void Pump() override { QCoreApplication::processEvents(); }
};

// Answers the questions from a list and records them.
class AnswerInteraction final : public Interaction {
public:
    std::deque<bool> answers;
    QStringList questions;
    void Message(std::string_view) override {}
    void Information(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Error(std::string_view) override {}
    bool AskYesNo(std::string_view text) override {
        questions << QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
        if (answers.empty())
            return false;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override { return {}; }
};

// Watches for the printing status dialog: presses OK once the job has ended,
// or Cancel when the status shows the page given.
class StatusDriver : public QObject {
public:
    QString cancelAt;
    QString lastStatus;
    int okPressed = 0;
    StatusDriver() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
        timer_.start();
    }

private:
    void Poll() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<TFM_PRINTDLG*>(w);
            if (!dlg || !dlg->isVisible())
                continue;
            lastStatus = dlg->StatusText();
            auto* ok = dlg->findChild<QPushButton*>(QStringLiteral("BTN_OK"));
            auto* cancel = dlg->findChild<QPushButton*>(QStringLiteral("BTN_CANCEL"));
            if (ok->isVisible()) {
                ++okPressed;
                ok->click();
            } else if (!cancelAt.isEmpty() && lastStatus == cancelAt) {
                cancel->click();
            }
        }
    }
    QTimer timer_;
};

QString Run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

int PdfPages(const QString& path) {
    const QString info = Run(QStringLiteral("pdfinfo"), {path});
    for (const QString& line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString PdfText(const QString& path, int page = 0) {
    QStringList args{QStringLiteral("-layout")};
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
             << QString::number(page);
    args << path << QStringLiteral("-");
    return Run(QStringLiteral("pdftotext"), args);
}

} // namespace

class PrintTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<ImageList> images_;
    PumpProgress progress_;
    AnswerInteraction ui_;
    std::unique_ptr<TreeDesign> design_;
    QString pdf_;
    QWidget window_;

    // Every printout goes into pdf_ at 600 dpi, A4, as "Print to file" does.
    void PrintToPdf() {
        SetPrintDelivery([this](QWidget*, const PrintRender& render) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf_);
            printer.setResolution(600);
            printer.setPageSize(QPageSize(QPageSize::A4));
            render(printer, false);
        });
    }

    PrintSource Source() {
        PrintSource s;
        s.window = &window_;
        s.design = design_.get();
        s.images = images_.get();
        return s;
    }

    // The lines per page of the tree printout on the test printer.
    int LinesPerPage() {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QtPrintCanvas canvas(printer, *images_);
        canvas.SetFontSize(kTreePrintPointSize);
        return canvas.PageHeight() / canvas.FontHeight() - 1;
    }

    // [ROOT] > CORP > OU1..OUn, each OU holding one server.
    void MakeTree(int units) {
        design_ = std::make_unique<TreeDesign>();
        design_->SetHosts(&progress_, &ui_);
        design_->ClearTree();
        ObjectNode* corp = design_->AddChild(design_->Root(), "CORP", kClassOrganization);
        for (int i = 1; i <= units; ++i) {
            ObjectNode* ou = design_->AddChild(corp, "OU" + std::to_string(i), kClassOrgUnit);
            design_->AddChild(ou, "FS" + std::to_string(i), kClassServer);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty());
        images_ = std::make_unique<ImageList>();
        pdf_ = dir_.filePath(QStringLiteral("out.pdf"));
    }

    void init() {
        QFile::remove(pdf_);
        ui_.answers.clear();
        ui_.questions.clear();
        PrintToPdf();
    }

    void cleanupTestCase() { SetPrintDelivery({}); }

    void treeOverPagesWithContinuationAndPageNumbers() {
        const int lpp = LinesPerPage();
        MakeTree(lpp); // 2 + 2 lpp nodes
        StatusDriver driver;
        ui_.answers = {false};
        PrintActivePage(Source(), DesignPage::Tree, nullptr, false, nullptr);
        QCOMPARE(ui_.questions, QStringList{QStringLiteral("Print test page only?")});
        const int nodes = 2 + 2 * lpp;
        QCOMPARE(PdfPages(pdf_), (nodes + lpp - 1) / lpp);
        QCOMPARE(driver.okPressed, 1);
        QCOMPARE(driver.lastStatus, QStringLiteral("The print job was successful."));
        const QString first = PdfText(pdf_, 1);
        QVERIFY(first.contains(QLatin1String("[ROOT]")));
        QVERIFY(first.contains(QLatin1String("CORP")));
        const QString second = PdfText(pdf_, 2);
        QVERIFY(!second.contains(QLatin1String("[ROOT]")));
        // The page numbers at the foot of the pages.
        QVERIFY(first.trimmed().endsWith(QLatin1String("1")));
        QVERIFY(second.trimmed().endsWith(QLatin1String("2")));
    }

    void testPageAndCollapsedNodes() {
        MakeTree(LinesPerPage());
        StatusDriver driver;
        ui_.answers = {true};
        PrintActivePage(Source(), DesignPage::Tree, nullptr, false, nullptr);
        QCOMPARE(PdfPages(pdf_), 1);

        // CORP collapsed: the root and CORP only, and Print SubTree asks nothing.
        QFile::remove(pdf_);
        PrintSource s = Source();
        ObjectNode* corp = design_->Root()->FirstChild();
        s.expanded = [corp](const ObjectNode* n) { return n != corp; };
        ui_.questions.clear();
        PrintSubTree(s, design_->Root());
        QVERIFY(ui_.questions.isEmpty());
        QCOMPARE(PdfPages(pdf_), 1);
        const QString text = PdfText(pdf_);
        QVERIFY(text.contains(QLatin1String("CORP")));
        QVERIFY(!text.contains(QLatin1String("OU1")));

        // Text mode of a subtree: one indented line per node, every node.
        QFile::remove(pdf_);
        s.graphical = false;
        PrintSubTree(s, corp);
        const QString lines = PdfText(pdf_);
        QVERIFY(lines.contains(QLatin1String("***REPORT FOR TREE :")));
        QVERIFY(lines.contains(QLatin1String("O=CORP")));
        QVERIFY(lines.contains(QLatin1String("OU=OU1")));
        QVERIFY(lines.contains(QLatin1String("CN=FS1")));
    }

    void expansionOfTheTreeView() {
        MakeTree(3);
        TreeModel model(*design_, *images_);
        QTreeView view;
        view.setModel(&model);
        ObjectNode* corp = design_->Root()->FirstChild();
        ObjectNode* ou2 = corp->Child(1);
        view.expand(model.IndexOf(design_->Root()));
        view.expand(model.IndexOf(corp));
        const ExpandedTest expanded = ExpandedOnScreen(&view);
        QVERIFY(expanded);
        QVERIFY(expanded(design_->Root()));
        QVERIFY(expanded(corp));
        QVERIFY(!expanded(ou2));
        // Printed as the view shows it: the servers under the collapsed units are left out.
        PrintSource s = Source();
        s.expanded = expanded;
        PrintSubTree(s, design_->Root());
        const QString text = PdfText(pdf_);
        QVERIFY(text.contains(QLatin1String("OU2")));
        QVERIFY(!text.contains(QLatin1String("FS2")));
        // A view without the tree model: every node counts as expanded.
        QTreeView other;
        QVERIFY(!ExpandedOnScreen(&other));
    }

    void cancelKeepsNoFile() {
        MakeTree(3 * LinesPerPage());
        StatusDriver driver;
        driver.cancelAt = QStringLiteral("Printing Page: 2");
        ui_.answers = {false};
        PrintActivePage(Source(), DesignPage::Tree, nullptr, false, nullptr);
        QVERIFY(!QFile::exists(pdf_));
        // The status stays at the page reached; OK closed the dialog.
        QCOMPARE(driver.lastStatus, QStringLiteral("Printing Page: 2"));
        QCOMPARE(driver.okPressed, 1);
    }

    void gridsLabelsAndTheAddressGrid() {
        MakeTree(1);
        TextGrid grid;
        grid.Reset(3, 201);
        grid.SetCell(1, 0, "[ROOT]");
        grid.SetCell(2, 0, "CORP");
        for (int r = 1; r <= 200; ++r) {
            grid.SetCell(0, r, "FS" + std::to_string(r));
            grid.SetCell(1 + r % 2, r, "*MASTER*");
        }
        StatusDriver driver;
        ui_.answers = {false};
        PrintSource s = Source();
        PrintActivePage(s, DesignPage::PartitionGrid, &grid, false, nullptr);
        const int pages = PdfPages(pdf_);
        QVERIFY(pages >= 2);
        QVERIFY(PdfText(pdf_, 1).contains(QLatin1String("1,1")));
        QVERIFY(PdfText(pdf_, 2).contains(QLatin1String("2,1")));
        QVERIFY(PdfText(pdf_, 2).contains(QLatin1String("CORP"))); // headers again
        // Graphical: the cells are bitmaps, not texts.
        QVERIFY(!PdfText(pdf_).contains(QLatin1String("*MASTER*")));

        // The address grid: no question, texts, the Graphical mark off for the job.
        QFile::remove(pdf_);
        ui_.questions.clear();
        std::vector<bool> marks;
        s.setGraphicalMark = [&](bool on) { marks.push_back(on); };
        PrintActivePage(s, DesignPage::PartitionGrid, &grid, true, nullptr);
        QVERIFY(ui_.questions.isEmpty());
        QCOMPARE(marks, (std::vector<bool>{false, true}));
        QVERIFY(PdfText(pdf_).contains(QLatin1String("*MASTER*")));
        QCOMPARE(PdfPages(pdf_), pages);
    }

    void textBoxesAndWindowImages() {
        MakeTree(1);
        QTextEdit box;
        box.setFont(QFont(QStringLiteral("Courier New"), 8));
        QStringList lines;
        for (int i = 1; i <= 150; ++i)
            lines << QStringLiteral("REPORT LINE %1").arg(i);
        box.setPlainText(lines.join(QLatin1Char('\n')));
        PrintSource s = Source();
        PrintActivePage(s, DesignPage::Reports, nullptr, false, &box);
        QVERIFY(PdfPages(pdf_) >= 2);
        QVERIFY(PdfText(pdf_, 1).contains(QLatin1String("REPORT LINE 1")));
        QVERIFY(PdfText(pdf_).contains(QLatin1String("REPORT LINE 150")));

        // The general text dialog's Print: the same printout without an image list.
        QFile::remove(pdf_);
        PrintTextBox(&window_, &box);
        QVERIFY(PdfText(pdf_).contains(QLatin1String("REPORT LINE 150")));

        // No visible box on the reports page: nothing at all.
        QFile::remove(pdf_);
        PrintActivePage(s, DesignPage::Suggestions, nullptr, false, nullptr);
        QVERIFY(!QFile::exists(pdf_));

        QLabel label(QStringLiteral("Print Screen"));
        label.resize(400, 200);
        PrintWindowImage(&window_, &label);
        QCOMPARE(PdfPages(pdf_), 1);
    }

    void previewShowsThePagesFirst() {
        SetPrintDelivery({});
        MakeTree(1);
        QTextEdit box;
        box.setPlainText(QStringLiteral("PREVIEWED"));
        ModalScript script;
        int previewPages = -1;
        script.Then([&](QWidget* w) {
            auto* preview = w->findChild<QPrintPreviewWidget*>(QStringLiteral("PreviewWidget"));
            QVERIFY(preview);
            previewPages = preview->pageCount();
            static_cast<QDialog*>(w)->reject();
        });
        PrintTextBox(&window_, &box, *images_);
        QTRY_VERIFY(script.Idle());
        QCOMPARE(previewPages, 1);
        QVERIFY(!QFile::exists(pdf_));
    }

    // With QV_PRINT_SCREENSHOT=<file.png>: the print preview of the example's
    // partition grid, as a picture for the README.
    void screenshotOfThePartitionGridPreview() {
        const QString out = QString::fromLocal8Bit(qgetenv("QV_PRINT_SCREENSHOT"));
        if (out.isEmpty())
            QSKIP("QV_PRINT_SCREENSHOT not set");
        SetPrintDelivery({});
        design_ = std::make_unique<TreeDesign>();
        design_->SetHosts(&progress_, &ui_);
        const QString corp =
            QFileInfo(QStringLiteral(__FILE__)).absolutePath() + "/../../examples/corp.qvd";
        QVERIFY(OpenDesign(*design_, QFileInfo(corp).canonicalFilePath().toStdString()));
        AnalysisViews views;
        BeginPageChange(*design_);
        ShowPartitionGridPage(*design_, views);
        ModalScript script;
        script.Then([&](QWidget* w) {
            w->resize(900, 700);
            auto* preview = w->findChild<QPrintPreviewWidget*>(QStringLiteral("PreviewWidget"));
            preview->setZoomFactor(1.4);
            QCoreApplication::processEvents();
            if (auto* view = preview->findChild<QGraphicsView*>()) {
                view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->minimum());
                view->verticalScrollBar()->setValue(view->verticalScrollBar()->minimum());
            }
            QCoreApplication::processEvents();
            QVERIFY(w->grab().save(out));
            static_cast<QDialog*>(w)->reject();
        });
        ui_.answers = {false};
        PrintActivePage(Source(), DesignPage::PartitionGrid, &views.partXServ, false, nullptr);
        QTRY_VERIFY(script.Idle());
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    PrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "print_test.moc"
