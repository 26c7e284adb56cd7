// The core's limits, each at the limit and one past it: the stored length of
// a replica entry's type, the depth of an object below [ROOT] (placing a
// child and moving a subtree), and the steps the undo history keeps.
#include "core/depth_limit.h"
#include "core/design_change.h"
#include "core/entries.h"
#include "core/tree_design.h"

#include "support/scripted.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qv {
namespace {

using test::Fixture;
using test::MakeEmpty;

// A chain of units `levels` deep below [ROOT]; the deepest one.
ObjectNode* Chain(TreeDesign& d, ObjectNode* from, int levels, const std::string& prefix) {
    ObjectNode* n = from;
    for (int i = 0; i < levels; ++i)
        n = d.AddChild(n, prefix + std::to_string(i), kClassOrgUnit);
    return n;
}

TEST(CoreLimits, EachLimitHoldsAtItsValueAndRefusesOnePast) {
    // The type of a replica entry keeps at most kMaxStoredText characters.
    for (std::size_t length : {kMaxStoredText - 1, kMaxStoredText, kMaxStoredText + 1}) {
        const std::string type = "*" + std::string(length - 1, 'T');
        EXPECT_EQ(EntryType("FS1" + type).size(), std::min(length, kMaxStoredText)) << length;
    }

    // A new child at level kMaxObjectLevel fits; one level deeper does not.
    Fixture f;
    TreeDesign& d = f.design;
    MakeEmpty(d);
    ObjectNode* deepest = Chain(d, d.Root(), kMaxObjectLevel - 1, "L");
    ASSERT_EQ(deepest->Level(), kMaxObjectLevel - 1);
    EXPECT_FALSE(NewChildTooDeep(d, deepest, "X").has_value());
    ObjectNode* last = d.AddChild(deepest, "LAST", kClassOrgUnit);
    ASSERT_EQ(last->Level(), kMaxObjectLevel);
    const std::optional<std::string> refused = NewChildTooDeep(d, last, "X");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(*refused, TooDeepMessage("X." + d.FullContext(last), kMaxObjectLevel + 1));

    // A subtree of height 2 moved under a destination: the deepest object at
    // the limit fits, one past does not.
    Chain(d, d.Root(), 3, "M"); // M0 > M1 > M2: height 2 below M0
    ObjectNode* m0 = d.Root()->Child(d.Root()->ChildCount() - 1);
    ASSERT_EQ(SubtreeHeight(m0), 2);
    ObjectNode* fits = Chain(d, d.Root(), kMaxObjectLevel - 3, "F"); // M0 at limit - 2
    EXPECT_FALSE(MoveTooDeep(d, m0, fits).has_value());
    ObjectNode* pastDest = d.AddChild(fits, "ONE_MORE", kClassOrgUnit);
    EXPECT_TRUE(MoveTooDeep(d, m0, pastDest).has_value());
}

TEST(CoreLimits, TheUndoHistoryKeepsTwoHundredSteps) {
    constexpr std::size_t kKept = 200; // as the documentation promises
    for (std::size_t steps : {kKept, kKept + 1}) {
        Fixture f;
        TreeDesign& d = f.design;
        MakeEmpty(d);
        d.History().Clear(d);
        for (std::size_t i = 0; i < steps; ++i) {
            DesignChange change(d, "Create Object", kTouchObjects);
            d.AddChild(d.Root(), "N" + std::to_string(i), kClassOrgUnit);
            change.Commit();
        }
        EXPECT_EQ(d.History().UndoCount(), kKept) << steps;
        std::size_t undone = 0;
        while (d.History().Undo(d))
            ++undone;
        EXPECT_EQ(undone, kKept) << steps;
        // What the dropped first step made stays.
        EXPECT_EQ(d.Root()->ChildCount(), steps - kKept) << steps;
    }
}

} // namespace
} // namespace qv
