// The two commands of the tree view page that report on one node: "Report"
// (the individual server or partition report) and "Replica Report".
#pragma once

#include "core/tree_design.h"
#include "reports/report_text.h"
#include "reports/warning_settings.h"

#include <array>
#include <string>

namespace qv {

// "Report" (PrintRepList) for the selected node: the individual server report
// when the node is a server (class 3), else the individual partition report.
// Progress goes to the Import channel. False when AbortRequested stopped it
// (the dialog is then not shown).
bool BuildIndividualReport(TreeDesign& design, const WarningSettings& settings,
                           ObjectNode* selected, TextSink& out);
bool BuildIndividualPartitionReport(TreeDesign& design, const WarningSettings& settings,
                                    ObjectNode* selected, TextSink& out);
bool BuildIndividualServerReport(TreeDesign& design, const WarningSettings& settings,
                                 ObjectNode* selected, TextSink& out);

// The replica list the tree view page shows for a node: the last PartitionTable
// item named FullContext(node), or for a server the ServerTable item named
// Name(node); nullptr when there is none.
const ReplicaList* ReplicaListOfNode(TreeDesign& design, const ObjectNode* node);

// The texts of TFRM_REPLICARPT.
struct ReplicaReportTexts {
    std::string label1; // Label1
    std::string edit1;  // Edit1
    // PN_MASTER, PN_RW, PN_RO, PN_SUBREF, PN_SPARSE_RW, PN_SPARSE_RO
    std::array<std::string, 6> panels;
};
// Counts the rows of the node's replica list by type.
ReplicaReportTexts BuildReplicaReport(TreeDesign& design, const ObjectNode* selected);

} // namespace qv
