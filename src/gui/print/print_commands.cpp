#include "gui/print/print_commands.h"

#include "gui/core/image_list.h"
#include "gui/core/qt_text.h"
#include "gui/core/tree_models.h"
#include "gui/print/print_status_dlg.h"
#include "gui/print/qt_print_canvas.h"
#include "print/rich_text_printing.h"
#include "print/search_result_printing.h"
#include "print/tree_printing.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace qv::gui {
namespace {

PrintDelivery& Delivery() {
    static PrintDelivery delivery;
    return delivery;
}

// The print preview: the pages as the printer gets them, "Print..." (the
// system print dialog, then the printout) and "Close".
void PreviewThenPrint(QWidget* parent, const PrintRender& render) {
    QPrinter printer(QPrinter::HighResolution);
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("Print Preview"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* preview = new QPrintPreviewWidget(&printer, &dialog);
    preview->setObjectName(QStringLiteral("PreviewWidget"));
    layout->addWidget(preview, 1);
    auto* row = new QHBoxLayout;
    // Zoom and the page count.
    auto* zoomOut = new QPushButton(QStringLiteral("Zoom &Out"), &dialog);
    zoomOut->setObjectName(QStringLiteral("BTN_ZOOMOUT"));
    auto* zoomIn = new QPushButton(QStringLiteral("Zoom &In"), &dialog);
    zoomIn->setObjectName(QStringLiteral("BTN_ZOOMIN"));
    auto* fit = new QPushButton(QStringLiteral("&Fit Page"), &dialog);
    fit->setObjectName(QStringLiteral("BTN_FIT"));
    auto* pages = new QLabel(&dialog);
    pages->setObjectName(QStringLiteral("LBL_PAGES"));
    row->addWidget(zoomOut);
    row->addWidget(zoomIn);
    row->addWidget(fit);
    row->addSpacing(12);
    row->addWidget(pages);
    QObject::connect(zoomIn, &QPushButton::clicked, preview, [preview] { preview->zoomIn(); });
    QObject::connect(zoomOut, &QPushButton::clicked, preview, [preview] { preview->zoomOut(); });
    QObject::connect(fit, &QPushButton::clicked, preview, &QPrintPreviewWidget::fitInView);
    auto showPages = [preview, pages] {
        pages->setText(QStringLiteral("Page %1 of %2")
                           .arg(std::max(1, preview->currentPage()))
                           .arg(preview->pageCount()));
    };
    QObject::connect(preview, &QPrintPreviewWidget::previewChanged, pages, showPages);
    auto* print = new QPushButton(QStringLiteral("&Print..."), &dialog);
    print->setObjectName(QStringLiteral("BTN_PRINT"));
    auto* close = new QPushButton(QStringLiteral("Close"), &dialog);
    close->setObjectName(QStringLiteral("BTN_CLOSE"));
    row->addStretch(1);
    row->addWidget(print);
    row->addWidget(close);
    layout->addLayout(row);
    QObject::connect(preview, &QPrintPreviewWidget::paintRequested, &dialog,
                     [&](QPrinter* p) { render(*p, true); });
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::reject);
    QObject::connect(print, &QPushButton::clicked, &dialog, [&] {
        QPrintDialog ask(&printer, &dialog);
        if (ask.exec() != QDialog::Accepted)
            return;
        dialog.accept();
        render(printer, false);
    });
    dialog.resize(800, 900);
    preview->fitInView();
    dialog.exec();
}

// Pumps the message queue for a scratch design (the search result tree).
class PumpProgress final : public Progress {
public:
    void Show(ProgressChannel, std::string_view) override {}
    void Pump() override { QCoreApplication::processEvents(); }
};

// While the preview draws its pages, the message queue is not serviced: the
// preview must not paint pages that are being recorded.
class QuietPumps {
public:
    QuietPumps(TreeDesign& design, bool quiet) : design_(design), quiet_(quiet) {
        if (quiet_) {
            progress_ = &design.progress();
            design.SetHosts(&TheNullProgress(), &design.ui(), &design.view());
        }
    }
    ~QuietPumps() {
        if (quiet_)
            design_.SetHosts(progress_, &design_.ui(), &design_.view());
    }
    QuietPumps(const QuietPumps&) = delete;
    QuietPumps& operator=(const QuietPumps&) = delete;

private:
    TreeDesign& design_;
    bool quiet_;
    Progress* progress_ = nullptr;
};

// Runs a printing status job: the preview draws it without the dialog, the
// printout with it.
void RenderStatusJob(const PrintSource& source, const StatusJob& job, bool testPage,
                     QPrinter& printer, bool preview) {
    QtPrintCanvas canvas(printer, *source.images);
    if (preview) {
        QuietPumps quiet(*source.design, true);
        NullPrintStatus status;
        RunStatusJob(*source.design, canvas, status, job, testPage);
        return;
    }
    if (source.statusDialog) {
        source.statusDialog->Run(*source.design, canvas, job, testPage);
        return;
    }
    TFM_PRINTDLG dialog(source.window);
    dialog.Run(*source.design, canvas, job, testPage);
}

std::vector<std::string> BoxLines(const QTextEdit* box) {
    std::vector<std::string> lines;
    const QString text = box->toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        lines.push_back(ToModel(line));
    return lines;
}

} // namespace

ExpandedTest ExpandedOnScreen(const QTreeView* view, const TreeModel* model) {
    return [view, model](const ObjectNode* node) { return view->isExpanded(model->IndexOf(node)); };
}

ExpandedTest ExpandedOnScreen(const QTreeView* view) {
    const auto* model = dynamic_cast<const TreeModel*>(view->model());
    if (!model)
        return {};
    return ExpandedOnScreen(view, model);
}

void SetPrintDelivery(PrintDelivery delivery) {
    Delivery() = std::move(delivery);
}

void DeliverPrintout(QWidget* parent, const PrintRender& render) {
    if (Delivery())
        Delivery()(parent, render);
    else
        PreviewThenPrint(parent, render);
}

void PrintActivePage(const PrintSource& source, DesignPage page, const TextGrid* visibleGrid,
                     bool addressGrid, const QTextEdit* visibleBox) {
    if (!source.design)
        return;
    const PagePrint what = PrintForPage(page, addressGrid, visibleBox != nullptr);
    if (what.action == PageAction::Nothing)
        return;
    if (what.action == PageAction::RichText) {
        PrintTextBox(source.window, visibleBox, *source.images);
        return;
    }
    StatusJob job;
    job.kind = what.kind;
    job.graphical = source.graphical;
    job.grid = visibleGrid;
    job.expanded = source.expanded;
    job.setGraphicalMark = source.setGraphicalMark;
    // The print dialog comes first: the test page question is asked when the
    // printout is made, the preview showing every page.
    DeliverPrintout(source.window, [&](QPrinter& printer, bool preview) {
        const bool testPage = !preview && AskTestPage(*source.design, job);
        RenderStatusJob(source, job, testPage, printer, preview);
    });
}

void PrintSubTree(const PrintSource& source, ObjectNode* selected) {
    if (!source.design || !selected)
        return;
    DeliverPrintout(source.window, [&](QPrinter& printer, bool preview) {
        QuietPumps quiet(*source.design, preview);
        QtPrintCanvas canvas(printer, *source.images);
        source.design->SetPrintCancelRequested(false);
        if (source.graphical) {
            NullPrintStatus status;
            PrintTreeView(*source.design, canvas, status, selected, false, source.expanded);
        } else {
            PrintTreeViewTextMode(*source.design, canvas, selected);
        }
    });
}

void RenderWindowImage(QPrinter& printer, QWidget* window) {
    const QPixmap image = window->grab();
    QPainter painter(&printer);
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    if (image.isNull() || page.isEmpty())
        return;
    // Scaled proportionally to fill the width or the height of the page,
    // from its top left corner.
    const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(0, 0), size), image);
}

void PrintWindowImage(QWidget* parent, QWidget* window) {
    if (!window)
        return;
    DeliverPrintout(parent, [&](QPrinter& printer, bool) { RenderWindowImage(printer, window); });
}

void RenderTextLines(QPrinter& printer, const std::vector<std::string>& lines,
                     const ImageList& images, int pointSize) {
    QtPrintCanvas canvas(printer, images);
    PrintRichText(canvas, lines, "", pointSize);
}

void PrintTextBox(QWidget* parent, const QTextEdit* box, const ImageList& images) {
    if (!box)
        return;
    const std::vector<std::string> lines = BoxLines(box);
    const int pointSize = box->font().pointSize() > 0 ? box->font().pointSize() : 8;
    DeliverPrintout(parent, [&](QPrinter& printer, bool) {
        RenderTextLines(printer, lines, images, pointSize);
    });
}

void PrintTextBox(QWidget* parent, const QTextEdit* box) {
    const ImageList images;
    PrintTextBox(parent, box, images);
}

void PrintSearchResult(const PrintSource& source, const ObjectSearchResult& result, int rootClass,
                       bool rootIsPartition) {
    PumpProgress progress;
    TreeDesign scratch;
    scratch.SetHosts(&progress, &TheNullInteraction());
    if (source.design)
        scratch.designFileName = source.design->designFileName;
    BuildSearchResultTree(scratch, result, rootClass, rootIsPartition);
    DeliverPrintout(source.window, [&](QPrinter& printer, bool preview) {
        QuietPumps quiet(scratch, preview);
        QtPrintCanvas canvas(printer, *source.images);
        if (source.graphical) {
            NullPrintStatus status;
            PrintTreeView(scratch, canvas, status, scratch.Root(), false);
        } else {
            PrintTreeViewTextMode(scratch, canvas, scratch.Root());
        }
    });
}

} // namespace qv::gui
