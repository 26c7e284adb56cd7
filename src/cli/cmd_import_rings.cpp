// quorvane-cli import-rings REPORT OUT.qvd: a new design built from a DSDIAG
// replica ring report, written to OUT.
#include "cli/cli.h"

#include "files/design_file.h"
#include "files/report_reader.h"

namespace qv::cli {
namespace {

int Run(const Command&, const CommandArguments& args) {
    Session s;
    NewDesign(s.design, 1);
    if (!ReadReport(s.design, args[0], true))
        return kExitFailed;
    return WriteDesign(s, args[1]);
}

const Registration kRegistration(
    {"import-rings", "REPORT OUT.qvd",
     "build a new design (UNTITLED1) from a DSDIAG replica ring report and write it to OUT",
     "The report is read as Import Replica Ring Report reads it; every message the\n"
     "import shows is printed on stderr. Nothing is written when the import fails.\n",
     Run, 2, "expects a report and an output file"});

} // namespace
} // namespace qv::cli
