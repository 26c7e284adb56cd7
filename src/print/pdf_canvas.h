// A print canvas that writes a PDF file: the printable area of a sheet at a
// chosen resolution, the fixed-pitch font as PDF's standard Courier (the
// metrics of Courier New), and the program's pictures embedded once each.
#pragma once

#include "print/print_canvas.h"

#include <map>
#include <string>
#include <vector>

namespace qv {

struct PaperSize {
    const char* name;
    double widthPoints; // 1/72 inch
    double heightPoints;
};
inline constexpr PaperSize kPaperA4{"A4", 595.276, 841.89};
inline constexpr PaperSize kPaperLetter{"Letter", 612.0, 792.0};

class PdfCanvas final : public PrintCanvas {
public:
    // The printable area leaves a quarter inch on every side of the sheet, as
    // a laser printer does.
    PdfCanvas(std::string path, PaperSize paper, int dotsPerInch);

    void BeginJob(std::string_view title) override;
    void EndJob() override;
    void AbortJob() override;
    void NewPage() override;
    int PageWidth() const override { return pageWidth_; }
    int PageHeight() const override { return pageHeight_; }
    int Resolution() const override { return dpi_; }
    void SetFontSize(int pointSize) override;
    int FontHeight() const override { return fontHeight_; }
    int TextWidth(std::string_view text) const override;
    void TextOut(int x, int y, std::string_view text) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void ClassImage(int x, int y, int width, int height, int imageIndex) override;
    void ReplicaImage(int x, int y, int width, int height, std::string_view typeMarker) override;

    // After EndJob: whether the file was written, and the pages it holds.
    bool Written() const { return written_; }
    int PagesWritten() const { return pagesWritten_; }
    // Why the file could not be written ("Cannot create file "<path>". ...").
    const std::string& Error() const { return error_; }

    // The whole document as EndJob writes it (for callers that keep it in memory).
    std::string Document() const;

private:
    void Image(int x, int y, int width, int height, const std::string& picture);
    // Page coordinates in points from a printer pixel position.
    double Px(int x) const;
    double Py(int y) const;

    std::string path_;
    PaperSize paper_;
    int dpi_;
    int margin_;
    int pageWidth_;
    int pageHeight_;
    int fontHeight_ = 1;
    std::string title_;
    bool open_ = false;
    std::vector<std::string> pages_; // content streams
    // Pictures in the order first used: name -> XObject number.
    std::map<std::string, int> imageIds_;
    std::vector<std::string> imageNames_;
    bool written_ = false;
    int pagesWritten_ = 0;
    std::string error_;
};

} // namespace qv
