// Every threshold of the suggestion texts at its value and one past it, with
// the exact warning it gives past it; and the settings dialog's box length.
#include "report_designs.h"
#include "reports/reports.h"

#include <gtest/gtest.h>

#include <functional>

namespace qv {
namespace {

using test::AddReplica;
using test::AddServer;
using test::Fixture;
using test::Text;

// One partition P with a Master and readables - 1 Read/Write replicas, each
// on its own server; [ROOT] gets a Master on the first and two more.
void OnePartition(TreeDesign& d, int readables) {
    test::MakeEmpty(d);
    d.designFileName = "T.qvd";
    d.partitions.Append("P");
    for (int i = 0; i < std::max(readables, 3); ++i) {
        const std::string s = "S" + std::to_string(i);
        AddServer(d, d.Root(), s);
        if (i < 3)
            AddReplica(d, "[ROOT]", s, i == 0 ? kMaster : kReadWrite);
        if (i < readables)
            AddReplica(d, "P", s, i == 0 ? kMaster : kReadWrite);
    }
}

// The lines after "Partition: P" or "Server: FS1", up to the empty line.
std::string Block(const TextLines& out, const std::string& head) {
    std::vector<std::string> lines;
    auto it = std::find(out.lines.begin(), out.lines.end(), head);
    if (it == out.lines.end())
        return "<missing " + head + ">";
    for (++it; it != out.lines.end() && !it->empty(); ++it)
        lines.push_back(*it);
    return Text(lines);
}

struct Threshold {
    const char* name;
    std::int32_t WarningSettings::*setting;
    int limit;
    int past; // the first count that warns: limit + 1, or limit - 1 for a minimum
    // Builds the design holding `count` of what is measured and gives the block.
    std::function<std::string(Fixture&, const WarningSettings&, int)> block;
    const char* warning; // past the limit; {} stands for the count, [] for the limit
};

std::string Expand(std::string text, int count, int limit) {
    for (auto [mark, value] : {std::pair{"{}", count}, std::pair{"[]", limit}})
        for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark))
            text.replace(at, 2, std::to_string(value));
    return text;
}

std::string ServerBlock(Fixture& f, const WarningSettings& s, int readables, int subRefs) {
    test::ServerWithReplicas(f.design, readables, subRefs);
    TextLines out;
    EXPECT_TRUE(BuildServerSuggestions(f.design, s, out));
    return Block(out, "Server: FS1");
}

std::string PartitionBlock(Fixture& f, const WarningSettings& s, int readables) {
    OnePartition(f.design, readables);
    TextLines out;
    EXPECT_TRUE(BuildPartitionSuggestions(f.design, s, out));
    return Block(out, "Partition: P");
}

std::string ContainerBlock(Fixture& f, const WarningSettings& s, int leaves) {
    test::MakeEmpty(f.design);
    f.design.designFileName = "T.qvd";
    ObjectNode* ou = f.design.AddChild(f.design.Root(), "OU", kClassOrgUnit);
    for (int i = 0; i < leaves; ++i)
        f.design.AppendLeaf(ou, MakeLeafEntry("U" + std::to_string(i), kClassUser));
    TextLines out;
    EXPECT_TRUE(BuildObjectSuggestions(f.design, s, out));
    return Text(std::vector<std::string>(out.lines.begin() + 2, out.lines.end()));
}

TEST(ReportLimits, EachThresholdHoldsAtItsValueAndWarnsOnePast) {
    const std::vector<Threshold> thresholds = {
        {"MaxReadables", &WarningSettings::MaxReadables, 4, 5,
         [](Fixture& f, const WarningSettings& s, int n) { return ServerBlock(f, s, n, 0); },
         "  Warning: This server contains {}\n"
         "           readable replicas.\n"
         "           Revise the replication of your tree."},
        {"MaxSubRefs", &WarningSettings::MaxSubRefs, 4, 5,
         [](Fixture& f, const WarningSettings& s, int n) { return ServerBlock(f, s, 1, n); },
         "  Warning: This server contains {} SubRefs.\n"
         "           The tree could have a flat design OR the\n"
         "           server has too many readable replicas."},
        {"MaxReplicasPerPartition", &WarningSettings::MaxReplicasPerPartition, 5, 6, PartitionBlock,
         "  Warning: There are {} readable/writeable\n"
         "           replicas of this partition.\n"
         "           Check the partitioning strategy of the\n"
         "           tree."},
        {"MinReplicasPerPartition", &WarningSettings::MinReplicasPerPartition, 3, 2, PartitionBlock,
         "  Warning: There are only {} replicas of\n"
         "           this partition.  There should\n"
         "           be [] to maintain the best fault\n"
         "           tolerance."},
        {"MaxObjsPerContainer", &WarningSettings::MaxObjsPerContainer, 6, 7, ContainerBlock,
         "WARNING!!  ORGANIZATIONAL UNIT: OU\n"
         "  Contained in partition: [ROOT]\n"
         "    Child Objects: {}\n"
         "{} child objects MIGHT cause slow DS performance.\n"},
    };
    for (const Threshold& t : thresholds) {
        Fixture f;
        WarningSettings s;
        s.*t.setting = t.limit;
        const std::string quiet = t.setting == &WarningSettings::MaxObjsPerContainer
                                      ? "** NO SUGGESTIONS AT THIS TIME **\n"
                                      : "";
        EXPECT_EQ(t.block(f, s, t.limit), quiet) << t.name << " at " << t.limit;
        EXPECT_EQ(t.block(f, s, t.past), Expand(t.warning, t.past, t.limit) + "\n")
            << t.name << " at " << t.past;
    }
}

TEST(ReportLimits, EachDSVersionMinimumHoldsAtItsValueAndWarnsOneBelow) {
    WarningSettings s;
    s.Min4xDSVersion = 606;
    s.Min5xDSVersion = 736;
    s.MinSkadsVersion = 810;
    const struct {
        int version;
        const char* warning;
    } rows[] = {
        {605, "  Warning: 4.X DS VERSION is less than 606"},   {606, ""}, {699, ""},
        {735, "  Warning: 5.X DS VERSION is less than 736"},   {736, ""}, {799, ""},
        {809, "  Warning: SKADS DS VERSION is less than 810"}, {810, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DSVersionWarning("DS VERSION:" + std::to_string(row.version), s), row.warning)
            << row.version;
}

TEST(ReportLimits, AnEditBoxHoldsSevenCharacters) {
    for (auto [text, valid] : {std::pair{"1234567", true}, std::pair{"12345678", false}}) {
        SettingsDialogState st = SettingsDialogShow(WarningSettings{});
        st.edits[0] = text;
        const SettingsOkResult r = SettingsDialogOk(st, WarningSettings{});
        EXPECT_EQ(r.accepted.has_value(), valid) << text;
        EXPECT_EQ(r.warning, valid ? "" : "Invalid input for field(s) : \r1.") << text;
    }
}

} // namespace
} // namespace qv
