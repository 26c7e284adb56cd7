// The runs of the console utilities from quorvane-cli: one run at a time in a
// working folder, old output never read as new, an interpreter or a utility
// that cannot start told with its own message, a wait that is given up ends
// what it waited for, and a command that fails changes no file.
#include "support/cli_runner.h"
#include "support/scripted.h"
#include "support/utility_workspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {
namespace {

using test::ReadFile;
using test::WriteFile;

namespace fs = std::filesystem;

// The process is gone, or a zombie nobody has reaped yet.
bool Ended(pid_t pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] == 'Z';
}

const char* const kOldDefsrv = "Object Class: User\n"
                               "Current context: CORP\n"
                               "User: OLDUSER\n"
                               "        Last Name: Old\n"
                               "A total of 1 User object was found in this context.\n"
                               "\n"
                               "A total of 1 User object was found.\n";

class UtilityRunsCli : public test::UtilityWorkspace {
protected:
    void SetUp() override {
        test::UtilityWorkspace::SetUp();
        ASSERT_EQ(Run({"trees", "add", "CORP_TREE", "ldif:" + ldif}).exitCode, 0);
    }
    // The four utility commands, each as a user would run it.
    struct Command {
        const char* name;
        std::vector<std::string> args;
        const char* refusal; // the start of its refusal text
    };
    std::vector<Command> Commands() const {
        return {
            {"verify-default-servers",
             {"verify-default-servers", design, "CORP", "--tick-ms", "10"},
             "There is currently an instance of the User Default Server Report"},
            {"compare-schema",
             {"compare-schema", design, "FS1", "FS2", "--tick-ms", "10"},
             "There are 1 of SCHRPT.EXE running."},
            {"nds-rights",
             {"nds-rights", design, "--context", "SALES.CORP", "--container", "SALES.CORP",
              "--leaf", "JSMITH", "--target", "FS2", "--tick-ms", "10"},
             "There is currently an instance of \"DSRIGHTS\" or \"RIGHTS\" running."},
            {"file-rights",
             {"file-rights", design, "--context", "SALES.CORP", "--drive", "F", "--directory",
              "F:\\PUBLIC", "--leaf", "JSMITH", "--tick-ms", "10"},
             "There is currently an instance of \"DSRIGHTS\" or \"RIGHTS\" running."},
        };
    }
    // A utility folder holding one script NAME with the body.
    std::string UtilityFolder(const std::string& name, const std::string& body) {
        const std::string folder = dir + "/bin";
        fs::create_directories(folder);
        WriteFile(folder + "/" + name, "#!/bin/sh\n" + body);
        chmod((folder + "/" + name).c_str(), 0755);
        return folder;
    }
    // The names in the folder (what a run left behind).
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(UtilityRunsCli, ASecondRunInTheSameFolderIsRefusedAndChangesNothing) {
    // Another run holds the folder (the lock every utility command takes).
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    WriteFile(dir + "/DEFSRV.TXT", kOldDefsrv);
    WriteFile(dir + "/QVD_DSR.BAT", "old\r\n");
    const std::vector<std::string> before = Names();
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.name);
        auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(r.err.rfind(c.refusal, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Names(), before);
        EXPECT_EQ(ReadFile(dir + "/DEFSRV.TXT"), kOldDefsrv);
        EXPECT_EQ(ReadFile(dir + "/QVD_DSR.BAT"), "old\r\n");
    }
    close(fd);
    // Once the folder is free the run goes ahead.
    auto r = Run(Commands()[0].args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
}

TEST_F(UtilityRunsCli, OldOutputIsNeverReadAndWhatCannotStartSaysSo) {
    // NLIST is not on the utility path: the interpreter's own message, and
    // the old DEFSRV.TXT is gone rather than read as the answer.
    const std::string empty = dir + "/nothing";
    fs::create_directory(empty);
    ASSERT_EQ(Run({"utilities", "path", empty}).exitCode, 0);
    for (const Command& c : Commands()) {
        SCOPED_TRACE(c.name);
        WriteFile(dir + "/DEFSRV.TXT", kOldDefsrv);
        auto r = Run(c.args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find("Not found: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("(not on the utility path)"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("OLDUSER"), std::string::npos) << r.out;
        if (std::string(c.name) == "verify-default-servers") {
            EXPECT_FALSE(fs::exists(dir + "/DEFSRV.TXT"));
        }
    }
    // The interpreter itself cannot be started.
    WriteFile(dir + "/DEFSRV.TXT", kOldDefsrv);
    setenv("QUORVANE_CMD", (dir + "/no-such-interpreter").c_str(), 1);
    auto r = Run(Commands()[0].args);
    unsetenv("QUORVANE_CMD");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(fs::exists(dir + "/DEFSRV.TXT"));
    EXPECT_NE(
        r.err.find("The command interpreter " + dir + "/no-such-interpreter could not be started."),
        std::string::npos)
        << r.err;
}

TEST_F(UtilityRunsCli, AWaitThatIsGivenUpEndsTheInterpreterAndItsUtility) {
    // An NLIST that never ends; it notes its process id first.
    const std::string folder =
        UtilityFolder("NLIST", "echo $$ > " + dir + "/nlist.pid\nexec sleep 300\n");
    ASSERT_EQ(Run({"utilities", "path", folder}).exitCode, 0);
    auto r = Run({"verify-default-servers", design, "CORP", "--tick-ms", "5"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_NE(r.err.find("NLIST has not finished after 600 ticks of waiting.\nThe wait was "
                         "given up and NLIST was ended."),
              std::string::npos)
        << "[" << r.err << "]";
    const pid_t pid = static_cast<pid_t>(std::stol("0" + ReadFile(dir + "/nlist.pid")));
    ASSERT_GT(pid, 1);
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = Ended(pid);
        if (!gone)
            usleep(50 * 1000);
    }
    EXPECT_TRUE(gone) << "the utility still runs";
    // The limits are in the help of every utility command.
    for (const auto& [command, limit] :
         std::vector<std::pair<std::string, std::string>>{{"verify-default-servers", "600 ticks"},
                                                          {"compare-schema", "600 ticks"},
                                                          {"nds-rights", "1800 ticks"},
                                                          {"file-rights", "1800 ticks"}}) {
        auto help = Run({command, "--help"});
        EXPECT_NE(help.out.find(limit), std::string::npos) << command << "\n" << help.out;
    }
}

TEST_F(UtilityRunsCli, RightsCommandsThatFailChangeNoFile) {
    const std::string saved = dir + "/saved";
    fs::create_directory(saved);
    WriteFile(dir + "/QVD_DSR.BAT", "old dsr\r\n");
    WriteFile(dir + "/QVD_FSR.BAT", "old fsr\r\n");
    for (const Command& c : Commands()) {
        if (std::string(c.name) != "nds-rights" && std::string(c.name) != "file-rights")
            continue;
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--reports", saved});
        auto r = Run(args);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_EQ(ReadFile(dir + "/QVD_DSR.BAT"), "old dsr\r\n");
        EXPECT_EQ(ReadFile(dir + "/QVD_FSR.BAT"), "old fsr\r\n");
    }
}

} // namespace
} // namespace qv
