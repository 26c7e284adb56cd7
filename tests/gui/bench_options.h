// The large generated design of the desktop program's benchmarks: 20,000
// containers, 5,000 servers, 10,000 partitions and 1,000,000 leaf objects
// (QV_BENCH_LEAVES lowers the leaves).
#pragma once

#include "core/synthetic_design.h"

#include <QtGlobal>

namespace qv::gui::test {

inline SyntheticOptions LargeBenchOptions() {
    SyntheticOptions o;
    o.containers = 20000;
    o.servers = 5000;
    o.partitions = 10000;
    o.leaves = qEnvironmentVariableIsSet("QV_BENCH_LEAVES")
                   ? qEnvironmentVariableIntValue("QV_BENCH_LEAVES")
                   : 1000000;
    return o;
}

} // namespace qv::gui::test
