// The per-design flags and the indexes of the reports and grids they cover.
#pragma once

#include <array>
#include <cstddef>

namespace qv {

enum ReportIndex : std::size_t {
    kPartitionReport = 0,
    kServerReport,
    kRelationReport,
    kSchemaReport,
    kObjectReport,
    kServerSuggestions,
    kPartitionSuggestions,
    kObjectSuggestions,
    kReportCount
};

enum GridStaleIndex : std::size_t {
    kPartitionGrids = 0,
    kAddressGrid,
    kObjectGrids,
    kGridStaleCount
};

enum GridUnsortedIndex : std::size_t {
    kPartXServGrid = 0,
    kServXPartGrid,
    kServXAddrGrid,
    kPartObjGrid,
    kServObjGrid,
    kContObjGrid,
    kGridUnsortedCount
};

// The per-design flags: what the design window and the builders read to know
// whether the design must be saved and which views must be rebuilt.
struct DesignFlags {
    // Set by New, cleared by the first successful write: Save asks for a path.
    bool neverSaved = false;
    bool modified = false;
    bool subRefsStale = true;
    std::array<bool, kReportCount> reportStale{};
    std::array<bool, kGridStaleCount> gridStale{};
    std::array<bool, kGridUnsortedCount> gridUnsorted{};
    // Set by the Abort and Cancel buttons while a long job pumps the queue.
    bool abortRequested = false;
    bool printCancelRequested = false;
    bool containmentWarningOff = false;
};

} // namespace qv
