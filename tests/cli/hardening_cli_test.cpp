// quorvane-cli as a hostile or unlucky user meets it: output that cannot be
// written, special files, kills during a save, deep trees, names with control
// characters and scripts with any line ends.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace qv {
namespace {

using test::ReadFile;
using test::RunCli;
using test::TempDir;
using test::WriteFile;

struct Spawned {
    pid_t pid = -1;
    int errFd = -1;
    std::string errPath;
};

// Starts quorvane-cli with stdout on outFd (stdin empty, stderr to a file).
Spawned Start(const std::vector<std::string>& args, int outFd, const std::string& dir) {
    Spawned s;
    s.errPath = dir + "/stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, s.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> all{QV_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&s.pid, QV_CLI_PATH, &actions, nullptr, argv.data(), environ) != 0)
        s.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return s;
}

int Wait(const Spawned& s, int* signalled = nullptr) {
    int status = 0;
    while (waitpid(s.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (signalled)
        *signalled = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Runs quorvane-cli with stdout on /dev/full, and on a pipe whose reader is
// gone; each must end with exit status 1 and the reason on stderr.
void ExpectFailedOutputIsReported(const std::vector<std::string>& args, const std::string& dir) {
    SCOPED_TRACE(args.at(0));
    int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    Spawned s = Start(args, full, dir);
    close(full);
    ASSERT_GT(s.pid, 0);
    EXPECT_EQ(Wait(s), 1);
    EXPECT_NE(ReadFile(s.errPath).find("quorvane-cli: cannot write the output: No space left on "
                                       "device\n"),
              std::string::npos)
        << ReadFile(s.errPath);

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    s = Start(args, fds[1], dir);
    close(fds[1]);
    ASSERT_GT(s.pid, 0);
    int signal = 0;
    EXPECT_EQ(Wait(s, &signal), 1);
    EXPECT_EQ(signal, 0);
    EXPECT_NE(ReadFile(s.errPath).find("quorvane-cli: cannot write the output: Broken pipe\n"),
              std::string::npos)
        << ReadFile(s.errPath);
}

TEST(CliHardening, EveryPrintingCommandReportsAFailedWrite) {
    const std::string dir = TempDir();
    setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    const std::string design = dir + "/corp.qvd";
    ASSERT_EQ(RunCli({"save-as", test::SourcePath("examples/corp.qvd"), design}).exitCode, 0);
    WriteFile(dir + "/edit.txt", "create-object CORP USER BOB\n");
    ASSERT_EQ(RunCli({"trees", "add", "CORP_TREE", "ldif:" + dir + "/tree.ldif"}).exitCode, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"dump", design},
        {"report", "partition", design},
        {"grid", "partition-x-server", design},
        {"individual-report", design, "[ROOT]"},
        {"replica-report", design, "[ROOT]"},
        {"settings", "show"},
        {"trees"},
        {"apply", design, dir + "/edit.txt", "-o", dir + "/out.qvd", "--log"},
        {"merge", design, design, "-o", dir + "/merged.qvd"}, // conflicts: the report
    };
    for (const auto& c : commands)
        ExpectFailedOutputIsReported(c, dir);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(CliHardening, SpecialFilesAreRefusedAtOnce) {
    const std::string dir = TempDir();
    const std::string fifo = dir + "/pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"new", design}).exitCode, 0);
    // Each would block forever on the FIFO or read /dev/zero to the end of memory.
    for (const std::string& special : {fifo, std::string("/dev/zero"), dir}) {
        for (const std::vector<std::string>& args :
             std::vector<std::vector<std::string>>{{"dump", special},
                                                   {"import-rings", special, dir + "/n.qvd"},
                                                   {"import-objects", design, special},
                                                   {"import-versions", design, special},
                                                   {"merge", design, special},
                                                   {"apply", design, special}}) {
            auto r = RunCli(args);
            EXPECT_EQ(r.exitCode, 1) << args[0] << " " << special;
            EXPECT_NE(r.err.find("Cannot open file \"" + special + "\". "), std::string::npos)
                << r.err;
        }
    }
    // A save onto a FIFO is refused and leaves it alone.
    auto r = RunCli({"save-as", design, fifo});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Cannot create file \"" + fifo +
                         "\". It is a named pipe (FIFO), not a regular file.\n");
    struct stat st {};
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(CliHardening, ADesignInUseIsSaidSoAndOpenedAnyway) {
    const std::string dir = TempDir();
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"new", design}).exitCode, 0);
    int other = open(design.c_str(), O_RDONLY);
    ASSERT_EQ(flock(other, LOCK_EX), 0); // a desktop program has it open
    auto r = RunCli({"apply", design, "-"}, "create-object ORGANIZATION USER BOB\n");
    close(other);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err.rfind("The file \"" + design +
                              "\" is in use: another program has it open.\nOpen it anyway?\n",
                          0),
              0u)
        << r.err;
    EXPECT_NE(RunCli({"dump", design}).out.find("- BOB <USER>"), std::string::npos);
}

TEST(CliHardening, DeepChainsAreRefusedNamingTheObject) {
    const std::string dir = TempDir();
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"new", design}).exitCode, 0);
    const std::string original = ReadFile(design);
    // 300 containers, each under the one before, below ORGANIZATION (level 1).
    std::string script, context = "ORGANIZATION";
    for (int i = 1; i <= 300; ++i) {
        script +=
            "create-object " + context + " \"ORGANIZATIONAL UNIT\" C" + std::to_string(i) + "\n";
        context = "C" + std::to_string(i) + "." + context;
    }
    auto r = RunCli({"apply", design, "-"}, script);
    EXPECT_EQ(r.exitCode, 1);
    // C254 lies on level 255; C255 would lie on 256.
    EXPECT_EQ(r.err.rfind("line 255: The object \"C255.C254.C253.", 0), 0u) << r.err.substr(0, 200);
    EXPECT_NE(r.err.find(".C1.ORGANIZATION\" would lie 256 levels below [ROOT].\nA design holds at "
                         "most 255 levels below [ROOT].\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(design), original);

    // The same chain as an object report's context.
    std::string chain;
    for (int i = 300; i >= 1; --i)
        chain += "C" + std::to_string(i) + ".";
    chain += "ORGANIZATION";
    WriteFile(dir + "/deep.rpt", "Current context: " + chain +
                                     "\nPartial Name      Object Class\n----------------- "
                                     "------------\nBOB               User\nA total of 1 object "
                                     "was found in this context.\n");
    r = RunCli({"import-objects", design, dir + "/deep.rpt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("Error on line: 1.\nThe object \"" + chain.substr(chain.find("C255.")) +
                              "\" would lie 256 levels",
                          0),
              0u)
        << r.err.substr(0, 300);
    EXPECT_EQ(ReadFile(design), original);
}

// The terminal cleaner over every byte value in a name: the C0 controls,
// DEL and the C1 controls come out as "\xNN", printable ASCII as it is, and
// the rest of the 8-bit range as text (a design's names are 8-bit text,
// shown as Latin-1 in UTF-8).
TEST(CliHardening, EveryByteOfANameIsShownOrEscaped) {
    const std::string dir = TempDir();
    test::Fixture f;
    NewDesign(f.design, 1);
    for (int b = 1; b < 256; ++b)
        f.design.AddChild(f.design.Root(), "N" + std::string(1, static_cast<char>(b)) + "X",
                          kClassOrgUnit);
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    WriteFile(dir + "/bytes.qvd", bytes);
    const auto r = RunCli({"dump", dir + "/bytes.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int b = 1; b < 256; ++b) {
        const auto c = static_cast<unsigned char>(b);
        std::string shown;
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F))
            shown = std::string("\\x") + kHex[c >> 4] + kHex[c & 0xF];
        else if (c < 0x80)
            shown = std::string(1, static_cast<char>(c));
        else
            shown = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
        EXPECT_NE(r.out.find("  N" + shown + "X <ORGANIZATIONAL UNIT>\n"), std::string::npos) << b;
    }
}

TEST(CliHardening, ControlCharactersAreRefusedOnInputAndEscapedOnOutput) {
    const std::string dir = TempDir();
    // A design file (written by anything) may hold them; the printing commands
    // show them escaped, so they neither drive the terminal nor forge lines.
    test::Fixture f;
    NewDesign(f.design, 1);
    f.design.RenameNode(f.design.Root()->Child(0), "EVIL\x1B[2J\nFORGED");
    f.design.partitions.Append("P\rX", {"SERVER*MASTER*"});
    f.design.servers.Append("S\rV", {"[ROOT]*READ/WRITE*"});
    f.design.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    f.design.partitions.EntriesOf("[ROOT]")->push_back("S\rV*READ/WRITE*");
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    WriteFile(dir + "/evil.qvd", bytes);
    auto r = RunCli({"dump", dir + "/evil.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("    EVIL\\x1B[2J\\x0AFORGED <ORGANIZATION>\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  P\\x0DX\n"), std::string::npos);
    for (char c : r.out)
        EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F);
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"report", "partition", dir + "/evil.qvd"},
                                               {"grid", "partition-x-server", dir + "/evil.qvd"}}) {
        r = RunCli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("\\x0D"), std::string::npos) << r.out;
        for (char c : r.out)
            EXPECT_FALSE((static_cast<unsigned char>(c) < 0x20 && c != '\n') || c == 0x7F);
    }

    // A report naming an object with one is refused at its line.
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"new", design}).exitCode, 0);
    WriteFile(dir + "/evil.rpt", "Current context: ORGANIZATION\nPartial Name      Object "
                                 "Class\n----------------- ------------\nBO\x1B]0;x\x07"
                                 "B             User\nA total of 1 object was found in this "
                                 "context.\n");
    r = RunCli({"import-objects", design, dir + "/evil.rpt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "Error on line: 4.\nThe name \"BO\\x1B]0;X\\x07B\" contains a control "
                     "character.\n");
}

TEST(CliHardening, ScriptsWithAnyLineEnds) {
    const std::string dir = TempDir();
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"new", design}).exitCode, 0);
    // CR only, starting with a comment: every line runs.
    WriteFile(dir + "/cr.txt",
              "# made on an old Mac\rcreate-object ORGANIZATION \"ORGANIZATIONAL UNIT\" "
              "CRONLY\rcreate-object CRONLY.ORGANIZATION USER BOB\r");
    auto r = RunCli({"apply", design, dir + "/cr.txt", "--log"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Action: Create Object\n  Name       : BOB.CRONLY.ORGANIZATION\n"),
              std::string::npos)
        << r.out;
    // A malformed line is the input's failure: exit 1 and its line.
    WriteFile(dir + "/bad.txt", "sort-objects\r\nfrobnicate\r\n");
    r = RunCli({"apply", design, dir + "/bad.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "line 2: unknown command 'frobnicate'\n");
}

TEST(CliHardening, KillsDuringASaveLeaveTheOldOrTheNewFileAndNoTemporaryFile) {
    const std::string dir = TempDir();
    // A generated design of 1.2 MB: large enough that a kill lands inside the
    // save, small enough for 40 runs with AddressSanitizer.
    const std::string source = dir + "/source.qvd";
    ASSERT_EQ(RunCli({"generate", "--containers", "2000", "--servers", "200", "--partitions", "500",
                      "--leaves", "100000", source})
                  .exitCode,
              0);
    const std::string target = dir + "/target.qvd";
    ASSERT_EQ(RunCli({"new", target}).exitCode, 0);
    const std::string oldBytes = ReadFile(target);
    const std::string newBytes = ReadFile(source);
    auto temporaries = [&] {
        int n = 0;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                n += std::string_view(e->d_name).substr(0, kSaveTempPrefix.size()) ==
                     kSaveTempPrefix;
            closedir(d);
        }
        return n;
    };
    std::mt19937 random(15);
    std::uniform_int_distribution<int> delayMs(0, 400);
    for (int signal : {SIGTERM, SIGKILL}) {
        for (int run = 0; run < 20; ++run) {
            SCOPED_TRACE((signal == SIGTERM ? "SIGTERM run " : "SIGKILL run ") +
                         std::to_string(run));
            Spawned s = Start({"save-as", source, target}, -1, dir);
            ASSERT_GT(s.pid, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs(random)));
            kill(s.pid, signal);
            int got = 0;
            Wait(s, &got); // never leaves a process behind
            const std::string now = ReadFile(target);
            EXPECT_TRUE(now == oldBytes || now == newBytes);
            if (signal == SIGTERM) {
                EXPECT_EQ(temporaries(), 0);
            }
            // Put the old file back for the next run.
            WriteFile(target, oldBytes);
        }
    }
    // A SIGKILL may leave a temporary file; the next save into the folder
    // removes it.
    ASSERT_EQ(RunCli({"save-as", source, target}).exitCode, 0);
    EXPECT_EQ(ReadFile(target), newBytes);
    EXPECT_EQ(temporaries(), 0);
}

} // namespace
} // namespace qv
