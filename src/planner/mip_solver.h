// A mixed-integer program in plain arrays and its solution by COIN-OR CBC.
// The planner builds the program; nothing here knows about designs.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qv {

struct MipProblem {
    struct Row {
        std::vector<std::pair<int, double>> terms;
        double lo;
        double up;
    };
    std::vector<double> lo, up, cost;
    std::vector<bool> integer;
    std::vector<Row> rows;

    int AddColumn(double l, double u, double c, bool isInteger) {
        lo.push_back(l);
        up.push_back(u);
        cost.push_back(c);
        integer.push_back(isInteger);
        return static_cast<int>(lo.size()) - 1;
    }
    void AddRow(std::vector<std::pair<int, double>> terms, double l, double u) {
        rows.push_back(Row{std::move(terms), l, u});
    }
    std::size_t Columns() const { return lo.size(); }
};

inline constexpr double kMipInfinity = 1e30;

enum class MipStatus {
    Optimal,   // proven optimal
    Feasible,  // a solution, not proven optimal (time limit or cancel)
    NoSolution // none found in time (or cancelled before one)
};

struct MipResult {
    MipStatus status = MipStatus::NoSolution;
    std::vector<double> values;
    double objective = 0;
    double bound = 0; // the solver's best bound (a lower bound of the minimum)
    bool cancelled = false;
    bool timedOut = false;
};

struct MipOptions {
    double timeLimitSeconds = 60; // wall-clock time
    // Stop once the solution is within this fraction of the bound (0: proven optimal).
    double relativeGap = 0;
    // Polled by the solver at its events; set it to stop early.
    const std::atomic<bool>* cancel = nullptr;
    // A feasible start solution (one value per column), or empty.
    std::vector<double> start;
};

// Minimizes cost over the program's columns.
MipResult SolveMip(const MipProblem& problem, const MipOptions& options);

// The program in CPLEX LP format (for comparing solvers by hand).
std::string MipToLpFormat(const MipProblem& problem);

} // namespace qv
