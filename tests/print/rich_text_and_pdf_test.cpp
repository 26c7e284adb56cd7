// Rich-text printing over pages, and the PDF writer of quorvane-cli.
#include "print/pdf_canvas.h"
#include "print/picture_data.h"
#include "print/recording_canvas.h"
#include "print/rich_text_printing.h"
#include "print/tree_printing.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <regex>

namespace qv {
namespace {

using test::Drawn;
using test::RecordingCanvas;

TEST(PrintRichText, FillsPagesTopToBottomAndWrapsLongLines) {
    // 5 lines of 10 to a page, 20 characters of 5 to a line.
    RecordingCanvas c(100, 50);
    std::vector<std::string> lines;
    for (int i = 1; i <= 11; ++i)
        lines.push_back("line " + std::to_string(i));
    lines[1] = "";
    lines[2] = "ABCDE FGHIJ KLMNO PQRSTU"; // 24 characters: wraps after the last blank
    EXPECT_EQ(PrintRichText(c, lines, ""), 3);
    EXPECT_EQ(c.pages, 3);
    EXPECT_TRUE(c.ended);
    EXPECT_EQ(c.titles, std::vector<std::string>{""});
    EXPECT_EQ(c.fontSizes, std::vector<int>{kRichTextPointSize});
    auto texts = c.Texts();
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ((std::tuple{texts[0].text, texts[0].x1, texts[0].y1}),
              (std::tuple{std::string("line 1"), 0, 0}));
    // The empty line takes its row.
    EXPECT_EQ(texts[1].text, "ABCDE FGHIJ KLMNO ");
    EXPECT_EQ(texts[1].y1, 20);
    EXPECT_EQ(texts[2].text, "PQRSTU");
    EXPECT_EQ(texts[2].y1, 30);
    // 12 rows: 5, 5 and 2.
    EXPECT_EQ(c.FindText("line 5")->page, 2);
    EXPECT_EQ(c.FindText("line 5")->y1, 0);
    EXPECT_EQ(c.FindText("line 11")->page, 3);
    EXPECT_EQ(c.FindText("line 11")->y1, 10);
}

TEST(WrapLine, BlanklessTextBreaksAtTheLastFittingCharacter) {
    RecordingCanvas c(100, 50);
    auto pieces = WrapLine(c, std::string(45, 'X'), 100);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0].size(), 20u);
    EXPECT_EQ(pieces[2].size(), 5u);
    // A width below one character still moves on, one character a piece.
    EXPECT_EQ(WrapLine(c, "ABC", 1).size(), 3u);
    EXPECT_EQ(WrapLine(c, "", 100).size(), 1u);
}

TEST(Pictures, EveryClassIconAndReplicaBitmapIsEmbeddedAndReadable) {
    for (int i = 0; i < kClassCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "class_%02d", i);
        const EmbeddedPicture* p = FindPicture(name);
        ASSERT_NE(p, nullptr) << name;
        PngImage png = ReadPngForPdf(p->data, p->size);
        EXPECT_EQ(png.width, 16u) << name;
        EXPECT_FALSE(png.data.empty()) << name;
    }
    for (const char* marker : {"*MASTER*", "*READ/WRITE*", "*READ/ONLY*", "*SUB/REF*",
                               "*SPARSE/WRITE*", "*SPARSE/READ*"}) {
        const EmbeddedPicture* p = FindPicture(ReplicaPictureName(marker));
        ASSERT_NE(p, nullptr) << marker;
        EXPECT_EQ(ReadPngForPdf(p->data, p->size).width, 50u);
    }
    // Damaged PNGs give nothing.
    const EmbeddedPicture* p = FindPicture("MASTER");
    std::string cut(reinterpret_cast<const char*>(p->data), 40);
    EXPECT_TRUE(
        ReadPngForPdf(reinterpret_cast<const unsigned char*>(cut.data()), cut.size()).data.empty());
    EXPECT_TRUE(ReadPngForPdf(p->data + 1, p->size - 1).data.empty());
}

// Every character a PDF string literal treats specially, in names of the
// printed tree: parentheses and the backslash escaped with a backslash,
// control characters (DEL too) as octal escapes, the 8-bit range as it is.
TEST(PdfCanvas, StringLiteralsEscapeEverySpecialCharacter) {
    const std::string path = test::TempDir() + "/escapes.pdf";
    struct Case {
        std::string name;
        std::string literal;
    };
    const Case cases[] = {
        {"P(x", "(P\\(x) Tj"},      {"P)x", "(P\\)x) Tj"},      {"P\\x", "(P\\\\x) Tj"},
        {"P()x", "(P\\(\\)x) Tj"},  {"P\x01x", "(P\\001x) Tj"}, {"P\tx", "(P\\011x) Tj"},
        {"P\x1Fx", "(P\\037x) Tj"}, {"P\x7Fx", "(P\\177x) Tj"}, {"P x", "(P x) Tj"},
        {"P~x", "(P~x) Tj"},        {"P\x80x", "(P\x80x) Tj"},  {"P\xFFx", "(P\xFFx) Tj"},
    };
    test::Fixture f;
    test::MakeEmpty(f.design);
    for (const Case& c : cases)
        f.design.AddChild(f.design.Root(), c.name, kClassOrgUnit);
    PdfCanvas pdf(path, kPaperA4, 300);
    NullPrintStatus s;
    ASSERT_EQ(PrintTreeView(f.design, pdf, s, f.design.Root(), false), PrintResult::Finished);
    ASSERT_TRUE(pdf.Written()) << pdf.Error();
    const std::string doc = test::ReadFile(path);
    for (const Case& c : cases)
        EXPECT_NE(doc.find(c.literal), std::string::npos) << c.literal;
}

TEST(PdfCanvas, WritesAValidDocumentWithOnePageObjectPerPage) {
    const std::string path = test::TempDir() + "/tree.pdf";
    test::Fixture f;
    test::MakeEmpty(f.design);
    ObjectNode* a = f.design.AddChild(f.design.Root(), "A(1)", kClassOrgUnit);
    for (int i = 0; i < 150; ++i)
        f.design.AddChild(a, "FS" + std::to_string(i), kClassServer);
    PdfCanvas pdf(path, kPaperA4, 300);
    NullPrintStatus s;
    ASSERT_EQ(PrintTreeView(f.design, pdf, s, f.design.Root(), false), PrintResult::Finished);
    ASSERT_TRUE(pdf.Written()) << pdf.Error();
    // A4 at 300 dpi less a quarter inch each side; 8 point is 33 pixels.
    EXPECT_EQ(pdf.PageWidth(), 2480 - 150);
    EXPECT_EQ(pdf.FontHeight(), 33);
    EXPECT_EQ(pdf.TextWidth("ABCDE"), 99);
    const int expectedPages = (152 + (pdf.PageHeight() / 33 - 1) - 1) / (pdf.PageHeight() / 33 - 1);
    EXPECT_EQ(pdf.PagesWritten(), expectedPages);
    const std::string doc = test::ReadFile(path);
    EXPECT_EQ(doc.rfind("%PDF-1.4", 0), 0u);
    EXPECT_NE(doc.find("/Count " + std::to_string(expectedPages) + " "), std::string::npos);
    EXPECT_NE(doc.find("(A\\(1\\)) Tj"), std::string::npos);
    // Each picture once (partition mark, Top, OU, NCP Server), drawn by reference.
    std::smatch m;
    std::string rest = doc;
    int images = 0;
    while (std::regex_search(rest, m, std::regex("/Subtype /Image"))) {
        ++images;
        rest = m.suffix();
    }
    EXPECT_EQ(images, 4);
    // The cross-reference table points at every object.
    const std::size_t start = doc.rfind("startxref\n");
    const std::size_t xref = std::stoul(doc.substr(start + 10));
    EXPECT_EQ(doc.compare(xref, 4, "xref"), 0);
    std::size_t entry = doc.find('\n', doc.find('\n', xref) + 1) + 1 + 20; // object 1
    const std::size_t first = std::stoul(doc.substr(entry, 10));
    EXPECT_EQ(doc.compare(first, 8, "1 0 obj\n"), 0);

    // An aborted job writes nothing; a path that cannot be created is reported.
    PdfCanvas aborted(test::TempDir() + "/aborted.pdf", kPaperLetter, 600);
    aborted.BeginJob("");
    aborted.AbortJob();
    aborted.EndJob();
    EXPECT_FALSE(aborted.Written());
    PdfCanvas bad("/nonexistent-dir/x.pdf", kPaperA4, 600);
    bad.BeginJob("");
    bad.EndJob();
    EXPECT_FALSE(bad.Written());
    EXPECT_FALSE(bad.Error().empty());
}

} // namespace
} // namespace qv
