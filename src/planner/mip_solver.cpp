#include "planner/mip_solver.h"

#include <CbcEventHandler.hpp>
#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <ClpEventHandler.hpp>
#include <ClpSimplex.hpp>
#include <CoinPackedMatrix.hpp>
#include <OsiClpSolverInterface.hpp>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace qv {

namespace {

// Stops the branch and bound at its next event once the flag is set. The
// solver copies its model (and this handler with it) while it works, so the
// flag is shared through a pointer.
class CancelHandler final : public CbcEventHandler {
public:
    explicit CancelHandler(const std::atomic<bool>* cancel) : cancel_(cancel) {}
    CbcAction event(CbcEvent) override { return cancel_ && cancel_->load() ? stop : noAction; }
    CbcEventHandler* clone() const override { return new CancelHandler(*this); }

private:
    const std::atomic<bool>* cancel_;
};

// The same for the simplex iterations of the relaxations.
class LpCancelHandler final : public ClpEventHandler {
public:
    explicit LpCancelHandler(const std::atomic<bool>* cancel) : cancel_(cancel) {}
    int event(Event e) override {
        return e == endOfIteration && cancel_ && cancel_->load() ? 5 : -1;
    }
    ClpEventHandler* clone() const override { return new LpCancelHandler(*this); }

private:
    const std::atomic<bool>* cancel_;
};

std::string ColumnName(std::size_t i) {
    return "x" + std::to_string(i);
}

} // namespace

MipResult SolveMip(const MipProblem& p, const MipOptions& options) {
    MipResult result;
    const int n = static_cast<int>(p.Columns());
    if (n == 0) {
        result.status = MipStatus::Optimal;
        return result;
    }
    // Row by row in one piece: appending rows one at a time regrows the matrix.
    std::vector<double> rowLo, rowUp, elements;
    std::vector<int> indices, lengths;
    std::vector<CoinBigIndex> starts;
    rowLo.reserve(p.rows.size());
    rowUp.reserve(p.rows.size());
    starts.reserve(p.rows.size() + 1);
    for (const MipProblem::Row& r : p.rows) {
        starts.push_back(static_cast<CoinBigIndex>(elements.size()));
        lengths.push_back(static_cast<int>(r.terms.size()));
        for (const auto& [c, v] : r.terms) {
            indices.push_back(c);
            elements.push_back(v);
        }
        rowLo.push_back(r.lo <= -kMipInfinity ? -COIN_DBL_MAX : r.lo);
        rowUp.push_back(r.up >= kMipInfinity ? COIN_DBL_MAX : r.up);
    }
    starts.push_back(static_cast<CoinBigIndex>(elements.size()));
    CoinPackedMatrix matrix(false, n, static_cast<int>(p.rows.size()),
                            static_cast<CoinBigIndex>(elements.size()), elements.data(),
                            indices.data(), starts.data(), lengths.data());
    OsiClpSolverInterface solver;
    solver.messageHandler()->setLogLevel(0);
    solver.loadProblem(matrix, p.lo.data(), p.up.data(), p.cost.data(), rowLo.data(), rowUp.data());
    for (int i = 0; i < n; ++i)
        if (p.integer[static_cast<std::size_t>(i)])
            solver.setInteger(i);
    const bool withStart = options.start.size() == p.Columns();
    if (withStart)
        for (int i = 0; i < n; ++i)
            solver.setColName(i, ColumnName(static_cast<std::size_t>(i)));

    LpCancelHandler lpHandler(options.cancel);
    solver.getModelPtr()->passInEventHandler(&lpHandler);
    CbcModel model(solver);
    model.messageHandler()->setLogLevel(0);
    CancelHandler handler(options.cancel);
    model.passInEventHandler(&handler);
    if (withStart) {
        std::vector<std::pair<std::string, double>> start;
        start.reserve(p.Columns());
        for (std::size_t i = 0; i < p.Columns(); ++i)
            start.emplace_back(ColumnName(i), options.start[i]);
        model.setMIPStart(start);
    }
    CbcSolverUsefulData data;
    CbcMain0(model, data);
    data.noPrinting_ = true;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", std::max(0.05, options.timeLimitSeconds));
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.4f", std::max(0.0, options.relativeGap));
    // Wall-clock time; no "idiot" crash, whose passes cannot be stopped.
    const char* argv[] = {"planner", "-log",   "0",   "-slog",  "0", "-timeMode", "elapsed", "-sec",
                          seconds,   "-ratio", ratio, "-idiot", "0", "-solve",    "-quit"};
    CbcMain1(
        static_cast<int>(sizeof argv / sizeof argv[0]), argv, model,
        [](CbcModel*, int) { return 0; }, data);

    result.cancelled = options.cancel && options.cancel->load();
    result.timedOut = model.isSecondsLimitReached();
    result.bound = model.getBestPossibleObjValue();
    if (model.bestSolution()) {
        result.values.assign(model.bestSolution(), model.bestSolution() + n);
        for (double& v : result.values)
            if (std::fabs(v - std::round(v)) < 1e-6)
                v = std::round(v);
        result.objective = model.getObjValue();
        result.status = model.isProvenOptimal() && !result.cancelled && !result.timedOut
                            ? MipStatus::Optimal
                            : MipStatus::Feasible;
        if (result.status == MipStatus::Optimal)
            result.bound = result.objective;
    } else if (model.isProvenInfeasible()) {
        result.status = MipStatus::NoSolution;
    }
    return result;
}

std::string MipToLpFormat(const MipProblem& p) {
    std::ostringstream o;
    auto term = [&](double v, std::size_t c, bool first) {
        if (v < 0)
            o << " - " << -v << " x" << c;
        else
            o << (first ? " " : " + ") << v << " x" << c;
    };
    o << "Minimize\n obj:";
    bool first = true;
    for (std::size_t c = 0; c < p.Columns(); ++c)
        if (p.cost[c] != 0) {
            term(p.cost[c], c, first);
            first = false;
        }
    if (first)
        o << " 0 x0";
    o << "\nSubject To\n";
    std::size_t k = 0;
    for (const MipProblem::Row& r : p.rows) {
        auto body = [&] {
            bool f = true;
            for (const auto& [c, v] : r.terms) {
                term(v, static_cast<std::size_t>(c), f);
                f = false;
            }
            if (f)
                o << " 0 x0";
        };
        if (r.lo > -kMipInfinity) {
            o << " r" << k++ << ":";
            body();
            o << " >= " << r.lo << "\n";
        }
        if (r.up < kMipInfinity) {
            o << " r" << k++ << ":";
            body();
            o << " <= " << r.up << "\n";
        }
    }
    o << "Bounds\n";
    for (std::size_t c = 0; c < p.Columns(); ++c)
        o << " " << p.lo[c] << " <= x" << c << " <= " << p.up[c] << "\n";
    o << "General\n";
    for (std::size_t c = 0; c < p.Columns(); ++c)
        if (p.integer[c])
            o << " x" << c << "\n";
    o << "End\n";
    return o.str();
}

} // namespace qv
