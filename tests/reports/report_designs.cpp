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

std::string Text(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

} // namespace qv::test
