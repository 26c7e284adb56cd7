// Fuzzes the line splitting of the file access (SplitLines, ReadTextLines,
// ReadFirstLine): any bytes split into lines without line ends, every CR, LF
// and CR LF ending one line, and the file readers agree with the splitting.
#include "files/file_access.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// The text with every line end as one LF, and the trailing ones dropped.
std::string Normalized(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

const std::string& ScratchFile() {
    static const std::string path = [] {
        char name[] = "/tmp/qv-fuzz-lines.XXXXXX";
        int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = qv::SplitLines(text);
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find_first_of("\r\n") != std::string::npos)
            __builtin_trap();
        joined += (i ? "\n" : "") + lines[i];
    }
    if (joined != Normalized(text))
        __builtin_trap();

    // The input as a file (written plainly: a synced save per input would
    // leave the fuzzer a few runs a second).
    {
        int fd = open(ScratchFile().c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0)
            return 0;
        const bool whole = write(fd, text.data(), text.size()) == static_cast<ssize_t>(size);
        close(fd);
        if (!whole)
            return 0;
    }
    const std::size_t maxLines = size > 0 ? data[0] % 8 : 0;
    const qv::Result<std::vector<std::string>> read =
        qv::ReadTextLines(ScratchFile(), 1 << 20, maxLines);
    if (read.ok() != (lines.size() <= maxLines) || (read && *read != lines))
        __builtin_trap();
    const qv::Result<std::string> first = qv::ReadFirstLine(ScratchFile(), 1 << 20);
    if (!first || *first != text.substr(0, text.find_first_of("\r\n")))
        __builtin_trap();
    return 0;
}
