// quorvane-cli import-versions DESIGN.qvd REPORT [-o OUT.qvd]: the DS versions
// and addresses of a DSDIAG NDS versions report, read into a design.
#include "cli/cli.h"
#include "cli/import_args.h"

#include "files/report_reader.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "import-versions", "DESIGN.qvd REPORT [-o OUT.qvd]",
    "read a DSDIAG NDS versions report into a design and write it (to OUT or DESIGN)",
    "The report is read as Import DS Version Report reads it; every message the\n"
    "import shows is printed on stderr. Nothing is written when the import fails.\n",
    Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    return ChangeDesign(kCommand, args, [](Session& s, const std::string& report) {
        return ReadReport(s.design, report, false);
    });
}

} // namespace
} // namespace qv::cli
