// quorvane-cli import-objects DESIGN.qvd REPORT [-o OUT.qvd]: the objects of an
// NLIST * /S report, added to a design.
#include "cli/cli.h"
#include "cli/import_args.h"

#include "files/object_report.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "import-objects", "DESIGN.qvd REPORT [-o OUT.qvd]",
    "add the objects of an NLIST * /S report to a design and write it (to OUT or DESIGN)",
    "The report is read as Import Object Report reads it; every message the import\n"
    "shows is printed on stderr. Nothing is written when the import fails.\n",
    Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    return ChangeDesign(kCommand, args, [](Session& s, const std::string& report) {
        return ReadObjectReport(s.design, report);
    });
}

} // namespace
} // namespace qv::cli
