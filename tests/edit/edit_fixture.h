// A small design for the editing tests:
//
//   [ROOT] (partition)               [ROOT]: FS1 master, FS2 read/write
//     CORP (organization)            SALES.CORP: FS2 master, FS1 read/write, FS3 read-only
//       FS1 (server)                 EAST.SALES.CORP: FS2 master
//       SALES (unit, partition)
//         FS2 (server)
//         EAST (unit, partition)
//         JSMITH, MJONES (users)
//       FS3 (server)
#pragma once

#include "core/tree_design.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

namespace qv::test {

class CountingView : public DesignView {
public:
    int refreshes = 0;
    void RefreshTreePage() override { ++refreshes; }
};

class EditTest : public ::testing::Test {
protected:
    Fixture f;
    TreeDesign& d = f.design;
    CountingView view;
    ObjectNode* root = nullptr;
    ObjectNode* corp = nullptr;
    ObjectNode* fs1 = nullptr;
    ObjectNode* sales = nullptr;
    ObjectNode* fs2 = nullptr;
    ObjectNode* east = nullptr;
    ObjectNode* fs3 = nullptr;

    void SetUp() override {
        OperationLog::SetRecording(true);
        d.SetHosts(&f.progress, &f.ui, &view);
        MakeEmpty(d);
        root = d.Root();
        corp = d.AddChild(root, "CORP", kClassOrganization);
        fs1 = AddServer(d, corp, "FS1");
        sales = d.AddChild(corp, "SALES", kClassOrgUnit);
        fs2 = AddServer(d, sales, "FS2");
        east = d.AddChild(sales, "EAST", kClassOrgUnit);
        fs3 = AddServer(d, corp, "FS3");
        MakePartition(d, sales);
        MakePartition(d, east);
        AddReplica(d, "[ROOT]", "FS1", kMaster);
        AddReplica(d, "[ROOT]", "FS2", kReadWrite);
        AddReplica(d, "SALES.CORP", "FS2", kMaster);
        AddReplica(d, "SALES.CORP", "FS1", kReadWrite);
        AddReplica(d, "SALES.CORP", "FS3", kReadOnly);
        AddReplica(d, "EAST.SALES.CORP", "FS2", kMaster);
        d.AddSubordinateEntries(root);
        d.AppendLeaf(sales, MakeLeafEntry("JSMITH", kClassUser));
        d.AppendLeaf(sales, MakeLeafEntry("MJONES", kClassUser));
        ClearFlags();
    }
    void TearDown() override { OperationLog::SetRecording(false); }

    void ClearFlags() {
        d.DropChanges();
        d.MarkAllCurrent();
    }
    ReplicaList& Part(const std::string& name) { return *d.partitions.EntriesOf(name); }
    ReplicaList& Srv(const std::string& name) { return *d.servers.EntriesOf(name); }
    std::vector<std::string> Boxes() const {
        std::vector<std::string> out;
        for (const Box& b : f.ui.boxes)
            out.push_back(b.text);
        return out;
    }
    std::vector<std::string> LeafNames(const ObjectNode* n) const {
        std::vector<std::string> out;
        if (n->Leaves())
            for (const std::string& e : *n->Leaves())
                out.emplace_back(LeafName(e));
        return out;
    }
    std::vector<std::string> ChildNames(const ObjectNode* n) const {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < n->ChildCount(); ++i)
            out.push_back(n->Child(i)->Name());
        return out;
    }
    // True when only the object views were marked stale.
    bool OnlyObjectViewsStale() const {
        return !d.Flags().subRefsStale && d.Flags().gridStale[kObjectGrids] &&
               !d.Flags().gridStale[kPartitionGrids] && !d.Flags().gridStale[kAddressGrid] &&
               d.Flags().reportStale[kObjectReport] && d.Flags().reportStale[kObjectSuggestions] &&
               !d.Flags().reportStale[kPartitionReport] && d.Flags().gridUnsorted[kContObjGrid] &&
               !d.Flags().gridUnsorted[kPartXServGrid];
    }
};

using Lines = std::vector<std::string>;

} // namespace qv::test
