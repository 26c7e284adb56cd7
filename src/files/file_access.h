// The one way the program reads and writes files, for every layer: only
// regular files are read (a FIFO, a device, a directory or a socket is refused
// at once, naming the file), every input has a size limit, text is split into
// lines the same way whatever its line ends (CR, LF, CR LF), and every write
// replaces the file a path names (through symbolic links) by a locked
// temporary file in the same folder, synced and renamed, keeping the file's
// owner, group and permissions. A folder, a FIFO or a device is never
// replaced; a failed write (a full disk) leaves the old file whole.
#pragma once

#include "core/result.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

class Interaction;

// Size limits of the readers, in bytes. A larger file is refused before it is
// read.
inline constexpr std::uint64_t kNoSizeLimit = ~std::uint64_t{0};
inline constexpr std::uint64_t kMaxObjectReportBytes = std::uint64_t{4} << 30;  // 4 GiB
inline constexpr std::uint64_t kMaxDsdiagReportBytes = std::uint64_t{1} << 30;  // 1 GiB
inline constexpr std::uint64_t kMaxEditScriptBytes = std::uint64_t{256} << 20;  // 256 MiB
inline constexpr std::uint64_t kMaxSettingsFileBytes = std::uint64_t{1} << 20;  // 1 MiB
inline constexpr std::uint64_t kMaxLdifTreeBytes = std::uint64_t{1} << 30;      // 1 GiB
inline constexpr std::uint64_t kMaxPasswordFileBytes = std::uint64_t{64} << 10; // 64 KiB

// "4 GiB", "256 MiB", "1 MiB": a limit for people.
std::string SizeLimitText(std::uint64_t bytes);

// The system's reason why path cannot be read as a regular file, or empty
// when it can (stat, following symbolic links). A missing file gives the
// system's error text.
std::string NotRegularFileReason(const std::string& path);

// Reads a regular file into memory. Anything else is refused without being
// opened for reading, and a file larger than maxBytes is refused; the error
// is then "Cannot open file "<path>". <reason>" (or the read error).
Result<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes = kNoSizeLimit);
// Reads an open descriptor (standard input) to its end, at most maxBytes.
Result<std::string> ReadWholeDescriptor(int fd, const std::string& label, std::uint64_t maxBytes);

// Splits a text into lines: "\r\n", "\n" and a lone "\r" each end a line and
// are not part of it; a text that ends with a line end has no empty last line.
std::vector<std::string> SplitLines(std::string_view text);
// ReadWholeFile, then SplitLines. More than maxLines lines are refused
// ("Cannot open file "<path>". It has more than N lines, ...").
Result<std::vector<std::string>> ReadTextLines(const std::string& path, std::uint64_t maxBytes,
                                               std::size_t maxLines = ~std::size_t{0});
// The first line of a regular file (a password file), without its line end.
Result<std::string> ReadFirstLine(const std::string& path, std::uint64_t maxBytes);

// What a save finds at the place it writes to.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t mtimeSeconds = 0;
    std::int64_t mtimeNanoseconds = 0;
    std::uint64_t links = 0;
    bool SameContentsAs(const FileIdentity& other) const {
        return exists == other.exists &&
               (!exists ||
                (device == other.device && inode == other.inode && size == other.size &&
                 mtimeSeconds == other.mtimeSeconds && mtimeNanoseconds == other.mtimeNanoseconds));
    }
};

// The file a save to path writes: path itself, or the file its symbolic
// links lead to (a link to a file that does not exist yet leads to that
// file), and the identity of what is there (exists false for a new file).
// A failure when the links loop or the target is something other than a
// regular file; target then stays where the links were followed to, so that
// the caller can tell what refused the save.
Result<FileIdentity> ResolveSaveTarget(const std::string& path, std::string& target);
// The identity of the file path names now (following links); exists is
// false when there is none.
FileIdentity CurrentIdentity(const std::string& path);

// What a write to path would replace, looked at before anything is written.
enum class SaveTargetKind {
    NewFile,     // nothing there yet
    RegularFile, // a regular file (maybe through links)
    Folder,      // refused: "Cannot create file "<path>". It is a folder, not a file."
    Special,     // a FIFO, device or socket (or a link loop): refused
};
struct SaveTarget {
    SaveTargetKind kind = SaveTargetKind::NewFile;
    std::string target;    // the file written: path, or where its links lead
    FileIdentity identity; // of the replaced file
    bool readOnly = false; // the user may not write the file (nor may root when
                           // no write permission is set at all)
    std::string error;     // the refusal, for Folder and Special
};
SaveTarget InspectSaveTarget(const std::string& path);

// The questions of a write that replaces a file: it has other names (hard
// links: only this one gets the new contents), or the user may not write it
// (the new file becomes the user's own). The command line answers the second
// No (the command fails, nothing is written).
inline constexpr std::string_view kReadOnlyQuestionStart = "You may not write the file";
std::string HardLinksQuestion(const std::string& path, std::uint64_t links);
std::string ReadOnlyQuestion(const std::string& path);

// Replaces the file that path names (the target of its links) by the bytes:
// a temporary file ".qvsave-..." in the target's folder, locked while it is
// written, then synced and renamed over the target. Owner, group and
// permissions of the replaced file are kept where the user may set them.
// SIGINT, SIGTERM and SIGHUP during the save remove the temporary file before
// the program ends. Stale temporary files of earlier saves in the folder are
// removed first unless a running save holds them. On failure the old file is
// untouched and the error says why. Gives the new file's identity.
Result<FileIdentity> ReplaceFileAtomically(const std::string& path, std::string_view bytes);

// The checks every interactive write makes before replacing a file: a folder
// or special file is refused (ui.Error); a read-only file and a file with
// other hard links are asked about (ui.AskYesNo). True when the write may go
// ahead. target receives what InspectSaveTarget found.
bool ConfirmSaveTarget(Interaction& ui, const std::string& path, SaveTarget* target = nullptr);
// ConfirmSaveTarget, then ReplaceFileAtomically; a failure is shown with
// ui.Error. False when nothing was written.
bool SaveFile(Interaction& ui, const std::string& path, std::string_view bytes,
              FileIdentity* written = nullptr);
// Appends the bytes to the log file at path, creating it when it is missing.
// Only a regular file is written to: a symbolic link, a FIFO, a device or a
// folder of that name is refused at once (never followed, never waited on).
// The error is "Cannot write file "<path>". <reason>".
Result<void> AppendToRegularFile(const std::string& path, std::string_view bytes);

// The prefix of every temporary file of a save.
inline constexpr std::string_view kSaveTempPrefix = ".qvsave-";
// The temporary name pattern for a target file name in a folder whose names
// may be nameMax bytes long: the prefix, as much of the name as fits, and six
// characters for mkstemp ("XXXXXX").
std::string SaveTempTemplate(std::string_view fileName, std::size_t nameMax);
// Removes the temporary files of saves in dir that no running save holds.
// Returns how many were removed.
int RemoveStaleSaveFiles(const std::string& dir);

// An advisory lock (flock) held on a design file while a design window has it
// open. Another program's lock makes Acquire fail with inUse set; locks of
// this process on the same file are shared.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // Takes the lock on path (following links). False when another holder
    // has it (inUse) or the file cannot be opened (nothing held).
    bool Acquire(const std::string& path, bool& inUse);
    void Release();
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    std::pair<std::uint64_t, std::uint64_t> key_{};
};

} // namespace qv
