// quorvane-cli save-as IN.qvd OUT.qvd: Open, then Save As.
#include "cli/cli.h"

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    CommandArgs a(self, args);
    if (!a.Expect(2, "expects an input and an output file"))
        return kExitUsage;
    return WithDesign(a[0], DesignUse::Plain, [&](Session& s) { return WriteDesign(s, a[1]); });
}

const Registration kRegistration(
    {"save-as", "IN.qvd OUT.qvd", "open a design as Open does and write it as Save As does",
     "Open repairs files of earlier releases; nothing else runs between the two steps.\n", Run});

} // namespace
} // namespace qv::cli
