// The arguments shared by the commands that change an existing design:
// DESIGN.qvd SECOND [-o OUT.qvd].
#pragma once

#include "cli/cli.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::cli {

struct DesignAndInput {
    std::string design;
    std::string input;
    std::string out; // the design itself unless -o was given
};

// Parses the arguments; nullopt (with the usage error printed, *exitCode set) when wrong.
inline std::optional<DesignAndInput>
ParseDesignAndInput(const Command& command, const std::vector<std::string>& args, int* exitCode) {
    DesignAndInput r;
    std::vector<std::string> plain;
    std::optional<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size() || out) {
                *exitCode = UsageError(command, out ? "-o given twice" : "-o needs a file");
                return std::nullopt;
            }
            out = args[++i];
        } else {
            plain.push_back(args[i]);
        }
    }
    if (plain.size() != 2) {
        *exitCode = UsageError(command, "expects a design and one more file");
        return std::nullopt;
    }
    r.design = plain[0];
    r.input = plain[1];
    r.out = out ? *out : r.design;
    return r;
}

// Opens DESIGN as Open does, applies the change with the second file, and
// writes the result to OUT (or DESIGN) as Save As does. Nothing is written
// when the design cannot be opened or the change fails.
inline int ChangeDesign(const Command& command, const std::vector<std::string>& args,
                        const std::function<bool(Session&, const std::string& input)>& change) {
    int code = kExitUsage;
    auto parsed = ParseDesignAndInput(command, args, &code);
    if (!parsed)
        return code;
    Session s;
    if (!s.Open(parsed->design) || !change(s, parsed->input))
        return kExitFailed;
    return s.SaveAs(parsed->out) ? kExitOk : kExitFailed;
}

} // namespace qv::cli
