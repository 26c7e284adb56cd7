#include "gui/print/qt_print_canvas.h"

#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/qt_text.h"

#include <QFile>
#include <QFontMetrics>
#include <QPrinter>
#include <cmath>

namespace qv::gui {

QtPrintCanvas::QtPrintCanvas(QPrinter& printer, const ImageList& images)
    : printer_(printer), images_(images), font_(ReportFont(8)) {}

QtPrintCanvas::~QtPrintCanvas() {
    if (painter_.isActive())
        painter_.end();
}

void QtPrintCanvas::BeginJob(std::string_view title) {
    printer_.setDocName(FromModel(title));
    finished_ = aborted_ = false;
    painter_.begin(&printer_);
    painter_.setFont(font_);
    painter_.setPen(QPen(Qt::black, 0));
}

void QtPrintCanvas::EndJob() {
    if (painter_.isActive())
        painter_.end();
    finished_ = true;
}

void QtPrintCanvas::AbortJob() {
    printer_.abort();
    if (painter_.isActive())
        painter_.end();
    aborted_ = true;
    // A file printout that was abandoned is not left half written.
    if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty())
        QFile::remove(printer_.outputFileName());
}

void QtPrintCanvas::NewPage() {
    printer_.newPage();
}

int QtPrintCanvas::PageWidth() const {
    return printer_.pageLayout().paintRectPixels(printer_.resolution()).width();
}

int QtPrintCanvas::PageHeight() const {
    return printer_.pageLayout().paintRectPixels(printer_.resolution()).height();
}

int QtPrintCanvas::Resolution() const {
    return printer_.resolution();
}

void QtPrintCanvas::SetFontSize(int pointSize) {
    // The absolute height of the font in printer pixels is its point size at
    // the printer's resolution.
    fontHeight_ =
        std::max(1, static_cast<int>(std::lround(pointSize * printer_.resolution() / 72.0)));
    font_ = ReportFont(pointSize);
    font_.setPixelSize(fontHeight_);
    if (painter_.isActive())
        painter_.setFont(font_);
}

int QtPrintCanvas::TextWidth(std::string_view text) const {
    QFontMetrics metrics(font_, &printer_);
    return metrics.horizontalAdvance(FromModel(text));
}

void QtPrintCanvas::TextOut(int x, int y, std::string_view text) {
    if (!painter_.isActive() || text.empty())
        return;
    QFontMetrics metrics(font_, &printer_);
    painter_.drawText(x, y + metrics.ascent(), FromModel(text));
}

void QtPrintCanvas::Line(int x1, int y1, int x2, int y2) {
    if (painter_.isActive())
        painter_.drawLine(x1, y1, x2, y2);
}

void QtPrintCanvas::ClassImage(int x, int y, int width, int height, int imageIndex) {
    if (painter_.isActive() && imageIndex >= 0)
        painter_.drawPixmap(QRect(x, y, width, height), images_.ClassIcon(imageIndex));
}

void QtPrintCanvas::ReplicaImage(int x, int y, int width, int height, std::string_view typeMarker) {
    if (painter_.isActive())
        painter_.drawPixmap(QRect(x, y, width, height), images_.ReplicaBitmap(typeMarker));
}

} // namespace qv::gui
