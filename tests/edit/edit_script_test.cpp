#include "edit/edit_script.h"
#include "edit_fixture.h"

namespace qv::test {
namespace {

using EditScript = EditTest;

std::vector<ScriptLine> Parse(std::string_view text) {
    std::vector<ScriptLine> lines;
    std::optional<ScriptError> e = ParseEditScript(text, lines);
    EXPECT_FALSE(e.has_value()) << (e ? e->message : "");
    return lines;
}

std::string ParseError(std::string_view text) {
    std::vector<ScriptLine> lines;
    std::optional<ScriptError> e = ParseEditScript(text, lines);
    return e ? std::to_string(e->line) + ": " + e->message : "";
}

TEST(EditScriptParser, LinesArgumentsAndComments) {
    auto lines = Parse("# comment\r\n\n   \t\ncreate-object  CORP \"ORGANIZATIONAL UNIT\" "
                       "\"\"\r\n  # indented comment\nmove-leaf A \"B C\" x\"y z\"\tw");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].number, 4);
    EXPECT_EQ(lines[0].args, (Lines{"create-object", "CORP", "ORGANIZATIONAL UNIT", ""}));
    EXPECT_EQ(lines[1].number, 6);
    EXPECT_EQ(lines[1].args, (Lines{"move-leaf", "A", "B C", "x\"y", "z\"", "w"}));
    EXPECT_TRUE(Parse("").empty());
}

TEST(EditScriptParser, Errors) {
    EXPECT_EQ(ParseError("sort-objects\nfrobnicate X"), "2: unknown command 'frobnicate'");
    EXPECT_EQ(ParseError("delete-leaf CORP"), "1: usage: delete-leaf CONTAINER NAME...");
    EXPECT_EQ(ParseError("sort-objects now"), "1: usage: sort-objects");
    EXPECT_EQ(ParseError("rename-object \"A B"), "1: a quoted argument has no closing quote");
    EXPECT_EQ(ParseError("rename-object \"A\"B C"),
              "1: a closing quote must be followed by a blank");
    EXPECT_EQ(ParseError("add-replica [ROOT] FS1 rw"),
              "1: unknown replica type 'rw' (M, RW, RO, SPRW or SPRO)");
}

TEST_F(EditScript, RunsCommandsAndStopsAtTheFirstRefusal) {
    std::vector<std::string> questions;
    auto run = [&](std::string_view text) {
        return RunEditScript(d, Parse(text),
                             [&](std::string_view q) { questions.emplace_back(q); });
    };
    std::optional<ScriptError> first = run("create-partition CORP\n"
                                           "add-replica CORP FS3 SPRW\n"
                                           "change-type CORP FS3 RW\n"
                                           "delete-server-replica FS3.CORP CORP\n"
                                           "create-object SALES.CORP USER \" jane.doe \"\n"
                                           "rename-leaf SALES.CORP JANE_DOE JD\n"
                                           "set-version FS1.CORP 1a\n"
                                           "add-tcpip FS1.CORP 10.0.0.255\n"
                                           "delete-tcpip FS1.CORP 10.0.0.255\n");
    EXPECT_FALSE(first.has_value()) << first->line << ": " << first->message;
    EXPECT_TRUE(corp->IsPartitionRoot());
    EXPECT_EQ(Part("CORP"), (Lines{"FS1*MASTER*", "FS2*READ/WRITE*"}));
    EXPECT_EQ(LeafNames(sales).back(), "JD");
    EXPECT_EQ(d.attributes[0].name, "DS VERSION:1A");
    EXPECT_EQ(d.attributes[0].entries, (Lines{"IPX:00000000"}));
    EXPECT_EQ(questions.size(), 2u); // delete replica, containment
    // The script's hosts are gone again.
    EXPECT_EQ(&d.ui(), &f.ui);

    auto refusal = [&](std::string_view text) {
        std::optional<ScriptError> e = run(text);
        return e ? std::to_string(e->line) + ": " + e->message : "";
    };
    EXPECT_EQ(refusal("sort-objects\ncreate-partition SALES.CORP"),
              "2: Create Partition needs a container that is not a partition root.");
    EXPECT_EQ(refusal("merge-partition NOPE.CORP"), "1: 'NOPE.CORP' was not found in the tree.");
    EXPECT_EQ(refusal("add-replica SALES.CORP FS3 M"),
              "1: Add Replica: the replica type \"Master\" cannot be chosen.");
    EXPECT_EQ(refusal("add-replica SALES.CORP FS3 RW"),
              "1: This server already has a replica of this partition.");
    EXPECT_EQ(refusal("change-type SALES.CORP FS1 RW"),
              "1: Change Type: the replica type \"Read Write\" cannot be chosen for a "
              "*READ/WRITE* replica.");
    EXPECT_EQ(refusal("delete-replica SALES.CORP FS2"),
              "1: Delete Replica needs a replica that is neither a master nor a subordinate "
              "reference.");
    EXPECT_EQ(refusal("delete-replica SALES.CORP NOSUCH"),
              "1: 'NOSUCH' is not in the replica list of SALES.CORP.");
    EXPECT_EQ(refusal("create-object SALES.CORP USER \"  \""), "1: Enter in a name.");
    EXPECT_EQ(refusal("create-object SALES.CORP USER jsmith"),
              "1: Object: JSMITH already exists in this container\rOR, if this is a server "
              "object, the server exists in the tree.\rDo you want to try to create this "
              "object again?");
    EXPECT_EQ(refusal("create-object SALES.CORP user x"), "1: 'user' is not an object class.");
    EXPECT_EQ(refusal("delete-object SALES.CORP"),
              "1: Delete Object needs an object that is not a partition root and has no "
              "subordinates.");
    EXPECT_EQ(refusal("drop-object [ROOT] CORP"),
              "1: Only a partition root or a server other than [ROOT] can be dragged.");
    EXPECT_EQ(refusal("delete-leaf SALES.CORP NOBODY"),
              "1: 'NOBODY' is not a subordinate object of SALES.CORP.");
    EXPECT_EQ(refusal("set-ipx FS1.CORP 123456789"),
              "1: An IPX address is 1 to 8 characters, each a digit or A to F: '123456789'.");
    EXPECT_EQ(refusal("add-tcpip FS1.CORP 10.0.256.1"),
              "1: '10.0.256.1' is not a TCP/IP address of four octets 0 to 255.");
    EXPECT_EQ(refusal("set-version SALES.CORP 5"), "1: Edit Server needs a server.");
}

TEST_F(EditScript, SelectingANodeAddsItsSubordinateReferences) {
    // Selecting EAST (to add a replica) gives FS1 and FS3 references first;
    // the FS3 reference is then upgraded in place.
    ASSERT_FALSE(RunEditScript(d, Parse("add-replica EAST.SALES.CORP FS3 RO"), nullptr));
    EXPECT_EQ(Part("EAST.SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*SUB/REF*", "FS3*READ/ONLY*"}));
    // A deleted node's parent is selected afterwards.
    ObjectNode* hr = d.AddChild(corp, "HR", kClassOrgUnit);
    d.AppendLeaf(corp, MakeLeafEntry("HR", kClassOrgUnit));
    ASSERT_FALSE(RunEditScript(d, Parse("delete-object HR.CORP\ndrop-object EAST.SALES.CORP CORP"),
                               nullptr));
    EXPECT_EQ(corp->Child(0), east);
    EXPECT_NE(corp->Child(corp->ChildCount() - 1), hr);
}

} // namespace
} // namespace qv::test
