// Server schema comparison: SCHCMP.EXE runs once for every pair of chosen
// servers, one run at a time, each writing "SRD<n>.TXT" in the current
// folder; the reports are parsed into one TSchCmpClass per pair and shown per
// server (unique classes, attributes and syntaxes, differing definitions).
#pragma once

#include "core/host.h"
#include "core/result.h"
#include "utilities/command_runner.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {
class TreeDesign;
}

namespace qv::utilities {

inline constexpr char kSchemaSep = '\xBC';
// The report dialog keeps this many report numbers per server; the rest are
// listed after a notice.
inline constexpr std::size_t kMaxReportsPerServer = 2000;

inline constexpr std::string_view kSchemaRunningFormat =
    "For proper results, these instances must be terminated before continuing.";
inline constexpr std::string_view kNoDistributionList =
    "This server has no Schema Distribution List.";
inline constexpr std::string_view kTwoServersNeeded = "At least two servers need to be selected.";
inline constexpr std::string_view kNotAllReports =
    "Not all reports were generated successfully.\rIf you choose to continue, the results will "
    "not \rbe accurate.\rContinue?";
inline constexpr std::string_view kAbortSchemaRuns =
    "There are still instances of SCHCMP.EXE running.\rAborting will NOT kill these instances "
    "of SCHCMP.EXE.\rAbort?";
inline constexpr std::string_view kNoReportsForServer = "There are no schema reports for server : ";

// ---- choosing the servers ----

// The schema distribution list of a server: the server itself, then every
// server holding a readable replica of a partition the server holds a
// replica of, at the server's level or below. Shows "  Finding Distribution
// List.." on the status channel and pumps between steps. Empty when the
// server holds no replica of a partition the design places.
std::vector<std::string> SchemaDistributionList(TreeDesign& design, const std::string& server);

// "There are N of SCHRPT.EXE running.\r..." for a census of N.
std::string SchemaRunningText(int count);
// The checks of the entry: false (after the notice) while marked runs are
// still going, or when fewer than two servers were chosen.
// With a lock, the working folder is also locked for the runs; while another
// comparison holds it the same refusal is shown.
bool SchemaRunsIdle(const Census& census, Interaction& ui, WorkingFolderLock* lock = nullptr);
bool EnoughServers(std::size_t chosen, Interaction& ui);
// The distribution list of the server when it names at least two servers;
// else the notice and an empty list.
std::vector<std::string> DistributionListOrNotice(TreeDesign& design, const std::string& server,
                                                  Interaction& ui);

// The chosen servers sorted by name (case-insensitive, then as written).
std::vector<std::string> SortServers(std::vector<std::string> servers);

// One item per pair of the sorted servers, numbered from 1 in the order
// (i, j), j > i: the command line, 0xBC, first + "," + second.
std::vector<std::string> BuildSchemaCommands(const std::vector<std::string>& sortedServers);
// The parts of a command item.
std::string CommandLineOf(std::string_view item);
std::string PairNamesOf(std::string_view item); // "FS1,FS2"
std::string SchemaReportFileName(int pair);     // "SRD<n>.TXT"

// Deletes every file of the folder whose name matches "SRD*.*" as the
// console matches it: any name starting with "SRD" in any case. Returns how
// many went.
int DeleteOldSchemaReports(const std::string& folder = ".");

// ---- the parsed reports ----

// A side list: "CLASSES" (attached: the class definition lines), "ATTRS"
// (attached: the attribute definition lines), the server's name, then one
// item per unique name, "C", "A" or "S" + 0xBC + name.
struct SchemaSide {
    std::vector<std::string> items{"CLASSES", "ATTRS"};
    std::vector<std::string> classes;
    std::vector<std::string> attrs;
    std::string ServerName() const { return items.size() >= 3 ? items[2] : std::string(); }
};

class TSchCmpClass {
public:
    SchemaSide first;
    SchemaSide second;
};

// Parses the text of one report into the pair's sides. Memo gets the
// success line or the error lines; fileName and pairNames name them.
bool ParseSchemaReportText(std::string_view text, const std::string& fileName,
                           const std::string& pairNames, TSchCmpClass& pair,
                           std::vector<std::string>& memo);
// The same for the file at path (a file that cannot be read: "Cannot open file.").
bool ParseSchemaReportPath(const std::string& path, const std::string& fileName,
                           const std::string& pairNames, TSchCmpClass& pair,
                           std::vector<std::string>& memo);
// "SRD<n>.TXT" of the folder into the n-th pair (n is 1-based).
bool ParseSchemaReport(int n, const std::vector<std::string>& commands,
                       std::vector<TSchCmpClass>& results, std::vector<std::string>& memo,
                       const std::string& folder = ".");
// Every pair's report; true when some report failed. parsed (when given)
// gets how many reports parsed.
bool ParseAllSchemaReports(const std::vector<std::string>& commands,
                           std::vector<TSchCmpClass>& results, std::vector<std::string>& memo,
                           const std::string& folder = ".", int* parsed = nullptr);

// ---- waiting for the runs ----

// Ticks one SCHCMP.EXE run is waited for before the wait is given up (ten
// minutes at one tick a second).
inline constexpr int kSchemaRunTickLimit = 600;

// The rules of the wait dialog, driven by Tick() once a second: one run per
// tick that sees no marked process, the reports read on the ninth such tick
// after the last start.
class SchemaReportRun {
public:
    using Starter = std::function<void(const std::string& commandLine)>;
    // The default starter hands the command line to the command interpreter.
    static Starter InterpreterStarter();

    SchemaReportRun(std::vector<std::string> commands, Census census, Starter start,
                    Interaction& ui, std::string folder = ".");

    // What the dialog does when shown.
    void Show();
    // One timer tick.
    void Tick();
    // The Abort / Continue button.
    void Button();

    const std::string& Label() const { return label_; }
    const std::string& ButtonText() const { return buttonText_; }
    bool TimerRunning() const { return timer_; }
    bool Closed() const { return closed_; }
    bool Completed() const { return completed_; }
    bool ReportFailed() const { return failed_; }
    // The interpreter could not be started (the reason in
    // LastStartFailure()), or a run went on for more than the tick limit of
    // ticks and was ended: the dialog closed without reading the reports.
    bool StartFailed() const { return startFailed_; }
    bool GaveUp() const { return gaveUp_; }
    void SetTickLimit(int ticks) { tickLimit_ = ticks; }
    int TickLimit() const { return tickLimit_; }
    int ParsedCount() const { return parsed_; }
    int NextPair() const { return next_; }
    int PairCount() const { return static_cast<int>(commands_.size()); }
    const std::vector<std::string>& Memo() const { return memo_; }
    std::vector<TSchCmpClass>& Results() { return results_; }
    const std::vector<std::string>& Commands() const { return commands_; }

private:
    void TimerStopped();

    std::vector<std::string> commands_;
    Census census_;
    Starter start_;
    Interaction& ui_;
    std::string folder_;
    std::vector<TSchCmpClass> results_;
    std::vector<std::string> memo_;
    std::string label_ = "Generating Schema Reports";
    std::string buttonText_ = "&Abort";
    int step_ = 0;
    int next_ = 1;
    int parsed_ = 0;
    int busy_ = 0;
    int tickLimit_ = kSchemaRunTickLimit;
    bool startFailed_ = false;
    bool gaveUp_ = false;
    bool timer_ = false;
    bool completed_ = false;
    bool failed_ = false;
    bool closed_ = false;
};

// Why the runs ended without reports to read, or what the interpreter could
// not run (a utility not on the utility path): the interpreter could not
// start, a run was given up, or the log lines; empty when none of these.
std::vector<std::string> SchemaRunProblems(const SchemaReportRun& run,
                                           const InterpreterLogWatch& log);

// ---- the report dialog ----

// A definition tree: names, their rules, the rules' differences.
struct DefinitionNode {
    std::string text;
    std::vector<DefinitionNode> children;
};
// The lines as a three-level tree under a root of that text.
DefinitionNode BuildDefinitionTree(const std::string& rootText,
                                   const std::vector<std::string>& lines);
// The label for a node at depth 0 (root) to 3 (difference) with its children.
std::string DefinitionLabel(int depth, const DefinitionNode& node);

struct SchemaSideView {
    std::string server;
    std::vector<std::string> classes, attributes, syntaxes; // unique names
    const std::vector<std::string>* classLines = nullptr;
    const std::vector<std::string>* attrLines = nullptr;
};

// The state of the report dialog: the servers compared, the reports of the
// selected server and the current one.
class SchemaReportBrowser {
public:
    SchemaReportBrowser(const std::vector<TSchCmpClass>& results, std::vector<std::string> servers);

    const std::vector<std::string>& Servers() const { return servers_; }
    // Selects a server: its reports in result order. A failure (the warning
    // text) when there are none; else a notice when they pass the dialog's
    // storage (all of them stay listed), empty when they do not.
    Result<std::string> SelectServer(const std::string& server);
    const std::string& Selected() const { return selected_; }
    const std::vector<std::size_t>& Reports() const { return reports_; }
    std::size_t Current() const { return current_; } // 1-based, 0: none
    std::string CounterText() const;                 // " 1 of 3"
    bool SpinUp();                                   // previous report
    bool SpinDown();                                 // next report
    SchemaSideView Left() const;
    SchemaSideView Right() const;
    // The text the Print button builds for the current report.
    std::vector<std::string> PrintLines() const;

private:
    SchemaSideView View(bool left) const;
    const std::vector<TSchCmpClass>& results_;
    std::vector<std::string> servers_;
    std::string selected_;
    std::vector<std::size_t> reports_;
    std::size_t current_ = 0;
};

// The print text of a report seen from the left side.
std::vector<std::string> BuildSchemaPrintLines(const SchemaSideView& left,
                                               const SchemaSideView& right);

} // namespace qv::utilities
