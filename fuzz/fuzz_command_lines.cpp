// The command interpreter: any command line, and any batch file it names,
// must be split, refused or run (here: recorded) without a fault, and no
// output file it accepts may leave the current folder.
#include "utilities/interpreter.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class Host final : public qv::utilities::InterpreterHost {
public:
    std::vector<std::string> batch;
    std::optional<std::string> FindUtility(std::string_view name) override {
        if (name.empty())
            return std::nullopt;
        return std::string("/u/") + std::string(name);
    }
    bool Run(const std::string&, const std::vector<std::string>&, const std::string& output,
             const qv::utilities::InterpreterState& state) override {
        if (!output.empty() && !qv::utilities::PlainFileName(output))
            std::abort();
        if (state.directory.empty() || state.directory.front() != '\\' ||
            (state.directory + "\\").find("\\..\\") != std::string::npos)
            std::abort();
        return true;
    }
    qv::Result<std::vector<std::string>> ReadBatch(const std::string& name) override {
        if (!qv::utilities::PlainFileName(name))
            std::abort();
        return batch;
    }
    void LogError(const std::string&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // The first line is the command line, the rest the batch file's lines.
    Host host;
    std::size_t eol = text.find('\n');
    const std::string line = text.substr(0, eol);
    if (eol != std::string::npos) {
        // The batch file's text, split as the interpreter splits a file it
        // reads: any line ends, refused past the line limit.
        qv::Result<std::vector<std::string>> lines =
            qv::utilities::SplitBatchText(text.substr(eol + 1));
        if (lines.ok() != lines.error().empty())
            std::abort();
        if (lines) {
            if (lines->size() > qv::utilities::kMaxBatchLines)
                std::abort();
            for (const std::string& l : *lines)
                if (l.find_first_of("\r\n") != std::string::npos)
                    std::abort();
            host.batch = std::move(*lines);
        }
    }
    qv::utilities::RunCommandLine(line, host);
    return 0;
}
