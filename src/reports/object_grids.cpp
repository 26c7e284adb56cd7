// The object grids (objects by class per partition, per server, per container)
// and the object report written from them.
#include "reports/grids.h"
#include "reports/object_report.h"
#include "reports/report_support.h"
#include "reports/reports.h"

#include <algorithm>
#include <unordered_map>

namespace qv {

namespace {

// More columns than the class sets can name are never made, whatever count a
// malformed design carries.
constexpr int kMaxExtraColumns = kClassSetSize;

const ObjectNode* PartitionRootOf(const ObjectNode* n) {
    for (; n; n = n->Parent())
        if (n->IsPartitionRoot())
            return n;
    return nullptr;
}

struct ColumnMap {
    std::vector<int> classes;           // class of column k + 1
    std::array<int, kClassCount> col{}; // column of class, 0 = none
    int count = 0;                      // columns of the grids
    int Column(long long cls) const {
        return cls >= 0 && cls < kClassCount ? col[static_cast<std::size_t>(cls)] : 0;
    }
    int Total() const { return count - 1; }
};

ColumnMap MakeColumnMap(const TreeDesign& d) {
    ColumnMap m;
    m.classes = ObjectGridClassColumns(d);
    for (std::size_t k = 0; k < m.classes.size(); ++k)
        m.col[static_cast<std::size_t>(m.classes[k])] = static_cast<int>(k) + 1;
    int distinct = std::clamp<std::int32_t>(d.distinctClassCount, 0, kMaxExtraColumns);
    m.count = std::max(static_cast<int>(m.classes.size()), distinct) + 2;
    return m;
}

void ShowScanning(TreeDesign& d, const std::string& text) {
    d.progress().Show(ProgressChannel::Status, text);
}

// The first child with that name, through a name index for wide containers.
class ChildFinder {
public:
    const ObjectNode* Find(const ObjectNode* node, std::string_view name) {
        if (node->ChildCount() < 16) {
            for (std::size_t i = 0; i < node->ChildCount(); ++i)
                if (node->Child(i)->Name() == name)
                    return node->Child(i);
            return nullptr;
        }
        if (node != indexed_) {
            byName_.clear();
            for (std::size_t i = node->ChildCount(); i-- > 0;)
                byName_[node->Child(i)->Name()] = node->Child(i);
            indexed_ = node;
        }
        auto it = byName_.find(name);
        return it == byName_.end() ? nullptr : it->second;
    }

private:
    const ObjectNode* indexed_ = nullptr;
    std::unordered_map<std::string_view, const ObjectNode*> byName_;
};

constexpr std::size_t kLeafPumpInterval = 1024;

// What the grids are built from, kept between the steps of BuildObjectGrids.
struct GridScan {
    GridScan(TreeDesign& design, ObjectGrids& grids)
        : d(design), g(grids), map(MakeColumnMap(design)), cols(map.count), totalCol(map.Total()) {}
    TreeDesign& d;
    ObjectGrids& g;
    const ColumnMap map;
    const int cols;
    const int totalCol;
    std::vector<std::string> partRows;
    std::unordered_map<const ObjectNode*, int> rowOfRoot;
    std::unordered_map<std::string, int> rowOfContext;
    int nParts = 0;
    int totalRow = 0;
    // Partition counts, kept as numbers until written.
    std::vector<std::vector<long long>> counts;
    std::vector<std::vector<bool>> counted;
    ChildFinder children;

    void Count(int row, int col) {
        ++counts[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
        counted[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = true;
    }
    long long CountAt(int row, int col) const {
        return counts[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }
};

// The partition rows, in tree order; false when the walk was aborted (the
// grid is reset either way).
bool ListPartitionRows(GridScan& s) {
    TreeDesign& d = s.d;
    bool finished = d.Walk(d.Root(), [&](ObjectNode* n) {
        ShowScanning(d, "Scanning object: " + n->Name());
        if (PumpAborted(d))
            return false;
        if (n->IsPartitionRoot()) {
            s.partRows.push_back(d.FullContext(n));
            s.rowOfContext.try_emplace(s.partRows.back(), static_cast<int>(s.partRows.size()));
        }
        return true;
    });
    TextGrid& pg = s.g.partitions;
    s.nParts = static_cast<int>(s.partRows.size());
    pg.Reset(s.cols, s.nParts + 2);
    pg.fixedRows = pg.fixedCols = 0;
    return finished;
}

// The partition names down the first column, the class headers across.
void WritePartitionHeaders(GridScan& s) {
    TextGrid& pg = s.g.partitions;
    for (int r = 0; r < s.nParts; ++r)
        pg.SetCell(0, r + 1, s.partRows[static_cast<std::size_t>(r)]);
    s.totalRow = s.nParts + 1;
    for (std::size_t k = 0; k < s.map.classes.size(); ++k)
        pg.SetCell(static_cast<int>(k) + 1, 0, ClassName(s.map.classes[k]));
    pg.SetCell(0, s.totalRow, kTreeTotal);
    pg.SetCell(s.totalCol, 0, "TOTAL");
}

// The row of the partition holding the node, 0 for none.
int PartitionRowOf(GridScan& s, const ObjectNode* n) {
    const ObjectNode* root = PartitionRootOf(n);
    if (!root)
        return 0;
    auto cached = s.rowOfRoot.find(root);
    if (cached != s.rowOfRoot.end())
        return cached->second;
    auto it = s.rowOfContext.find(s.d.FullContext(root));
    int row = it == s.rowOfContext.end() ? 0 : it->second;
    s.rowOfRoot.emplace(root, row);
    return row;
}

// Counts the node's leaves in the row; a container leaf only when it is a
// child container of this partition.
void CountLeaves(GridScan& s, const ObjectNode* n, int row) {
    std::size_t seen = 0;
    for (const std::string& e : *n->Leaves()) {
        if (++seen % kLeafPumpInterval == 0)
            s.d.progress().Pump();
        long long k = LeafClassIndex(e) % 256;
        int col = s.map.Column(k);
        if (col == 0)
            continue;
        if (IsContainerClass(static_cast<int>(k)) && k != kClassNoDef) {
            const ObjectNode* child = s.children.Find(n, LeafName(e));
            if (!child || child->IsPartitionRoot())
                continue;
        }
        s.Count(row, col);
    }
}

// Counts a partition root in its row; false (told to the user) when its
// class has no column.
bool CountPartitionRoot(GridScan& s, const ObjectNode* n, int row) {
    int col = s.map.Column(n->ClassIndex());
    if (col == 0) {
        s.d.ui().Information("Object: " + s.d.FullContext(n) + " exists in the tree but\r" +
                             "it is inconsistent with the Object Report.\r" +
                             "The report has been aborted.");
        return false;
    }
    if (row > 0)
        s.Count(row, col);
    return true;
}

void WritePartitionCounts(GridScan& s, int upTo) {
    for (int r = 1; r <= upTo; ++r)
        for (int c = 1; c < s.totalCol; ++c)
            if (s.counted[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)])
                s.g.partitions.SetCell(c, r, std::to_string(s.CountAt(r, c)));
}

// The objects of each partition by class. Finished, or Inconsistent or
// Aborted with the counts made so far written.
ObjectGridResult CountPartitions(GridScan& s) {
    TreeDesign& d = s.d;
    s.counts.assign(static_cast<std::size_t>(s.nParts + 2),
                    std::vector<long long>(static_cast<std::size_t>(s.cols), 0));
    s.counted.assign(static_cast<std::size_t>(s.nParts + 2),
                     std::vector<bool>(static_cast<std::size_t>(s.cols), false));
    bool inconsistent = false;
    bool finished = d.Walk(d.Root(), [&](ObjectNode* n) {
        ShowScanning(d, "Scanning object: " + n->Name());
        d.progress().Pump();
        const int row = PartitionRowOf(s, n);
        if (d.Flags().abortRequested)
            return false;
        if (row > 0 && n->Leaves())
            CountLeaves(s, n, row);
        if (n->IsPartitionRoot() && !CountPartitionRoot(s, n, row)) {
            inconsistent = true;
            return false;
        }
        return true;
    });
    if (inconsistent) {
        WritePartitionCounts(s, s.nParts);
        return ObjectGridResult::Inconsistent;
    }
    if (!finished) {
        WritePartitionCounts(s, s.nParts);
        return ObjectGridResult::Aborted;
    }
    return ObjectGridResult::Finished;
}

// The tree row per class, then every row's total.
void WritePartitionTotals(GridScan& s) {
    TextGrid& pg = s.g.partitions;
    for (int c = 1; c < s.totalCol; ++c) {
        long long sum = 0;
        for (int r = 1; r <= s.nParts; ++r)
            sum += s.CountAt(r, c);
        s.counts[static_cast<std::size_t>(s.totalRow)][static_cast<std::size_t>(c)] = sum;
        s.counted[static_cast<std::size_t>(s.totalRow)][static_cast<std::size_t>(c)] = true;
    }
    WritePartitionCounts(s, s.totalRow);
    for (int r = 1; r <= s.totalRow; ++r) {
        long long sum = 0;
        for (int c = 1; c < s.totalCol; ++c)
            sum += s.CountAt(r, c);
        pg.SetCell(s.totalCol, r, std::to_string(sum));
    }
    pg.fixedRows = pg.fixedCols = 1;
    pg.defaultRowHeight = 26;
}

// One server's row: a readable replica holds the partition's objects, a
// SUB/REF replica only the partition's root object.
void CountServer(GridScan& s, int i, std::vector<long long>& serverRow) {
    TreeDesign& d = s.d;
    const std::string& name = d.servers.Name(static_cast<std::size_t>(i));
    std::fill(serverRow.begin(), serverRow.end(), 0);
    for (const std::string& e : d.servers.Entries(static_cast<std::size_t>(i))) {
        ShowScanning(d, "Scanning Server: " + name + ", " + "Replica: " + e);
        d.progress().Pump();
        std::string_view part = EntryName(e);
        if (EntryType(e) != kSubRef) {
            auto it = s.rowOfContext.find(std::string(part));
            if (it == s.rowOfContext.end())
                continue;
            for (int c = 1; c < s.totalCol; ++c)
                serverRow[static_cast<std::size_t>(c)] += s.CountAt(it->second, c);
        } else if (ObjectNode* root = d.FindNodeByNameOrContext(part, true)) {
            int col = s.map.Column(root->ClassIndex());
            if (col > 0)
                ++serverRow[static_cast<std::size_t>(col)];
        }
    }
    long long sum = 0;
    for (int c = 1; c < s.totalCol; ++c) {
        long long v = serverRow[static_cast<std::size_t>(c)];
        if (v != 0)
            s.g.servers.SetCell(c, i + 1, std::to_string(v));
        sum += v;
    }
    s.g.servers.SetCell(s.totalCol, i + 1, std::to_string(sum));
}

// The server grid; false when aborted.
bool BuildServerGrid(GridScan& s) {
    TreeDesign& d = s.d;
    const TextGrid& pg = s.g.partitions;
    TextGrid& sg = s.g.servers;
    const int nServers = static_cast<int>(d.servers.Size());
    sg.Reset(s.cols, nServers + 1);
    sg.fixedRows = sg.fixedCols = 0;
    for (int c = 0; c < s.totalCol; ++c)
        sg.SetCell(c, 0, pg.Cell(c, 0));
    for (int i = 0; i < nServers; ++i)
        sg.SetCell(0, i + 1, d.servers.Name(static_cast<std::size_t>(i)));
    std::vector<long long> serverRow(static_cast<std::size_t>(s.cols));
    for (int i = 0; i < nServers; ++i) {
        ShowScanning(d, "Scanning Server: " + d.servers.Name(static_cast<std::size_t>(i)));
        if (PumpAborted(d))
            return false;
        CountServer(s, i, serverRow);
    }
    sg.SetCell(s.totalCol, 0, "TOTAL");
    sg.fixedRows = sg.fixedCols = 1;
    sg.defaultRowHeight = 26;
    return true;
}

// Row r of the container grid: every entry of the container's list, child
// containers and servers included.
void CountContainer(GridScan& s, ObjectNode* n, int r, std::vector<long long>& contRow) {
    TreeDesign& d = s.d;
    TextGrid& cg = s.g.containers;
    ShowScanning(d, "Scanning object: " + n->Name());
    d.progress().Pump();
    std::fill(contRow.begin(), contRow.end(), 0);
    std::vector<bool> touched(static_cast<std::size_t>(s.cols), false);
    if (n->ClassIndex() == kClassTop) {
        contRow[1] = 1;
        touched[1] = true;
    }
    if (n->Leaves()) {
        std::size_t seen = 0;
        for (const std::string& e : *n->Leaves()) {
            if (++seen % kLeafPumpInterval == 0)
                d.progress().Pump();
            int col = s.map.Column(LeafClassIndex(e));
            if (col == 0)
                continue;
            ++contRow[static_cast<std::size_t>(col)];
            touched[static_cast<std::size_t>(col)] = true;
        }
    }
    cg.SetCell(0, r + 1, d.FullContext(n));
    long long sum = 0;
    for (int c = 1; c < s.totalCol; ++c) {
        if (touched[static_cast<std::size_t>(c)])
            cg.SetCell(c, r + 1, std::to_string(contRow[static_cast<std::size_t>(c)]));
        sum += contRow[static_cast<std::size_t>(c)];
    }
    if (sum != 0)
        cg.SetCell(s.totalCol, r + 1, std::to_string(sum));
}

void BuildContainerGrid(GridScan& s) {
    TreeDesign& d = s.d;
    const TextGrid& pg = s.g.partitions;
    TextGrid& cg = s.g.containers;
    std::vector<ObjectNode*> containers;
    d.Walk(d.Root(), [&](ObjectNode* n) {
        if (IsContainerClass(n->ClassIndex()))
            containers.push_back(n);
        return true;
    });
    const int nCont = static_cast<int>(containers.size());
    cg.Reset(s.cols, nCont + 2);
    for (int c = 1; c < s.cols; ++c)
        cg.SetCell(c, 0, pg.Cell(c, 0));
    std::vector<long long> contRow(static_cast<std::size_t>(s.cols));
    for (int r = 0; r < nCont; ++r)
        CountContainer(s, containers[static_cast<std::size_t>(r)], r, contRow);
    cg.SetRow(nCont + 1, pg.RowCells(s.totalRow));
    cg.fixedRows = cg.fixedCols = 1;
    cg.defaultRowHeight = 26;
}

} // namespace

std::vector<int> ObjectGridClassColumns(const TreeDesign& d) {
    std::vector<int> out;
    for (int c = 0; c < kClassCount; ++c)
        if (d.classPresence.Contains(c))
            out.push_back(c);
    return out;
}

ObjectGridResult BuildObjectGrids(TreeDesign& d, ObjectGrids& g) {
    if (!d.Flags().gridStale[kObjectGrids])
        return ObjectGridResult::Current;
    GridScan s(d, g);
    if (!ListPartitionRows(s))
        return ObjectGridResult::Aborted;
    WritePartitionHeaders(s);
    if (ObjectGridResult r = CountPartitions(s); r != ObjectGridResult::Finished)
        return r;
    WritePartitionTotals(s);
    if (!BuildServerGrid(s))
        return ObjectGridResult::Aborted;
    BuildContainerGrid(s);
    ShowScanning(d, "");
    d.MarkGridBuilt(kObjectGrids);
    return ObjectGridResult::Finished;
}

// ---------------------------------------------------------------- object report

namespace {

void WriteCountLines(const TextGrid& grid, int row, std::size_t width, TextSink& out) {
    const int last = grid.ColCount() - 1;
    for (int c = 1; c <= last; ++c) {
        const std::string& count = grid.Cell(c, row);
        const std::string value = count.empty() ? "0" : count;
        if (c == last) {
            out.Add("TOTAL:" + value);
            continue;
        }
        const std::string& header = grid.Cell(c, 0);
        std::string line = "  " + header + ":";
        line.append(width >= header.size() ? width - header.size() + 1 : 1, ' ');
        out.Add(line + value);
    }
}

} // namespace

bool BuildObjectReport(TreeDesign& d, ObjectGrids& g, TextSink& out) {
    if (BuildObjectGrids(d, g) == ObjectGridResult::Inconsistent)
        return false;
    const TextGrid& pg = g.partitions;
    std::size_t width = 0;
    for (int c = 1; c < pg.ColCount(); ++c)
        width = std::max(width, pg.Cell(c, 0).size());
    out.Clear();
    out.Add("**OBJECT REPORT FOR TREE: " + DesignTitleName(d) + "**");
    out.Add("");
    out.Add("**PARTITIONS**");
    for (int r = 1; r < pg.RowCount(); ++r) {
        if (PumpAborted(d))
            return false;
        out.Add("");
        const std::string& name = pg.Cell(0, r);
        out.Add(r == pg.RowCount() - 1 ? std::string("**") + kTreeTotal + "**"
                                       : "Partition: " + name);
        WriteCountLines(pg, r, width, out);
        ShowStatus(d, " Processing Partition: " + name);
    }
    out.Add("");
    out.Add("**SERVERS**");
    const TextGrid& sg = g.servers;
    for (int r = 1; r < sg.RowCount(); ++r) {
        d.progress().Pump();
        out.Add("");
        if (d.Flags().abortRequested)
            return false;
        const std::string& name = sg.Cell(0, r);
        out.Add("Server: " + name);
        WriteCountLines(sg, r, width, out);
        ShowStatus(d, " Processing Server: " + name);
    }
    out.Add("");
    out.Add("**CONTAINERS**");
    out.Add("");
    return d.Walk(d.Root(), [&](ObjectNode* n) {
        d.progress().Pump();
        if (d.Flags().abortRequested)
            return false;
        if (!IsContainerClass(n->ClassIndex()))
            return true;
        const ObjectNode* root = PartitionRootOf(n);
        out.Add(ClassName(n->ClassIndex()) + ": " + d.FullContext(n));
        out.Add("  Contained in partition: " + (root ? d.FullContext(root) : std::string()));
        out.Add("    Child Objects: " + std::to_string(n->Leaves() ? n->Leaves()->size() : 0));
        out.Add("");
        return true;
    });
}

} // namespace qv
