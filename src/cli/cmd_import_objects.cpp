// quorvane-cli import-objects DESIGN.qvd REPORT [-o OUT.qvd]: the objects of an
// NLIST * /S report, added to a design.
#include "cli/cli.h"
#include "cli/import_args.h"

#include "files/object_report.h"

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    return ChangeDesign(self, args, [](Session& s, const std::string& report) {
        return ReadObjectReport(s.design, report);
    });
}

const Registration kRegistration(
    {"import-objects", "DESIGN.qvd REPORT [-o OUT.qvd]",
     "add the objects of an NLIST * /S report to a design and write it (to OUT or DESIGN)",
     "The report is read as Import Object Report reads it; every message the import\n"
     "shows is printed on stderr. Nothing is written when the import fails.\n",
     Run});

} // namespace
} // namespace qv::cli
