// quorvane-cli print: PDF files checked as a user checks them, with poppler's
// pdfinfo and pdftotext.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace qv {
namespace {

using test::ReadFile;
using test::TempDir;

std::string Capture(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe.get())) > 0)
        out.append(buf, n);
    return out;
}

int Pages(const std::string& pdf) {
    const std::string info = Capture("pdfinfo '" + pdf + "' 2>&1");
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

std::string PageSize(const std::string& pdf) {
    const std::string info = Capture("pdfinfo '" + pdf + "' 2>&1");
    const std::size_t at = info.find("Page size:");
    return at == std::string::npos ? "" : info.substr(at + 10, info.find('\n', at) - at - 10);
}

std::string Text(const std::string& pdf, int page = 0) {
    std::string range;
    if (page > 0)
        range = " -f " + std::to_string(page) + " -l " + std::to_string(page);
    return Capture("pdftotext -layout" + range + " '" + pdf + "' - 2>&1");
}

class PrintCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = TempDir();
        corp = dir + "/corp.qvd";
        test::WriteFile(corp, ReadFile(test::SourcePath("examples/corp.qvd")));
        pdf = dir + "/out.pdf";
    }
    test::CliResult Run(const std::vector<std::string>& args) {
        return test::RunCli(args, "", {"XDG_CONFIG_HOME=" + dir});
    }
    // A generated design and its number of tree nodes.
    std::size_t Generate(const std::string& path, const std::vector<std::string>& sizes) {
        std::vector<std::string> args{"generate"};
        args.insert(args.end(), sizes.begin(), sizes.end());
        args.push_back(path);
        EXPECT_EQ(Run(args).exitCode, 0);
        test::Fixture f;
        EXPECT_TRUE(OpenDesign(f.design, path));
        return f.design.NodeCount();
    }
    std::string dir, corp, pdf;
};

TEST_F(PrintCli, TreeOfTheExampleOnOnePage) {
    auto r = Run({"print", "tree", corp, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1 page\n");
    EXPECT_EQ(Pages(pdf), 1);
    EXPECT_NE(PageSize(pdf).find("595.276 x 841.89"), std::string::npos);
    const std::string text = Text(pdf);
    for (const char* name : {"[ROOT]", "CORP", "SALES", "FS2", "ENG", "DEV", "HR"})
        EXPECT_NE(text.find(name), std::string::npos) << name;

    // A subtree: its top node and everything below, never its siblings.
    r = Run({"print", "tree", "ENG.CORP", corp, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string sub = Text(pdf);
    EXPECT_NE(sub.find("ENG"), std::string::npos);
    EXPECT_NE(sub.find("DEV"), std::string::npos);
    EXPECT_EQ(sub.find("SALES"), std::string::npos);
    EXPECT_EQ(sub.find("[ROOT]"), std::string::npos);

    // Text mode: the title, then indented typed names.
    r = Run({"print", "tree", corp, pdf, "--text"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string lines = Text(pdf);
    EXPECT_NE(lines.find("***REPORT FOR TREE : "), std::string::npos);
    EXPECT_NE(lines.find("[][ROOT]"), std::string::npos);
    EXPECT_NE(lines.find("   O=CORP"), std::string::npos);
    EXPECT_NE(lines.find("[]OU=SALES"), std::string::npos);
}

TEST_F(PrintCli, LargeTreeContinuesOverPagesAndTheTestPageStopsAfterOne) {
    const std::string big = dir + "/big.qvd";
    const std::size_t nodes =
        Generate(big, {"--containers", "400", "--servers", "10", "--leaves", "0"});
    // 300 dpi: 8 point is 33 pixels; the printable A4 height is 3507 - 150.
    const std::size_t perPage = (3507 - 150) / 33 - 1;
    auto r = Run({"print", "tree", big, pdf, "--dpi", "300"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int pages = static_cast<int>((nodes + perPage - 1) / perPage);
    EXPECT_EQ(Pages(pdf), pages);
    EXPECT_EQ(r.out, std::to_string(pages) + " pages\n");
    // Each page carries its number at the foot; the root is on the first only.
    for (int p : {1, 2, pages}) {
        std::string text = Text(pdf, p);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\f'))
            text.pop_back();
        EXPECT_EQ(text.substr(text.find_last_of(" \n") + 1), std::to_string(p)) << p;
    }
    EXPECT_NE(Text(pdf, 1).find("[ROOT]"), std::string::npos);
    EXPECT_EQ(Text(pdf, 2).find("[ROOT]"), std::string::npos);

    r = Run({"print", "tree", big, pdf, "--dpi", "300", "--test-page"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1 page\n");
    EXPECT_EQ(Pages(pdf), 1);
}

TEST_F(PrintCli, GridsAreTiledWithLabelsAndHeadersOnEveryPage) {
    auto r = Run({"print", "grid", "partition-x-server", corp, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Pages(pdf), 1);
    std::string text = Text(pdf);
    EXPECT_NE(text.find("1,1"), std::string::npos);
    EXPECT_NE(text.find("SALES.CORP"), std::string::npos);
    EXPECT_EQ(text.find("*MASTER*"), std::string::npos); // bitmaps in Graphical mode
    r = Run({"print", "grid", "partition-x-server", corp, pdf, "--text"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(Text(pdf).find("*MASTER*"), std::string::npos);

    // Many servers and partitions: two row pages and several column blocks.
    const std::string big = dir + "/grid.qvd";
    Generate(big,
             {"--containers", "300", "--servers", "120", "--partitions", "120", "--leaves", "0"});
    r = Run({"print", "grid", "partition-x-server", big, pdf, "--dpi", "300"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const int pages = Pages(pdf);
    ASSERT_GE(pages, 4);
    EXPECT_NE(Text(pdf, 1).find("1,1"), std::string::npos);
    EXPECT_NE(Text(pdf, 2).find("2,1"), std::string::npos);
    // The column headers of the first block again on its second row page.
    // (pdftotext lays each page out on its own: compare without the indent.)
    auto headerLine = [](const std::string& text) {
        const std::size_t start = text.find_first_not_of(" \n");
        return text.substr(start, text.find('\n', start) - start);
    };
    const std::string header1 = headerLine(Text(pdf, 1));
    const std::string header2 = headerLine(Text(pdf, 2));
    EXPECT_NE(header1.find("FS1 "), std::string::npos);
    EXPECT_EQ(header1, header2);
    // The second block starts after every row page of the first.
    bool secondBlock = false;
    for (int p = 1; p <= pages && !secondBlock; ++p)
        secondBlock = Text(pdf, p).find("1,2") != std::string::npos;
    EXPECT_TRUE(secondBlock);

    r = Run({"print", "grid", "partition-x-server", big, pdf, "--dpi", "300", "--test-page"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Pages(pdf), 1);

    // The address grid: texts, and never a test page.
    r = Run({"print", "grid", "server-x-address", big, pdf, "--dpi", "300", "--test-page"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(Pages(pdf), 1);
    EXPECT_NE(Text(pdf, 1).find("DS Version"), std::string::npos);
}

TEST_F(PrintCli, ReportsAsTextOverAsManyPagesAsNeeded) {
    auto r = Run({"print", "report", "partition", corp, pdf, "--page-size", "Letter"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Pages(pdf), 1);
    EXPECT_NE(PageSize(pdf).find("612 x 792"), std::string::npos);
    const std::string text = Text(pdf);
    EXPECT_NE(text.find("**PARTITION REPORT FOR TREE corp.qvd**"), std::string::npos);
    EXPECT_NE(text.find("Server: FS1 *MASTER*"), std::string::npos);

    const std::string big = dir + "/big.qvd";
    Generate(big, {"--containers", "400", "--servers", "40", "--partitions", "60"});
    r = Run({"print", "report", "server", big, pdf});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_GT(Pages(pdf), 1);
}

TEST_F(PrintCli, MistakesAndFailures) {
    EXPECT_EQ(Run({"print"}).exitCode, 2);
    EXPECT_EQ(Run({"print", "forest", corp, pdf}).exitCode, 2);
    EXPECT_EQ(Run({"print", "grid", "nothing", corp, pdf}).exitCode, 2);
    EXPECT_EQ(Run({"print", "report", "nothing", corp, pdf}).exitCode, 2);
    EXPECT_EQ(Run({"print", "tree", corp, pdf, "--dpi", "12"}).exitCode, 2);
    EXPECT_EQ(Run({"print", "tree", corp, pdf, "--page-size", "A3"}).exitCode, 2);
    EXPECT_EQ(Run({"print", "tree", corp, pdf, "--bogus"}).exitCode, 2);
    EXPECT_EQ(Run({"print", "tree", "A", "B", corp, pdf}).exitCode, 2);

    auto r = Run({"print", "tree", "NOWHERE.CORP", corp, pdf});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Pages(pdf), -1);
    r = Run({"print", "tree", corp, dir + "/missing/out.pdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Cannot create file \"" + dir + "/missing/out.pdf\""), std::string::npos);
    // The object grids need an object report.
    EXPECT_EQ(Run({"print", "grid", "object-partition", dir + "/none.qvd", pdf}).exitCode, 1);
}

} // namespace
} // namespace qv
