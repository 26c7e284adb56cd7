// Fuzzes the reader of the DSRIGHTS reports (#DSR#<n>.TXT) with the rows of
// the report window built from what it read, and the DSRIGHTS stand-in over an
// arbitrary directory: its effective rights and report, which must read back.
// The first byte picks the mode; the rest is the text.
#include "utilities/dsrights_report.h"
#include "utilities/effective_rights.h"
#include "utilities/nds_rights.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace qv::utilities;

void ReadReport(std::string_view text, std::string_view context) {
    std::vector<SourceRights> sources{{"ADMIN", false, {}}, {"JSMITH", false, {}}};
    const qv::Result<void> parsed = ParseNDSRightsReportText(text, context, sources);
    const bool ok = parsed.ok();
    const std::string& error = parsed.error();
    if (ok != error.empty())
        __builtin_trap();
    // A failure names its line, or is the line of a directory without rights.
    if (!ok && error.rfind("Error on line : ", 0) != 0 && !IsNoRightsInformation(error))
        __builtin_trap();
    for (const SourceRights& s : sources) {
        if (!ok && s.hasTrustees)
            __builtin_trap();
        for (const TrusteeRights& t : s.trustees) {
            std::vector<std::string> chain{t.name, "[ROOT]"};
            (void)PathEntryForNode(t, chain);
            for (const PathEntry& p : t.paths) {
                const std::vector<std::string> rows = RightsRows(p);
                if (rows.size() != p.assignments.size() + 3)
                    __builtin_trap();
                for (std::size_t i = 0; i < rows.size() + 1; ++i)
                    (void)RowRights(p, i);
            }
            for (const PropertyRights& p : t.properties) {
                const std::vector<std::string> rows = PropertyRows(p);
                for (std::size_t i = 0; i < rows.size() + 1; ++i)
                    (void)PropertyRowRights(p, i);
            }
        }
    }
    (void)ResolveName(text.substr(0, 40), context);
}

void Directory(std::string_view text) {
    qv::nds::DirectoryEntries dir;
    if (dir.LoadLdif(text) != qv::nds::kOk || dir.Size() == 0)
        return;
    const std::size_t n = std::min<std::size_t>(dir.Size(), 6);
    for (std::size_t a = 0; a < n; ++a)
        for (std::size_t b = 0; b < n; ++b) {
            EffectiveRights r = ComputeEffectiveRights(dir, static_cast<std::int32_t>(a),
                                                       static_cast<std::int32_t>(b));
            for (const LevelRights& l : r.levels)
                if ((l.effective.object & ~kAllObjectRights) ||
                    (l.effective.property & ~kAllPropertyRights))
                    __builtin_trap();
            const std::string context =
                dir.At(a).parent >= 0 ? dir.At(static_cast<std::size_t>(dir.At(a).parent)).fullName
                                      : std::string();
            const std::string report = FormatDsRightsReport(dir, r, "X", context);
            std::vector<SourceRights> sources{{"X", false, {}}};
            (void)ParseNDSRightsReportText(report, context, sources);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        ReadReport(text, "SALES.CORP");
        break;
    case 1:
        ReadReport(text, "");
        break;
    default:
        Directory(text);
        break;
    }
    return 0;
}
