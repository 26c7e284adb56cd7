#include "utilities/command_runner.h"

#include "core/ascii_text.h"
#include "files/file_access.h"
#include "utilities/interpreter.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv::utilities {

namespace {

std::string& StartFailure() {
    static std::string failure;
    return failure;
}

std::map<std::string, std::vector<pid_t>>& StartedGroups() {
    static std::map<std::string, std::vector<pid_t>> groups;
    return groups;
}

// True while some process of this user belongs to the process group.
bool GroupAlive(pid_t group) {
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    bool alive = false;
    while (dirent* e = readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        Result<std::string> read =
            ReadWholeFile(std::string("/proc/") + e->d_name + "/stat", 65536);
        if (!read)
            continue;
        const std::string& stat = *read;
        // pid (comm) state ppid pgrp ...: the name may hold blanks and ")".
        std::size_t close = stat.rfind(')');
        if (close == std::string::npos)
            continue;
        long ppid = 0, pgrp = 0;
        char state = 0;
        if (std::sscanf(stat.c_str() + close + 1, " %c %ld %ld", &state, &ppid, &pgrp) == 3 &&
            pgrp == group && state != 'Z') {
            alive = true;
            break;
        }
    }
    closedir(proc);
    return alive;
}

std::string& ConfiguredInterpreter() {
    static std::string path;
    return path;
}

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
}

// The first word of /proc/PID/cmdline (argv[0]) of a process of this user.
bool ReadTitle(const char* pid, uid_t uid, std::string& title) {
    std::string dir = std::string("/proc/") + pid;
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || st.st_uid != uid)
        return false;
    int fd = open((dir + "/cmdline").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    title.clear();
    char buf[512];
    bool done = false;
    while (!done) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == '\0') {
                done = true;
                break;
            }
            title.push_back(buf[i]);
        }
        if (title.size() > 4096)
            break;
    }
    close(fd);
    return !title.empty();
}

} // namespace

std::string BuildCommandLine(std::string_view marker, std::string_view text,
                             std::string_view outputFile) {
    std::string line;
    line.reserve(marker.size() + text.size() + outputFile.size() + 8);
    line.append(marker).append(" /C ").append(text);
    if (!outputFile.empty())
        line.append(" > ").append(outputFile);
    return line;
}

void SetInterpreterPath(std::string path) {
    ConfiguredInterpreter() = std::move(path);
}

std::string InterpreterPath() {
    if (!ConfiguredInterpreter().empty())
        return ConfiguredInterpreter();
    if (const char* env = std::getenv("QUORVANE_CMD"); env && *env)
        return env;
    // In the build tree the interpreter lies beside the program; installed, it
    // lies with the stand-in utilities in <prefix>/libexec/quorvane.
    const std::string folder = ProgramFolder();
    const std::string beside = folder + "/quorvane-cmd";
    if (access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + "/../libexec/quorvane/quorvane-cmd";
}

bool StartExternalCommand(std::string_view marker, std::string_view text,
                          std::string_view outputFile) {
    const std::string line = BuildCommandLine(marker, text, outputFile);
    StartFailure().clear();
    if (line.size() > kMaxCommandLine) {
        StartFailure() = "The command line is longer than " + std::to_string(kMaxCommandLine) +
                         " characters: " + line;
        return false;
    }
    const std::string program = InterpreterPath();
    // The pipe tells when the interpreter has started: its write end closes
    // on exec, so the census sees the interpreter as soon as this returns.
    int started[2];
    if (pipe2(started, O_CLOEXEC) != 0)
        return false;
    // Fork twice so that the interpreter is nobody's child here: it needs no
    // reaping and outlives the program if the user quits while it runs.
    pid_t child = fork();
    if (child < 0) {
        close(started[0]);
        close(started[1]);
        return false;
    }
    if (child == 0) {
        close(started[0]);
        if (setsid() < 0)
            _exit(127);
        pid_t grandchild = fork();
        if (grandchild != 0)
            _exit(grandchild < 0 ? 127 : 0);
        // No terminal: standard input, output and error go nowhere.
        int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
            if (null > 2)
                close(null);
        }
        // Close whatever else the program had open.
        for (int fd = 3; fd < 1024; ++fd)
            if (fd != started[1])
                close(fd);
        signal(SIGPIPE, SIG_DFL);
        char* argv[] = {const_cast<char*>(line.c_str()), nullptr};
        execv(program.c_str(), argv);
        char failed = 1;
        ssize_t ignored = write(started[1], &failed, 1);
        (void)ignored;
        _exit(127);
    }
    close(started[1]);
    char failed = 0;
    ssize_t n = 0;
    while ((n = read(started[0], &failed, 1)) < 0 && errno == EINTR) {
    }
    close(started[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool ok = n == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (ok)
        StartedGroups()[std::string(marker)].push_back(child); // the session's id
    else
        StartFailure() = "The command interpreter " + program + " could not be started.";
    return ok;
}

const std::string& LastStartFailure() {
    return StartFailure();
}

void ClearStartFailure() {
    StartFailure().clear();
}

std::string GaveUpMessage(std::string_view utility, int ticks) {
    return std::string(utility) + " has not finished after " + std::to_string(ticks) +
           " ticks of waiting.\rThe wait was given up and " + std::string(utility) + " was ended.";
}

int EndStartedCommands(std::string_view marker) {
    auto it = StartedGroups().find(std::string(marker));
    if (it == StartedGroups().end())
        return 0;
    std::vector<pid_t> groups = std::move(it->second);
    StartedGroups().erase(it);
    std::vector<pid_t> alive;
    for (pid_t g : groups)
        if (g > 1 && GroupAlive(g)) {
            kill(-g, SIGTERM);
            alive.push_back(g);
        }
    for (int i = 0; i < 40; ++i) {
        bool any = false;
        for (pid_t g : alive)
            any = any || GroupAlive(g);
        if (!any)
            return static_cast<int>(alive.size());
        usleep(50 * 1000);
    }
    for (pid_t g : alive)
        if (GroupAlive(g))
            kill(-g, SIGKILL);
    return static_cast<int>(alive.size());
}

WorkingFolderLock::~WorkingFolderLock() {
    Release();
}

bool WorkingFolderLock::Acquire(const std::string& folder) {
    Release();
    int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void WorkingFolderLock::Release() {
    if (fd_ >= 0) {
        flock(fd_, LOCK_UN);
        close(fd_);
        fd_ = -1;
    }
}

InterpreterLogWatch::InterpreterLogWatch(std::string folder)
    : path_((folder.empty() ? std::string(".") : folder) + "/" + kInterpreterLog) {}

void InterpreterLogWatch::Mark() {
    struct stat st {};
    size_ = stat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode)
                ? static_cast<std::uint64_t>(st.st_size)
                : 0;
}

std::vector<std::string> InterpreterLogWatch::NewLines() const {
    std::vector<std::string> lines;
    Result<std::string> read = ReadWholeFile(path_, std::uint64_t{16} << 20);
    if (!read || read->size() <= size_)
        return lines;
    const std::string& text = *read;
    std::size_t start = static_cast<std::size_t>(size_);
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        // "YYYY-MM-DD HH:MM:SS " in front of every line.
        if (line.size() > 20 && line[4] == '-' && line[13] == ':')
            line.erase(0, 20);
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> ProcessTitles() {
    std::vector<std::string> titles;
    DIR* proc = opendir("/proc");
    if (!proc)
        return titles;
    const uid_t uid = getuid();
    std::string title;
    while (dirent* e = readdir(proc)) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9')
            continue;
        if (ReadTitle(e->d_name, uid, title))
            titles.push_back(title);
    }
    closedir(proc);
    return titles;
}

int CountMarked(const std::vector<std::string>& titles, std::string_view marker) {
    int count = 0;
    for (const std::string& title : titles) {
        std::string_view seen(title);
        if (seen.size() > kTitleLimit)
            seen = seen.substr(0, kTitleLimit);
        if (!marker.empty() && seen.find(marker) != std::string_view::npos)
            ++count;
    }
    return count;
}

int CountCommandWindows(std::string_view marker) {
    return CountMarked(ProcessTitles(), marker);
}

int DeleteReportFiles(const std::string& folder, std::string_view prefix) {
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return 0;
    std::vector<std::string> doomed;
    while (dirent* e = readdir(dir)) {
        std::string_view name = e->d_name;
        if (!StartsWithNoCase(name, prefix))
            continue;
        std::string path = (folder.empty() ? std::string(".") : folder) + "/" + std::string(name);
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
            doomed.push_back(path);
    }
    closedir(dir);
    int count = 0;
    for (const std::string& path : doomed)
        if (unlink(path.c_str()) == 0)
            ++count;
    return count;
}

Census ProcessCensus(std::string marker) {
    return [marker = std::move(marker)] { return CountCommandWindows(marker); };
}

} // namespace qv::utilities
