// quorvane-cli generate: a deterministic synthetic design, as a design file
// or as a directory in Quorvane's schema (LDIF).
#include "cli/cli.h"

#include "core/synthetic_design.h"
#include "files/file_access.h"
#include "netware/directory_export.h"

#include <iostream>
#include <sstream>

namespace qv::cli {
namespace {

int Run(const Command& self, const CommandArguments& args) {
    SyntheticOptions o;
    std::string out, ldif, tree = "GEN_TREE", from;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--ldif" || a == "--tree" || a == "--from") {
            if (i + 1 >= args.size())
                return UsageError(self, a + " needs a value");
            (a == "--ldif" ? ldif : a == "--tree" ? tree : from) = args[++i];
        } else if (a.rfind("--", 0) == 0) {
            if (a != "--containers" && a != "--servers" && a != "--partitions" && a != "--leaves" &&
                a != "--seed")
                return UsageError(self, "unknown option '" + a + "'");
            if (i + 1 >= args.size())
                return UsageError(self, a + " needs a value");
            std::optional<long long> v = ParseNumber(args[++i]);
            if (!v || *v < 0)
                return UsageError(self, a + " needs a whole number, not '" + args[i] + "'");
            constexpr long long kMaxCount = 100000000;
            if (a != "--seed" && *v > kMaxCount)
                return UsageError(self, a + " is limited to " + std::to_string(kMaxCount));
            if (a == "--containers")
                o.containers = static_cast<int>(*v);
            else if (a == "--servers")
                o.servers = static_cast<int>(*v);
            else if (a == "--partitions")
                o.partitions = static_cast<int>(*v);
            else if (a == "--leaves")
                o.leaves = *v;
            else
                o.seed = static_cast<std::uint64_t>(*v);
        } else if (out.empty()) {
            out = a;
        } else {
            return UsageError(self, "expects one output file");
        }
    }
    if (out.empty() == ldif.empty())
        return UsageError(self, "expects one output: OUT.qvd or --ldif OUT.ldif");
    if (!from.empty() && ldif.empty())
        return UsageError(self, "--from goes with --ldif");
    if (tree.empty() || tree.size() > 32)
        return UsageError(self, "a tree name has 1 to 32 characters");
    Session s;
    if (!from.empty()) {
        if (!s.Open(from))
            return kExitFailed;
    } else {
        GenerateSyntheticDesign(s.design, o);
    }
    if (!ldif.empty()) {
        // Made in memory, then written as every file is: the old file stays
        // whole when the disk is full, a FIFO or folder is refused.
        std::ostringstream text;
        if (!ConfirmSaveTarget(s.ui, ldif))
            return kExitFailed;
        if (!nds::WriteDesignLdif(s.design, tree, text)) {
            std::cerr << "quorvane-cli generate: cannot write " << ldif << "\n";
            return kExitFailed;
        }
        if (Result<FileIdentity> written = ReplaceFileAtomically(ldif, text.view()); !written) {
            PrintBox(written.error());
            return kExitFailed;
        }
        return kExitOk;
    }
    s.design.designFileName = "UNTITLED1.qvd";
    return s.SaveAs(out) ? kExitOk : kExitFailed;
}

const Registration
    kRegistration({"generate",
                   "[--containers N] [--servers N] [--partitions N] [--leaves N] [--seed N] "
                   "(OUT.qvd | --ldif OUT.ldif [--tree NAME] [--from DESIGN.qvd])",
                   "write a deterministic synthetic design for benchmarks and tests",
                   "Defaults: 200 containers, 20 servers, 20 partitions, 5000 leaves, seed 1.\n"
                   "Every partition root is a container, every partition has one master, every\n"
                   "server holds 1 to 10 readable replicas; the partitions are limited to ten per\n"
                   "server. A few containers hold tens of thousands of leaves when there are\n"
                   "enough of them. The same arguments always give the same file.\n"
                   "--ldif writes the design instead as a directory in Quorvane's schema\n"
                   "(data/quorvane.schema) for slapadd -q or an ldif: tree connection: the tree\n"
                   "root cn=NAME (--tree, default GEN_TREE) first, then parents before children;\n"
                   "partition roots with their replicas, servers with addresses and revisions.\n"
                   "--from takes the design of a design file instead of a synthetic one.\n",
                   Run});

} // namespace
} // namespace qv::cli
