// quorvane-cli import-versions DESIGN.qvd REPORT [-o OUT.qvd]: the DS versions
// and addresses of a DSDIAG NDS versions report, read into a design.
#include "cli/cli.h"
#include "cli/import_args.h"

#include "files/report_reader.h"

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    return ChangeDesign(self, args, [](Session& s, const std::string& report) {
        return ReadReport(s.design, report, false);
    });
}

const Registration kRegistration(
    {"import-versions", "DESIGN.qvd REPORT [-o OUT.qvd]",
     "read a DSDIAG NDS versions report into a design and write it (to OUT or DESIGN)",
     "The report is read as Import DS Version Report reads it; every message the\n"
     "import shows is printed on stderr. Nothing is written when the import fails.\n",
     Run});

} // namespace
} // namespace qv::cli
