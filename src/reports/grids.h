// The grid builders: the partition grids (Server X Partition, Partition X
// Server), the address grid (Server X Address) and the three object grids
// (per partition, per server, per container), with their sorts.
#pragma once

#include "core/tree_design.h"
#include "reports/report_text.h"

namespace qv {

inline constexpr const char* kAddrHeaderVersion = "DS Version      ";
inline constexpr const char* kAddrHeaderAddress = "Address              ";
inline constexpr const char* kTreeTotal = "TREE TOTAL";

// Fills Adv_ServCols (servers down, partitions across) and Adv_PartCols (the
// transpose). Partitions are the partition roots in tree order. Shows each
// server on the page's status line; false when AbortRequested stopped it.
bool BuildPartitionGrids(TreeDesign& design, TextGrid& servXPart, TextGrid& partXServ);
// Fills Adv_AddrCols: one row per address of each server, then "Total: <n>".
void BuildAddressGrid(TreeDesign& design, TextGrid& servXAddr);

// Rows below the header sorted by column 0 (Sort Grid View).
void SortGridRows(TextGrid& grid);
// Address grid sorts: rows between the header and the "Total: " row sorted by
// the column, then the last row rewritten as "Total: <servers>".
void SortAddressGrid(TreeDesign& design, TextGrid& servXAddr, int column);

struct ObjectGrids {
    TextGrid partitions; // Adv_ObjXPartCols
    TextGrid servers;    // Adv_ObjXServCols
    TextGrid containers; // Adv_ObjXCntCols
};

enum class ObjectGridResult { Finished, Aborted, Inconsistent, Current };

// The object grid builder. Does nothing (Current) while the object grids'
// GridStale flag is clear; clears it when all three grids are complete.
// Inconsistent: a partition root's class has no column (the message was shown).
ObjectGridResult BuildObjectGrids(TreeDesign& design, ObjectGrids& grids);

// The class indexes of the class columns, in column order (column 1 on).
std::vector<int> ObjectGridClassColumns(const TreeDesign& design);

} // namespace qv
