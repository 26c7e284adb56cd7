#include "edit/partition_operations.h"
#include "edit_fixture.h"

namespace qv::test {
namespace {

using PartitionOps = EditTest;

ReplicaTypeDialog Choose(std::optional<ReplicaRadio> r, ReplicaDialogSetup* seen = nullptr) {
    return [r, seen](const ReplicaDialogSetup& s) {
        if (seen)
            *seen = s;
        return r;
    };
}

TEST_F(PartitionOps, CreatePartitionCopiesTheReadableReplicasOfTheParent) {
    ObjectNode* west = d.AddChild(sales, "WEST", kClassOrgUnit);
    Part("SALES.CORP").push_back("FS1*SUB/REF*"); // a second item of FS1, not copied
    ASSERT_TRUE(CreatePartition(d, west));
    EXPECT_TRUE(west->IsPartitionRoot());
    EXPECT_EQ(Part("WEST.SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*READ/WRITE*", "FS3*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS2").back(), "WEST.SALES.CORP*MASTER*");
    EXPECT_EQ(Srv("FS1").back(), "WEST.SALES.CORP*READ/WRITE*");
    EXPECT_EQ(Srv("FS3").back(), "WEST.SALES.CORP*READ/ONLY*");
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Create Partition", "  New Partition: WEST.SALES.CORP", ""}));
    EXPECT_TRUE(d.Flags().modified && d.Flags().subRefsStale &&
                d.Flags().gridStale[kPartitionGrids] && d.Flags().gridStale[kObjectGrids] &&
                d.Flags().reportStale[kPartitionReport]);
    EXPECT_FALSE(d.Flags().gridStale[kAddressGrid]);
    EXPECT_GT(view.refreshes, 0);
}

TEST_F(PartitionOps, SparseParentReplicasBecomeReadOnlyOnBothSides) {
    AddReplica(d, "SALES.CORP", "FS1", kSparseWrite);
    Part("SALES.CORP").erase(Part("SALES.CORP").begin() + 1); // FS1 keeps only the sparse one
    Srv("FS1").erase(Srv("FS1").begin() + 1);
    AddReplica(d, "SALES.CORP", "FS3", kSparseRead);
    ObjectNode* west = d.AddChild(sales, "WEST", kClassOrgUnit);
    ASSERT_TRUE(CreatePartition(d, west));
    EXPECT_EQ(Part("WEST.SALES.CORP"),
              (Lines{"FS2*MASTER*", "FS3*READ/ONLY*", "FS1*READ/ONLY*", "FS3*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS1").back(), "WEST.SALES.CORP*READ/ONLY*");
}

TEST_F(PartitionOps, MergeTurnsAChildMasterWithoutParentReplicaIntoReadWrite) {
    // FS2 masters EAST and holds SALES; FS3 holds only EAST.
    AddReplica(d, "EAST.SALES.CORP", "FS3", kReadOnly);
    Part("SALES.CORP").pop_back(); // FS3 holds no replica of SALES
    Srv("FS3").erase(Srv("FS3").begin());
    Part("EAST.SALES.CORP")[0] = "FS1*MASTER*";
    Part("SALES.CORP").erase(Part("SALES.CORP").begin() + 1); // FS1 holds no SALES either
    Srv("FS1") = {"[ROOT]*MASTER*", "EAST.SALES.CORP*MASTER*"};
    Srv("FS2").pop_back();
    ASSERT_TRUE(MergePartition(d, east));
    EXPECT_FALSE(east->IsPartitionRoot());
    EXPECT_EQ(d.partitions.FindLast("EAST.SALES.CORP"), -1);
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*READ/WRITE*", "FS3*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS1"), (Lines{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*"}));
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*READ/ONLY*"}));
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Merge Partition", "  Child Partition : EAST.SALES.CORP",
                     "  Parent Partition: SALES.CORP", ""}));
}

TEST_F(PartitionOps, MergeOntoServersThatHoldTheParent) {
    // FS3: sparse read of SALES and a read/write of EAST -> read-only SALES.
    Part("SALES.CORP")[2] = "FS3*SPARSE/READ*";
    Srv("FS3")[0] = "SALES.CORP*SPARSE/READ*";
    AddReplica(d, "EAST.SALES.CORP", "FS3", kReadWrite);
    // FS1: only a subordinate reference of SALES and a sparse write of EAST.
    Part("SALES.CORP")[1] = "FS1*SUB/REF*";
    Srv("FS1")[1] = "SALES.CORP*SUB/REF*";
    AddReplica(d, "EAST.SALES.CORP", "FS1", kSparseWrite);
    ASSERT_TRUE(MergePartition(d, east));
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*READ/WRITE*", "FS3*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS1"), (Lines{"[ROOT]*MASTER*", "SALES.CORP*READ/WRITE*"}));
    EXPECT_EQ(Srv("FS2"), (Lines{"[ROOT]*READ/WRITE*", "SALES.CORP*MASTER*"}));
}

TEST_F(PartitionOps, AddReplica) {
    ReplicaDialogSetup setup = AddReplicaSetup(d);
    EXPECT_EQ(setup.servers, (Lines{"FS1", "FS2", "FS3"}));
    EXPECT_FALSE(setup.Enabled(ReplicaRadio::Master));
    EXPECT_EQ(setup.selected, ReplicaRadio::ReadWrite);

    d.EnsureSubRefsForNode(east); // FS1 and FS3 hold references of EAST
    ASSERT_TRUE(AddReplica(d, east, AddReplicaInput{"FS3", ReplicaRadio::SparseRead}));
    EXPECT_EQ(Part("EAST.SALES.CORP"), (Lines{"FS2*MASTER*", "FS1*SUB/REF*", "FS3*SPARSE/READ*"}));
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*READ/ONLY*", "EAST.SALES.CORP*SPARSE/READ*"}));
    EXPECT_EQ(d.log.Lines(), (Lines{"Action: Add Replica", "  Partition: EAST.SALES.CORP",
                                    "  Server   : FS3", "  Type     : *SPARSE/READ*", ""}));
    ASSERT_TRUE(AddReplica(d, root, AddReplicaInput{"FS3", ReplicaRadio::ReadOnly}));
    EXPECT_EQ(Part("[ROOT]").back(), "FS3*READ/ONLY*");
    EXPECT_EQ(Srv("FS3").back(), "[ROOT]*READ/ONLY*");

    const std::size_t before = d.log.Lines().size();
    EXPECT_FALSE(AddReplica(d, root, AddReplicaInput{"FS3", ReplicaRadio::ReadWrite}));
    EXPECT_FALSE(AddReplica(d, root, AddReplicaInput{"NOSUCH", ReplicaRadio::ReadWrite}));
    EXPECT_FALSE(AddReplica(d, root, AddReplicaInput{"FS2", ReplicaRadio::Master}));
    EXPECT_FALSE(AddReplica(d, root, std::nullopt));
    EXPECT_EQ(Boxes(), (Lines{"This server already has a replica of this partition.",
                              "Server: NOSUCH does not exist."}));
    EXPECT_EQ(d.log.Lines().size(), before);
}

TEST_F(PartitionOps, UpgradingAReferenceThatTheServerSideLacks) {
    Part("[ROOT]").push_back("FS3*SUB/REF*");
    ASSERT_TRUE(AddReplica(d, root, AddReplicaInput{"FS3", ReplicaRadio::ReadWrite}));
    EXPECT_EQ(Part("[ROOT]").back(), "FS3*READ/WRITE*");
    EXPECT_EQ(Srv("FS3").back(), "[ROOT]*READ/WRITE*");
}

TEST_F(PartitionOps, DeleteReplicaRemovesBothSidesAndStaleReferences) {
    d.EnsureSubRefsForNode(east);
    f.ui.answers = {false};
    EXPECT_FALSE(DeleteReplica(d, sales, "FS1*READ/WRITE*"));
    EXPECT_FALSE(DeleteReplica(d, sales, "FS2*MASTER*"));
    EXPECT_EQ(Boxes(), (Lines{"Are you sure you want to delete this replica?",
                              "Are you sure you want to delete this replica?",
                              "Designate another server as the master first, then delete the "
                              "replica."}));
    ASSERT_TRUE(DeleteReplica(d, sales, "FS1*READ/WRITE*"));
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*MASTER*", "FS3*READ/ONLY*"}));
    EXPECT_EQ(Srv("FS1"), (Lines{"[ROOT]*MASTER*"})); // the reference of EAST went too
    EXPECT_EQ(Part("EAST.SALES.CORP"), (Lines{"FS2*MASTER*", "FS3*SUB/REF*"}));
    EXPECT_EQ(d.log.Lines(),
              (Lines{"Action: Remove Replica", "  Partition: SALES.CORP", "  Server   : FS1", ""}));
    // From the server's side: the row names the partition.
    ASSERT_TRUE(DeleteReplica(d, fs3, "SALES.CORP*READ/ONLY*"));
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*MASTER*"}));
    EXPECT_EQ(Part("EAST.SALES.CORP"), (Lines{"FS2*MASTER*"}));
    EXPECT_TRUE(Srv("FS3").empty());
    EXPECT_EQ(d.log.Lines()[5], "  Partition: SALES.CORP");
    EXPECT_EQ(d.log.Lines()[6], "  Server   : FS3");
}

TEST_F(PartitionOps, DeleteKey) {
    d.EnsureSubRefsForNode(east);
    EXPECT_FALSE(DeleteReplicaKey(d, east, 3, "FS1*SUB/REF*"));
    EXPECT_FALSE(DeleteReplicaKey(d, east, 3, "FS2*MASTER*"));
    EXPECT_EQ(f.ui.Texts("information"),
              (Lines{"Master replicas and Subordinate Reference replicas cannot be deleted.",
                     "Master replicas and Subordinate Reference replicas cannot be deleted."}));
    AddReplica(d, "[ROOT]", "FS3", kSparseWrite);
    ASSERT_TRUE(DeleteReplicaKey(d, root, 3, "FS3*SPARSE/WRITE*"));
    EXPECT_EQ(Part("[ROOT]").size(), 2u);
    EXPECT_FALSE(CanDeleteReplica(0, "FS3*READ/ONLY*"));
    EXPECT_TRUE(CanChangeReplicaType(1, "FS3*SPARSE/READ*"));
}

// Rows without a selected one: the list hands an empty item. Neither the
// menus nor the Delete key may act on it (they used to ask, then log a
// removal of nothing and mark the design modified).
TEST_F(PartitionOps, NoSelectedRowOffersNothing) {
    EXPECT_FALSE(CanDeleteReplica(3, ""));
    EXPECT_FALSE(CanChangeReplicaType(3, ""));
    EXPECT_FALSE(DeleteReplicaKey(d, sales, 3, ""));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.log.Lines().empty());
}

TEST_F(PartitionOps, ChangingToMasterDemotesTheFormerMaster) {
    ReplicaDialogSetup seen;
    ASSERT_TRUE(ChangeReplicaType(d, sales, "FS3*READ/ONLY*", Choose(ReplicaRadio::Master, &seen)));
    EXPECT_FALSE(seen.Enabled(ReplicaRadio::ReadOnly));
    EXPECT_FALSE(seen.serversEnabled);
    EXPECT_EQ(Part("SALES.CORP"), (Lines{"FS2*READ/WRITE*", "FS1*READ/WRITE*", "FS3*MASTER*"}));
    EXPECT_EQ(Srv("FS2"),
              (Lines{"[ROOT]*READ/WRITE*", "SALES.CORP*READ/WRITE*", "EAST.SALES.CORP*MASTER*"}));
    EXPECT_EQ(Srv("FS3"), (Lines{"SALES.CORP*MASTER*"}));
    EXPECT_EQ(d.log.Lines(), (Lines{"Action: Change Replica Type", "  Server    :FS3",
                                    "  Partition :SALES.CORP", "  Changed To:*MASTER*"}));
    // Without a master nothing is demoted.
    Part("[ROOT]")[0] = "FS1*READ/ONLY*";
    Srv("FS1")[0] = "[ROOT]*READ/ONLY*";
    ASSERT_TRUE(ChangeReplicaType(d, fs2, "[ROOT]*READ/WRITE*", Choose(ReplicaRadio::Master)));
    EXPECT_EQ(Part("[ROOT]"), (Lines{"FS1*READ/ONLY*", "FS2*MASTER*"}));
    EXPECT_EQ(Srv("FS1")[0], "[ROOT]*READ/ONLY*");
    EXPECT_EQ(Srv("FS2")[0], "[ROOT]*MASTER*");
}

TEST_F(PartitionOps, ChangeTypeRefusalsAndDialogSetup) {
    EXPECT_FALSE(ChangeReplicaType(d, sales, "FS2*MASTER*", Choose(ReplicaRadio::ReadOnly)));
    EXPECT_EQ(Boxes(),
              (Lines{"Master replicas cannot be changed, select a Read Only or Read Write."}));
    EXPECT_FALSE(ChangeReplicaType(d, sales, "FS1*READ/WRITE*", Choose(std::nullopt)));
    EXPECT_FALSE(ChangeReplicaType(d, sales, "FS1*READ/WRITE*", Choose(ReplicaRadio::ReadWrite)));
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.log.Lines().empty());

    auto sw = ChangeTypeSetup(kSparseWrite);
    ASSERT_TRUE(sw.has_value());
    EXPECT_EQ(sw->enabled, (std::array<bool, 5>{false, true, true, false, true}));
    EXPECT_EQ(sw->selected, ReplicaRadio::ReadWrite);
    auto ro = ChangeTypeSetup(kReadOnly);
    EXPECT_EQ(ro->enabled, (std::array<bool, 5>{true, true, false, true, true}));
    EXPECT_EQ(ro->selected, ReplicaRadio::Master);
    EXPECT_FALSE(ChangeTypeSetup(kSubRef).has_value());
}

TEST_F(PartitionOps, EnablingRules) {
    EXPECT_TRUE(CanCreatePartition(corp));
    EXPECT_FALSE(CanCreatePartition(sales) || CanCreatePartition(fs1));
    EXPECT_TRUE(CanMergePartition(sales));
    EXPECT_FALSE(CanMergePartition(root) || CanMergePartition(corp));
    EXPECT_TRUE(CanAddReplica(root) && CanAddReplica(east));
    EXPECT_FALSE(CanAddReplica(corp));
    EXPECT_EQ(ShownReplicaList(d, fs3), &Srv("FS3"));
    EXPECT_EQ(ShownReplicaList(d, corp), nullptr);
}

} // namespace
} // namespace qv::test
