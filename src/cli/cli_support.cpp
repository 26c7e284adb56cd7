#include "cli/cli.h"

#include "files/design_file.h"
#include "reports/analysis_pages.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
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

std::string RepeatedOption(const Command& command, const std::vector<std::string>& args) {
    // The options of the synopsis, and whether each may be repeated: its
    // bracket group ends "]..." or its value does ("--leaf L...").
    const std::string_view synopsis = command.synopsis;
    std::vector<std::pair<std::string, bool>> options;
    for (std::size_t i = 0; i < synopsis.size(); ++i) {
        const bool start = synopsis[i] == '-' && (i == 0 || synopsis[i - 1] == ' ' ||
                                                  synopsis[i - 1] == '[' || synopsis[i - 1] == '|');
        if (!start)
            continue;
        std::size_t end = i;
        while (end < synopsis.size() && synopsis[end] != ' ' && synopsis[end] != ']' &&
               synopsis[end] != '|')
            ++end;
        const std::string name(synopsis.substr(i, end - i));
        // The rest of the option's own words: up to the next option or the
        // end of its bracket group.
        std::size_t stop = end;
        while (stop < synopsis.size() && synopsis[stop] != ']' && synopsis[stop] != '[' &&
               !(synopsis[stop] == '-' && synopsis[stop - 1] == ' '))
            ++stop;
        std::string_view words = synopsis.substr(end, stop - end);
        while (!words.empty() && words.back() == ' ')
            words.remove_suffix(1);
        const bool repeated = (words.size() >= 3 && words.substr(words.size() - 3) == "...") ||
                              synopsis.substr(stop, 4) == "]...";
        if (name.size() > 1)
            options.emplace_back(name, repeated);
        i = end;
    }
    for (const auto& [name, repeated] : options) {
        if (repeated)
            continue;
        if (std::count(args.begin(), args.end(), name) > 1)
            return name;
    }
    return {};
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

void TerminalInteraction::Show(std::string_view text) {
    ++boxesShown;
    PrintBox(text);
}
bool TerminalInteraction::AskYesNo(std::string_view text) {
    PrintBox(text);
    // Another program's save and a file the user may not write are never
    // replaced from the command line: the command fails instead (nothing is
    // written).
    if (text.substr(0, kFileChangedQuestionStart.size()) == kFileChangedQuestionStart ||
        text.substr(0, kReadOnlyQuestionStart.size()) == kReadOnlyQuestionStart)
        return false;
    return answer;
}
std::optional<std::string> TerminalInteraction::ChooseOpenFile(const FileDialogRequest&) {
    return openPath;
}
std::optional<std::string> TerminalInteraction::ChooseSaveFile(const FileDialogRequest&) {
    return savePath;
}

bool Session::Open(const std::string& path, bool lock) {
    return OpenDesign(design, path, lock);
}

bool Session::SaveAs(const std::string& path) {
    ui.savePath = path;
    return SaveDesignAs(design);
}

CommandArgs::CommandArgs(const Command& command, const CommandArguments& args)
    : command_(command), rest_(args) {}

int CommandArgs::Usage(const std::string& message) {
    if (ok_)
        UsageError(command_, message);
    ok_ = false;
    return kExitUsage;
}

bool CommandArgs::Flag(std::string_view name) {
    auto it = std::find(rest_.begin(), rest_.end(), name);
    if (it == rest_.end())
        return false;
    rest_.erase(it);
    if (std::find(rest_.begin(), rest_.end(), name) != rest_.end()) {
        Usage(std::string(name) + " given twice");
        rest_.erase(std::remove(rest_.begin(), rest_.end(), name), rest_.end());
    }
    return true;
}

std::optional<std::string> CommandArgs::Value(std::string_view name, std::string_view alias) {
    std::vector<std::string> all = Values(name);
    if (!alias.empty()) {
        std::vector<std::string> more = Values(alias);
        all.insert(all.end(), more.begin(), more.end());
    }
    if (all.size() > 1) {
        Usage(std::string(name) + " given twice");
        return std::nullopt;
    }
    if (all.empty())
        return std::nullopt;
    return all.front();
}

std::vector<std::string> CommandArgs::Values(std::string_view name) {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < rest_.size();) {
        if (rest_[i] != name) {
            ++i;
            continue;
        }
        if (i + 1 >= rest_.size()) {
            Usage(std::string(name) + " needs a value");
            rest_.erase(rest_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
        values.push_back(rest_[i + 1]);
        rest_.erase(rest_.begin() + static_cast<std::ptrdiff_t>(i),
                    rest_.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    }
    return values;
}

bool CommandArgs::ExpectBetween(std::size_t min, std::size_t max, const std::string& what) {
    if (!ok_)
        return false;
    plain_.clear();
    for (const std::string& a : rest_) {
        if (a.size() > 1 && a[0] == '-') {
            Usage("unknown option '" + a + "'");
            return false;
        }
        plain_.push_back(a);
    }
    if (plain_.size() < min || plain_.size() > max) {
        Usage(what);
        return false;
    }
    return true;
}

bool CommandArgs::Expect(std::size_t count, const std::string& what) {
    return ExpectBetween(count, count, what);
}

int WithDesign(const std::string& path, DesignUse use, const std::function<int(Session&)>& body) {
    Session s;
    if (!s.Open(path, use == DesignUse::Edit))
        return kExitFailed;
    if (use == DesignUse::Analysis)
        BeginPageChange(s.design);
    return body(s);
}

int WriteDesign(Session& session, const std::string& path) {
    return session.SaveAs(path) ? kExitOk : kExitFailed;
}

namespace {

// The length of the valid UTF-8 sequence of two to four bytes at text[i], or 0.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i) {
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    std::size_t n = c >= 0xC2 && c <= 0xDF   ? 2
                    : c >= 0xE0 && c <= 0xEF ? 3
                    : c >= 0xF0 && c <= 0xF4 ? 4
                                             : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if ((c == 0xE0 && at(i + 1) < 0xA0) || (c == 0xED && at(i + 1) > 0x9F) ||
        (c == 0xF0 && at(i + 1) < 0x90) || (c == 0xF4 && at(i + 1) > 0x8F))
        return 0;
    return n;
}

} // namespace

std::string Visible(std::string_view text, bool keepLineBreaks) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned char c) {
        out += "\\x";
        out.push_back(kHex[c >> 4]);
        out.push_back(kHex[c & 0xF]);
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 || c == 0x7F) && !(keepLineBreaks && c == '\n')) {
            escape(c);
        } else if (c < 0x80) {
            out.push_back(text[i]);
        } else if (std::size_t n = Utf8SequenceAt(text, i)) {
            // Valid UTF-8 is text, except the C1 controls U+0080 to U+009F
            // (C2 80 to C2 9F), which a terminal obeys.
            if (c == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
                escape(c);
                escape(static_cast<unsigned char>(text[i + 1]));
            } else {
                out.append(text.substr(i, n));
            }
            i += n - 1;
        } else if (c <= 0x9F) {
            escape(c); // a C1 control as a Latin-1 byte
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

int PrintText(std::string_view text) {
    const std::string visible = Visible(text, true);
    errno = 0;
    std::cout.write(visible.data(), static_cast<std::streamsize>(visible.size()));
    std::cout.flush();
    if (!std::cout) {
        const int error = errno;
        std::cout.clear();
        std::cerr << "quorvane-cli: cannot write the output: "
                  << (error ? std::strerror(error) : "write error") << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

int PrintLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) {
        out += Visible(l);
        out.push_back('\n');
    }
    return PrintText(out);
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
