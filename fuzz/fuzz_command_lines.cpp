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
    void Run(const std::string&, const std::vector<std::string>&, const std::string& output,
             const qv::utilities::InterpreterState& state) override {
        if (!output.empty() && !qv::utilities::PlainFileName(output))
            std::abort();
        if (state.directory.empty() || state.directory.front() != '\\' ||
            (state.directory + "\\").find("\\..\\") != std::string::npos)
            std::abort();
    }
    std::optional<std::vector<std::string>> ReadBatch(const std::string& name) override {
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
        std::size_t start = eol + 1;
        while (start <= text.size() && host.batch.size() < 1000) {
            std::size_t next = text.find('\n', start);
            host.batch.push_back(text.substr(start, next - start));
            if (next == std::string::npos)
                break;
            start = next + 1;
        }
    }
    qv::utilities::RunCommandLine(line, host);
    return 0;
}
