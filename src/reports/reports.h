// The text builders of the "Reports" and "Warnings/Suggestions" pages. Each
// clears its box, writes its text, shows its progress line on the Status
// channel, services the message queue through the design's Progress and
// returns true when finished or false when AbortRequested stopped it.
#pragma once

#include "core/tree_design.h"
#include "reports/report_text.h"
#include "reports/warning_settings.h"

#include <string>
#include <string_view>

namespace qv {

inline constexpr const char* kReportAborted = "**REPORT ABORTED**";
inline constexpr const char* kNoObjectReport = "The Object Report has not been imported yet.";

// LastPathComponent of the design's file name, as the titles show it.
std::string DesignTitleName(const TreeDesign& design);

bool BuildServerReport(TreeDesign& design, TextSink& out);
bool BuildPartitionReport(TreeDesign& design, TextSink& out);
// CreatePartReport.
bool BuildPartitionRelationReport(TreeDesign& design, TextSink& out);
// Expects ServerDepthTable filled by ComputeServerDepths.
bool BuildSchemaReport(TreeDesign& design, TextSink& out);
// One server's block of the schema distribution list (also used by the
// individual server report). False when aborted.
bool WriteSchemaBlock(TreeDesign& design, std::size_t serverIndex, TextSink& out);

bool BuildServerSuggestions(TreeDesign& design, const WarningSettings& settings, TextSink& out);
bool BuildPartitionSuggestions(TreeDesign& design, const WarningSettings& settings, TextSink& out);
// Only for designs with an imported object report (the root has a LeafList).
bool BuildObjectSuggestions(TreeDesign& design, const WarningSettings& settings, TextSink& out);

// True when an object report has been imported into the design.
bool HasObjectReport(const TreeDesign& design);

// ---- rules shared by the suggestion texts and the individual reports ----

// The DS version warning line of a ServerAttributes item, or "" when none.
std::string DSVersionWarning(std::string_view attributeItem, const WarningSettings& settings);
// True when the first address of the list is missing or zero.
bool IpxAddressMissing(const ReplicaList& addresses);
// Writes the lines of the partition report rules for one replica list.
int CountPartitionReadables(const ReplicaList& list);
int CountServerReadables(const ReplicaList& list);
int CountSubRefs(const ReplicaList& list);
// The greatest EntryName length over the lists.
std::size_t LongestEntryName(const ReplicaList& list, std::size_t atLeast = 0);

} // namespace qv
