// quorvane-cli nds-rights DESIGN.qvd --context C1 --container C2 --leaf L...
// --target T... [--reports DIR] [--tick-ms N]: NDS Rights without windows.
#include "cli/cli.h"
#include "cli/utility_runs.h"

#include "utilities/nds_rights.h"
#include "utilities/rights_wait.h"

#include <chrono>
#include <thread>

namespace qv::cli {
namespace {

const char* const kDetails =
    "Shows how the leaf objects L of the container C1 got their NDS rights to the\n"
    "objects T of the container C2, as NDS Rights does. C1 and C2 are full\n"
    "contexts of the design (SALES.CORP) or [ROOT]; L and T name leaf objects of\n"
    "those containers. --leaf and --target take one or more names each and may be\n"
    "repeated.\n"
    "\n"
    "QVD_DSR.BAT is written in the current folder (CX of C1, one DSRIGHTS line per\n"
    "leaf object and target, leaf by leaf, into #DSR#<n>.TXT), the old #DSR#*.*\n"
    "files there are deleted, the batch file runs through quorvane-cmd, its end is\n"
    "awaited by the census of its process title once every N milliseconds (1000 by\n"
    "default) and ten ticks more, and the reports are read. With --reports the\n"
    "#DSR#<n>.TXT files already in DIR are read instead and nothing is run (the\n"
    "batch file is still written, once the reports were read). A second rights\n"
    "report in the same folder is refused while one runs. The batch file is waited\n"
    "for at most 1800 ticks (half an hour at the default tick); then the wait is\n"
    "given up, quorvane-cmd and DSRIGHTS are ended and the command fails, as it\n"
    "does, with their own message, when the interpreter or DSRIGHTS cannot start.\n"
    "A command that fails before the run changes no file.\n"
    "\n"
    "For every leaf object: \"Source: \" and its name; for every report of it\n"
    "\"  Trustee: \" and the target's full name; for every object of the path from\n"
    "the top of the tree \"    Path: \" and its name, then its rows (\"Inherited\n"
    "Rights Filter\", \"Inherits From Above\", the assignments, \"Effective Rights\")\n"
    "as \"      ROW: OOOOO PPPPP\", the object rights in the order S B C D R and\n"
    "the property rights in the order S C R W A, \"-\" for a right not held; then\n"
    "for every selected property \"    Property: \" and its name and rows. A report\n"
    "that cannot be read is announced on stderr and skipped.\n"
    "\n"
    "Exit status: 0 at least one report was read, 1 none was, a line of the batch\n"
    "file could not run, the wait was given up or another rights report still\n"
    "runs, 2 usage errors and designs that cannot be opened.\n";

std::string Rights(std::uint8_t object, std::uint8_t property) {
    return utilities::ObjectRightsText(object) + " " + utilities::PropertyRightsText(property);
}

std::vector<std::string> ReportLines(const std::vector<utilities::SourceRights>& sources) {
    using namespace utilities;
    std::vector<std::string> lines;
    for (const SourceRights& s : sources) {
        lines.push_back("Source: " + ToUtf8(s.name));
        for (const TrusteeRights& t : s.trustees) {
            lines.push_back("  Trustee: " + ToUtf8(t.name));
            for (const PathEntry& p : t.paths) {
                lines.push_back("    Path: " + ToUtf8(p.name));
                const std::vector<std::string> rows = RightsRows(p);
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    auto [o, r] = RowRights(p, i);
                    lines.push_back("      " + ToUtf8(rows[i]) + ": " + Rights(o, r));
                }
            }
            for (const PropertyRights& p : t.properties) {
                lines.push_back("    Property: " + ToUtf8(p.name));
                const std::vector<std::string> rows = PropertyRows(p);
                for (std::size_t i = 0; i < rows.size(); ++i) {
                    std::uint8_t o = 0;
                    if (i < p.assignments.size())
                        for (const Assignment& a : p.assignments)
                            if (a.name == rows[i]) {
                                o = a.objectRights;
                                break;
                            }
                    lines.push_back("      " + ToUtf8(rows[i]) + ": " +
                                    Rights(o, PropertyRowRights(p, i)));
                }
            }
        }
    }
    return lines;
}

// The node of a full context ("[ROOT]", "SALES.CORP", a leading dot allowed).
ObjectNode* FindContainer(TreeDesign& design, std::string context) {
    if (!context.empty() && context[0] == '.')
        context.erase(0, 1);
    if (context.empty())
        context = "[ROOT]";
    return design.FindNodeByContext(context);
}

bool HasLeaf(const ObjectNode* node, const std::string& name) {
    if (node->Leaves())
        for (const std::string& entry : *node->Leaves())
            if (LeafName(entry) == name)
                return true;
    return false;
}

int Run(const Command& self, const CommandArguments& given) {
    using namespace utilities;
    CommandArguments args = given;
    bool leafMissing = false;
    bool targetMissing = false;
    const std::vector<std::string> leaves = TakeList(args, "--leaf", leafMissing);
    const std::vector<std::string> targets = TakeList(args, "--target", targetMissing);
    CommandArgs a(self, args);
    const std::optional<std::string> context = a.Value("--context");
    const std::optional<std::string> container = a.Value("--container");
    const std::optional<std::string> reports = a.Value("--reports");
    const std::optional<std::string> tick = a.Value("--tick-ms");
    if (!a.Expect(1, "expects DESIGN"))
        return kExitUsage;
    if (!context || !container)
        return a.Usage("--context and --container are needed");
    if (leaves.empty() || leafMissing)
        return a.Usage("--leaf needs the name of a leaf object");
    if (targets.empty() || targetMissing)
        return a.Usage("--target needs the name of an object");
    long long tickMs = 1000;
    if (!ParseTickMs(tick, tickMs))
        return a.Usage(kTickMsUsage);

    int result = kExitUsage;
    WithDesign(a[0], DesignUse::Plain, [&](Session& s) {
        ObjectNode* from = FindContainer(s.design, *context);
        if (!from) {
            result = a.Usage("no container " + *context + " in the design");
            return kExitFailed;
        }
        ObjectNode* to = FindContainer(s.design, *container);
        if (!to) {
            result = a.Usage("no container " + *container + " in the design");
            return kExitFailed;
        }
        for (const std::string& leaf : leaves)
            if (!HasLeaf(from, leaf)) {
                result = a.Usage("no leaf object " + leaf + " in " + s.design.FullContext(from));
                return kExitFailed;
            }
        for (const std::string& target : targets)
            if (!HasLeaf(to, target)) {
                result = a.Usage("no object " + target + " in " + s.design.FullContext(to));
                return kExitFailed;
            }
        const std::string designContext = s.design.FullContext(from);
        const std::string batch =
            BuildRightsBatch(designContext, s.design.FullContext(to), leaves, targets);
        // A command that fails changes no file: the guard and the folder's
        // lock come first, and with --reports the batch file is written only
        // once the reports have been read.
        WorkingFolderLock lock;
        bool notRun = false;
        if (!StartRightsRun(
                s.ui, reports.has_value(), lock, [&batch] { return WriteRightsBatch(".", batch); },
                utilities::kRightsBatchFile, kRightsReportPrefix, "DSRIGHTS", tickMs, notRun))
            return result = kExitFailed;
        const std::string folder = reports ? *reports : ".";
        std::vector<SourceRights> sources;
        for (const std::string& leaf : leaves)
            sources.push_back(SourceRights{leaf, false, {}});
        const std::string parseContext = designContext == "[ROOT]" ? std::string() : designContext;
        std::size_t read = 0;
        if (!ReadRightsReports(
                folder, leaves.size() * targets.size(),
                [](std::size_t i) { return RightsReportName(static_cast<int>(i)); },
                [&](const std::string& path) {
                    return ParseNDSRightsReport(path, parseContext, sources);
                },
                read))
            return result = kExitFailed;
        result = PrintLines(ReportLines(sources));
        if (result == kExitOk && (read == 0 || notRun))
            result = kExitFailed;
        if (result == kExitOk && reports) {
            if (Result<void> written = WriteRightsBatch(".", batch); !written) {
                PrintBox(written.error());
                result = kExitFailed;
            }
        }
        return result;
    });
    return result;
}

const Registration kRegistration({"nds-rights",
                                  "DESIGN.qvd --context C1 --container C2 --leaf L... "
                                  "--target T... [--reports DIR] [--tick-ms N]",
                                  "show how leaf objects got their NDS rights to other objects "
                                  "(DSRIGHTS reports)",
                                  kDetails, Run});

} // namespace
} // namespace qv::cli
