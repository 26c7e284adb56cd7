// Every reader and every writer of quorvane-cli and the stand-in utilities
// against the special files a path can name: a FIFO (which blocks an open), a
// link to a device (/dev/zero reads without end), a folder and a socket. Each
// is refused at once, naming the file, and is still there afterwards.
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qv {
namespace {

using test::ReadFile;
using test::RunCli;
using test::SourcePath;
using test::TempDir;
using test::WriteFile;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Ran {
    int exitCode = -1;
    std::string out; // stdout and stderr
};

// Runs a program with a time limit (a FIFO that blocks must fail the test,
// not hang it); stdin is empty.
Ran RunBounded(const std::string& program, const std::vector<std::string>& args,
               const std::string& configHome) {
    const std::string dir = TempDir();
    std::string cmd = "cd " + Quote(dir) + " && XDG_CONFIG_HOME=" + Quote(configHome) +
                      " timeout -s KILL 60 " + Quote(program);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " </dev/null >" + Quote(dir + "/out") + " 2>&1";
    const int status = std::system(cmd.c_str());
    Ran r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(dir + "/out");
    std::system(("rm -rf " + Quote(dir)).c_str());
    return r;
}

mode_t TypeOf(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

struct Special {
    std::string kind;
    std::string path;
};

TEST(SpecialFiles, EveryReaderAndWriterRefusesThemAtOnce) {
    const std::string dir = TempDir();
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"save-as", SourcePath("examples/corp.qvd"), design}).exitCode, 0);
    WriteFile(dir + "/edit.txt", "create-object CORP USER BOB\n");
    const std::string rings = SourcePath("examples/corp_rings_v10.rpt");
    const std::string tree = SourcePath("examples/corp_tree.ldif");

    std::vector<Special> specials = {{"FIFO", dir + "/fifo"},
                                     {"link to a device", dir + "/device"},
                                     {"folder", dir + "/folder"},
                                     {"socket", dir + "/socket"}};
    ASSERT_EQ(mkfifo(specials[0].path.c_str(), 0600), 0);
    ASSERT_EQ(symlink("/dev/zero", specials[1].path.c_str()), 0);
    ASSERT_EQ(mkdir(specials[2].path.c_str(), 0700), 0);
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", specials[3].path.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    // Who reads or writes the special file: the path is put in at "@". The
    // settings in use: the special file is the settings file, or the settings
    // hold a good tree connection, or one whose LDIF tree or password file is
    // the special file (preferred).
    enum Settings { kGood, kSpecialSettings, kSpecialTree, kSpecialPassword };
    struct Use {
        std::string what;
        std::string program;
        std::vector<std::string> args;
        Settings settings = kGood;
        int status = 1;
    };
    const std::string cli = QV_CLI_PATH;
    const std::string nlist = std::string(QV_UTILITIES_DIR) + "/nlist";
    const std::string other = dir + "/n.qvd";
    const std::vector<std::string> nlistArgs = {"User", "SHOW", "Last Name", "/S"};
    const std::vector<Use> uses = {
        // Readers of a path given on the command line.
        {"dump", cli, {"dump", "@"}},
        {"import-rings", cli, {"import-rings", "@", other}},
        {"import-objects", cli, {"import-objects", design, "@", "-o", other}},
        {"import-versions", cli, {"import-versions", design, "@", "-o", other}},
        {"merge", cli, {"merge", design, "@", "-o", other}},
        {"apply script", cli, {"apply", design, "@", "-o", other}},
        {"diff", cli, {"diff", design, "@"}, kGood, 2}, // 1 would be "they differ"
        // Writers of a path given on the command line.
        {"save-as", cli, {"save-as", design, "@"}},
        {"new", cli, {"new", "@"}},
        {"apply -o", cli, {"apply", design, dir + "/edit.txt", "-o", "@"}},
        {"merge -o", cli, {"merge", design, SourcePath("examples/branch.qvd"), "-o", "@"}},
        {"import-rings OUT", cli, {"import-rings", rings, "@"}},
        {"generate", cli, {"generate", "--leaves", "10", "@"}},
        {"generate --ldif", cli, {"generate", "--leaves", "10", "--ldif", "@"}},
        {"print tree", cli, {"print", "tree", design, "@"}},
        {"print grid", cli, {"print", "grid", "partition-x-server", design, "@"}},
        {"print report", cli, {"print", "report", "partition", design, "@"}},
        {"diff --plan", cli, {"diff", design, design, "--plan", "@"}, kGood, 2},
        {"discover OUT", cli, {"discover", "CORP_TREE", "@"}},
        // The settings file as every store reads and writes it. settings show
        // shows the defaults, saying why, as the desktop program does.
        {"settings show", cli, {"settings", "show"}, kSpecialSettings, 0},
        {"settings set", cli, {"settings", "set", "MaxReadables=12"}, kSpecialSettings},
        {"trees", cli, {"trees"}, kSpecialSettings},
        {"trees add", cli, {"trees", "add", "T", "ldif:" + tree}, kSpecialSettings},
        {"trees remove", cli, {"trees", "remove", "T"}, kSpecialSettings},
        {"trees prefer", cli, {"trees", "prefer", "T"}, kSpecialSettings},
        {"utilities", cli, {"utilities"}, kSpecialSettings},
        {"utilities map", cli, {"utilities", "map", "F", "CORP_SYS.CORP"}, kSpecialSettings},
        {"utilities unmap", cli, {"utilities", "unmap", "F"}, kSpecialSettings},
        {"utilities path", cli, {"utilities", "path", "/usr/bin"}, kSpecialSettings},
        {"discover (settings)", cli, {"discover", "CORP_TREE", other}, kSpecialSettings},
        {"NLIST (settings)", nlist, nlistArgs, kSpecialSettings},
        // The files a tree connection names: the LDIF tree, the password file.
        {"discover ldif:", cli, {"discover", "SPECIAL", other}, kSpecialTree},
        {"NLIST ldif:", nlist, nlistArgs, kSpecialTree},
        {"discover password file", cli, {"discover", "SPECIAL", other}, kSpecialPassword},
        {"NLIST password file", nlist, nlistArgs, kSpecialPassword},
    };

    for (const Special& special : specials) {
        const mode_t type = TypeOf(special.path);
        // The four settings folders of this special file.
        std::vector<std::string> configs;
        for (int i = 0; i < 4; ++i)
            configs.push_back(TempDir());
        auto cliIn = [&](Settings s, const std::vector<std::string>& a) {
            return RunBounded(cli, a, configs[s]).exitCode;
        };
        const std::string ini = configs[kSpecialSettings] + "/Quorvane/Quorvane.ini";
        ASSERT_EQ(mkdir((configs[kSpecialSettings] + "/Quorvane").c_str(), 0700), 0);
        ASSERT_EQ(symlink(special.path.c_str(), ini.c_str()), 0);
        for (Settings s : {kGood, kSpecialTree, kSpecialPassword})
            ASSERT_EQ(cliIn(s, {"trees", "add", "CORP_TREE", "ldif:" + tree}), 0);
        ASSERT_EQ(cliIn(kSpecialTree, {"trees", "add", "SPECIAL", "ldif:" + special.path}), 0);
        ASSERT_EQ(
            cliIn(kSpecialPassword, {"trees", "add", "SPECIAL", "ldap://127.0.0.1:9", "--bind-dn",
                                     "cn=admin,o=corp", "--password-file", special.path}),
            0);
        for (Settings s : {kSpecialTree, kSpecialPassword})
            ASSERT_EQ(cliIn(s, {"trees", "prefer", "SPECIAL"}), 0);

        for (const Use& use : uses) {
            SCOPED_TRACE(use.what + " with a " + special.kind);
            std::vector<std::string> args = use.args;
            for (std::string& a : args)
                if (a == "@")
                    a = special.path;
            const std::string named = use.settings == kSpecialSettings ? ini : special.path;
            const Ran r = RunBounded(use.program, args, configs[use.settings]);
            EXPECT_EQ(r.exitCode, use.status) << r.out;
            EXPECT_NE(r.out.find("\"" + named + "\""), std::string::npos) << r.out;
            EXPECT_EQ(TypeOf(special.path), type);
            EXPECT_EQ(TypeOf(ini), S_IFLNK);
        }
        for (const std::string& c : configs)
            std::system(("rm -rf " + Quote(c)).c_str());
    }
    close(sock);
}

} // namespace
} // namespace qv
