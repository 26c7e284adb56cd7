// What the printing routines draw on: a printer page in printer pixels, with
// one fixed-pitch font (the operation log box's font at a given point size),
// lines, and the program's pictures stretched to a rectangle. The desktop
// program draws on a QPrinter; quorvane-cli writes a PDF; the tests record.
#pragma once

#include <string_view>

namespace qv {

class PrintCanvas {
public:
    virtual ~PrintCanvas() = default;

    // Starts a print job with the title given; the first page is open.
    virtual void BeginJob(std::string_view title) = 0;
    // Ends the job: every page goes to the printer (or the file).
    virtual void EndJob() = 0;
    // Abandons the job: nothing of it is kept.
    virtual void AbortJob() = 0;
    // Closes the page and opens the next one.
    virtual void NewPage() = 0;
    // The printable area of a page, in printer pixels.
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // Printer resolution in pixels per inch.
    virtual int Resolution() const = 0;

    // The printer font: the operation log box's font at that point size.
    virtual void SetFontSize(int pointSize) = 0;
    // The absolute height of the printer font, in printer pixels (LH).
    virtual int FontHeight() const = 0;
    virtual int TextWidth(std::string_view text) const = 0;

    // Text whose top left corner is (x, y). Texts are 8-bit (Latin-1) bytes.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // The class icon of ImageList1 at that index, stretched onto the rectangle.
    virtual void ClassImage(int x, int y, int width, int height, int imageIndex) = 0;
    // The replica bitmap of a ReplicaType marker ("*MASTER*", ...), stretched.
    virtual void ReplicaImage(int x, int y, int width, int height, std::string_view typeMarker) = 0;
};

// The printing status dialog as the printing routines see it.
class PrintStatus {
public:
    virtual ~PrintStatus() = default;
    // The text of the status panel.
    virtual void ShowStatus(std::string_view text) = 0;
    // The job has ended: Cancel gives way to OK.
    virtual void ShowOk() = 0;
};

// A status that goes nowhere (jobs run without a status dialog).
class NullPrintStatus final : public PrintStatus {
public:
    void ShowStatus(std::string_view) override {}
    void ShowOk() override {}
};

enum class PrintResult { Finished, Cancelled };

inline constexpr const char* kPrintSuccessText = "The print job was successful.";
inline constexpr const char* kPrintingPagePrefix = "Printing Page: ";
inline constexpr const char* kTestPageQuestion = "Print test page only?";

} // namespace qv
