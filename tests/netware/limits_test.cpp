// The discovery's limits, each at the limit and one past it: the trees the
// chooser offers, an object's name, an object's path below the tree.
#include "discovery_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace qv::test {
namespace {

// LT > O=A, with the users in it.
std::string TreeWithUsers(const std::vector<std::string>& users) {
    const std::string ldif = ::testing::TempDir() + "/qv_limits.ldif";
    std::ofstream out(ldif);
    out << "dn: cn=LT\nobjectClass: qvContainer\nqvBaseClass: Top\n\n"
        << "dn: o=A,cn=LT\nobjectClass: qvContainer\nqvBaseClass: Organization\n";
    for (const std::string& user : users)
        out << "\ndn: cn=" << user << ",o=A,cn=LT\nobjectClass: qvObject\nqvBaseClass: User\n";
    return ldif;
}

TEST(DiscoveryLimits, TheChooserOffersAtMostAHundredTrees) {
    const std::string ldif = TreeWithUsers({"U"});
    for (std::size_t count : {std::size_t{100}, std::size_t{101}}) {
        nds::ClearFaults();
        std::vector<nds::TreeConnection> trees;
        for (std::size_t i = 0; i < count; ++i)
            trees.push_back(
                {"T" + std::to_string(i), "ldif:" + ldif, "", "", false, "", "auto", 30});
        nds::SetTreeConnections(trees, "");
        Discovery run("T5");
        run.host.tree = "T5";
        run.Run();
        EXPECT_EQ(run.host.offered.size(), 100u) << count;
        EXPECT_EQ(run.host.offered.back(), "T99") << count;
    }
}

TEST(DiscoveryLimits, NamesAndPathsAreKeptTo255Characters) {
    const std::string head = "\\T=LT\\O=A\\CN=";
    const std::string pathFits(255 - head.size(), 'P'); // a path of 255 characters
    const std::string pathPast(256 - head.size(), 'Q');
    // "CN=" and the name fill the 255 characters of the name buffer.
    const std::string nameFits(252, 'N');
    const std::string namePast(253, 'M');
    nds::ClearFaults();
    nds::SetTreeConnections(
        {{"LT", "ldif:" + TreeWithUsers({pathFits, pathPast, nameFits, namePast}), "", "", false,
          "", "auto", 30}},
        "LT");
    Discovery run("LT");
    ASSERT_TRUE(run.Run());
    EXPECT_EQ(*run.design.FindNodeByContext("A")->Leaves(),
              (LeafList{MakeLeafEntry(pathFits, 44)}));
    EXPECT_EQ(run.search.errorCount, 3);
    EXPECT_TRUE(run.Logged("Path too long, object skipped: " + head + pathPast));
    EXPECT_TRUE(run.Logged("Path too long, object skipped: " + head + nameFits));
    EXPECT_TRUE(run.Logged("Object name too long, skipped: \\T=LT\\O=A\\" +
                           ("CN=" + namePast).substr(0, 255) + "..."));
}

} // namespace
} // namespace qv::test
