// The help window's topic tree and texts.
#include "help/help_topics.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

TEST(HelpTopics, TheTreeInItsFixedOrder) {
    std::vector<std::pair<std::string, int>> tree;
    for (const HelpTopic& t : HelpTopics())
        tree.emplace_back(t.name, t.level);
    const std::vector<std::pair<std::string, int>> expected{
        {"File", 0},
        {"New", 1},
        {"Open", 1},
        {"Save", 1},
        {"Save As", 1},
        {"Compare With", 1},
        {"Print", 1},
        {"Close", 1},
        {"Exit", 1},
        {"Edit", 0},
        {"Undo", 1},
        {"Redo", 1},
        {"Search", 0},
        {"Find Server", 1},
        {"Find Text", 1},
        {"Find Object", 1},
        {"Tree", 0},
        {"Search NDS Tree", 1},
        {"Import Replica Ring Report", 1},
        {"Import DS Version Report", 1},
        {"Import Object Report", 1},
        {"Server Schema Comparison", 1},
        {"Verify User Default Server", 1},
        {"Create Partition", 1},
        {"Merge Partition", 1},
        {"Add Replica", 1},
        {"Merge Trees", 1},
        {"Create Object", 1},
        {"Delete Object", 1},
        {"Rename Object", 1},
        {"Move Object", 1},
        {"Display Rights", 1},
        {"NDS Rights", 2},
        {"File Rights", 2},
        {"View", 0},
        {"Collapse All", 1},
        {"Expand All", 1},
        {"Replica", 0},
        {"Delete", 1},
        {"Change Type", 1},
        {"Options", 0},
        {"Clear DS Versions", 1},
        {"Clear Server Addresses", 1},
        {"Sort Objects", 1},
        {"Default Sorting", 1},
        {"Sort Grid View", 1},
        {"Enable Operation Log", 1},
        {"View Operation Log", 1},
        {"Clear Operation Log", 1},
        {"Change Warning/Suggestion Settings", 1},
        {"Reports", 0},
    };
    EXPECT_EQ(tree, expected);
    // Names are unique, so a name selects one entry.
    std::set<std::string> names;
    for (const auto& [name, level] : tree)
        EXPECT_TRUE(names.insert(name).second) << name;
}

TEST(HelpTopics, GroupsAreEmptyShortTopicsOneLineLongTopicsSeveral) {
    for (const char* group :
         {"File", "Edit", "Search", "Tree", "View", "Replica", "Options", "Display Rights"}) {
        ASSERT_NE(FindHelpTopic(group), nullptr) << group;
        EXPECT_EQ(FindHelpTopic(group)->kind, HelpTopic::Group) << group;
        EXPECT_TRUE(HelpTextLines(group).empty()) << group;
    }
    EXPECT_TRUE(HelpTextLines("No such topic").empty());
    // The texts are the program's own, typing slips and double blanks included.
    EXPECT_EQ(HelpTextLines("Change Type"),
              std::vector<std::string>{
                  "Changes type of the selected replca.  Read/Write and Read/Only replicas can be "
                  "changed to Master, but Master or Sub/Ref replicas cannot be modified."});
    EXPECT_EQ(HelpTextLines("Open"),
              std::vector<std::string>{"Opens a Quorvane file.  It will NOT open a Replica Ring "
                                       "or DS Version report file."});
    EXPECT_EQ(HelpTextLines("New"), std::vector<std::string>{"Creates a new Quorvane File"});
    EXPECT_EQ(HelpTextLines("Find Server"),
              std::vector<std::string>{"Finds a server when \"Tree View\" is the active page."});
    // The three operation log topics show the same line.
    const auto log = HelpTextLines("Enable Operation Log");
    EXPECT_EQ(log, std::vector<std::string>{"Enables, views, and clears the Operation Log."});
    EXPECT_EQ(HelpTextLines("View Operation Log"), log);
    EXPECT_EQ(HelpTextLines("Clear Operation Log"), log);

    // Every topic that is neither group nor short has a text of several lines,
    // starting with its own name.
    int longTopics = 0;
    for (const HelpTopic& t : HelpTopics()) {
        if (t.kind != HelpTopic::Long)
            continue;
        ++longTopics;
        const auto lines = HelpTextLines(t.name);
        ASSERT_GT(lines.size(), 5u) << t.name;
        EXPECT_EQ(lines[0], t.name);
    }
    EXPECT_EQ(longTopics, 11);
}

TEST(HelpTopics, LongTextsGiveTheStepsInOrder) {
    const auto rings = HelpTextLines("Import Replica Ring Report");
    std::vector<std::string> steps;
    for (const std::string& l : rings)
        if (!l.empty() && l[0] >= '1' && l[0] <= '9')
            steps.push_back(l.substr(0, l.find('.')));
    EXPECT_EQ(steps, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    std::string joined;
    for (const std::string& l : rings)
        joined += l + "\n";
    EXPECT_NE(joined.find("\"SLASH\""), std::string::npos);
    EXPECT_NE(joined.find("IPX and TCP"), std::string::npos);
    std::string print;
    for (const std::string& l : HelpTextLines("Print"))
        print += l + "\n";
    EXPECT_NE(print.find("Text mode"), std::string::npos);
    EXPECT_NE(print.find("delimited files"), std::string::npos);
    EXPECT_NE(print.find("PDF"), std::string::npos);
    std::string search;
    for (const std::string& l : HelpTextLines("Search NDS Tree"))
        search += l + "\n";
    EXPECT_NE(search.find("\"DSSEARCH.ERR\""), std::string::npos);
    EXPECT_NE(search.find("-100 to -800"), std::string::npos);
}

TEST(HelpTopics, EveryPageOpensATopicWithText) {
    for (int page = 0; page < 5; ++page) {
        const HelpTopic* t = FindHelpTopic(HelpTopicForPage(page));
        ASSERT_NE(t, nullptr) << page;
        EXPECT_NE(t->kind, HelpTopic::Group) << page;
    }
}

} // namespace
} // namespace qv
