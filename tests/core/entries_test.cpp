#include "core/entries.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Entries, NameAndTypeOfReplicaEntries) {
    EXPECT_EQ(EntryName("SERVER*MASTER*"), "SERVER");
    EXPECT_EQ(EntryType("SERVER*MASTER*"), "*MASTER*");
    EXPECT_EQ(EntryName("SALES.ACME*SUB/REF*"), "SALES.ACME");
    EXPECT_EQ(EntryType("SALES.ACME*SUB/REF*"), "*SUB/REF*");
    EXPECT_EQ(EntryName("[ROOT]*READ/WRITE*"), "[ROOT]");
    EXPECT_EQ(EntryType("FS1*SPARSE/READ*"), "*SPARSE/READ*");
    // Without any "*" the name is empty and the type is the whole text.
    EXPECT_EQ(EntryName("PLAIN"), "");
    EXPECT_EQ(EntryType("PLAIN"), "PLAIN");
    EXPECT_EQ(EntryName(""), "");
    EXPECT_EQ(EntryType(""), "");
    // A name holding a "*" keeps it: only the last marker is the type.
    EXPECT_EQ(EntryName("A*B*MASTER*"), "A*B");
    EXPECT_EQ(EntryType("A*B*MASTER*"), "*MASTER*");
    // A marker without its closing "*" still starts at the last "*".
    EXPECT_EQ(EntryName("FS1*MASTER"), "FS1");
    EXPECT_EQ(EntryType("FS1*MASTER"), "*MASTER");
    EXPECT_EQ(EntryName("*MASTER*"), "");
    EXPECT_EQ(EntryType("*MASTER*"), "*MASTER*");
}

TEST(Entries, TypeIsLimitedTo255Characters) {
    std::string longType = "*" + std::string(300, 'X');
    EXPECT_EQ(EntryType("N" + longType).size(), 255u);
}

TEST(Entries, ReadableAndLookups) {
    EXPECT_TRUE(IsReadable("FS1*MASTER*"));
    EXPECT_TRUE(IsReadable("FS1*SPARSE/WRITE*"));
    EXPECT_FALSE(IsReadable("FS1*SUB/REF*"));
    ReplicaList list{"FS1*SUB/REF*", "FS2*MASTER*", "FS1*READ/ONLY*"};
    EXPECT_EQ(FindEntryByName(list, "FS1"), 0);
    EXPECT_EQ(FindEntryByName(list, "FS2"), 1);
    EXPECT_EQ(FindEntryByName(list, "FS"), -1);
    EXPECT_EQ(FindEntryExact(list, "FS1*READ/ONLY*"), 2);
    EXPECT_EQ(FindEntryExact(list, "FS1*READ/ONLY"), -1);
}

TEST(Entries, LastPathComponentTakesEitherSeparator) {
    EXPECT_EQ(LastPathComponent("/home/ann/tree.qvd"), "tree.qvd");
    EXPECT_EQ(LastPathComponent("C:\\designs\\tree.qvd"), "tree.qvd");
    EXPECT_EQ(LastPathComponent("mixed\\dir/x.qvd"), "x.qvd");
    EXPECT_EQ(LastPathComponent("UNTITLED1.qvd"), "UNTITLED1.qvd");
    EXPECT_EQ(LastPathComponent("dir/"), "");
}

TEST(Entries, LeafEntries) {
    std::string e = MakeLeafEntry("ANN", 44);
    EXPECT_EQ(e, std::string("ANN\xBF\xBC") + "44");
    EXPECT_EQ(LeafName(e), "ANN");
    EXPECT_EQ(LeafClassIndex(e), 44);
    EXPECT_EQ(LeafName("NOSEP"), "NOSEP");
    EXPECT_EQ(LeafClassIndex("NOSEP"), -1);
    EXPECT_EQ(LeafClassIndex(std::string("X\xBF\xBC")), -1);
    EXPECT_EQ(LeafClassIndex(std::string("X\xBF\xBC") + "12abc"), 12);
    // Up to ten characters are read: large values are kept, not wrapped.
    EXPECT_EQ(LeafClassIndex(std::string("X\xBF\xBC") + "99999999999"), 9999999999LL);
}

} // namespace
// Every character up to and including the space is trimmed from both ends,
// none above it (DEL and the 8-bit range stay), and nothing inside.
TEST(Entries, TrimTextTrimsEveryCharacterUpToTheSpace) {
    for (int c = 0; c < 256; ++c) {
        const std::string ch(1, static_cast<char>(c));
        const std::string text = ch + "A" + ch + "B" + ch;
        const std::string inner = "A" + ch + "B";
        EXPECT_EQ(TrimText(text), c <= ' ' ? inner : text) << c;
        EXPECT_EQ(TrimText(ch), c <= ' ' ? "" : ch) << c;
    }
    EXPECT_EQ(TrimText(""), "");
    EXPECT_EQ(TrimText(std::string("\0\0x\0", 4)), "x");
}

} // namespace qv
