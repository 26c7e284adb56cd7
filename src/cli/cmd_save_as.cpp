// quorvane-cli save-as IN.qvd OUT.qvd: Open, then Save As.
#include "cli/cli.h"

namespace qv::cli {
namespace {

int Run(const Command&, const CommandArguments& args) {
    return WithDesign(args[0], DesignUse::Plain,
                      [&](Session& s) { return WriteDesign(s, args[1]); });
}

const Registration kRegistration(
    {"save-as", "IN.qvd OUT.qvd", "open a design as Open does and write it as Save As does",
     "Open repairs files of earlier releases; nothing else runs between the two steps.\n", Run, 2,
     "expects an input and an output file"});

} // namespace
} // namespace qv::cli
