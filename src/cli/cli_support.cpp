#include "cli/cli.h"

#include "files/design_file.h"

#include <charconv>
#include <iostream>

namespace qv::cli {

namespace {
std::vector<Command>& Registry() {
    static std::vector<Command> commands;
    return commands;
}
} // namespace

const std::vector<Command>& Commands() {
    return Registry();
}

Registration::Registration(const Command& command) {
    Registry().push_back(command);
}

void PrintCommandHelp(const Command& c) {
    std::cout << "Usage: quorvane-cli " << c.name << " " << c.synopsis << "\n\n"
              << c.summary << "\n";
    if (c.details && *c.details)
        std::cout << "\n" << c.details;
}

int UsageError(const Command& c, const std::string& message) {
    std::cerr << "quorvane-cli " << c.name << ": " << message << "\n"
              << "Usage: quorvane-cli " << c.name << " " << c.synopsis << "\n"
              << "Try 'quorvane-cli " << c.name << " --help' for more information.\n";
    return kExitUsage;
}

bool WantsHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--help" || a == "-h")
            return true;
    return false;
}

void PrintBox(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    std::cerr << out << "\n" << std::flush;
}

void TerminalInteraction::Message(std::string_view text) {
    ++boxesShown;
    PrintBox(text);
}
void TerminalInteraction::Information(std::string_view text) {
    ++boxesShown;
    PrintBox(text);
}
void TerminalInteraction::Warning(std::string_view text) {
    ++boxesShown;
    PrintBox(text);
}
void TerminalInteraction::Error(std::string_view text) {
    ++boxesShown;
    PrintBox(text);
}
bool TerminalInteraction::AskYesNo(std::string_view text) {
    PrintBox(text);
    return answer;
}
std::optional<std::string> TerminalInteraction::ChooseOpenFile(const FileDialogRequest&) {
    return openPath;
}
std::optional<std::string> TerminalInteraction::ChooseSaveFile(const FileDialogRequest&) {
    return savePath;
}

bool Session::Open(const std::string& path) {
    return OpenDesign(design, path);
}

bool Session::SaveAs(const std::string& path) {
    ui.savePath = path;
    return SaveDesignAs(design);
}

std::optional<long long> ParseNumber(const std::string& text) {
    long long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (ec != std::errc() || p != end || text.empty())
        return std::nullopt;
    return v;
}

std::string ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (char ch : latin1) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace qv::cli
