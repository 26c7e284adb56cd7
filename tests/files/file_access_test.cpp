// Hostile and unlucky files: special files and sizes, saving through links, to
// long names and beside stale temporary files, other programs' locks and
// saves, and trees too deep for the file format.
#include "core/depth_limit.h"
#include "files/design_file.h"
#include "files/merge_trees.h"
#include "files/object_report.h"
#include "files/report_reader.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace qv {
namespace {

using test::Fixture;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> TempFilesIn(const std::string& dir) {
    std::vector<std::string> out;
    std::string list = dir + "/.list";
    std::system(("ls -a '" + dir + "' > '" + list + "'").c_str());
    std::string names = ReadFile(list);
    std::remove(list.c_str());
    for (std::size_t pos = 0; pos < names.size();) {
        std::size_t end = names.find('\n', pos);
        std::string name = names.substr(pos, end - pos);
        if (name.rfind(std::string(kSaveTempPrefix), 0) == 0)
            out.push_back(name);
        pos = end == std::string::npos ? names.size() : end + 1;
    }
    return out;
}

std::string Saved(TreeDesign& d) {
    std::string out;
    const Result<std::string> serialized = SerializeDesign(d);
    EXPECT_TRUE(serialized);
    out = serialized.value_or("");
    return out;
}

TEST(SpecialFiles, EveryReaderRefusesWhatIsNotARegularFileAtOnce) {
    const std::string dir = TempDir();
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string sock = dir + "/sock";
    int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    struct Case {
        std::string path;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {fifo, "It is a named pipe (FIFO), not a regular file."},
        {dir, "Is a directory"},
        {"/dev/zero", "It is a device, not a regular file."},
        {sock, "It is a socket, not a regular file."},
    };
    for (const Case& c : cases) {
        const std::string message = "Cannot open file \"" + c.path + "\". " + c.reason;
        Result<std::string> bytes = ReadWholeFile(c.path);
        EXPECT_FALSE(bytes);
        EXPECT_EQ(bytes.error(), message);

        Fixture open;
        EXPECT_FALSE(OpenDesign(open.design, c.path));
        EXPECT_EQ(open.ui.Texts("error"), std::vector<std::string>{message});

        Fixture rings;
        NewDesign(rings.design, 1);
        EXPECT_FALSE(ReadReport(rings.design, c.path, true));
        EXPECT_EQ(rings.ui.Texts("error"), std::vector<std::string>{message});

        Fixture objects;
        NewDesign(objects.design, 1);
        EXPECT_FALSE(ReadObjectReport(objects.design, c.path));
        EXPECT_EQ(objects.ui.Texts("information"),
                  std::vector<std::string>{"Error on line: 0.\rProblem Opening File. " + message});

        Fixture merge;
        NewDesign(merge.design, 1);
        const std::string before = Saved(merge.design);
        EXPECT_FALSE(MergeDesignFile(merge.design, c.path));
        EXPECT_EQ(merge.ui.Texts("error"), std::vector<std::string>{message});
        EXPECT_EQ(Saved(merge.design), before);
    }
    close(s);
}

TEST(SpecialFiles, TextInputsHaveASizeLimit) {
    const std::string dir = TempDir();
    // A sparse file one byte over the object reports' limit: refused by its
    // size, never read.
    const std::string big = dir + "/big.rpt";
    int fd = open(big.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kMaxObjectReportBytes + 1)), 0);
    close(fd);
    Fixture f;
    NewDesign(f.design, 1);
    EXPECT_FALSE(ReadObjectReport(f.design, big));
    EXPECT_EQ(f.ui.Texts("information"),
              std::vector<std::string>{
                  "Error on line: 0.\rProblem Opening File. Cannot open file \"" + big +
                  "\". It is larger than 4 GiB, the limit for this kind of "
                  "file."});
    EXPECT_FALSE(f.design.Flags().modified);
    // The DSDIAG reports' limit is 1 GiB.
    Fixture g;
    NewDesign(g.design, 1);
    EXPECT_FALSE(ReadReport(g.design, big, true));
    EXPECT_NE(g.ui.Texts("error").at(0).find("larger than 1 GiB"), std::string::npos);

    // A limit is exact: the limit itself is read.
    WriteFile(dir + "/ten", "0123456789");
    Result<std::string> bytes = ReadWholeFile(dir + "/ten", 10);
    EXPECT_TRUE(bytes);
    EXPECT_EQ(bytes.value_or(""), "0123456789");
    bytes = ReadWholeFile(dir + "/ten", 9);
    EXPECT_FALSE(bytes);
    EXPECT_EQ(bytes.value_or(""), "");
    EXPECT_EQ(SizeLimitText(kMaxEditScriptBytes), "256 MiB");
}

TEST(SavingFiles, ALinkStaysALinkAndTheTargetKeepsItsModeAndGroup) {
    const std::string dir = TempDir();
    ASSERT_EQ(mkdir((dir + "/real").c_str(), 0700), 0);
    const std::string target = dir + "/real/t.qvd";
    WriteFile(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real/t.qvd", (dir + "/link.qvd").c_str()), 0);
    // A chain of links is followed too.
    ASSERT_EQ(symlink("link.qvd", (dir + "/link2.qvd").c_str()), 0);
    Result<FileIdentity> saved = ReplaceFileAtomically(dir + "/link2.qvd", "new");
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(ReadFile(target), "new");
    struct stat st {};
    ASSERT_EQ(lstat((dir + "/link.qvd").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(lstat((dir + "/link2.qvd").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_gid, getegid());
    EXPECT_TRUE(TempFilesIn(dir + "/real").empty());

    // A link to a file not there yet creates the file it names.
    ASSERT_EQ(symlink("real/new.qvd", (dir + "/dangling.qvd").c_str()), 0);
    saved = ReplaceFileAtomically(dir + "/dangling.qvd", "made");
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_EQ(ReadFile(dir + "/real/new.qvd"), "made");

    // Links in a loop are refused.
    ASSERT_EQ(symlink("loop2", (dir + "/loop1").c_str()), 0);
    ASSERT_EQ(symlink("loop1", (dir + "/loop2").c_str()), 0);
    saved = ReplaceFileAtomically(dir + "/loop1", "x");
    EXPECT_FALSE(saved);
    const std::string& error = saved.error();
    EXPECT_NE(error.find("Too many levels of symbolic links"), std::string::npos) << error;
}

TEST(SavingFiles, TheOwnerIsKeptWhereTheUserMaySetIt) {
    const std::string dir = TempDir();
    const std::string path = dir + "/owned.qvd";
    WriteFile(path, "old");
    // Only the superuser may give a file away; anyone may keep their own.
    const uid_t owner = geteuid() == 0 ? 1 : geteuid();
    const gid_t group = geteuid() == 0 ? 1 : getegid();
    ASSERT_EQ(chown(path.c_str(), owner, group), 0);
    ASSERT_EQ(chmod(path.c_str(), 0604), 0);
    Result<FileIdentity> saved = ReplaceFileAtomically(path, "new");
    ASSERT_TRUE(saved) << saved.error();
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, owner);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(ReadFile(path), "new");
}

TEST(SavingFiles, OnlyRegularFilesAreReplaced) {
    const std::string dir = TempDir();
    const std::string fifo = dir + "/pipe.qvd";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ASSERT_EQ(symlink("pipe.qvd", (dir + "/to-pipe.qvd").c_str()), 0);
    for (const std::string& path : {fifo, dir + "/to-pipe.qvd", std::string("/dev/null")}) {
        Fixture f;
        NewDesign(f.design, 1);
        f.design.designFileName = path;
        f.design.MarkDiffersFromFile();
        EXPECT_FALSE(WriteDesignFile(f.design));
        ASSERT_EQ(f.ui.Texts("error").size(), 1u);
        EXPECT_NE(f.ui.Texts("error")[0].find("not a regular file."), std::string::npos);
        EXPECT_TRUE(f.design.Flags().modified);
    }
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_TRUE(TempFilesIn(dir).empty());
}

TEST(SavingFiles, AFileWithOtherNamesIsReplacedUnderThisNameOnlyAfterAsking) {
    const std::string dir = TempDir();
    Fixture f;
    NewDesign(f.design, 1);
    f.design.designFileName = dir + "/a.qvd";
    WriteFile(dir + "/a.qvd", "old");
    ASSERT_EQ(link((dir + "/a.qvd").c_str(), (dir + "/b.qvd").c_str()), 0);
    f.ui.answers = {false};
    EXPECT_FALSE(WriteDesignFile(f.design));
    ASSERT_EQ(f.ui.Texts("question").size(), 1u);
    EXPECT_EQ(f.ui.Texts("question")[0], HardLinksQuestion(dir + "/a.qvd", 2));
    EXPECT_EQ(f.ui.Texts("question")[0],
              "The file \"" + dir +
                  "/a.qvd\" has 1 other name(s) (hard links).\rSaving replaces only this name; "
                  "the other names keep the old contents.\rSave anyway?");
    EXPECT_EQ(ReadFile(dir + "/a.qvd"), "old");
    EXPECT_TRUE(WriteDesignFile(f.design));
    EXPECT_EQ(ReadFile(dir + "/a.qvd"), Saved(f.design));
    EXPECT_EQ(ReadFile(dir + "/b.qvd"), "old");
}

TEST(SavingFiles, NamesUpToTheSystemsLimitCanBeSaved) {
    const std::string dir = TempDir();
    for (std::size_t length = 248; length <= 255; ++length) {
        std::string name(length - 4, 'n');
        name += ".qvd";
        const std::string tmpl = SaveTempTemplate(name, 255);
        EXPECT_LE(tmpl.size(), 255u);
        EXPECT_EQ(tmpl.rfind(std::string(kSaveTempPrefix), 0), 0u);
        Fixture f;
        NewDesign(f.design, 1);
        f.design.designFileName = dir + "/" + name;
        ASSERT_TRUE(WriteDesignFile(f.design)) << length;
        EXPECT_EQ(ReadFile(dir + "/" + name), Saved(f.design));
    }
    EXPECT_TRUE(TempFilesIn(dir).empty());
}

TEST(SavingFiles, StaleTemporaryFilesGoUnlessASaveHoldsThem) {
    const std::string dir = TempDir();
    const std::string stale = dir + "/" + std::string(kSaveTempPrefix) + "d.qvd.AbC123";
    const std::string held = dir + "/" + std::string(kSaveTempPrefix) + "d.qvd.XyZ789";
    const std::string other = dir + "/.qvsave";
    WriteFile(stale, "left by a power cut");
    WriteFile(held, "being written");
    WriteFile(other, "not ours");
    int fd = open(held.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    Result<FileIdentity> saved = ReplaceFileAtomically(dir + "/d.qvd", "new");
    ASSERT_TRUE(saved) << saved.error();
    EXPECT_FALSE(Exists(stale));
    EXPECT_TRUE(Exists(held));
    EXPECT_TRUE(Exists(other));
    close(fd);
    EXPECT_EQ(RemoveStaleSaveFiles(dir), 1);
    EXPECT_FALSE(Exists(held));
    EXPECT_EQ(ReadFile(dir + "/d.qvd"), "new");
}

// Whether another program could take the lock on path now.
bool LockedByUs(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    bool locked = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return locked;
}

TEST(OtherPrograms, ALockedFileIsInUseAndAnotherProgramsSaveIsNotOverwrittenSilently) {
    const std::string dir = TempDir();
    const std::string path = dir + "/shared.qvd";
    {
        Fixture n;
        NewDesign(n.design, 1);
        n.design.designFileName = path;
        ASSERT_TRUE(WriteDesignFile(n.design));
    }
    // Another program holds the lock: an opener is told and may decline...
    int other = open(path.c_str(), O_RDONLY);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    Fixture declined;
    declined.ui.answers = {false};
    EXPECT_FALSE(OpenDesign(declined.design, path));
    EXPECT_EQ(declined.ui.Texts("question"), std::vector<std::string>{FileInUseQuestion(path)});
    EXPECT_EQ(FileInUseQuestion(path), "The file \"" + path +
                                           "\" is in use: another program has it open.\rOpen "
                                           "it anyway?");
    // ... or open it anyway.
    Fixture a;
    ASSERT_TRUE(OpenDesign(a.design, path));
    EXPECT_EQ(a.ui.Texts("question").size(), 1u);
    close(other);

    // Two windows of this program share the lock: no question.
    Fixture b;
    ASSERT_TRUE(OpenDesign(b.design, path));
    EXPECT_TRUE(b.ui.Texts("question").empty());
    EXPECT_TRUE(LockedByUs(path));

    // a saves first; b's save would replace a's work: asked, and No keeps it.
    a.design.RenameNode(a.design.Root()->Child(0), "A_WAS_HERE");
    ASSERT_TRUE(WriteDesignFile(a.design));
    const std::string fromA = ReadFile(path);
    EXPECT_TRUE(LockedByUs(path)); // the lock moved to the new file
    b.design.MarkDiffersFromFile();
    b.ui.answers = {false};
    EXPECT_FALSE(WriteDesignFile(b.design));
    EXPECT_EQ(b.ui.Texts("question").back(), FileChangedQuestion(path));
    EXPECT_EQ(ReadFile(path), fromA);
    EXPECT_TRUE(b.design.Flags().modified);
    // a's own next save is not a change by another program.
    const std::size_t asked = a.ui.Texts("question").size();
    ASSERT_TRUE(WriteDesignFile(a.design));
    EXPECT_EQ(a.ui.Texts("question").size(), asked);
    // Yes overwrites.
    b.ui.answers = {true};
    EXPECT_TRUE(WriteDesignFile(b.design));
    EXPECT_EQ(ReadFile(path), Saved(b.design));
}

// A chain of containers levels deep below an organization under the root.
ObjectNode* Chain(TreeDesign& d, int levels) {
    ObjectNode* n = d.Root()->Child(0);
    for (int i = 2; i <= levels; ++i)
        n = d.AddChild(n, "OU" + std::to_string(i), kClassOrgUnit);
    return n;
}

TEST(DeepTrees, ASaveThatWouldNotReadBackIsRefused) {
    const std::string dir = TempDir();
    Fixture f;
    NewDesign(f.design, 1);
    ObjectNode* deepest = Chain(f.design, kMaxObjectLevel);
    EXPECT_EQ(deepest->Level(), kMaxObjectLevel);
    f.design.designFileName = dir + "/deep.qvd";
    ASSERT_TRUE(WriteDesignFile(f.design));
    Fixture back;
    ASSERT_TRUE(OpenDesign(back.design, dir + "/deep.qvd"));
    EXPECT_EQ(Saved(back.design), Saved(f.design));

    // One level more would read back as another tree.
    f.design.AddChild(deepest, "TOO_DEEP", kClassOrgUnit);
    f.design.MarkDiffersFromFile();
    EXPECT_FALSE(WriteDesignFile(f.design));
    ASSERT_EQ(f.ui.Texts("error").size(), 1u);
    const std::string message = f.ui.Texts("error")[0];
    EXPECT_EQ(
        message.rfind("Cannot save \"" + dir + "/deep.qvd\": The object \"TOO_DEEP.OU255.", 0), 0u)
        << message;
    EXPECT_NE(message.find("\" would lie 256 levels below [ROOT].\rA design holds at most 255 "
                           "levels below [ROOT]."),
              std::string::npos);
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_EQ(ReadFile(dir + "/deep.qvd"), Saved(back.design));

    // So would an object named [ROOT] below the root.
    Fixture r;
    NewDesign(r.design, 1);
    r.design.AddChild(r.design.Root()->Child(0), "[ROOT]", kClassOrgUnit);
    Result<std::string> serialized = SerializeDesign(r.design);
    EXPECT_FALSE(serialized);
    EXPECT_EQ(serialized.error(),
              "the object \"[ROOT].ORGANIZATION\" would be read back as the tree's root.");

    // A 255-character name whose leaf entry does not fit says so.
    Fixture l;
    NewDesign(l.design, 1);
    l.design.AppendLeaf(l.design.Root()->Child(0), MakeLeafEntry(std::string(255, 'L'), 44));
    serialized = SerializeDesign(l.design);
    EXPECT_FALSE(serialized);
    EXPECT_EQ(serialized.error(),
              "the leaf entry of \"" + std::string(255, 'L') +
                  "\" (its name, two marks and its class) is longer than 255 characters.");
}

// A design file as an older release wrote it: a chain of levels containers
// below the root, each record placed after the one before it.
std::string ChainFile(int levels) {
    std::string objects;
    auto record = [&](const std::string& name, const std::string& parent, int cls, int level) {
        objects.push_back(static_cast<char>(name.size()));
        objects.push_back(static_cast<char>(parent.size()));
        objects.push_back(static_cast<char>(cls));
        objects.push_back(static_cast<char>(name == "[ROOT]" ? 4 : 255));
        objects += name + parent;
        objects.push_back(static_cast<char>(level & 0xFF));
        objects.append(4, '\0');
    };
    record("[ROOT]", "", 0, 0);
    std::string parent = "[ROOT]";
    for (int i = 1; i <= levels; ++i) {
        const std::string name = "U" + std::to_string(i);
        record(name, parent, i == 1 ? 1 : 2, i - 1);
        parent = name;
    }
    auto u32 = [](std::uint32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; ++i)
            s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    const std::uint32_t end = static_cast<std::uint32_t>(24 + objects.size());
    return u32(kDesignMagic1) + u32(kDesignMagic2) + u32(0) + u32(end) + u32(end) + u32(end) +
           objects;
}

TEST(DeepTrees, AFileDeeperThanADesignHoldsIsRefused) {
    const std::string dir = TempDir();
    // 255 levels open, in time linear in the records (the status text is
    // shown for the first records, then for every 1024th).
    WriteFile(dir + "/deep.qvd", ChainFile(kMaxObjectLevel));
    Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, dir + "/deep.qvd"));
    EXPECT_EQ(f.design.NodeCount(), static_cast<std::size_t>(kMaxObjectLevel) + 1);
    EXPECT_EQ(SubtreeHeight(f.design.Root()), kMaxObjectLevel);
    EXPECT_LT(f.progress.Texts(ProgressChannel::Status).size(), 1024u + 10);
    // Deeper ones are refused naming the first object too deep: the parent
    // level is one byte, so a record at level 259 would match a parent at
    // level 3 (259 modulo 256), and 20,000 levels would come back as another
    // tree.
    for (int levels : {kMaxObjectLevel + 1, kMaxObjectLevel + 4, 20000}) {
        SCOPED_TRACE(levels);
        WriteFile(dir + "/deeper.qvd", ChainFile(levels));
        Fixture d;
        EXPECT_FALSE(OpenDesign(d.design, dir + "/deeper.qvd"));
        ASSERT_EQ(d.ui.Texts("information").size(), 1u);
        const std::string message = d.ui.Texts("information")[0];
        EXPECT_EQ(message.rfind("Illegal file format on file: " + dir +
                                    "/deeper.qvd\rThe object \"U256.U255.U254.",
                                0),
                  0u)
            << message;
        EXPECT_NE(message.find(".U1\" would lie 256 levels below [ROOT].\rA design holds at most "
                               "255 levels below [ROOT]."),
                  std::string::npos)
            << message;
    }
}

TEST(TextFiles, EveryLineEndIsALineEnd) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"a\n\nb\r\rc\r\n\r\n", {"a", "", "b", "", "c"}},
        {"\n\r\n", {}},
        {"a\n\r", {"a"}},
    };
    const std::string dir = TempDir();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(SplitLines(c.text), c.lines);
        WriteFile(dir + "/t.txt", c.text);
        Result<std::vector<std::string>> lines = ReadTextLines(dir + "/t.txt", 1024);
        ASSERT_TRUE(lines);
        EXPECT_EQ(*lines, c.lines);
        Result<std::string> first = ReadFirstLine(dir + "/t.txt", 1024);
        ASSERT_TRUE(first);
        EXPECT_EQ(*first, c.lines.empty() ? "" : c.lines[0]);
    }
    // The limits: bytes and lines.
    WriteFile(dir + "/t.txt", "1\r2\r3\r");
    Result<std::vector<std::string>> lines = ReadTextLines(dir + "/t.txt", 1024, 2);
    EXPECT_FALSE(lines);
    EXPECT_EQ(lines.error(),
              "Cannot open file \"" + dir +
                  "/t.txt\". It has more than 2 lines, the limit for this kind of file.");
    EXPECT_TRUE(lines.value_or({}).empty());
    EXPECT_TRUE(ReadTextLines(dir + "/t.txt", 1024, 3));
    lines = ReadTextLines(dir + "/t.txt", 5);
    EXPECT_FALSE(lines);
    EXPECT_EQ(lines.error(),
              "Cannot open file \"" + dir +
                  "/t.txt\". It is larger than 5 bytes, the limit for this kind of file.");
}

TEST(SavingFiles, AFolderIsRefusedWithItsOwnMessageAndNoQuestion) {
    const std::string dir = TempDir();
    ASSERT_EQ(mkdir((dir + "/out.qvd").c_str(), 0700), 0);
    ASSERT_EQ(symlink("out.qvd", (dir + "/to-folder.qvd").c_str()), 0);
    for (const std::string& path : {dir + "/out.qvd", dir + "/to-folder.qvd"}) {
        const std::string message =
            "Cannot create file \"" + path + "\". It is a folder, not a file.";
        Fixture f;
        NewDesign(f.design, 1);
        f.design.designFileName = path;
        EXPECT_FALSE(WriteDesignFile(f.design));
        EXPECT_EQ(f.ui.Texts("error"), std::vector<std::string>{message});
        EXPECT_TRUE(f.ui.Texts("question").empty());
        test::ScriptedInteraction ui;
        EXPECT_FALSE(SaveFile(ui, path, "bytes"));
        EXPECT_EQ(ui.boxes.size(), 1u);
        Result<FileIdentity> saved = ReplaceFileAtomically(path, "bytes");
        EXPECT_FALSE(saved);
        const std::string& error = saved.error();
        EXPECT_EQ(error, message);
        EXPECT_EQ(InspectSaveTarget(path).kind, SaveTargetKind::Folder);
    }
    EXPECT_TRUE(TempFilesIn(dir + "/out.qvd").empty());
}

TEST(SavingFiles, AFileTheUserMayNotWriteIsReplacedOnlyAfterAsking) {
    const std::string dir = TempDir();
    const std::string path = dir + "/ro.qvd";
    WriteFile(path, "old");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    EXPECT_TRUE(InspectSaveTarget(path).readOnly);
    Fixture f;
    NewDesign(f.design, 1);
    f.design.designFileName = path;
    f.ui.answers = {false};
    EXPECT_FALSE(WriteDesignFile(f.design));
    EXPECT_EQ(f.ui.Texts("question"), std::vector<std::string>{ReadOnlyQuestion(path)});
    EXPECT_EQ(ReadOnlyQuestion(path), "You may not write the file \"" + path +
                                          "\": it is read-only.\rSaving replaces it by a new file "
                                          "that belongs to you.\rSave anyway?");
    EXPECT_EQ(ReadFile(path), "old");
    f.ui.answers = {true};
    EXPECT_TRUE(WriteDesignFile(f.design));
    EXPECT_EQ(ReadFile(path), Saved(f.design));
    // Every other writer asks the same way.
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    test::ScriptedInteraction ui;
    ui.answers = {false};
    EXPECT_FALSE(SaveFile(ui, path, "other"));
    EXPECT_EQ(ReadFile(path), Saved(f.design));
    ui.answers = {true};
    EXPECT_TRUE(SaveFile(ui, path, "other"));
    EXPECT_EQ(ReadFile(path), "other");
    WriteFile(dir + "/rw.qvd", "old");
    EXPECT_FALSE(InspectSaveTarget(dir + "/rw.qvd").readOnly);
}

} // namespace
} // namespace qv
