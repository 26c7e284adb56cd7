#include "files/file_access.h"

#include "core/host.h"
#include "files/import_support.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qv {

namespace {

std::string SystemError(int error) {
    return std::strerror(error);
}

// Why a file of this type is not read or replaced.
std::string KindReason(mode_t mode) {
    if (S_ISDIR(mode))
        return SystemError(EISDIR);
    if (S_ISFIFO(mode))
        return "It is a named pipe (FIFO), not a regular file.";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "It is a device, not a regular file.";
    if (S_ISSOCK(mode))
        return "It is a socket, not a regular file.";
    return "It is not a regular file.";
}

// Why a save target of this type is not replaced.
std::string SaveKindReason(mode_t mode) {
    return S_ISDIR(mode) ? "It is a folder, not a file." : KindReason(mode);
}

std::string OpenError(const std::string& path, const std::string& reason) {
    return "Cannot open file \"" + path + "\". " + reason;
}

std::string TooLargeReason(std::uint64_t maxBytes) {
    return "It is larger than " + SizeLimitText(maxBytes) + ", the limit for this kind of file.";
}

FileIdentity IdentityOf(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.inode = static_cast<std::uint64_t>(st.st_ino);
    id.size = static_cast<std::uint64_t>(st.st_size);
    id.mtimeSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    id.mtimeNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    id.links = static_cast<std::uint64_t>(st.st_nlink);
    return id;
}

std::string FolderOf(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    std::string::size_type slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads fd to its end into bytes; at most maxBytes (one byte more is read to
// notice a file that grew).
bool ReadAll(int fd, std::string& bytes, std::uint64_t maxBytes, int& error, bool& tooLarge) {
    char buf[1 << 16];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0)
            return true;
        if (static_cast<std::uint64_t>(bytes.size()) + static_cast<std::uint64_t>(n) > maxBytes) {
            tooLarge = true;
            return false;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
}

// ---------------------------------------------------------------- signals

// The temporary file of the save under way, removed by the signal handler.
char* volatile gPendingTemp = nullptr;
constexpr int kSaveSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemovePendingTempAndDie(int sig) {
    char* p = gPendingTemp;
    if (p)
        unlink(p);
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    raise(sig); // delivered with the default action when the handler returns
}

// While alive, a terminating signal removes the temporary file first. Signals
// that the program handles (or ignores) itself are left alone: they do not end
// the program in the middle of the save.
class PendingTempGuard {
public:
    explicit PendingTempGuard(const char* name) : copy_(name, name + std::strlen(name) + 1) {
        gPendingTemp = copy_.data();
        for (std::size_t i = 0; i < std::size(kSaveSignals); ++i) {
            struct sigaction current {};
            if (sigaction(kSaveSignals[i], nullptr, &current) != 0)
                continue;
            if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL)
                continue;
            struct sigaction ours {};
            ours.sa_handler = RemovePendingTempAndDie;
            sigemptyset(&ours.sa_mask);
            if (sigaction(kSaveSignals[i], &ours, &old_[i]) == 0)
                installed_[i] = true;
        }
    }
    ~PendingTempGuard() {
        for (std::size_t i = 0; i < std::size(kSaveSignals); ++i)
            if (installed_[i])
                sigaction(kSaveSignals[i], &old_[i], nullptr);
        gPendingTemp = nullptr;
    }
    PendingTempGuard(const PendingTempGuard&) = delete;
    PendingTempGuard& operator=(const PendingTempGuard&) = delete;

private:
    std::vector<char> copy_;
    struct sigaction old_[std::size(kSaveSignals)]{};
    bool installed_[std::size(kSaveSignals)] = {};
};

} // namespace

std::string SizeLimitText(std::uint64_t bytes) {
    if (bytes >= (std::uint64_t{1} << 30) && bytes % (std::uint64_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

std::string NotRegularFileReason(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return SystemError(errno);
    return S_ISREG(st.st_mode) ? std::string() : KindReason(st.st_mode);
}

Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
    // Look before opening: opening a FIFO blocks and opening a device may act.
    if (std::string reason = NotRegularFileReason(path); !reason.empty())
        return Failed(OpenError(path, reason));
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return Failed(OpenError(path, SystemError(errno)));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        // Replaced between the look and the open.
        std::string error =
            OpenError(path, fstat(fd, &st) != 0 ? SystemError(errno) : KindReason(st.st_mode));
        close(fd);
        return Failed(std::move(error));
    }
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        close(fd);
        return Failed(OpenError(path, TooLargeReason(maxBytes)));
    }
    std::string bytes;
    if (st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    int readError = 0;
    bool tooLarge = false;
    bool ok = ReadAll(fd, bytes, maxBytes, readError, tooLarge);
    close(fd);
    if (!ok)
        return Failed(tooLarge ? OpenError(path, TooLargeReason(maxBytes))
                               : "Read error on file \"" + path + "\". " + SystemError(readError));
    return bytes;
}

Result<std::string> ReadWholeDescriptor(int fd, const std::string& label, std::uint64_t maxBytes) {
    struct stat st {};
    if (fstat(fd, &st) == 0 && (S_ISDIR(st.st_mode)))
        return Failed(OpenError(label, KindReason(st.st_mode)));
    std::string bytes;
    int readError = 0;
    bool tooLarge = false;
    if (ReadAll(fd, bytes, maxBytes, readError, tooLarge))
        return bytes;
    return Failed(tooLarge ? OpenError(label, TooLargeReason(maxBytes))
                           : "Read error on file \"" + label + "\". " + SystemError(readError));
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    LineSource source(text);
    std::string_view line;
    while (!source.OnlyEmptyLinesLeft() && source.Next(line))
        lines.emplace_back(line);
    return lines;
}

Result<std::vector<std::string>> ReadTextLines(const std::string& path, std::uint64_t maxBytes,
                                               std::size_t maxLines) {
    Result<std::string> bytes = ReadWholeFile(path, maxBytes);
    if (!bytes)
        return Failed(bytes.error());
    std::vector<std::string> lines;
    LineSource source(*bytes);
    std::string_view line;
    while (!source.OnlyEmptyLinesLeft() && source.Next(line)) {
        if (lines.size() >= maxLines)
            return Failed(OpenError(path, "It has more than " + std::to_string(maxLines) +
                                              " lines, the limit for this kind of file."));
        lines.emplace_back(line);
    }
    return lines;
}

Result<std::string> ReadFirstLine(const std::string& path, std::uint64_t maxBytes) {
    Result<std::string> bytes = ReadWholeFile(path, maxBytes);
    if (!bytes)
        return bytes;
    std::string line = bytes->substr(0, bytes->find_first_of("\r\n"));
    std::fill(bytes->begin(), bytes->end(), '\0');
    return line;
}

Result<void> AppendToRegularFile(const std::string& path, std::string_view bytes) {
    auto fail = [&](const std::string& reason) -> Result<void> {
        return Failed("Cannot write file \"" + path + "\". " + reason);
    };
    // O_NOFOLLOW: a link is refused; O_NONBLOCK: a FIFO without a reader
    // fails at once instead of waiting for one.
    int fd =
        open(path.c_str(),
             O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int saved = errno;
        struct stat lst {};
        if (lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode))
            return fail("It is a symbolic link, not a regular file.");
        if (lstat(path.c_str(), &lst) == 0 && !S_ISREG(lst.st_mode))
            return fail(KindReason(lst.st_mode));
        return fail(SystemError(saved));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const std::string reason =
            fstat(fd, &st) != 0 ? SystemError(errno) : KindReason(st.st_mode);
        close(fd);
        return fail(reason);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = n < 0 ? errno : EIO;
            close(fd);
            return fail(SystemError(saved));
        }
        done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0)
        return fail(SystemError(errno));
    return {};
}

// ---------------------------------------------------------------- saving

Result<FileIdentity> ResolveSaveTarget(const std::string& path, std::string& target) {
    target = path;
    for (int hops = 0;; ++hops) {
        struct stat lst {};
        if (lstat(target.c_str(), &lst) != 0) {
            if (errno == ENOENT)
                return FileIdentity{}; // a new file (a missing folder fails when it is created)
            return Failed("Cannot create file \"" + path + "\". " + SystemError(errno));
        }
        if (!S_ISLNK(lst.st_mode))
            break;
        if (hops >= 40)
            return Failed("Cannot create file \"" + path + "\". " + SystemError(ELOOP));
        std::vector<char> link(static_cast<std::size_t>(lst.st_size > 0 ? lst.st_size : 255) + 2);
        ssize_t n = readlink(target.c_str(), link.data(), link.size() - 1);
        if (n < 0)
            return Failed("Cannot create file \"" + path + "\". " + SystemError(errno));
        std::string to(link.data(), static_cast<std::size_t>(n));
        target = (!to.empty() && to[0] == '/') ? to : FolderOf(target) + "/" + to;
    }
    struct stat st {};
    if (stat(target.c_str(), &st) != 0)
        return Failed("Cannot create file \"" + path + "\". " + SystemError(errno));
    if (!S_ISREG(st.st_mode))
        return Failed("Cannot create file \"" + path + "\". " + SaveKindReason(st.st_mode));
    return IdentityOf(st);
}

FileIdentity CurrentIdentity(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return FileIdentity{};
    return IdentityOf(st);
}

SaveTarget InspectSaveTarget(const std::string& path) {
    SaveTarget t;
    Result<FileIdentity> identity = ResolveSaveTarget(path, t.target);
    if (identity) {
        t.identity = *identity;
    } else {
        t.error = identity.error();
        struct stat st {};
        t.kind = stat(t.target.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? SaveTargetKind::Folder
                                                                         : SaveTargetKind::Special;
        return t;
    }
    if (!t.identity.exists) {
        t.kind = SaveTargetKind::NewFile;
        return t;
    }
    t.kind = SaveTargetKind::RegularFile;
    struct stat st {};
    if (stat(t.target.c_str(), &st) == 0) {
        // As an editor does: no write permission is read-only even for root.
        t.readOnly = access(t.target.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
    }
    return t;
}

std::string HardLinksQuestion(const std::string& path, std::uint64_t links) {
    return "The file \"" + path + "\" has " + std::to_string(links - 1) +
           " other name(s) (hard links).\rSaving replaces only this name; the other names keep "
           "the old contents.\rSave anyway?";
}

std::string ReadOnlyQuestion(const std::string& path) {
    return std::string(kReadOnlyQuestionStart) + " \"" + path +
           "\": it is read-only.\rSaving replaces it by a new file that belongs to you.\rSave "
           "anyway?";
}

bool ConfirmSaveTarget(Interaction& ui, const std::string& path, SaveTarget* out) {
    SaveTarget t = InspectSaveTarget(path);
    bool ok = true;
    if (t.kind == SaveTargetKind::Folder || t.kind == SaveTargetKind::Special) {
        ui.Error(t.error);
        ok = false;
    } else if (t.kind == SaveTargetKind::RegularFile) {
        ok = (!t.readOnly || ui.AskYesNo(ReadOnlyQuestion(path))) &&
             (t.identity.links <= 1 || ui.AskYesNo(HardLinksQuestion(path, t.identity.links)));
    }
    if (out)
        *out = std::move(t);
    return ok;
}

bool SaveFile(Interaction& ui, const std::string& path, std::string_view bytes,
              FileIdentity* written) {
    if (!ConfirmSaveTarget(ui, path))
        return false;
    Result<FileIdentity> replaced = ReplaceFileAtomically(path, bytes);
    if (!replaced) {
        ui.Error(replaced.error());
        return false;
    }
    if (written)
        *written = *replaced;
    return true;
}

std::string SaveTempTemplate(std::string_view fileName, std::size_t nameMax) {
    constexpr std::size_t kRandom = 7; // "." and mkstemp's six characters
    std::string name(kSaveTempPrefix);
    std::size_t room = nameMax > name.size() + kRandom ? nameMax - name.size() - kRandom : 0;
    name.append(fileName.substr(0, room));
    name += ".XXXXXX";
    return name;
}

int RemoveStaleSaveFiles(const std::string& dir) {
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return 0;
    DIR* d = fdopendir(dfd);
    if (!d) {
        close(dfd);
        return 0;
    }
    int removed = 0;
    std::vector<std::string> candidates;
    while (dirent* e = readdir(d)) {
        std::string_view name(e->d_name);
        if (name.size() > kSaveTempPrefix.size() + 7 &&
            name.substr(0, kSaveTempPrefix.size()) == kSaveTempPrefix)
            candidates.emplace_back(name);
    }
    for (const std::string& name : candidates) {
        int fd =
            openat(dfd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held {};
        struct stat now {};
        // A running save holds the lock on its temporary file until the rename.
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            fstatat(dfd, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
            now.st_dev == held.st_dev && now.st_ino == held.st_ino &&
            unlinkat(dfd, name.c_str(), 0) == 0)
            ++removed;
        close(fd);
    }
    closedir(d);
    return removed;
}

Result<FileIdentity> ReplaceFileAtomically(const std::string& path, std::string_view bytes) {
    std::string target;
    Result<FileIdentity> resolved = ResolveSaveTarget(path, target);
    if (!resolved)
        return Failed(resolved.error());
    const FileIdentity old = *resolved;
    const std::string dir = FolderOf(target);
    RemoveStaleSaveFiles(dir);
    long nameMax = pathconf(dir.c_str(), _PC_NAME_MAX);
    std::string::size_type slash = target.find_last_of('/');
    std::string tmpl =
        (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) +
        SaveTempTemplate(NameOf(target), nameMax > 0 ? static_cast<std::size_t>(nameMax) : 255);

    std::vector<char> name;
    int fd = -1;
    for (int attempt = 0; attempt < 10 && fd < 0; ++attempt) {
        name.assign(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0)
            return Failed("Cannot create file \"" + path + "\". " + SystemError(errno));
        // Another save's clean-up may have taken the name between mkstemp and
        // the lock: then the file has no name any more and another is made.
        struct stat st {};
        if (flock(fd, LOCK_EX) != 0 || fstat(fd, &st) != 0 || st.st_nlink == 0) {
            close(fd);
            fd = -1;
        }
    }
    if (fd < 0)
        return Failed("Cannot create file \"" + path + "\". " + SystemError(EAGAIN));
    PendingTempGuard guard(name.data());
    auto fail = [&](const std::string& what) -> Result<FileIdentity> {
        int saved = errno;
        unlink(name.data());
        close(fd);
        return Failed(what + " \"" + path + "\". " + SystemError(saved));
    };
    // The new file gets the replaced file's owner, group and permissions where
    // the user may set them; a new file the usual ones (0666 less the umask).
    mode_t mode;
    if (old.exists) {
        struct stat st {};
        if (stat(target.c_str(), &st) != 0)
            return fail("Cannot create file");
        if (fchown(fd, st.st_uid, st.st_gid) != 0 &&
            fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) {
            // Not allowed: the file becomes the user's own.
        }
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0)
        return fail("Cannot create file");
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t w = write(fd, p, left);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return fail("Error writing file");
        }
        p += w;
        left -= static_cast<std::size_t>(w);
    }
    if (fsync(fd) != 0)
        return fail("Error writing file");
    if (rename(name.data(), target.c_str()) != 0)
        return fail("Cannot create file");
    struct stat st {};
    const FileIdentity written = fstat(fd, &st) == 0 ? IdentityOf(st) : FileIdentity{};
    close(fd); // the data is synced; the lock goes with the descriptor
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
    return written;
}

// ---------------------------------------------------------------- FileLock

namespace {

// The files this process holds locks on, by device and inode, with how many
// FileLocks share each: a second window of this program opening the same file
// is not another program.
std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<int, int>>& HeldLocks() {
    static std::map<std::pair<std::uint64_t, std::uint64_t>, std::pair<int, int>> held;
    return held;
}

} // namespace

FileLock::~FileLock() {
    Release();
}

bool FileLock::Acquire(const std::string& path, bool& inUse) {
    Release();
    inUse = false;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const auto key = std::make_pair(static_cast<std::uint64_t>(st.st_dev),
                                    static_cast<std::uint64_t>(st.st_ino));
    auto it = HeldLocks().find(key);
    if (it != HeldLocks().end()) {
        ++it->second.second;
        key_ = key;
        fd_ = it->second.first;
        return true;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        inUse = errno == EWOULDBLOCK;
        close(fd);
        return false;
    }
    HeldLocks()[key] = {fd, 1};
    key_ = key;
    fd_ = fd;
    return true;
}

void FileLock::Release() {
    if (fd_ < 0)
        return;
    auto it = HeldLocks().find(key_);
    if (it != HeldLocks().end() && --it->second.second == 0) {
        close(it->second.first);
        HeldLocks().erase(it);
    }
    fd_ = -1;
}

} // namespace qv
