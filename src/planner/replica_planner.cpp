#include "planner/replica_planner.h"

#include "core/design_change.h"
#include "edit/design_compare.h"
#include "edit/edit_script.h"
#include "planner/mip_solver.h"
#include "planner/planner_internal.h"
#include "reports/reports.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <unordered_set>

namespace qv {

// ---------------------------------------------------------------- warnings

bool IsReplicaRule(WarningRule rule) {
    return rule <= WarningRule::NoReplicas;
}

const char* RuleName(WarningRule rule) {
    switch (rule) {
    case WarningRule::NoMaster:
        return "no Master replica";
    case WarningRule::DuplicateMaster:
        return "duplicate Master replicas";
    case WarningRule::TooManyReplicas:
        return "too many replicas of a partition (MaxReplicasPerPartition)";
    case WarningRule::TooFewReplicas:
        return "too few replicas of a partition (MinReplicasPerPartition)";
    case WarningRule::TooManyReadables:
        return "too many readable replicas on a server (MaxReadables)";
    case WarningRule::TooManySubRefs:
        return "too many SubRefs on a server (MaxSubRefs)";
    case WarningRule::NoReplicas:
        return "server holds no replica";
    case WarningRule::DSVersion:
        return "DS version";
    case WarningRule::IPXAddress:
        return "IPX address";
    case WarningRule::DuplicateAddress:
        return "duplicate addresses";
    case WarningRule::ObjectsPerContainer:
        return "objects per container (MaxObjsPerContainer)";
    }
    return "";
}

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::string Trimmed(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && text[b] == ' ')
        ++b;
    while (e > b && text[e - 1] == ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

struct RulePrefix {
    std::string_view prefix;
    WarningRule rule;
};

// The first lines of the warnings, as the suggestion texts write them.
constexpr RulePrefix kServerPrefixes[] = {
    {"  Warning: No replicas are stored on this server.", WarningRule::NoReplicas},
    {"  Warning: DS VERSION has not been imported.", WarningRule::DSVersion},
    {"  Warning: 4.X DS VERSION", WarningRule::DSVersion},
    {"  Warning: 5.X DS VERSION", WarningRule::DSVersion},
    {"  Warning: SKADS DS VERSION", WarningRule::DSVersion},
    {"  Warning: IPX Address has not been imported.", WarningRule::IPXAddress},
};
constexpr RulePrefix kPartitionPrefixes[] = {
    {"  Warning: There are duplicate Master", WarningRule::DuplicateMaster},
    {"  Warning: There is no Master replica", WarningRule::NoMaster},
    {"  Warning: There are only ", WarningRule::TooFewReplicas},
    {"  Warning: There are ", WarningRule::TooManyReplicas},
};

void ReadServerText(const std::vector<std::string>& lines, std::vector<DesignWarning>& out) {
    std::string scope;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        if (StartsWith(l, "Server: ")) {
            scope = l;
            continue;
        }
        if (!StartsWith(l, "  Warning: "))
            continue;
        std::optional<WarningRule> rule;
        for (const RulePrefix& p : kServerPrefixes)
            if (StartsWith(l, p.prefix)) {
                rule = p.rule;
                break;
            }
        if (!rule && StartsWith(l, "  Warning: This server contains ")) {
            const bool subRefs = l.size() >= 9 && l.substr(l.size() - 9) == " SubRefs.";
            rule = subRefs ? WarningRule::TooManySubRefs : WarningRule::TooManyReadables;
        }
        if (!rule)
            rule = WarningRule::DuplicateAddress; // "  Warning: A and B"
        out.push_back(DesignWarning{*rule, scope, Trimmed(l)});
    }
}

void ReadPartitionText(const std::vector<std::string>& lines, std::vector<DesignWarning>& out) {
    std::string scope;
    for (const std::string& l : lines) {
        if (StartsWith(l, "Partition: ")) {
            scope = l;
            continue;
        }
        for (const RulePrefix& p : kPartitionPrefixes)
            if (StartsWith(l, p.prefix)) {
                out.push_back(DesignWarning{p.rule, scope, Trimmed(l)});
                break;
            }
    }
}

} // namespace

std::vector<DesignWarning> CollectWarnings(TreeDesign& design, const WarningSettings& settings) {
    std::vector<DesignWarning> out;
    TextLines text;
    BuildPartitionSuggestions(design, settings, text);
    ReadPartitionText(text.lines, out);
    text.Clear();
    BuildServerSuggestions(design, settings, text);
    ReadServerText(text.lines, out);
    if (HasObjectReport(design)) {
        text.Clear();
        BuildObjectSuggestions(design, settings, text);
        for (std::size_t i = 0; i < text.lines.size(); ++i)
            if (StartsWith(text.lines[i], "WARNING!!  "))
                out.push_back(DesignWarning{WarningRule::ObjectsPerContainer, "Container",
                                            Trimmed(text.lines[i])});
    }
    return out;
}

// ---------------------------------------------------------------- changes

std::vector<std::string> ReplicaChange::Args() const {
    switch (kind) {
    case ReplicaChangeKind::Add:
        return {"add-replica", partition, server, type};
    case ReplicaChangeKind::Retype:
    case ReplicaChangeKind::MakeMaster:
        return {"change-type", partition, server, type};
    case ReplicaChangeKind::Delete:
        return {"delete-replica", partition, server};
    }
    return {};
}

std::string ReplicaChange::Line() const {
    std::string line;
    for (const std::string& a : Args()) {
        std::string q;
        if (!QuoteScriptArgument(a, q))
            return {};
        line += (line.empty() ? "" : " ") + q;
    }
    return line;
}

int ReplicaPlan::ReplicaWarnings(const std::vector<DesignWarning>& list) const {
    return static_cast<int>(std::count_if(
        list.begin(), list.end(), [](const DesignWarning& w) { return IsReplicaRule(w.rule); }));
}

double ReplicaPlan::Gap() const {
    if (optimal || changes.empty())
        return 0;
    const double n = static_cast<double>(changes.size());
    return std::max(0.0, (n - bound) / n);
}

std::string ReplicaPlan::Summary() const {
    std::string s = "Replica warnings: " + std::to_string(ReplicaWarningsBefore()) + " before, " +
                    std::to_string(ReplicaWarningsAfter()) + " after; " +
                    std::to_string(changes.size()) + " changes; ";
    if (cancelled)
        s += "cancelled, not proven optimal";
    else if (optimal)
        s += "optimal";
    else {
        char buf[96];
        std::snprintf(buf, sizeof buf, "not proven optimal, gap %.1f%% to the bound %.0f",
                      100.0 * Gap(), std::max(0.0, std::ceil(bound - 1e-6)));
        s += buf;
    }
    s += ".";
    return s;
}

std::string ReplicaPlan::Script() const {
    std::string out = "# Plan Replica Layout: " + Summary() + "\n";
    for (const ReplicaChange& c : changes) {
        const std::string line = c.Line();
        if (!c.clears.empty())
            out += "# " + c.clears + "\n";
        out += line.empty() ? "# cannot be written: " + c.partition + " " + c.server + "\n"
                            : line + "\n";
    }
    return out;
}

// ---------------------------------------------------------------- planning

using namespace planner;

namespace {

// Designs up to this many partition and server pairs are planned over every
// server with a proof; larger ones over the servers near each partition.
constexpr double kExactPairs = 20000;
// Beyond this many partitions the solver's first relaxation alone takes longer
// than a plan may; they are planned partition by partition.
constexpr double kSolverPartitions = 1500;

bool On(const std::vector<double>& x, int col) {
    return col >= 0 && x[static_cast<std::size_t>(col)] > 0.5;
}

} // namespace

std::unique_ptr<ReplicaPlanInput> PrepareReplicaPlan(TreeDesign& design,
                                                     const WarningSettings& settings) {
    auto input = std::make_unique<ReplicaPlanInput>();
    input->settings = settings;
    if (!CopyDesign(design, input->design))
        input->failure = "The design cannot be copied for planning (it would not save as it is).";
    return input;
}

namespace {

// Why the warnings of a rule cannot all be cleared by any layout.
void ExplainImpossible(const Layout& L, const WarningSettings& w, const ReplicaPlanOptions& o,
                       ReplicaPlan& plan) {
    const long long np = static_cast<long long>(L.partitions.size());
    const long long ns = static_cast<long long>(L.servers.size());
    if (w.CheckMinReplicasPerPartition && np > 0 && ns < w.MinReplicasPerPartition)
        plan.impossible.push_back("MinReplicasPerPartition cannot be met: every partition needs " +
                                  std::to_string(w.MinReplicasPerPartition) +
                                  " readable replicas, and the design has " + std::to_string(ns) +
                                  " servers.");
    if (w.CheckMinReplicasPerPartition && w.CheckMaxReadables &&
        np * std::max(0, w.MinReplicasPerPartition) > ns * std::max(0, w.MaxReadables))
        plan.impossible.push_back(
            "MinReplicasPerPartition and MaxReadables cannot both be met: " + std::to_string(np) +
            " partitions need " + std::to_string(np * w.MinReplicasPerPartition) +
            " readable replicas, and the servers may hold " + std::to_string(ns * w.MaxReadables) +
            " together.");
    if (w.CheckServerContainReplica && w.CheckMaxReplicasPerPartition &&
        ns > np * std::max(0, w.MaxReplicasPerPartition) + 0)
        plan.impossible.push_back("Every server holding a replica and MaxReplicasPerPartition "
                                  "cannot both be met: " +
                                  std::to_string(ns) + " servers, " + std::to_string(np) +
                                  " partitions.");
    if (o.keepMasters) {
        long long dup = 0;
        for (std::size_t p = 0; p < L.partitions.size(); ++p) {
            int m = L.fixedMasters[p];
            for (int s : L.holders[p])
                m += L.At(static_cast<int>(p), s) == Held::Master;
            dup += m > 1;
        }
        if (dup > 0)
            plan.impossible.push_back("With --keep-masters the duplicate Masters of " +
                                      std::to_string(dup) +
                                      " partitions stay: only making another replica the Master "
                                      "demotes them.");
    }
    if (w.CheckMaxSubRefs && w.CheckMaxReadables)
        for (std::size_t p = 0; p < L.partitions.size(); ++p) {
            const long long kids = static_cast<long long>(L.children[p].size());
            if (kids > static_cast<long long>(w.MaxReadables) - 1 + w.MaxSubRefs)
                plan.impossible.push_back(
                    "Partition: " + L.partitions[p] + " has " + std::to_string(kids) +
                    " child partitions: a server holding it holds a replica or a SubRef of "
                    "each, more than MaxReadables and MaxSubRefs allow together.");
        }
}

// Turns the solution into changes, partition by partition: additions, type
// changes, the new Master, then deletions (a Master can only go once
// another is made one).
std::vector<ReplicaChange> ChangesOf(const Layout& L, const ModelBuilder& mb,
                                     const std::vector<double>& x,
                                     const std::vector<DesignWarning>& before) {
    std::map<std::string, std::vector<const DesignWarning*>> byScope;
    for (const DesignWarning& w : before)
        if (IsReplicaRule(w.rule))
            byScope[w.scope].push_back(&w);
    auto reason = [&](const std::string& scope, std::initializer_list<WarningRule> rules) {
        auto it = byScope.find(scope);
        if (it == byScope.end())
            return std::string();
        for (WarningRule r : rules)
            for (const DesignWarning* w : it->second)
                if (w->rule == r)
                    return scope + ": " + w->text;
        return std::string();
    };
    std::vector<std::vector<const PairVars*>> perPartition(L.partitions.size());
    for (const PairVars& v : mb.Pairs())
        perPartition[static_cast<std::size_t>(v.p)].push_back(&v);
    std::vector<ReplicaChange> out;
    for (std::size_t p = 0; p < L.partitions.size(); ++p) {
        const std::string ps = "Partition: " + L.partitions[p];
        std::vector<ReplicaChange> adds, retypes, masters, deletes;
        for (const PairVars* v : perPartition[p]) {
            const std::string& srv = L.servers[static_cast<std::size_t>(v->s)];
            const std::string ss = "Server: " + srv;
            const bool y = On(x, v->y), k = On(x, v->k), m = On(x, v->m);
            auto pick = [](std::string a, std::string b, std::string c = {}) {
                return !a.empty() ? a : !b.empty() ? b : c;
            };
            if (!Holds(v->now) && y)
                adds.push_back(
                    {ReplicaChangeKind::Add, L.partitions[p], srv, kReadWriteWord,
                     pick(reason(ps, {WarningRule::TooFewReplicas, WarningRule::NoMaster}),
                          reason(ss, {WarningRule::NoReplicas, WarningRule::TooManySubRefs}),
                          "makes room elsewhere")});
            if (v->now == Held::Sparse && y)
                retypes.push_back(
                    {ReplicaChangeKind::Retype, L.partitions[p], srv, kReadWriteWord,
                     pick(reason(ps, {WarningRule::TooFewReplicas, WarningRule::NoMaster}), "",
                          "makes room elsewhere")});
            if (m && v->now != Held::Master)
                masters.push_back(
                    {ReplicaChangeKind::MakeMaster, L.partitions[p], srv, kMasterWord,
                     pick(reason(ps, {WarningRule::NoMaster, WarningRule::DuplicateMaster}), "",
                          "a Master for the partition")});
            if (Holds(v->now) && !y && !k)
                deletes.push_back(
                    {ReplicaChangeKind::Delete, L.partitions[p], srv, "",
                     pick(reason(ss, {WarningRule::TooManySubRefs, WarningRule::TooManyReadables}),
                          reason(ps, {WarningRule::TooManyReplicas}), "makes room elsewhere")});
        }
        for (auto* group : {&adds, &retypes, &masters, &deletes})
            for (ReplicaChange& c : *group)
                out.push_back(std::move(c));
    }
    return out;
}

// What one planning run keeps between its steps.
struct PlanRun {
    using Clock = std::chrono::steady_clock;
    PlanRun(ReplicaPlanInput& input, const ReplicaPlanOptions& o)
        : d(input.design), w(input.settings), options(o) {}
    const Clock::time_point start = Clock::now();
    TreeDesign& d;
    const WarningSettings& w;
    const ReplicaPlanOptions& options;
    ReplicaPlan plan;

    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start).count(); }
    void Status(const std::string& text) const {
        if (options.status)
            options.status(text);
    }
    bool CancelAsked() const { return options.cancel && options.cancel->load(); }
};

// Stage 2 of the exact program: among the plans with as few changes and
// warnings as x, the preferred servers and an even spread.
void SolveSpread(PlanRun& run, const Layout& L, std::vector<double>& x, double changes,
                 double warnings) {
    const WarningSettings& w = run.w;
    const ReplicaPlanOptions& options = run.options;
    ModelBuilder second(L, w, options);
    second.ChooseCandidates(true);
    const double spreadMax =
        changes * (w.MaxReadables + static_cast<double>(L.partitions.size())) + 1;
    second.Build(0, 0, spreadMax, 1);
    MipProblem& p2 = second.Problem();
    std::vector<std::pair<int, double>> ct(second.ChangeTerms().begin(),
                                           second.ChangeTerms().end());
    p2.AddRow(std::move(ct), -kMipInfinity, changes - second.ChangeConst() + 1e-6);
    std::vector<std::pair<int, double>> wt;
    for (int c : second.WarnCols())
        wt.emplace_back(c, 1);
    p2.AddRow(std::move(wt), -kMipInfinity, warnings + 1e-6);
    MipOptions mo2;
    mo2.cancel = options.cancel;
    mo2.timeLimitSeconds = std::max(0.1, options.timeLimitSeconds - run.Elapsed());
    mo2.start = x;
    run.Status("Solving: preferred servers and an even spread...");
    MipResult r2 = SolveMip(p2, mo2);
    if (r2.status != MipStatus::NoSolution && second.ChangesOf(r2.values) <= changes + 0.5)
        x = r2.values;
}

// The program over every server: stage 1, the fewest warnings, then the
// fewest changes; then stage 2 when time is left and the plan adds
// replicas. False when the solver found no plan (the plan then says so).
bool SolveExact(PlanRun& run, const Layout& L, ModelBuilder& mb, std::vector<double>& x) {
    ReplicaPlan& plan = run.plan;
    const ReplicaPlanOptions& options = run.options;
    const double timeLeft = std::max(0.1, options.timeLimitSeconds);
    const double W =
        2.0 * static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size()) + 4;
    mb.Build(W, 1, 0, 0);
    run.Status("Solving: the fewest changes...");
    MipOptions mo;
    mo.cancel = options.cancel;
    mo.timeLimitSeconds = timeLeft * 0.7;
    MipResult r = SolveMip(mb.Problem(), mo);
    if (r.status == MipStatus::NoSolution) {
        plan.cancelled = r.cancelled;
        plan.failure = r.cancelled ? "" : "The solver found no plan in the time given.";
        plan.after = plan.before;
        return false;
    }
    x = r.values;
    const double changes = mb.ChangesOf(x);
    double warnings = 0;
    for (int c : mb.WarnCols())
        warnings += x[static_cast<std::size_t>(c)];
    plan.optimal = r.status == MipStatus::Optimal;
    plan.cancelled = r.cancelled;
    // A bound on the changes of any plan with as few warnings.
    plan.bound = plan.optimal ? changes : std::max(0.0, r.bound - W * warnings);
    bool adds = false;
    for (const PairVars& v : mb.Pairs())
        adds = adds || (!Holds(v.now) && On(x, v.y));
    if (!r.cancelled && run.Elapsed() < options.timeLimitSeconds * 0.8 && adds)
        SolveSpread(run, L, x, changes, warnings);
    return true;
}

// A larger design: one weighted program over the servers near each
// partition and a share of the least loaded ones, when the solver can take
// it in the time; else x stays empty, for planning partition by partition.
void SolveNearServers(PlanRun& run, const Layout& L, ModelBuilder& mb, std::vector<double>& x) {
    ReplicaPlan& plan = run.plan;
    const ReplicaPlanOptions& options = run.options;
    const double timeLeft = std::max(0.1, options.timeLimitSeconds);
    plan.optimal = false; // the servers were limited
    if (static_cast<double>(L.partitions.size()) > kSolverPartitions)
        return;
    mb.Build(1e5, 1000, 20, 1);
    run.Status("Solving over the servers near each partition...");
    MipOptions mo;
    mo.cancel = options.cancel;
    mo.timeLimitSeconds = std::max(0.1, timeLeft - run.Elapsed());
    mo.relativeGap = 0.01;
    MipResult r = SolveMip(mb.Problem(), mo);
    plan.cancelled = r.cancelled;
    if (r.status != MipStatus::NoSolution)
        x = r.values;
}

// The changes of the solution x, or, without one, those of planning
// partition by partition.
void TakeChanges(PlanRun& run, const Layout& L, const ModelBuilder& mb,
                 const std::vector<double>& x) {
    ReplicaPlan& plan = run.plan;
    const ReplicaPlanOptions& options = run.options;
    if (!x.empty()) {
        plan.changes = ChangesOf(L, mb, x, plan.before);
        plan.expected = mb.WarningsOf(x);
    } else if (!plan.cancelled && !run.CancelAsked()) {
        run.Status("Planning partition by partition...");
        plan.changes = GreedyPlanner(L, run.w, options).Run();
        plan.heuristic = true;
        if (options.maxChanges && static_cast<long long>(plan.changes.size()) > *options.maxChanges)
            plan.changes.resize(static_cast<std::size_t>(*options.maxChanges));
    }
}

// The check: the plan run on a copy of the design as "apply" runs it, and
// the warnings left after it. False when the plan fails (the plan says why).
bool CheckPlan(PlanRun& run) {
    ReplicaPlan& plan = run.plan;
    run.Status("Checking the plan...");
    TreeDesign check;
    NullProgress np;
    NullInteraction ni;
    check.SetHosts(&np, &ni);
    if (!CopyDesign(run.d, check)) {
        plan.failure = "The plan could not be checked.";
        return false;
    }
    std::vector<ScriptLine> lines;
    for (const ReplicaChange& c : plan.changes)
        lines.push_back(ScriptLine{static_cast<int>(lines.size()) + 1, c.Args()});
    if (std::optional<ScriptError> bad = RunEditScript(check, lines, nullptr)) {
        plan.failure =
            "The plan is refused at change " + std::to_string(bad->line) + ": " + bad->message;
        plan.after = plan.before;
        return false;
    }
    check.EnsureAllSubRefs();
    plan.after = CollectWarnings(check, run.w);
    return true;
}

// The fewest changes any plan that clears the same partition warnings
// needs: the changes each of those partitions' own rules need alone.
double ChangesLowerBound(const PlanRun& run, const Layout& L) {
    const WarningSettings& w = run.w;
    std::unordered_set<std::string> left;
    for (const DesignWarning& warning : run.plan.after)
        if (IsReplicaRule(warning.rule))
            left.insert(warning.scope);
    double lb = 0;
    for (std::size_t p = 0; p < L.partitions.size(); ++p) {
        if (left.count("Partition: " + L.partitions[p]))
            continue;
        int readable = L.fixedReadable[p], masters = L.fixedMasters[p];
        for (int s : L.holders[p]) {
            const Held h = L.At(static_cast<int>(p), s);
            readable += Readable(h);
            masters += h == Held::Master;
        }
        double need = 0;
        if (w.CheckMinReplicasPerPartition && readable < w.MinReplicasPerPartition)
            need += w.MinReplicasPerPartition - readable;
        if (w.CheckMaxReplicasPerPartition && readable > w.MaxReplicasPerPartition)
            need += readable - w.MaxReplicasPerPartition;
        // A partition without one Master needs a change of type at least.
        if (masters != 1 && !(run.options.keepMasters && masters > 1))
            need += 1;
        lb += need;
    }
    return lb;
}

} // namespace

ReplicaPlan SolveReplicaPlan(ReplicaPlanInput& input, const ReplicaPlanOptions& options) {
    PlanRun run(input, options);
    ReplicaPlan& plan = run.plan;
    if (!input.failure.empty()) {
        plan.failure = input.failure;
        return std::move(plan);
    }
    run.Status("Reading the layout...");
    run.d.EnsureAllSubRefs();
    plan.before = CollectWarnings(run.d, run.w);
    const Layout L = ReadLayout(run.d);
    ExplainImpossible(L, run.w, options, plan);

    const double pairs =
        static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size());
    ModelBuilder mb(L, run.w, options);
    mb.ChooseCandidates(pairs <= kExactPairs);
    plan.decomposed = mb.Restricted();
    run.Status("Building the model...");
    std::vector<double> x;
    if (!mb.Restricted()) {
        if (!SolveExact(run, L, mb, x))
            return std::move(plan);
    } else {
        SolveNearServers(run, L, mb, x);
    }
    TakeChanges(run, L, mb, x);
    if (plan.cancelled || run.CancelAsked()) {
        // Stopped: the changes found so far, unchecked.
        plan.cancelled = true;
        plan.optimal = false;
        plan.after = plan.before;
        return std::move(plan);
    }
    if (!CheckPlan(run))
        return std::move(plan);
    if (!plan.optimal)
        plan.bound = std::max(plan.bound, ChangesLowerBound(run, L));
    run.Status("");
    return std::move(plan);
}

std::string ReplicaPlanProgram(ReplicaPlanInput& input, const ReplicaPlanOptions& options) {
    input.design.EnsureAllSubRefs();
    const Layout L = ReadLayout(input.design);
    ModelBuilder mb(L, input.settings, options);
    const double pairs =
        static_cast<double>(L.partitions.size()) * static_cast<double>(L.servers.size());
    mb.ChooseCandidates(pairs <= kExactPairs);
    if (mb.Restricted())
        mb.Build(1e5, 1000, 20, 1);
    else
        mb.Build(2.0 * pairs + 4, 1, 0, 0);
    return MipToLpFormat(mb.Problem());
}

ReplicaPlan PlanReplicaLayout(TreeDesign& design, const WarningSettings& settings,
                              const ReplicaPlanOptions& options) {
    std::unique_ptr<ReplicaPlanInput> input = PrepareReplicaPlan(design, settings);
    return SolveReplicaPlan(*input, options);
}

std::optional<std::string> ApplyReplicaChanges(TreeDesign& design,
                                               const std::vector<ReplicaChange>& changes) {
    if (changes.empty())
        return std::nullopt;
    std::vector<ScriptLine> lines;
    for (const ReplicaChange& c : changes)
        lines.push_back(ScriptLine{static_cast<int>(lines.size()) + 1, c.Args()});
    std::optional<ScriptError> bad;
    {
        DesignChange step(design, "Plan Replica Layout", kTouchReplicas);
        bad = RunEditScript(design, lines, nullptr);
        step.Refresh();
        step.Commit();
    }
    if (bad) {
        design.History().Undo(design);
        return "Change " + std::to_string(bad->line) + " was refused: " + bad->message;
    }
    return std::nullopt;
}

} // namespace qv
