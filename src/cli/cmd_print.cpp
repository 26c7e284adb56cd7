// quorvane-cli print WHAT DESIGN.qvd OUT.pdf: a printout of the tree, a grid
// or a report written as a PDF, page for page what the printer gets.
#include "cli/analysis_support.h"

#include "files/file_access.h"

#include "print/grid_printing.h"
#include "print/pdf_canvas.h"
#include "print/rich_text_printing.h"
#include "print/tree_printing.h"
#include "reports/analysis_pages.h"

#include <array>

namespace qv::cli {
namespace {

struct Options {
    bool text = false;
    bool testPage = false;
    PaperSize paper = kPaperA4;
    int dpi = 600;
};

// Before the job: a folder or special file is refused, a read-only file or
// one with other names asked about as a save asks.
bool OutputAccepted(Session& s, const std::string& path) {
    return ConfirmSaveTarget(s.ui, path);
}

// Ends the command after the job: the file was written, or the reason it was
// not. When the page count cannot be printed, stderr still says the file was
// written.
int Finish(const PdfCanvas& pdf, const std::string& path) {
    if (!pdf.Written()) {
        PrintBox(pdf.Error());
        return kExitFailed;
    }
    const std::string pages =
        std::to_string(pdf.PagesWritten()) + (pdf.PagesWritten() == 1 ? " page" : " pages");
    const int status = PrintText(pages + "\n");
    if (status != kExitOk)
        PrintBox("The file \"" + path + "\" was written (" + pages + ").");
    return status;
}

int PrintTree(CommandArgs& a, const Options& o) {
    if (!a.ExpectBetween(3, 4, "tree expects [CONTEXT], DESIGN and OUT"))
        return kExitUsage;
    const bool withContext = a.Count() == 4;
    const std::string out = a[a.Count() - 1];
    auto print = [&](Session& s, ObjectNode* start) {
        if (!OutputAccepted(s, out))
            return kExitFailed;
        PdfCanvas pdf(out, o.paper, o.dpi);
        NullPrintStatus status;
        if (o.text)
            PrintTreeViewTextMode(s.design, pdf, start);
        else
            PrintTreeView(s.design, pdf, status, start, o.testPage);
        return Finish(pdf, out);
    };
    if (withContext)
        return WithNode(a[2], a[1], print);
    return WithDesign(a[1], DesignUse::Plain,
                      [&](Session& s) { return print(s, s.design.Root()); });
}

int PrintGridKind(CommandArgs& a, const Options& o) {
    if (!a.Expect(4, "grid expects KIND, DESIGN and OUT"))
        return kExitUsage;
    const GridKind* kind = FindKind(kGridKinds, a[1]);
    if (!kind)
        return a.Usage("unknown grid KIND '" + a[1] + "'");
    return WithDesign(a[2], DesignUse::Analysis, [&](Session& s) {
        AnalysisViews views;
        if (!BuildGridPage(s.design, views, kind->grid) || !OutputAccepted(s, a[3]))
            return kExitFailed;
        PdfCanvas pdf(a[3], o.paper, o.dpi);
        NullPrintStatus status;
        // The address grid prints as the printing status dialog prints it: Text
        // mode, the object-grid flag set, never a test page.
        if (kind->grid == kServXAddrGrid)
            PrintGrid(s.design, pdf, status, views.Grid(kind->grid), true, false, false);
        else
            PrintGrid(s.design, pdf, status, views.Grid(kind->grid), kind->grid >= kPartObjGrid,
                      o.testPage, !o.text);
        return Finish(pdf, a[3]);
    });
}

int PrintReport(CommandArgs& a, const Options& o) {
    if (!a.Expect(4, "report expects KIND, DESIGN and OUT"))
        return kExitUsage;
    const ReportKind* kind = FindKind(kReportKinds, a[1]);
    if (!kind)
        return a.Usage("unknown report KIND '" + a[1] + "'");
    const WarningSettings settings = LoadStoredSettings();
    return WithDesign(a[2], DesignUse::Analysis, [&](Session& s) {
        AnalysisViews views;
        if (ShowReportText(s.design, settings, views, kind->index) != PageResult::Built ||
            !OutputAccepted(s, a[3]))
            return kExitFailed;
        PdfCanvas pdf(a[3], o.paper, o.dpi);
        PrintRichText(pdf, views.texts[kind->index].lines, "");
        return Finish(pdf, a[3]);
    });
}

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    Options o;
    o.text = a.Flag("--text");
    o.testPage = a.Flag("--test-page");
    const std::optional<std::string> size = a.Value("--page-size");
    const std::optional<std::string> dpi = a.Value("--dpi");
    if (!a.Ok())
        return kExitUsage;
    if (size && *size == "Letter")
        o.paper = kPaperLetter;
    else if (size && *size != "A4")
        return a.Usage("unknown page size '" + *size + "' (A4 or Letter)");
    if (dpi) {
        const auto n = ParseNumber(*dpi);
        if (!n || *n < 72 || *n > 2400)
            return a.Usage("--dpi must be a number from 72 to 2400");
        o.dpi = static_cast<int>(*n);
    }
    if (!a.ExpectBetween(1, 4, "expects WHAT, DESIGN and OUT"))
        return kExitUsage;
    if (a[0] == "tree")
        return PrintTree(a, o);
    if (a[0] == "grid")
        return PrintGridKind(a, o);
    if (a[0] == "report")
        return PrintReport(a, o);
    return a.Usage("unknown WHAT '" + a[0] + "' (tree, grid or report)");
}

const Registration kRegistration(
    {"print", "WHAT DESIGN.qvd OUT.pdf [--text] [--test-page] [--page-size A4|Letter] [--dpi N]",
     "print the tree, a grid or a report of a design into a PDF file",
     "WHAT is one of:\n"
     "  tree [CONTEXT]  the subtree of CONTEXT (default the root), every node expanded;\n"
     "                  graphical, or one indented line per node with --text\n"
     "  grid KIND       a grid view as the grid page prints it; KIND as for the grid\n"
     "                  command; --text is the Text print mode (server-x-address is\n"
     "                  always printed as text, without a test page)\n"
     "  report KIND     a report or suggestion text (KIND as for the report command)\n"
     "--test-page prints the first page only (graphical tree and grids). The page is\n"
     "the printable area of the sheet (a quarter inch from each edge) at --dpi printer\n"
     "pixels per inch (default 600); paper A4 (default) or Letter. The number of pages\n"
     "is printed on stdout. DESIGN is not written.\n",
     Run});

} // namespace
} // namespace qv::cli
