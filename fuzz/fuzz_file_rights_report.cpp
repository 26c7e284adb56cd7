// Fuzzes the reader of RIGHTS reports: no crash or hang; a report read adds
// exactly one record whose names fit, and the report window's hierarchy,
// paths and marks work on it; a refused one leaves the list as it was and
// says on which line.
#include "utilities/file_rights.h"
#include "utilities/nds_rights.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv::utilities;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    FileRightsReports reports(1);
    const qv::Result<void> parsed = ParseFileRightsReportText(text, reports);
    const bool ok = parsed.ok();
    const std::string& error = parsed.error();
    if (!ok) {
        // A failure names its line, or is the line of a directory without rights.
        if (reports.size() != 1 ||
            (error.rfind("Error on line : ", 0) != 0 && !IsNoRightsInformation(error)))
            __builtin_trap();
        return 0;
    }
    if (reports.size() != 2 || reports[1].objectName.size() > kMaxFileRightsName)
        __builtin_trap();
    const FileRightsReport& r = reports[1];
    for (const FilePathEntry& e : r.entries)
        if (e.text.size() > kMaxFileRightsName)
            __builtin_trap();
    const std::vector<std::string> chain = FileRightsHierarchy(r);
    if (chain.size() != r.entries.size())
        __builtin_trap();
    for (std::size_t depth = 0; depth < chain.size(); ++depth)
        for (int row = 0; row < 3; ++row) {
            const FileRightsMarksView v = FileRightsMarksFor(r, chain, depth, row);
            const FilePathEntry* e = FindFilePathEntry(r, FileRightsNodePath(chain, depth));
            if (v.found != (e != nullptr))
                __builtin_trap();
            for (std::size_t m = 0; e && m < 8; ++m)
                if (v.enabled[m] != (((FileRightsRowByte(*e, row) >> m) & 1) != 0))
                    __builtin_trap();
        }
    // The texts a report keeps read back the same through the letters.
    for (const FilePathEntry& e : r.entries)
        if (FileRightsByte(FileRightsText(e.effective)) != e.effective)
            __builtin_trap();
    return 0;
}
