// The utilities' limits, each at the limit and one past it: the names a
// RIGHTS report keeps, the title length the process census compares, the
// schema reports the browser keeps for one server. (The command line's 255
// characters, the batch file's 100000 lines and the 2000 located contexts are
// tested beside the runner, the interpreter and the locator.)
#include "utilities/command_runner.h"
#include "utilities/file_rights.h"
#include "utilities/schema_compare.h"

#include <gtest/gtest.h>

namespace qv::utilities {
namespace {

// A RIGHTS entry: the folder's line and the three rows, rights from column 68.
std::string Entry(const std::string& folder) {
    std::string text = folder + "\n";
    for (const char* row : kFileRightsRows) {
        std::string line = std::string("    ") + row;
        line.resize(67, ' ');
        text += line + "[SRWCEMFA]\n";
    }
    return text + "\n";
}

TEST(UtilityLimits, AFileRightsReportKeepsNamesToTheLimit) {
    for (std::size_t length : {kMaxFileRightsName, kMaxFileRightsName + 1}) {
        FileRightsReports reports;
        const Result<void> parsed = ParseFileRightsReportText(
            "NAME=" + std::string(length, 'N') + "\n\n\n" + Entry(std::string(length, 'P')),
            reports);
        ASSERT_TRUE(parsed) << parsed.error();
        EXPECT_EQ(reports[0].objectName, std::string(kMaxFileRightsName, 'N')) << length;
        EXPECT_EQ(reports[0].entries[0].text, std::string(kMaxFileRightsName, 'P')) << length;
    }
}

TEST(UtilityLimits, TheCensusSeesAMarkerEndingAtTheTitleLimitOnly) {
    const std::string marker = "#MARK#";
    for (auto [end, seen] : {std::pair{kTitleLimit, 1}, std::pair{kTitleLimit + 1, 0}}) {
        const std::string title = std::string(end - marker.size(), 'x') + marker;
        EXPECT_EQ(CountMarked({title}, marker), seen) << end;
    }
}

TEST(UtilityLimits, TheBrowserGivesANoticeOnlyPastTheReportsItKeeps) {
    for (std::size_t count : {kMaxReportsPerServer, kMaxReportsPerServer + 1}) {
        std::vector<TSchCmpClass> results(count);
        for (std::size_t i = 0; i < count; ++i) {
            results[i].first.items.push_back("HUB");
            results[i].second.items.push_back("S" + std::to_string(i));
        }
        SchemaReportBrowser b(results, {"HUB"});
        const Result<std::string> selected = b.SelectServer("HUB");
        ASSERT_TRUE(selected) << count;
        EXPECT_EQ(*selected, count == kMaxReportsPerServer
                                 ? ""
                                 : "There are 2001 schema reports for server : HUB, more than "
                                   "2000.\rAll of them are listed.");
        EXPECT_EQ(b.Reports().size(), count);
    }
}

} // namespace
} // namespace qv::utilities
