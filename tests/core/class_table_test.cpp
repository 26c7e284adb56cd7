#include "core/class_table.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ClassTable, NamesAndLookup) {
    EXPECT_EQ(ClassName(0), "TOP");
    EXPECT_EQ(ClassName(3), "NETWARE SERVER");
    EXPECT_EQ(ClassName(96), "NO_DEF");
    EXPECT_EQ(ClassName(97), "");
    EXPECT_EQ(ClassName(-1), "");
    EXPECT_EQ(ClassIndexOf("NETWARE SERVER"), 3);
    EXPECT_EQ(ClassIndexOf("USER"), 44);
    EXPECT_EQ(ClassIndexOf("NCP SERVER"), -1);
    EXPECT_EQ(ClassIndexOf("user"), -1);
    EXPECT_EQ(ClassIndexOf("USER "), -1);
    // Every name maps back to its own index: the table has no duplicates.
    for (int i = 0; i < kClassCount; ++i)
        EXPECT_EQ(ClassIndexOf(ClassName(i)), i) << i;
}

TEST(ClassTable, ContainerAndNodeSets) {
    EXPECT_EQ(ContainerClasses().Count(), 18u);
    EXPECT_EQ(NodeClasses().Count(), 19u);
    EXPECT_FALSE(IsNodeClass(kClassUser));
    EXPECT_TRUE(IsContainerClass(53)); // NCS:NETWARE CLUSTER
    EXPECT_TRUE(IsNodeClass(53));
    EXPECT_FALSE(IsContainerClass(4));
    EXPECT_FALSE(IsNodeClass(4));
    EXPECT_FALSE(IsContainerClass(3));
    EXPECT_TRUE(IsNodeClass(3));
    for (int i : {0, 1, 2, 5, 6, 20, 29, 40, 43, 53, 64, 66, 68, 76, 78, 89, 93, 96})
        EXPECT_TRUE(IsContainerClass(i)) << i;
}

TEST(ClassTable, SetsSpanZeroTo103Only) {
    ClassSet s;
    EXPECT_TRUE(s.Add(103));
    EXPECT_FALSE(s.Add(104));
    EXPECT_FALSE(s.Add(-1));
    EXPECT_TRUE(s.Contains(103));
    EXPECT_FALSE(s.Contains(104));
    EXPECT_EQ(s.Count(), 1u);
}

} // namespace
} // namespace qv
