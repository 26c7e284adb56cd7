// quorvane-cli merge DESIGN.qvd OTHER.qvd [-o OUT.qvd]: Merge Trees, the
// confirmation answered Yes.
#include "cli/cli.h"
#include "cli/import_args.h"

#include "files/merge_trees.h"

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    return ChangeDesign(self, args, [](Session& s, const std::string& other) {
        MergeOutcome outcome;
        if (MergeDesignFile(s.design, other, &outcome))
            return true;
        if (outcome.errorCount > 0)
            PrintLines(
                outcome.errorReport); // a failed write is reported; the exit status is 1 anyway
        return false;
    });
}

const Registration
    kRegistration({"merge", "DESIGN.qvd OTHER.qvd [-o OUT.qvd]",
                   "merge a second design into a design and write it (to OUT or DESIGN)",
                   "Merges as Merge Trees does, the confirmation answered Yes. When conflicts are\n"
                   "found the lines of the error report are printed on stdout, the message on\n"
                   "stderr, and nothing is written (exit status 1).\n",
                   Run});

} // namespace
} // namespace qv::cli
