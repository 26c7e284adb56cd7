// The arguments shared by the commands that change an existing design:
// DESIGN.qvd SECOND [-o OUT.qvd].
#pragma once

#include "cli/cli.h"

#include <functional>
#include <optional>
#include <string>

namespace qv::cli {

// Opens DESIGN as Open does, applies the change with the second file, and
// writes the result to OUT (or DESIGN) as Save As does. Nothing is written
// when the design cannot be opened or the change fails.
inline int ChangeDesign(const Command& command, const CommandArguments& args,
                        const std::function<bool(Session&, const std::string& input)>& change) {
    CommandArgs a(command, args);
    const std::optional<std::string> out = a.Value("-o", "--output");
    if (!a.Expect(2, "expects a design and one more file"))
        return kExitUsage;
    return WithDesign(a[0], DesignUse::Edit, [&](Session& s) {
        return change(s, a[1]) ? WriteDesign(s, out.value_or(a[0])) : kExitFailed;
    });
}

} // namespace qv::cli
