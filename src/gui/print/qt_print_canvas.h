// The print canvas of the desktop program: draws on a QPrinter (a printer,
// a PDF file through "Print to file", or the print preview) in its own
// pixels, with the operation log box's font and the program's pictures.
#pragma once

#include "print/print_canvas.h"

#include <QFont>
#include <QPainter>

class QPrinter;

namespace qv::gui {

class ImageList;

class QtPrintCanvas final : public PrintCanvas {
public:
    QtPrintCanvas(QPrinter& printer, const ImageList& images);
    ~QtPrintCanvas() override;

    void BeginJob(std::string_view title) override;
    void EndJob() override;
    void AbortJob() override;
    void NewPage() override;
    int PageWidth() const override;
    int PageHeight() const override;
    int Resolution() const override;
    void SetFontSize(int pointSize) override;
    int FontHeight() const override { return fontHeight_; }
    int TextWidth(std::string_view text) const override;
    void TextOut(int x, int y, std::string_view text) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void ClassImage(int x, int y, int width, int height, int imageIndex) override;
    void ReplicaImage(int x, int y, int width, int height, std::string_view typeMarker) override;

    // Whether a job was begun and ended (not aborted).
    bool Finished() const { return finished_; }
    bool Aborted() const { return aborted_; }

private:
    QPrinter& printer_;
    const ImageList& images_;
    QPainter painter_;
    QFont font_;
    int fontHeight_ = 1;
    bool finished_ = false;
    bool aborted_ = false;
};

} // namespace qv::gui
