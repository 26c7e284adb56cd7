// quorvane-cli new OUT.qvd: the design that File > New gives, written to OUT.
#include "cli/cli.h"

#include "files/design_file.h"

namespace qv::cli {
namespace {

int Run(const Command&, const CommandArguments& args) {
    Session s;
    NewDesign(s.design, 1);
    return WriteDesign(s, args[0]);
}

const Registration kRegistration({"new", "OUT.qvd",
                                  "write the design that File > New gives (UNTITLED1)", "", Run, 1,
                                  "expects exactly one file"});

} // namespace
} // namespace qv::cli
