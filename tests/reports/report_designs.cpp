#include "report_designs.h"

namespace qv::test {

SmallTree MakeSmallTree(TreeDesign& d, bool partitions) {
    MakeEmpty(d);
    d.designFileName = "/some/dir/ACME.qvd";
    SmallTree t;
    t.root = d.Root();
    t.acme = d.AddChild(t.root, "ACME", kClassOrganization);
    t.sales = d.AddChild(t.acme, "SALES", kClassOrgUnit);
    AddServer(d, t.acme, "FS1");
    AddServer(d, t.sales, "FS2");
    if (partitions) {
        MakePartition(d, t.acme);
        MakePartition(d, t.sales);
    }
    d.MarkSubRefsCurrent();
    return t;
}

void ServerWithReplicas(TreeDesign& d, int readables, int subRefs, std::string_view type) {
    MakeEmpty(d);
    d.designFileName = "T.qvd";
    AddServer(d, d.Root(), "FS1");
    d.attributes.Rename(0, "DS VERSION:950");
    d.attributes.Entries(0) = {"IPX:0000ABCD"};
    for (int i = 0; i < readables + subRefs; ++i) {
        const std::string p = "P" + std::to_string(i);
        d.partitions.Append(p);
        AddReplica(d, p, "FS1", i < readables ? type : kSubRef);
    }
}

std::string Text(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

} // namespace qv::test
