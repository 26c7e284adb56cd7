#include "print/pdf_canvas.h"

#include "files/file_access.h"
#include "print/picture_data.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qv {
namespace {

// Courier: every glyph is 600/1000 of the font size wide; the baseline lies
// 0.8 of the font height below the top of the text.
constexpr double kCourierAdvance = 0.6;
constexpr double kBaseline = 0.8;

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    if (s == "-0")
        s = "0";
    return s;
}

// A PDF string literal of 8-bit text (WinAnsiEncoding).
std::string PdfString(std::string_view text) {
    std::string out = "(";
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += ')';
    return out;
}

} // namespace

PdfCanvas::PdfCanvas(std::string path, PaperSize paper, int dotsPerInch)
    : path_(std::move(path)), paper_(paper), dpi_(dotsPerInch < 72 ? 72 : dotsPerInch),
      margin_(dpi_ / 4),
      pageWidth_(static_cast<int>(paper.widthPoints * dpi_ / 72.0) - 2 * margin_),
      pageHeight_(static_cast<int>(paper.heightPoints * dpi_ / 72.0) - 2 * margin_) {}

void PdfCanvas::BeginJob(std::string_view title) {
    title_ = std::string(title);
    pages_.assign(1, std::string());
    imageIds_.clear();
    imageNames_.clear();
    open_ = true;
    written_ = false;
    pagesWritten_ = 0;
    error_.clear();
}

void PdfCanvas::AbortJob() {
    pages_.clear();
    open_ = false;
}

void PdfCanvas::NewPage() {
    if (open_)
        pages_.emplace_back();
}

void PdfCanvas::SetFontSize(int pointSize) {
    fontHeight_ = std::max(1, static_cast<int>(std::lround(pointSize * dpi_ / 72.0)));
}

int PdfCanvas::TextWidth(std::string_view text) const {
    return static_cast<int>(
        std::lround(static_cast<double>(text.size()) * fontHeight_ * kCourierAdvance));
}

double PdfCanvas::Px(int x) const {
    return (x + margin_) * 72.0 / dpi_;
}

double PdfCanvas::Py(int y) const {
    return paper_.heightPoints - (y + margin_) * 72.0 / dpi_;
}

void PdfCanvas::TextOut(int x, int y, std::string_view text) {
    if (!open_ || text.empty())
        return;
    const double size = fontHeight_ * 72.0 / dpi_;
    std::string& page = pages_.back();
    page += "BT /F1 " + Number(size) + " Tf " + Number(Px(x)) + " " +
            Number(Py(y) - kBaseline * size) + " Td " + PdfString(text) + " Tj ET\n";
}

void PdfCanvas::Line(int x1, int y1, int x2, int y2) {
    if (!open_)
        return;
    pages_.back() += Number(Px(x1)) + " " + Number(Py(y1)) + " m " + Number(Px(x2)) + " " +
                     Number(Py(y2)) + " l S\n";
}

void PdfCanvas::Image(int x, int y, int width, int height, const std::string& picture) {
    if (!open_ || width <= 0 || height <= 0)
        return;
    const EmbeddedPicture* p = FindPicture(picture);
    if (!p)
        return;
    auto it = imageIds_.find(picture);
    if (it == imageIds_.end()) {
        it = imageIds_.emplace(picture, static_cast<int>(imageNames_.size())).first;
        imageNames_.push_back(picture);
    }
    const double w = width * 72.0 / dpi_;
    const double h = height * 72.0 / dpi_;
    pages_.back() += "q " + Number(w) + " 0 0 " + Number(h) + " " + Number(Px(x)) + " " +
                     Number(Py(y) - h) + " cm /I" + std::to_string(it->second) + " Do Q\n";
}

void PdfCanvas::ClassImage(int x, int y, int width, int height, int imageIndex) {
    if (imageIndex < 0)
        return;
    char name[16];
    std::snprintf(name, sizeof name, "class_%02d", imageIndex % 256);
    Image(x, y, width, height, name);
}

void PdfCanvas::ReplicaImage(int x, int y, int width, int height, std::string_view typeMarker) {
    Image(x, y, width, height, ReplicaPictureName(typeMarker));
}

std::string PdfCanvas::Document() const {
    // Objects: 1 catalog, 2 page tree, 3 font, 4 resources, 5 info, then the
    // images, then a page and its content stream per page.
    std::vector<std::string> objects;
    const int imageBase = 6;
    const int pageBase = imageBase + static_cast<int>(imageNames_.size());
    const int pageCount = static_cast<int>(pages_.size());
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pageCount; ++i)
        kids += std::to_string(pageBase + 2 * i) + " 0 R ";
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pageCount) +
                      " >>");
    objects.push_back(
        "<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
    std::string xobjects;
    for (std::size_t i = 0; i < imageNames_.size(); ++i)
        xobjects += "/I" + std::to_string(i) + " " + std::to_string(imageBase + i) + " 0 R ";
    objects.push_back("<< /ProcSet [/PDF /Text /ImageC] /Font << /F1 3 0 R >> /XObject << " +
                      xobjects + ">> >>");
    objects.push_back("<< /Title " + PdfString(title_) + " /Producer (Quorvane) >>");
    for (const std::string& name : imageNames_) {
        const EmbeddedPicture* p = FindPicture(name);
        const PngImage png = ReadPngForPdf(p->data, p->size);
        std::string dict = "<< /Type /XObject /Subtype /Image /ColorSpace /DeviceRGB "
                           "/BitsPerComponent 8";
        std::string data;
        if (png.data.empty()) {
            // A picture that cannot be read is drawn as a white square.
            dict += " /Width 1 /Height 1";
            data.assign(3, '\xFF');
        } else {
            dict += " /Width " + std::to_string(png.width) + " /Height " +
                    std::to_string(png.height) +
                    " /Filter /FlateDecode /DecodeParms << /Predictor 15 /Colors 3 "
                    "/BitsPerComponent 8 /Columns " +
                    std::to_string(png.width) + " >>";
            data = png.data;
        }
        // The replica bitmaps are drawn with white made transparent.
        if (name.rfind("class_", 0) != 0)
            dict += " /Mask [255 255 255 255 255 255]";
        objects.push_back(dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" +
                          data + "\nendstream");
    }
    const std::string mediaBox =
        "[0 0 " + Number(paper_.widthPoints) + " " + Number(paper_.heightPoints) + "]";
    const double lineWidth = std::max(72.0 / dpi_, 0.3);
    for (int i = 0; i < pageCount; ++i) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox +
                          " /Resources 4 0 R /Contents " + std::to_string(pageBase + 2 * i + 1) +
                          " 0 R >>");
        const std::string content =
            Number(lineWidth) + " w\n" + pages_[static_cast<std::size_t>(i)];
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                          content + "endstream");
    }
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t off : offsets) {
        char buf[24];
        std::snprintf(buf, sizeof buf, "%010zu 00000 n \n", off);
        out += buf;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
           " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

void PdfCanvas::EndJob() {
    if (!open_)
        return;
    open_ = false;
    const std::string document = Document();
    // Replaced as every file is: a full disk keeps the old file, a FIFO,
    // device or folder is refused.
    if (Result<FileIdentity> written = ReplaceFileAtomically(path_, document); !written) {
        error_ = written.error();
        return;
    }
    written_ = true;
    pagesWritten_ = static_cast<int>(pages_.size());
}

} // namespace qv
