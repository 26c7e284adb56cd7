#include "utilities/interpreter.h"

#include "core/ascii_text.h"
#include "files/file_access.h"
#include "files/import_support.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::utilities {

namespace {

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t' || s[b] == '\r' || s[b] == '\n'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r' || s[e - 1] == '\n'))
        --e;
    return std::string(s.substr(b, e - b));
}

bool EndsWithNoCase(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() &&
           UpperAscii(s.substr(s.size() - tail.size())) == UpperAscii(tail);
}

// "\A\B" joined with a CD argument: absolute when it starts with "\",
// otherwise below the current directory. False for ".." or "/" in it.
bool ChangeDirectory(std::string& directory, std::string_view arg) {
    std::string path(arg);
    if (path.find('/') != std::string::npos)
        return false;
    std::string joined = !path.empty() && path.front() == '\\'
                             ? path
                             : (directory == "\\" ? "\\" : directory + "\\") + path;
    std::string out = "\\";
    std::size_t i = 0;
    while (i < joined.size()) {
        std::size_t j = joined.find('\\', i);
        if (j == std::string::npos)
            j = joined.size();
        std::string_view part(joined.data() + i, j - i);
        if (part == "..")
            return false;
        if (!part.empty() && part != ".") {
            if (out.size() > 1)
                out += '\\';
            out.append(part);
        }
        i = j + 1;
    }
    directory = out;
    return true;
}

} // namespace

bool PlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
            return false;
    return name.find("..") == std::string_view::npos;
}

CommandWords SplitCommand(std::string_view line) {
    CommandWords out;
    std::string word;
    bool inWord = false, quoted = false, redirecting = false, redirected = false;
    auto finish = [&] {
        if (!inWord)
            return;
        if (redirecting) {
            out.outputFile = word;
            redirecting = false;
            redirected = true;
        } else if (redirected) {
            out.error = "Text after the output file: " + word;
        } else {
            out.words.push_back(word);
        }
        word.clear();
        inWord = false;
    };
    for (char c : line) {
        if (quoted) {
            if (c == '"')
                quoted = false;
            else
                word.push_back(c);
            continue;
        }
        switch (c) {
        case '"':
            quoted = true;
            inWord = true;
            break;
        case ' ':
        case '\t':
        case '\r':
        case '\n':
            finish();
            break;
        case '>':
            finish();
            if (redirecting || redirected)
                out.error = "Only one output file may be named.";
            redirecting = true;
            break;
        case '|':
        case '<':
            out.error = std::string("Pipes and input files are not allowed: ") + c;
            break;
        default:
            word.push_back(c);
            inWord = true;
        }
    }
    if (quoted)
        out.error = "A quoted word is not closed.";
    finish();
    if (out.error.empty() && redirecting)
        out.error = "No output file after \">\".";
    if (out.error.empty() && redirected && !PlainFileName(out.outputFile))
        out.error = "The output file must be a plain name in the current folder: " + out.outputFile;
    if (!out.error.empty()) {
        out.words.clear();
        out.outputFile.clear();
    }
    return out;
}

Result<std::vector<std::string>> SplitBatchText(std::string_view text) {
    std::vector<std::string> lines;
    LineSource source(text);
    std::string_view line;
    while (source.Next(line)) {
        if (lines.size() == kMaxBatchLines)
            return Failed("It has more than " + std::to_string(kMaxBatchLines) + " lines.");
        lines.emplace_back(line);
    }
    return lines;
}

bool CommandText(std::string_view commandLine, std::string& text) {
    std::size_t at = commandLine.find(" /C ");
    if (at == std::string_view::npos)
        at = commandLine.find(" /c ");
    if (at == std::string_view::npos)
        return false;
    text = std::string(commandLine.substr(at + 4));
    return true;
}

bool RunLine(std::string_view rawLine, InterpreterState& state, InterpreterHost& host) {
    const std::string line = Trim(rawLine);
    if (line.empty())
        return true;
    // A drive line: one letter and a colon.
    if (line.size() == 2 && line[1] == ':' && std::isalpha(static_cast<unsigned char>(line[0]))) {
        state.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
        state.directory = "\\";
        return true;
    }
    CommandWords cmd = SplitCommand(line);
    if (!cmd.error.empty()) {
        host.LogError("Refused: " + line + " (" + cmd.error + ")");
        return false;
    }
    if (cmd.words.empty())
        return true;
    const std::string name = UpperAscii(cmd.words.front());
    if (name == "REM" || name == "@ECHO" || name == "ECHO")
        return true;
    if (name == "CX") {
        if (cmd.words.size() != 2 || !cmd.outputFile.empty()) {
            host.LogError("Refused: " + line + " (CX takes one context)");
            return false;
        }
        std::string context = cmd.words[1];
        if (!context.empty() && context.front() == '.')
            context.erase(0, 1);
        if (UpperAscii(context) == "[ROOT]")
            context.clear();
        state.context = context;
        return true;
    }
    if (name == "CD") {
        if (cmd.words.size() != 2 || !cmd.outputFile.empty() ||
            !ChangeDirectory(state.directory, cmd.words[1])) {
            host.LogError("Refused: " + line + " (CD takes one folder of the drive)");
            return false;
        }
        return true;
    }
    std::optional<std::string> program = host.FindUtility(cmd.words.front());
    if (!program) {
        host.LogError("Not found: " + cmd.words.front() + " (not on the utility path)");
        return false;
    }
    std::vector<std::string> args(cmd.words.begin() + 1, cmd.words.end());
    return host.Run(*program, args, cmd.outputFile, state);
}

int RunCommandLine(std::string_view commandLine, InterpreterHost& host) {
    std::string text;
    if (!CommandText(commandLine, text)) {
        host.LogError("Refused: " + std::string(commandLine) + " (no /C)");
        return 1;
    }
    InterpreterState state;
    const std::string trimmed = Trim(text);
    if (EndsWithNoCase(trimmed, ".BAT") && trimmed.find_first_of(" \t\"") == std::string::npos) {
        if (!PlainFileName(trimmed)) {
            host.LogError("Refused: " + trimmed + " (a batch file of the current folder)");
            return 1;
        }
        Result<std::vector<std::string>> lines = host.ReadBatch(trimmed);
        if (!lines) {
            host.LogError("Cannot read batch file " + trimmed +
                          (lines.error().empty() ? "" : ": " + lines.error()));
            return 1;
        }
        int failed = 0;
        for (const std::string& l : *lines)
            if (!RunLine(l, state, host))
                ++failed;
        return failed;
    }
    return RunLine(trimmed, state, host) ? 0 : 1;
}

// ---- the real host ----

std::vector<std::string> DefaultUtilityFolders(const std::string& programFolder) {
    return {programFolder + "/utilities", programFolder + "/../libexec/quorvane", programFolder};
}

ProcessInterpreterHost::ProcessInterpreterHost(std::vector<std::string> utilityFolders,
                                               std::string errorLog)
    : folders_(std::move(utilityFolders)), errorLog_(std::move(errorLog)) {}

std::optional<std::string> ProcessInterpreterHost::FindUtility(std::string_view name) {
    std::string wanted = UpperAscii(name);
    if (EndsWithNoCase(wanted, ".EXE"))
        wanted.resize(wanted.size() - 4);
    if (wanted.empty() || !PlainFileName(wanted))
        return std::nullopt;
    for (const std::string& folder : folders_) {
        DIR* dir = opendir(folder.c_str());
        if (!dir)
            continue;
        std::optional<std::string> found;
        while (dirent* e = readdir(dir)) {
            if (UpperAscii(e->d_name) != wanted)
                continue;
            std::string path = folder + "/" + e->d_name;
            struct stat st {};
            if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                access(path.c_str(), X_OK) == 0) {
                found = path;
                break;
            }
        }
        closedir(dir);
        if (found)
            return found;
    }
    return std::nullopt;
}

bool ProcessInterpreterHost::Run(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& outputFile, const InterpreterState& state) {
    const std::string shown = program + (outputFile.empty() ? "" : " > " + outputFile);
    // The output file is replaced as a whole once the utility has ended; a
    // FIFO, device or folder of that name is refused before it runs.
    if (!outputFile.empty()) {
        std::string target;
        if (Result<FileIdentity> resolved = ResolveSaveTarget(outputFile, target); !resolved) {
            LogError("Cannot run " + shown + ": " + resolved.error());
            return false;
        }
    }
    int pipeFds[2] = {-1, -1};
    if (!outputFile.empty() && pipe2(pipeFds, O_CLOEXEC) != 0) {
        LogError("Cannot run " + shown + ": " + std::strerror(errno));
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        LogError("Cannot start " + program);
        if (pipeFds[0] >= 0) {
            close(pipeFds[0]);
            close(pipeFds[1]);
        }
        return false;
    }
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = outputFile.empty() ? open("/dev/null", O_WRONLY) : pipeFds[1];
        if (in < 0 || out < 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(out, 2);
        setenv("QUORVANE_CONTEXT", state.context.c_str(), 1);
        if (state.drive)
            setenv("QUORVANE_DRIVE", std::string(1, state.drive).c_str(), 1);
        else
            unsetenv("QUORVANE_DRIVE");
        setenv("QUORVANE_DIRECTORY", state.directory.c_str(), 1);
        std::vector<char*> argv;
        std::string base = program.substr(program.rfind('/') + 1);
        argv.push_back(base.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    Result<std::string> output = std::string();
    if (pipeFds[0] >= 0) {
        close(pipeFds[1]);
        output = ReadWholeDescriptor(pipeFds[0], outputFile, kMaxUtilityOutputBytes);
        close(pipeFds[0]);
        if (!output)
            kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) >= 126) {
        LogError("Cannot run " + shown);
        return false;
    }
    if (!output) {
        LogError("Cannot run " + shown + ": " + output.error());
        return false;
    }
    if (!outputFile.empty()) {
        if (Result<FileIdentity> written = ReplaceFileAtomically(outputFile, *output); !written) {
            LogError("Cannot write the output of " + shown + ": " + written.error());
            return false;
        }
    }
    return true;
}

Result<std::vector<std::string>> ProcessInterpreterHost::ReadBatch(const std::string& name) {
    Result<std::string> text = ReadWholeFile(name, kMaxBatchBytes);
    if (!text)
        return Failed(text.error());
    return SplitBatchText(*text);
}

void ProcessInterpreterHost::LogError(const std::string& text) {
    std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    // A log that is a link, a FIFO or a device is left alone: the refusal is
    // still told by the exit status.
    (void)AppendToRegularFile(errorLog_, std::string(stamp) + ' ' + text + '\n');
}

} // namespace qv::utilities
