// Fuzzes what the readers and the writer do with the path they are given: the
// first byte chooses what lies at the path (a regular file holding the rest of
// the input, a FIFO, a directory, a link to one of them, a dangling link, a
// device), then every reader opens it and a save replaces it. Nothing may
// block, crash, or replace something that is not a regular file.
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Scratch() {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/qvfuzzpaths.XXXXXX";
        const char* made = mkdtemp(tmpl);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

void Clear(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode))
        rmdir(path.c_str());
    else
        unlink(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string dir = Scratch();
    const std::string path = dir + "/input";
    const std::string target = dir + "/target";
    Clear(path);
    Clear(target);
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    auto regular = [&](const std::string& p) {
        if (FILE* f = std::fopen(p.c_str(), "wb")) {
            std::fwrite(rest.data(), 1, rest.size(), f);
            std::fclose(f);
        }
    };
    std::string at = path;
    switch (data[0] % 8) {
    case 0:
        regular(path);
        break;
    case 1:
        mkfifo(path.c_str(), 0600);
        break;
    case 2:
        mkdir(path.c_str(), 0700);
        break;
    case 3:
        regular(target);
        symlink("target", path.c_str());
        break;
    case 4:
        mkfifo(target.c_str(), 0600);
        symlink("target", path.c_str());
        break;
    case 5:
        mkdir(target.c_str(), 0700);
        symlink("target", path.c_str());
        break;
    case 6:
        symlink("target", path.c_str());
        break; // dangling
    default:
        at = "/dev/zero";
        break;
    }
    struct stat before {};
    const bool special = stat(at.c_str(), &before) == 0 && !S_ISREG(before.st_mode);

    {
        qv::TreeDesign design;
        qv::OpenDesign(design, at);
    }
    {
        qv::TreeDesign design;
        qv::NewDesign(design, 1);
        qv::ReadReport(design, at, data[0] & 8);
        qv::ReadObjectReport(design, at);
        qv::MergeDesignFile(design, at);
        (void)qv::ReadWholeFile(at, qv::kMaxEditScriptBytes);
    }
    if (at != "/dev/zero") {
        const bool saved = qv::ReplaceFileAtomically(at, "saved").ok();
        if (saved == special)
            __builtin_trap(); // a special file replaced, or a regular one refused
        struct stat after {};
        if (special && (lstat(at.c_str(), &after) != 0 || S_ISREG(after.st_mode)))
            __builtin_trap();
    }
    Clear(path);
    Clear(target);
    return 0;
}
