// quorvane-cli dump IN.qvd: the design for people.
#include "cli/cli.h"

#include "core/class_table.h"

#include <sstream>

namespace qv::cli {
namespace {

std::string ClassLabel(long long index) {
    if (index >= 0 && index < kClassCount)
        return ClassName(static_cast<int>(index));
    return "class " + std::to_string(index);
}

// A stored name for people: Latin-1 as UTF-8, control characters escaped.
std::string Shown(std::string_view name) {
    return ToUtf8(Visible(name));
}

void PrintTable(std::ostream& out, const char* title, const ItemTable& table) {
    out << title << " (" << table.Size() << ")\n";
    for (const TableItem& item : table) {
        out << "  " << Shown(item.name) << "\n";
        for (const std::string& e : item.entries)
            out << "    " << Shown(e) << "\n";
    }
}

int Dump(const std::string& path, TreeDesign& d);

int Run(const Command&, const CommandArguments& args) {
    return WithDesign(args[0], DesignUse::Plain,
                      [&](Session& s) { return Dump(args[0], s.design); });
}

int Dump(const std::string& path, TreeDesign& d) {
    std::ostringstream out;
    out << "Design " << Shown(path) << "\n\nTree (" << d.NodeCount() << " nodes)\n";
    d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
        std::string indent(static_cast<std::size_t>(n->Level()) * 2 + 2, ' ');
        out << indent << Shown(n->Name()) << " <" << ClassLabel(n->ClassIndex()) << ">";
        if (n->IsPartitionRoot())
            out << " [partition]";
        out << "\n";
        if (n->Leaves())
            for (const std::string& e : *n->Leaves())
                out << indent << "  - " << Shown(LeafName(e)) << " <"
                    << ClassLabel(LeafClassIndex(e)) << ">\n";
        return true;
    });
    out << "\n";
    PrintTable(out, "Partitions", d.partitions);
    out << "\n";
    PrintTable(out, "Servers", d.servers);
    out << "\n";
    PrintTable(out, "Server attributes", d.attributes);
    return PrintText(out.str());
}

const Registration kRegistration(
    {"dump", "IN.qvd", "print a design: tree, partitions, servers, server attributes",
     "The tree is indented by level; each node shows its class, a partition root is\n"
     "marked [partition], and each leaf entry follows its container as '- NAME <CLASS>'.\n"
     "Then the partition table, the server table and the server attributes, each item\n"
     "with its entries, in stored order. Names are shown as Latin-1;\n"
     "control characters in them are written as \\xNN.\n",
     Run, 1, "expects exactly one file"});

} // namespace
} // namespace qv::cli
