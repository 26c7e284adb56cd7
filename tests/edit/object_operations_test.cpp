#include "edit/name_rules.h"
#include "edit/object_operations.h"
#include "edit_fixture.h"

namespace qv::test {
namespace {

using ObjectOps = EditTest;

// A TDLG_CREATE that answers from a list, then cancels.
CreateObjectDialog Answers(std::vector<CreateObjectInput> answers, std::vector<int>* shownFor) {
    auto queue = std::make_shared<std::deque<CreateObjectInput>>(answers.begin(), answers.end());
    return [queue, shownFor](int k) -> std::optional<CreateObjectInput> {
        if (shownFor)
            shownFor->push_back(k);
        if (queue->empty())
            return std::nullopt;
        CreateObjectInput a = queue->front();
        queue->pop_front();
        return a;
    };
}

TEST_F(ObjectOps, ServersGetReadWriteReplicasUpToTheThirdReadable) {
    // [ROOT] has two readable replicas: the first new server gets the third.
    std::vector<int> shown;
    ASSERT_TRUE(CreateObjects(d, corp, ClassSet{kClassServer},
                              Answers({{"new1", true}, {"new2", false}}, &shown)));
    EXPECT_EQ(shown, (std::vector<int>{3, 3}));
    EXPECT_EQ(Part("[ROOT]"), (Lines{"FS1*MASTER*", "FS2*READ/WRITE*", "NEW1*READ/WRITE*"}));
    EXPECT_EQ(Srv("NEW1"), (Lines{"[ROOT]*READ/WRITE*"}));
    EXPECT_TRUE(Srv("NEW2").empty());
    ASSERT_EQ(d.attributes.Size(), d.servers.Size());
    EXPECT_EQ(d.attributes[4].name, "DS VERSION:0");
    EXPECT_EQ(d.attributes[4].entries, (Lines{"IPX:00000000"}));
    EXPECT_EQ(ChildNames(corp), (Lines{"FS1", "SALES", "FS3", "NEW1", "NEW2"}));
    EXPECT_EQ(corp->Leaves()->back(), MakeLeafEntry("NEW2", kClassServer));
    EXPECT_TRUE(d.Flags().modified && d.Flags().subRefsStale && d.Flags().gridStale[kAddressGrid]);
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Create Object", "  Name       : NEW1.CORP",
                     "  Object Type: NETWARE SERVER", "", "Action: Create Object",
                     "  Name       : NEW2.CORP", "  Object Type: NETWARE SERVER", ""}));
    EXPECT_TRUE(f.ui.boxes.empty());
}

TEST_F(ObjectOps, ContainmentOfCreatedClasses) {
    ObjectNode* us = d.AddChild(root, "US", kClassCountry);
    EXPECT_FALSE(CreateObjects(d, root, ClassSet{kClassUser}, Answers({{"BOB"}}, nullptr)));
    EXPECT_FALSE(CreateObjects(d, us, ClassSet{kClassOrgUnit}, Answers({{"OU1"}}, nullptr)));
    EXPECT_EQ(Boxes(), (Lines{"Illegal containment for object class: USER",
                              "Illegal containment for object class: ORGANIZATIONAL UNIT"}));
    EXPECT_EQ(f.ui.boxes[0].kind, "message");
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.log.Lines().empty());

    EXPECT_TRUE(CreateContainmentAllows(kClassTop, kClassCountry));
    EXPECT_FALSE(CreateContainmentAllows(kClassOrganization, kClassCountry));
    EXPECT_TRUE(CreateContainmentAllows(kClassLocality, kClassOrganization));
    EXPECT_FALSE(CreateContainmentAllows(kClassCountry, kClassServer));
    EXPECT_TRUE(CreateContainmentAllows(kClassTop, 6)); // a container class under TOP
    EXPECT_TRUE(CreateContainmentAllows(kClassUnknown, kClassUser));
}

TEST_F(ObjectOps, UncheckedClassesWarnUntilTheWarningIsTurnedOff) {
    f.ui.answers = {false};
    ASSERT_TRUE(CreateObjects(d, sales, ClassSet{kClassUser, 16},
                              Answers({{"a.b/c=d\\e "}, {"everyone"}}, nullptr)));
    ASSERT_EQ(f.ui.Texts("question").size(), 2u);
    EXPECT_EQ(f.ui.boxes[0].text,
              "Quorvane will not check containment for this object.\rYou are creating this "
              "object based on your knowledge of NDS.\rDo you wish to disable this message?");
    EXPECT_TRUE(d.Flags().containmentWarningOff);
    // Classes in ascending order; the name rule applied.
    EXPECT_EQ(sales->Leaves()->back(), MakeLeafEntry("EVERYONE", kClassUser));
    EXPECT_EQ((*sales->Leaves())[sales->Leaves()->size() - 2], MakeLeafEntry("A_B_C_D_E", 16));
    EXPECT_EQ(sales->ChildCount(), 2u); // leaf classes make no nodes
    EXPECT_TRUE(d.classPresence.Contains(16));
    f.ui.boxes.clear();
    ASSERT_TRUE(CreateObjects(d, sales, ClassSet{kClassUser}, Answers({{"X"}}, nullptr)));
    EXPECT_TRUE(f.ui.boxes.empty());
}

TEST_F(ObjectOps, TakenNamesAskToTryAgainOrRepeatWithCreateAnother) {
    d.SetContainmentWarningOff(true);
    const std::string taken = "Object: JSMITH already exists in this container\rOR, if this is "
                              "a server object, the server exists in the tree.";
    f.ui.answers = {true};
    std::vector<int> shown;
    ASSERT_TRUE(
        CreateObjects(d, sales, ClassSet{kClassUser}, Answers({{"jsmith"}, {"jdoe"}}, &shown)));
    EXPECT_EQ(Boxes(), (Lines{taken + "\rDo you want to try to create this object again?"}));
    EXPECT_EQ(shown.size(), 2u); // shown again after Yes
    EXPECT_EQ(LeafNames(sales).back(), "JDOE");

    f.ui.boxes.clear();
    shown.clear();
    EXPECT_FALSE(CreateObjects(d, sales, ClassSet{kClassUser},
                               Answers({{"jsmith", true}, {"jsmith", false}}, &shown)));
    EXPECT_EQ(f.ui.boxes[0].kind, "message");
    EXPECT_EQ(f.ui.boxes[0].text, taken);
    EXPECT_EQ(f.ui.boxes[1].kind, "question"); // answered Yes by default
    // A server name taken anywhere in the tree.
    f.ui.boxes.clear();
    f.ui.answers = {false};
    EXPECT_FALSE(CreateObjects(d, sales, ClassSet{kClassServer}, Answers({{"FS3"}}, nullptr)));
    EXPECT_EQ(d.servers.Size(), 3u);
}

TEST_F(ObjectOps, ClassChoiceRefusals) {
    EXPECT_FALSE(CreateObjects(d, corp, std::nullopt, Answers({{"X"}}, nullptr)));
    EXPECT_FALSE(CreateObjects(d, corp, ClassSet{}, Answers({{"X"}}, nullptr)));
    d.SetContainmentWarningOff(true);
    EXPECT_TRUE(CreateObjects(d, corp, ClassSet{kClassTop, kClassPartition, kClassUser},
                              Answers({{"X"}}, nullptr)));
    EXPECT_EQ(Boxes(), (Lines{"Nothing was selected.", "\"TOP\" cannot be created.",
                              "\"PARTITION\" is not an effective class."}));
    f.ui.boxes.clear();
    // Empty and overlong names are sent back to the dialog.
    std::vector<int> shown;
    EXPECT_FALSE(CreateObjects(d, corp, ClassSet{kClassUser},
                               Answers({{"   "}, {std::string(256, 'A')}}, &shown)));
    EXPECT_EQ(shown.size(), 3u);
    EXPECT_EQ(f.ui.Texts("warning").size(), 2u);
}

TEST_F(ObjectOps, DeleteRefusals) {
    f.ui.answers = {false};
    EXPECT_FALSE(DeleteObject(d, sales->Child(1)));
    EXPECT_EQ(Boxes(), (Lines{"Are you sure you want to delete this object?"}));
    f.ui.boxes.clear();
    EXPECT_FALSE(DeleteObject(d, fs1)); // holds the master of [ROOT]
    EXPECT_FALSE(DeleteObject(d, corp));
    EXPECT_FALSE(DeleteObject(d, east));
    EXPECT_EQ(f.ui.Texts("information"),
              (Lines{"This server contains one or more Master replicas.\rDesignate other "
                     "servers to contain the Master replicas\rbefore deleting this server object.",
                     "This object has subordinates.",
                     "This container is a partition.  Remove the partition before deleting."}));
    EXPECT_EQ(f.ui.Texts("question")[1], "Are you sure you want to delete this object?\rIt "
                                         "contains 3 subordinate LEAF object(s).");
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.log.Lines().empty());

    TreeDesign single;
    single.SetHosts(&f.progress, &f.ui);
    f.ui.boxes.clear();
    single.servers.Append("SERVER");
    EXPECT_FALSE(DeleteObject(single, single.Root()->Child(0)->Child(0)));
    EXPECT_EQ(f.ui.Texts("information"), (Lines{"You cannot delete the last server in the tree."}));
}

TEST_F(ObjectOps, DeletingAServerRemovesBothSidesOfItsReplicas) {
    d.attributes.Rename(2, "DS VERSION:3");
    ASSERT_TRUE(DeleteObject(d, fs3));
    EXPECT_EQ(d.attributes[1].name, "DS VERSION:0");
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*READ/WRITE*"}));
    EXPECT_EQ(d.servers.FindLast("FS3"), -1);
    EXPECT_EQ(d.attributes.Size(), 2u);
    EXPECT_EQ(ChildNames(corp), (Lines{"FS1", "SALES"}));
    EXPECT_EQ(LeafNames(corp), (Lines{"FS1", "SALES"}));
    EXPECT_EQ(d.log.Lines(), (Lines{"Action: Delete Object", "  Name       : FS3.CORP",
                                    "  Object Type: NETWARE SERVER", ""}));
    EXPECT_TRUE(d.Flags().modified && d.Flags().subRefsStale &&
                d.Flags().gridStale[kPartitionGrids]);
    EXPECT_GT(view.refreshes, 0);
}

TEST_F(ObjectOps, RenamingAServerRenamesItsReplicaEntries) {
    ASSERT_TRUE(RenameObject(d, fs2, std::string(" files.2 ")));
    EXPECT_EQ(fs2->Name(), "FILES_2");
    EXPECT_EQ(Part("[ROOT]"), (Lines{"FS1*MASTER*", "FILES_2*READ/WRITE*"}));
    EXPECT_EQ(Part("EAST.SALES.CORP"), (Lines{"FILES_2*MASTER*"}));
    EXPECT_EQ(d.servers.Name(1), "FILES_2");
    EXPECT_EQ((*sales->Leaves())[0], MakeLeafEntry("FILES_2", kClassServer));
    EXPECT_EQ(d.log.Lines(), (Lines{"Action: Renamed Object", "  Old Name: FS2.SALES.CORP",
                                    "  New Name: FILES_2.SALES.CORP", ""}));
    // Server names appear in the reports: they are stale too.
    EXPECT_TRUE(d.Flags().reportStale[kServerReport] && d.Flags().gridStale[kObjectGrids]);
}

TEST_F(ObjectOps, RenamingAContainerRenamesThePartitionsBelowIt) {
    AddReplica(d, "EAST.SALES.CORP", "FS3", kSparseRead);
    ASSERT_TRUE(RenameObject(d, sales, std::string("selling")));
    EXPECT_EQ(d.partitions.Name(1), "SELLING.CORP");
    EXPECT_EQ(d.partitions.Name(2), "EAST.SELLING.CORP");
    EXPECT_EQ(Srv("FS3"), (Lines{"SELLING.CORP*READ/ONLY*", "EAST.SELLING.CORP*SPARSE/READ*"}));
    EXPECT_EQ(Srv("FS2"),
              (Lines{"[ROOT]*READ/WRITE*", "SELLING.CORP*MASTER*", "EAST.SELLING.CORP*MASTER*"}));
    EXPECT_EQ(LeafNames(corp), (Lines{"FS1", "SELLING", "FS3"}));
}

TEST_F(ObjectOps, RenameRefusesTakenNames) {
    EXPECT_FALSE(RenameObject(d, fs3, std::string("SALES")));
    EXPECT_FALSE(RenameObject(d, fs3, std::string("fs3")));
    EXPECT_FALSE(RenameObject(d, fs3, std::string("FS2")));     // a server elsewhere
    EXPECT_FALSE(RenameObject(d, east, std::string("JSMITH"))); // a leaf of the parent
    EXPECT_FALSE(RenameObject(d, root, std::string("X")));
    EXPECT_FALSE(RenameObject(d, fs3, std::nullopt));
    EXPECT_EQ(Boxes(), (Lines{"That name already exists in this context.",
                              "That name already exists in this context.",
                              "That server name already exists.",
                              "That name already exists in this context."}));
    EXPECT_FALSE(d.Flags().modified);
}

TEST_F(ObjectOps, MovingAPartitionRecontextsItAndDropsItsSubordinateReferences) {
    d.EnsureSubRefsForNode(east); // FS1 and FS3 get references of EAST
    ASSERT_EQ(Srv("FS1").back(), "EAST.SALES.CORP*SUB/REF*");
    ASSERT_TRUE(MoveObject(d, east, std::string(" corp ")));
    EXPECT_EQ(ChildNames(corp), (Lines{"EAST", "FS1", "SALES", "FS3"}));
    EXPECT_EQ(d.partitions.Name(2), "EAST.CORP");
    EXPECT_EQ(Part("EAST.CORP"), (Lines{"FS2*MASTER*"}));
    EXPECT_EQ(Srv("FS2").back(), "EAST.CORP*MASTER*");
    EXPECT_EQ(Srv("FS1"), (Lines{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*"}));
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*READ/ONLY*"}));
    EXPECT_EQ(LeafNames(sales), (Lines{"FS2", "JSMITH", "MJONES"}));
    EXPECT_EQ(LeafNames(corp).back(), "EAST");
    EXPECT_TRUE(d.Flags().subRefsStale && d.Flags().reportStale[kPartitionReport]);
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Move Object", "  Object Type: ORGANIZATIONAL UNIT",
                     "  Source     : EAST.SALES.CORP", "  Destination: EAST.CORP", ""}));
}

TEST_F(ObjectOps, MovingAServerTouchesOnlyTheObjectViews) {
    ASSERT_TRUE(MoveObject(d, fs3, std::string("SALES.CORP")));
    EXPECT_EQ(fs3->Parent(), sales);
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*READ/ONLY*"}));
    EXPECT_TRUE(d.Flags().modified);
    EXPECT_TRUE(OnlyObjectViewsStale());
}

TEST_F(ObjectOps, MoveRefusals) {
    EXPECT_FALSE(MoveObject(d, east, std::string("NOWHERE")));
    EXPECT_FALSE(MoveObject(d, east, std::string("EAST.SALES.CORP")));  // itself: nothing
    EXPECT_FALSE(MoveObject(d, east, std::string("SALES.CORP")));       // its parent
    EXPECT_FALSE(MoveObject(d, sales, std::string("EAST.SALES.CORP"))); // inside it
    EXPECT_FALSE(MoveObject(d, east, std::string("[ROOT]")));           // containment
    d.AppendLeaf(d.AddChild(corp, "X", kClassOrgUnit), MakeLeafEntry("EAST", 44));
    EXPECT_FALSE(MoveObject(d, east, std::string("X.CORP")));
    const std::string illegal =
        "Illegal move.  The object is either NOT a partition or an invalid containment has "
        "occurred.";
    EXPECT_EQ(Boxes(), (Lines{"'NOWHERE' was not found.\rCheck the context and try again.", illegal,
                              illegal, illegal,
                              "Illegal move.  There is an object that contains the same name in "
                              "this context."}));
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(MoveContainmentAllows(kClassUnknown, kClassTop));
    EXPECT_FALSE(MoveContainmentAllows(kClassNoDef, kClassServer));
    EXPECT_FALSE(MoveContainmentAllows(kClassUser, kClassOrganization));
}

TEST_F(ObjectOps, DragAndDrop) {
    ObjectNode* us = d.AddChild(root, "US", kClassCountry);
    ObjectNode* acme = d.AddChild(us, "ACME", kClassOrganization);
    MakePartition(d, acme);
    EXPECT_TRUE(CanStartDrag(east) && CanStartDrag(fs3));
    EXPECT_FALSE(CanStartDrag(corp));
    EXPECT_FALSE(CanStartDrag(root));
    EXPECT_TRUE(DropAccepted(acme, root));
    EXPECT_FALSE(DropAccepted(fs3, root));
    EXPECT_FALSE(DropAccepted(sales, east));

    ASSERT_TRUE(DropObject(d, acme, root));
    EXPECT_EQ(root->Child(0), acme);
    EXPECT_EQ(d.partitions.Name(3), "ACME");
    EXPECT_EQ(d.log.Lines()[2], "  Source     : ACME.US");
    EXPECT_EQ(d.log.Lines()[3], "  Destination: ACME");
    // Dropping on the parent or on a child does nothing; a refused target says so.
    EXPECT_FALSE(DropObject(d, east, sales));
    EXPECT_FALSE(DropObject(d, sales, east));
    EXPECT_TRUE(f.ui.boxes.empty());
    EXPECT_FALSE(DropObject(d, fs3, root));
    EXPECT_FALSE(DropObject(d, corp, us));
    EXPECT_EQ(f.ui.boxes.size(), 2u);
    ASSERT_TRUE(DropObject(d, acme, us));
    EXPECT_EQ(d.log.Lines()[7], "  Source     : ACME.[ROOT]");
}

TEST_F(ObjectOps, LeafObjects) {
    d.SetContainmentWarningOff(false);
    std::string jsmith = MakeLeafEntry("JSMITH", kClassUser);
    std::string fs2Entry = MakeLeafEntry("FS2", kClassServer);
    ASSERT_TRUE(DeleteLeafObjects(d, sales, {jsmith, fs2Entry}));
    EXPECT_EQ(LeafNames(sales), (Lines{"FS2", "EAST", "MJONES"}));
    EXPECT_EQ(d.log.Lines(), (Lines{"Action: Delete Object", "  Name       : JSMITH.SALES.CORP",
                                    "  Object Type: USER", ""}));
    EXPECT_TRUE(OnlyObjectViewsStale());

    d.log.Clear();
    d.AppendLeaf(corp, MakeLeafEntry("MJONES", kClassUser));
    d.AppendLeaf(sales, MakeLeafEntry("PRN", 34));
    std::vector<std::string> picked = {MakeLeafEntry("MJONES", kClassUser), fs2Entry,
                                       MakeLeafEntry("PRN", 34)};
    f.ui.answers = {false};
    auto to = [](std::string t) { return [t](const std::string&) { return t; }; };
    EXPECT_FALSE(MoveLeafObjects(d, sales, picked, to("SALES.CORP")));
    EXPECT_FALSE(MoveLeafObjects(d, sales, picked, to("NOPE")));
    EXPECT_FALSE(MoveLeafObjects(d, sales, picked, to("[ROOT]")));
    EXPECT_FALSE(MoveLeafObjects(d, sales, picked, to("FS1.CORP")));
    EXPECT_EQ(f.ui.Texts("message"),
              (Lines{"Cannot move to the same container.", "'NOPE' could not be found in the tree.",
                     "Illegal containment.", "'FS1.CORP' is not a container."}));
    // Delete asked once; the containment question is asked until turned off.
    EXPECT_EQ(f.ui.Texts("question").size(), 3u);
    std::string shownFrom;
    ASSERT_TRUE(MoveLeafObjects(d, sales, picked, [&](const std::string& from) {
        shownFrom = from;
        return std::string("corp");
    }));
    EXPECT_EQ(shownFrom, "SALES.CORP's leaf objects");
    EXPECT_EQ(LeafNames(sales), (Lines{"FS2", "EAST", "MJONES"})); // taken name and node stay
    EXPECT_EQ(LeafNames(corp).back(), "PRN");
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Move Object", "  Object Type: PRINTER", "  Object Name: PRN",
                     "  Source     : SALES.CORP", "  Destination: CORP", ""}));
}

TEST_F(ObjectOps, RenamingALeafObject) {
    const std::string entry = MakeLeafEntry("MJONES", kClassUser);
    EXPECT_FALSE(RenameLeafObject(d, sales, entry, std::string("jsmith")));
    EXPECT_FALSE(RenameLeafObject(d, sales, entry, std::string("east")));
    EXPECT_FALSE(RenameLeafObject(d, sales, MakeLeafEntry("EAST", 2), std::string("WEST")));
    EXPECT_EQ(Boxes(), (Lines{"That name already exists in this container.",
                              "That name already exists in this container.",
                              "Use Rename Object to rename a container or server."}));
    ASSERT_TRUE(RenameLeafObject(d, sales, entry, std::string("m/jones")));
    EXPECT_EQ(sales->Leaves()->back(), MakeLeafEntry("M_JONES", kClassUser));
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Rename Leaf Object", "  Object Type: USER",
                     "  From       : MJONES.SALES.CORP", "  To         : M_JONES.SALES.CORP", ""}));
    EXPECT_TRUE(OnlyObjectViewsStale());
}

TEST_F(ObjectOps, EnablingRules) {
    EXPECT_TRUE(CanCreateObjects(root) && CanCreateObjects(sales));
    EXPECT_FALSE(CanCreateObjects(fs1));
    EXPECT_FALSE(CanDeleteObject(east) || CanDeleteObject(corp) || CanDeleteObject(sales));
    EXPECT_TRUE(CanDeleteObject(d.AddChild(corp, "EMPTY", kClassOrgUnit)));
    EXPECT_TRUE(CanMoveObject(fs1) && CanMoveObject(east) && CanMoveObject(root));
    EXPECT_FALSE(CanMoveObject(corp));
    EXPECT_FALSE(CanRenameObject(root));
}

// The typed-name rule over every byte in the middle of a name and at its
// ends: the four separators become "_", ASCII and Latin-1 small letters
// capitals (not the sharp s, the division sign or y diaeresis), blanks and
// control characters at the ends go, and a control character inside (DEL
// included) is named by the problem text.
TEST(NameRules, EveryCharacterOfATypedName) {
    for (int b = 1; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        const std::string ch(1, static_cast<char>(c));
        char mapped = static_cast<char>(c);
        if (c == '.' || c == '/' || c == '=' || c == '\\')
            mapped = '_';
        else if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            mapped = static_cast<char>(c - 32);
        const std::string inner = CleanTypedName("a" + ch + "b");
        EXPECT_EQ(inner, std::string("A") + mapped + "B") << b;
        const bool blank = c <= ' ';
        EXPECT_EQ(CleanTypedName(ch + "a" + ch),
                  blank ? std::string("A") : mapped + std::string("A") + mapped)
            << b;
        const std::optional<std::string> problem = TypedNameProblem(inner);
        if (c < 0x20 || c == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            ASSERT_TRUE(problem.has_value()) << b;
            EXPECT_EQ(*problem, std::string("A name cannot contain a control character (\\x") +
                                    kHex[c >> 4] + kHex[c & 0xF] + ").")
                << b;
        } else {
            EXPECT_FALSE(problem.has_value()) << b << " " << problem.value_or("");
        }
    }
}

TEST(NameRules, TypedNamesAndAddressInput) {
    EXPECT_EQ(CleanTypedName("  sales.east/x=y\\z\t"), "SALES_EAST_X_Y_Z");
    EXPECT_EQ(CleanTypedName("caf\xe9"), "CAF\xc9");
    EXPECT_TRUE(TypedNameProblem("").has_value());
    EXPECT_TRUE(TypedNameProblem(std::string(256, 'A')).has_value());
    EXPECT_FALSE(TypedNameProblem(std::string(255, 'A')).has_value());
    EXPECT_TRUE(IsAddressInputValid("12"));
    EXPECT_TRUE(IsAddressInputValid("0ABCDEF1"));
    EXPECT_FALSE(IsAddressInputValid(""));
    EXPECT_FALSE(IsAddressInputValid("0x1"));
    EXPECT_FALSE(IsAddressInputValid("ab"));
    EXPECT_TRUE(IsOctetValid("25") && IsOctetValid("255") && IsOctetValid("0"));
    EXPECT_FALSE(IsOctetValid("256") || IsOctetValid("") || IsOctetValid("1a") ||
                 IsOctetValid("0255"));
}

} // namespace
} // namespace qv::test
