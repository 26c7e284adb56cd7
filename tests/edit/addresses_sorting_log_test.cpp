#include "edit/object_operations.h"
#include "edit/object_sorting.h"
#include "edit/partition_operations.h"
#include "edit/server_addresses.h"
#include "edit_fixture.h"

namespace qv::test {
namespace {

using ServerAddresses = EditTest;
using Sorting = EditTest;
using OperationLogTest = EditTest;

TEST_F(ServerAddresses, DialogLinesAndEdits) {
    d.attributes.Entries(1).push_back("TCPIP:10.0.0.2");
    Lines lines = AddressDialogLines(d, fs2);
    EXPECT_EQ(AddressDialogCaption(fs2), "SERVER: FS2");
    EXPECT_EQ(lines, (Lines{"DS VERSION:0", "IPX:00000000", "TCPIP:10.0.0.2"}));
    EXPECT_EQ(AddressEditKindOf(lines[0]), AddressEditKind::DsVersion);
    EXPECT_EQ(AddressEditKindOf(lines[1]), AddressEditKind::IpxAddress);
    EXPECT_EQ(AddressEditKindOf(lines[2]), AddressEditKind::TcpipAddress);
    EXPECT_FALSE(CanDeleteAddressLine(lines[0]) || CanDeleteAddressLine(lines[1]));
    EXPECT_TRUE(CanDeleteAddressLine(lines[2]));
    EXPECT_EQ(AddressEditAction(AddressEditKind::DsVersion), "Edit DS VERSION");
    EXPECT_EQ(AddressEditAction(AddressEditKind::IpxAddress), "Edit IPX Address");

    // Closing without a change leaves everything as it was.
    EXPECT_FALSE(ApplyAddressDialog(d, fs2, {"DS VERSION:9"}, false));
    EXPECT_FALSE(d.Flags().modified);

    lines[0] = VersionLine("1A");
    lines[1] = IpxLine("12"); // fewer than eight digits, as typed
    lines.erase(lines.begin() + 2);
    lines.push_back(TcpipLine("192", "168", "0", "25"));
    ASSERT_TRUE(ApplyAddressDialog(d, fs2, lines, true));
    EXPECT_EQ(d.attributes[1].name, "DS VERSION:1A");
    EXPECT_EQ(d.attributes[1].entries, (Lines{"IPX:12", "TCPIP:192.168.0.25"}));
    EXPECT_EQ(d.attributes[0].name, "DS VERSION:0");
    EXPECT_TRUE(d.Flags().modified && d.Flags().gridStale[kAddressGrid] &&
                d.Flags().reportStale[kServerReport]);
    EXPECT_TRUE(d.log.Lines().empty()); // address edits write no block
}

TEST_F(ServerAddresses, ClearingVersionsAndAddresses) {
    d.attributes.Rename(0, "DS VERSION:599");
    d.attributes.Entries(0) = {"IPX:0A0B0C0D", "TCPIP:10.1.1.1", "TCPIP:10.1.1.2"};
    f.ui.answers = {false, false};
    EXPECT_FALSE(ClearDSVersions(d));
    EXPECT_FALSE(ClearServerAddresses(d));
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_EQ(Boxes(), (Lines{"This will set every server's DS VERSION to '0.' \rContinue?",
                              "This will set all IPX addreses to '00000000' \rand remove all "
                              "other protocol addresses.\rContinue?"}));
    ASSERT_TRUE(ClearDSVersions(d));
    EXPECT_EQ(d.attributes[0].name, "DS VERSION:0");
    EXPECT_EQ(d.attributes[0].entries.size(), 3u);
    ASSERT_TRUE(ClearServerAddresses(d));
    for (const TableItem& item : d.attributes)
        EXPECT_EQ(item.entries, (Lines{"IPX:00000000"}));
    EXPECT_TRUE(d.Flags().modified && d.Flags().reportStale[kServerReport] &&
                d.Flags().gridStale[kAddressGrid]);
}

TEST_F(Sorting, SortObjectsOrdersEverySiblingListByName) {
    d.AddChild(sales, "ALPHA", kClassOrgUnit);
    SortObjects(d);
    EXPECT_EQ(ChildNames(corp), (Lines{"FS1", "FS3", "SALES"}));
    EXPECT_EQ(ChildNames(sales), (Lines{"ALPHA", "EAST", "FS2"}));
    EXPECT_TRUE(d.Flags().modified);
    EXPECT_TRUE(f.progress.Saw("  Sorting Objects.."));
    // Later insertions keep their place again.
    d.AddChild(corp, "ADMIN", kClassOrgUnit);
    EXPECT_EQ(ChildNames(corp).back(), "ADMIN");
}

TEST_F(Sorting, DefaultSortingKeepsInsertionsAndRenamesInOrder) {
    SetDefaultSorting(d, true);
    EXPECT_EQ(ChildNames(corp), (Lines{"FS1", "FS3", "SALES"}));
    d.SetContainmentWarningOff(true);
    ASSERT_TRUE(CreateObjects(d, corp, ClassSet{kClassOrgUnit},
                              [n = 0](int) mutable -> std::optional<CreateObjectInput> {
                                  if (n++)
                                      return std::nullopt;
                                  return CreateObjectInput{"GAMMA", false};
                              }));
    EXPECT_EQ(ChildNames(corp), (Lines{"FS1", "FS3", "GAMMA", "SALES"}));
    ASSERT_TRUE(MoveObject(d, east, std::string("CORP"))); // "first child" lands in order
    EXPECT_EQ(ChildNames(corp), (Lines{"EAST", "FS1", "FS3", "GAMMA", "SALES"}));
    ASSERT_TRUE(RenameObject(d, fs1, std::string("ZED")));
    EXPECT_EQ(ChildNames(corp), (Lines{"EAST", "FS3", "GAMMA", "SALES", "ZED"}));
    SetDefaultSorting(d, false);
    d.AddChild(corp, "ADMIN", kClassOrgUnit);
    EXPECT_EQ(ChildNames(corp).back(), "ADMIN");
}

TEST_F(OperationLogTest, RecordingSwitchAndSeparateLogs) {
    OperationLog::SetRecording(false);
    ASSERT_TRUE(CreatePartition(d, corp));
    EXPECT_TRUE(d.log.Lines().empty());
    OperationLog::SetRecording(true); // earlier operations are not recovered
    EXPECT_TRUE(d.log.Lines().empty());

    TreeDesign other;
    other.SetHosts(&f.progress, &f.ui);
    ASSERT_TRUE(CreatePartition(other, other.Root()->Child(0)));
    ASSERT_TRUE(MergePartition(d, corp));
    EXPECT_EQ(other.log.Lines(),
              (Lines{"Action: Create Partition", "  New Partition: ORGANIZATION", ""}));
    EXPECT_EQ(d.log.Lines().size(), 4u);
    d.log.Clear();
    EXPECT_TRUE(d.log.Lines().empty());
    EXPECT_EQ(other.log.Lines().size(), 3u);
    // A refused operation adds no block.
    EXPECT_FALSE(MergePartition(d, corp));
    EXPECT_FALSE(DeleteObject(d, fs1));
    EXPECT_TRUE(d.log.Lines().empty());
}

} // namespace
} // namespace qv::test
