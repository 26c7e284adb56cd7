#include "print/tree_printing.h"

#include "print/rich_text_printing.h"

#include <string>
#include <vector>

namespace qv {
namespace {

// A node drawn whose subtree is not finished yet.
struct PrintRecord {
    ObjectNode* node;
    int y;
    int page;
    int parentY;
    int parentPage;
};

bool IsLastChild(const ObjectNode* node) {
    return node->NextSibling() == nullptr;
}

} // namespace

PrintResult PrintTreeView(TreeDesign& design, PrintCanvas& canvas, PrintStatus& status,
                          ObjectNode* start, bool testPage, const ExpandedTest& expanded) {
    canvas.SetFontSize(kTreePrintPointSize);
    canvas.BeginJob("");
    canvas.TextOut(0, 0, "");
    const int lh = canvas.FontHeight();
    const int linesPerPage = canvas.PageHeight() / lh - 1;
    int x = kTreeMargin;
    int y = kTreeMargin;
    int lines = 0;
    int page = 1;
    int parentY = -1;
    int parentPage = page;
    std::vector<PrintRecord> stack;
    ObjectNode* node = start;
    bool done = start == nullptr;

    auto pageNumber = [&] {
        canvas.TextOut(canvas.PageWidth() / 2, canvas.PageHeight() - lh, std::to_string(page));
    };
    auto showPage = [&] { status.ShowStatus(kPrintingPagePrefix + std::to_string(page)); };

    while (!done) {
        design.progress().Pump();
        showPage();
        if (design.Flags().printCancelRequested) {
            canvas.AbortJob();
            return PrintResult::Cancelled;
        }
        if (node) {
            if (lines >= linesPerPage) {
                if (testPage) {
                    done = true;
                    continue;
                }
                lines = 0;
                y = kTreeMargin;
                parentY = kTreeMargin;
                // Continuation lines on the page being closed.
                int c = x - lh;
                const PrintRecord& top = stack.back();
                if (top.node->ChildCount() > 0) {
                    int from = top.parentY == kContinuedMark ? kContinuedMark : top.y + lh;
                    canvas.Line(c + lh / 2, from, c + lh / 2, canvas.PageHeight());
                }
                for (auto r = stack.rbegin(); r != stack.rend(); ++r) {
                    if (r->node->Parent() && r->node != start) {
                        if (!IsLastChild(r->node)) {
                            int from =
                                r->parentY == kContinuedMark ? kContinuedMark : r->parentY + lh;
                            canvas.Line(c - lh / 2, from, c - lh / 2, canvas.PageHeight());
                        } else if (page == r->parentPage) {
                            canvas.Line(c - lh / 2, r->parentY + lh, c - lh / 2, r->y + lh / 2);
                        }
                        r->parentY = kContinuedMark;
                    }
                    c -= lh;
                }
                pageNumber();
                canvas.NewPage();
                ++page;
                showPage();
            }
            const bool partitionRoot = node->IsPartitionRoot();
            canvas.ClassImage(x, y, lh, lh,
                              partitionRoot ? kPartitionRootMark : node->ClassIndex());
            canvas.Line(x, y + lh / 2, x - lh / 2, y + lh / 2);
            int shift = 0;
            if (partitionRoot) {
                canvas.ClassImage(x + lh, y, lh, lh, node->ClassIndex());
                shift = lh;
            }
            x += lh;
            canvas.TextOut(x + shift, y, node->Name());
            ++lines;
            stack.push_back({node, y, page, parentY, parentPage});
            parentY = y;
            parentPage = page;
            ObjectNode* first = node->FirstChild();
            node = first && (!expanded || expanded(node)) ? first : nullptr;
            y += lh;
            continue;
        }
        if (stack.empty()) {
            done = true;
            continue;
        }
        PrintRecord r = stack.back();
        stack.pop_back();
        parentY = r.parentY;
        parentPage = r.parentPage;
        if (r.node == start)
            continue;
        node = r.node->NextSibling();
        x -= lh;
        if (!node && page == r.page) {
            int from = r.parentPage == r.page ? r.parentY + lh : kContinuedMark;
            canvas.Line(x - lh / 2, from, x - lh / 2, r.y + lh / 2);
        }
    }
    pageNumber();
    canvas.EndJob();
    status.ShowStatus(kPrintSuccessText);
    status.ShowOk();
    return PrintResult::Finished;
}

void BuildTreeText(TreeDesign& design, ObjectNode* start, TextSink& out) {
    out.Clear();
    out.Add("***REPORT FOR TREE : " + design.designFileName);
    out.Add("");
    if (!start)
        return;
    const int startLevel = start->Level();
    std::string line;
    design.WalkSubtree(start, [&](ObjectNode* n) {
        line.assign(static_cast<std::size_t>(3 * (n->Level() - startLevel)), ' ');
        if (n->IsPartitionRoot())
            line += "[]";
        switch (n->ClassIndex()) {
        case kClassTop:
            break;
        case kClassOrganization:
            line += "O=";
            break;
        case kClassOrgUnit:
            line += "OU=";
            break;
        case kClassCountry:
            line += "C=";
            break;
        default:
            line += "CN=";
            break;
        }
        line += n->Name();
        out.Add(line);
        design.progress().Pump();
        return true;
    });
}

PrintResult PrintTreeViewTextMode(TreeDesign& design, PrintCanvas& canvas, ObjectNode* start) {
    TextLines text;
    BuildTreeText(design, start, text);
    PrintRichText(canvas, text.lines, "");
    return PrintResult::Finished;
}

} // namespace qv
