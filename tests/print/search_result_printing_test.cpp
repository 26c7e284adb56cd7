// The "Report Objects" result tree as the tree printing prints it.
#include "print/recording_canvas.h"
#include "print/search_result_printing.h"
#include "print/tree_printing.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(SearchResultTree, TheSearchedContainerAboveEveryObjectFound) {
    test::Fixture f;
    ObjectSearchResult result;
    result.rootText = "SALES.CORP";
    result.groups = {{kClassUser, {"JSMITH", "ADOE"}}, {kClassServer, {"FS2"}}};
    // Whatever the scratch design held before is replaced.
    f.design.AddChild(f.design.Root(), "OLD", kClassOrgUnit);
    BuildSearchResultTree(f.design, result, kClassOrgUnit, true);
    ObjectNode* root = f.design.Root();
    EXPECT_EQ(root->Name(), "SALES.CORP");
    EXPECT_EQ(root->ClassIndex(), kClassOrgUnit);
    EXPECT_TRUE(root->IsPartitionRoot());
    ASSERT_EQ(root->ChildCount(), 3u);
    EXPECT_EQ(root->Child(0)->Name(), "JSMITH");
    EXPECT_EQ(root->Child(1)->ClassIndex(), kClassUser);
    EXPECT_EQ(root->Child(2)->Name(), "FS2");
    EXPECT_EQ(root->Child(2)->ClassIndex(), kClassServer);

    test::RecordingCanvas c(1000, 1000);
    test::RecordingStatus s;
    PrintTreeView(f.design, c, s, root, false);
    auto images = c.Of(test::Drawn::ClassImage);
    ASSERT_EQ(images.size(), 5u); // the partition mark and the OU image, then one per object
    EXPECT_EQ(images[0].image, kPartitionRootMark);
    EXPECT_EQ(images[2].image, kClassUser);
    EXPECT_EQ(images[4].image, kClassServer);

    BuildSearchResultTree(f.design, result, kClassOrganization, false);
    EXPECT_FALSE(f.design.Root()->IsPartitionRoot());
    TextLines text;
    BuildTreeText(f.design, f.design.Root(), text);
    EXPECT_EQ(text.lines[2], "O=SALES.CORP");
    EXPECT_EQ(text.lines[3], "   CN=JSMITH");
}

} // namespace
} // namespace qv
