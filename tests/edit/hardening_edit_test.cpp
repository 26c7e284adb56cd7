// Edits that a design file could not hold, names that could drive a terminal,
// and scripts with any line ends.
#include "core/depth_limit.h"
#include "edit/edit_script.h"
#include "edit/name_rules.h"
#include "edit/object_operations.h"
#include "edit_fixture.h"
#include "files/design_file.h"

#include <deque>
#include <memory>

namespace qv::test {
namespace {

using DepthLimit = EditTest;

CreateObjectDialog Typing(std::string name) {
    auto once = std::make_shared<std::optional<CreateObjectInput>>(CreateObjectInput{name, false});
    return [once](int) {
        std::optional<CreateObjectInput> a = *once;
        once->reset();
        return a;
    };
}

std::string Bytes(TreeDesign& d) {
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized) << serialized.error();
    return serialized.value_or("");
}

TEST_F(DepthLimit, CreatingAndMovingBelowTheLastLevelIsRefusedNamingTheObject) {
    // CORP is on level 1; the chain below it reaches level 255.
    ObjectNode* deepest = corp;
    for (int level = 2; level <= kMaxObjectLevel; ++level)
        deepest = d.AddChild(deepest, "L" + std::to_string(level), kClassOrgUnit);
    ASSERT_EQ(deepest->Level(), kMaxObjectLevel);
    ClearFlags();

    // A leaf object still fits: it is no node.
    EXPECT_TRUE(CreateObjects(d, deepest, ClassSet{kClassUser}, Typing("BOB")));
    // A container does not.
    ClearFlags();
    const std::string withBob = Bytes(d);
    EXPECT_FALSE(CreateObjects(d, deepest, ClassSet{kClassOrgUnit}, Typing("DEEPER")));
    ASSERT_EQ(f.ui.Texts("information").size(), 1u);
    EXPECT_EQ(f.ui.Texts("information")[0],
              TooDeepMessage("DEEPER." + d.FullContext(deepest), kMaxObjectLevel + 1));
    EXPECT_EQ(f.ui.Texts("information")[0].rfind("The object \"DEEPER.L255.L254.", 0), 0u);
    EXPECT_EQ(Bytes(d), withBob);
    EXPECT_FALSE(d.Flags().modified);

    // EAST (a partition root, level 3) would bring its subtree to level 256;
    // its parent's chain of one more level too.
    ObjectNode* l254 = deepest->Parent();
    EXPECT_FALSE(MoveObject(d, east, d.FullContext(deepest)));
    EXPECT_EQ(f.ui.Texts("information").back(),
              TooDeepMessage("EAST." + d.FullContext(deepest), kMaxObjectLevel + 1));
    d.AddChild(east, "UNDER_EAST", kClassOrgUnit);
    ClearFlags();
    const std::string withUnderEast = Bytes(d);
    EXPECT_FALSE(DropObject(d, east, l254));
    EXPECT_EQ(f.ui.Texts("information").back(),
              TooDeepMessage("EAST." + d.FullContext(l254), kMaxObjectLevel + 1));
    EXPECT_EQ(Bytes(d), withUnderEast);
    EXPECT_FALSE(d.Flags().modified);
    // One level higher it fits.
    EXPECT_TRUE(MoveObject(d, east, d.FullContext(l254->Parent())));
    EXPECT_EQ(east->Parent(), l254->Parent());
    EXPECT_TRUE(d.Flags().modified);
}

TEST(NameRules, ControlCharactersAndLeafEntriesTooLongAreRefusedTruthfully) {
    EXPECT_EQ(TypedNameProblem("A\x1B[2JB"), "A name cannot contain a control character (\\x1B).");
    EXPECT_EQ(TypedNameProblem(std::string("A\0B", 3)),
              "A name cannot contain a control character (\\x00).");
    EXPECT_EQ(TypedNameProblem("A\x7F"), "A name cannot contain a control character (\\x7F).");
    // 255 characters fit a node's name but not a user's leaf entry.
    const std::string n255(255, 'N');
    EXPECT_FALSE(TypedNameProblem(n255).has_value());
    EXPECT_EQ(TypedNameProblem(n255, kClassUser),
              "The name is too long for this class: the object's leaf entry (the name, two marks "
              "and the class number 44) would be longer than 255 characters.");
    EXPECT_FALSE(TypedNameProblem(std::string(252, 'N'), kClassOrgUnit).has_value());
    EXPECT_TRUE(TypedNameProblem(std::string(253, 'N'), kClassOrgUnit).has_value());
    EXPECT_FALSE(TypedNameProblem(std::string(251, 'N'), kClassUser).has_value());
}

using HardeningScript = EditTest;

TEST_F(HardeningScript, RenamingToANameWhoseEntryDoesNotFitIsRefused) {
    std::vector<ScriptLine> lines;
    ASSERT_FALSE(ParseEditScript("rename-leaf SALES.CORP JSMITH " + std::string(255, 'J'), lines));
    const std::string before = Bytes(d);
    std::optional<ScriptError> refused = RunEditScript(d, lines, [](std::string_view) {});
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->line, 1);
    EXPECT_NE(refused->message.find("would be longer than 255 characters"), std::string::npos)
        << refused->message;
    EXPECT_EQ(Bytes(d), before);
}

TEST(EditScriptLines, LfCrlfAndCrEndLinesAndControlCharactersAreRefused) {
    for (const std::string end : {"\n", "\r\n", "\r"}) {
        std::vector<ScriptLine> lines;
        std::optional<ScriptError> e =
            ParseEditScript("# a comment first" + end + "sort-objects" + end + end +
                                "create-partition SALES.CORP" + end,
                            lines);
        ASSERT_FALSE(e.has_value()) << e->message;
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].number, 2);
        EXPECT_EQ(lines[1].number, 4);
        EXPECT_EQ(lines[1].args, (std::vector<std::string>{"create-partition", "SALES.CORP"}));
    }
    std::vector<ScriptLine> lines;
    std::optional<ScriptError> e =
        ParseEditScript("sort-objects\rcreate-object CORP USER \"X\x1B]0;owned\x07\"", lines);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->line, 2);
    EXPECT_EQ(e->message, "the line holds a control character (\\x1B).");
}

} // namespace
} // namespace qv::test
