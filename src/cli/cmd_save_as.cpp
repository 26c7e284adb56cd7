// quorvane-cli save-as IN.qvd OUT.qvd: Open, then Save As.
#include "cli/cli.h"

namespace qv::cli {
namespace {

int Run(const std::vector<std::string>& args);

const Command kCommand{
    "save-as", "IN.qvd OUT.qvd", "open a design as Open does and write it as Save As does",
    "Open repairs files of earlier releases; nothing else runs between the two steps.\n", Run};
const Registration kRegistration(kCommand);

int Run(const std::vector<std::string>& args) {
    if (args.size() != 2)
        return UsageError(kCommand, "expects an input and an output file");
    Session s;
    if (!s.Open(args[0]))
        return kExitFailed;
    return s.SaveAs(args[1]) ? kExitOk : kExitFailed;
}

} // namespace
} // namespace qv::cli
