// quorvane-cli new OUT.qvd: the design that File > New gives, written to OUT.
#include "cli/cli.h"

#include "files/design_file.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{"new", "OUT.qvd", "write the design that File > New gives (UNTITLED1)", "",
                       Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    if (args.size() != 1)
        return UsageError(kCommand, "expects exactly one file");
    Session s;
    NewDesign(s.design, 1);
    return s.SaveAs(args[0]) ? kExitOk : kExitFailed;
}

} // namespace
} // namespace qv::cli
