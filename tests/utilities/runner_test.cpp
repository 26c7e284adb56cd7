// The command runner: the census over real processes, the interpreter's
// parsing of lines and batch files, and a command run end to end through
// quorvane-cmd with a utility of the test's own.
#include "platform/utility_settings.h"
#include "support/scripted.h"
#include "utilities/command_runner.h"
#include "utilities/interpreter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace qv::utilities;

namespace {

// A child process whose title is the given text, alive until destroyed.
class TitledProcess {
public:
    explicit TitledProcess(const std::string& title) {
        pid_ = fork();
        if (pid_ == 0) {
            char* argv[] = {const_cast<char*>(title.c_str()), const_cast<char*>("30"), nullptr};
            execv("/bin/sleep", argv);
            _exit(127);
        }
        // Wait until the title shows (the exec has happened).
        for (int i = 0; i < 500 && !Visible(title); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~TitledProcess() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    static bool Visible(const std::string& title) {
        for (const std::string& t : ProcessTitles())
            if (t == title)
                return true;
        return false;
    }

private:
    pid_t pid_ = -1;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits (bounded) until no process carries the marker.
bool WaitForCensusZero(std::string_view marker) {
    for (int i = 0; i < 1000; ++i) {
        if (CountCommandWindows(marker) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class RecordingHost : public InterpreterHost {
public:
    struct Call {
        std::string program;
        std::vector<std::string> args;
        std::string output;
        InterpreterState state;
    };
    std::vector<Call> calls;
    std::vector<std::string> errors;
    std::vector<std::string> batch;
    std::optional<std::string> FindUtility(std::string_view name) override {
        std::string n(name);
        for (char& c : n)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (n.size() > 4 && n.substr(n.size() - 4) == ".EXE")
            n.resize(n.size() - 4);
        if (n == "NLIST" || n == "SCHCMP" || n == "DSRIGHTS" || n == "RIGHTS")
            return "/u/" + n;
        return std::nullopt;
    }
    bool Run(const std::string& program, const std::vector<std::string>& args,
             const std::string& output, const InterpreterState& state) override {
        calls.push_back({program, args, output, state});
        return true;
    }
    qv::Result<std::vector<std::string>> ReadBatch(const std::string&) override {
        if (batch.empty())
            return qv::Failed("");
        return batch;
    }
    void LogError(const std::string& text) override { errors.push_back(text); }
};

} // namespace

TEST(Census, CountsOnlyTheExactMarkerWithinTheTitleLimit) {
    // Every title carries a tag of this test, so that utilities other tests
    // run at the same time do not change the counts.
    const std::string tag = "t" + std::to_string(getpid()) + " ";
    TitledProcess exact(tag + std::string(kRightsMarker) + " /C QVD_DSR.BAT");
    TitledProcess otherCase(tag + "command.com /C QVD_DSR.BAT");
    TitledProcess otherFeature(tag + std::string(kSchemaMarker) + " /C SCHCMP.EXE A B");
    // The marker ends after the 99th character: not seen.
    TitledProcess late(tag + std::string(95, 'x') + std::string(kRightsMarker));
    // The marker ends exactly at the 99th character: seen.
    TitledProcess edge(tag + std::string(99 - tag.size() - kRightsMarker.size(), 'y') +
                       std::string(kRightsMarker));
    // A terminal the user opened.
    TitledProcess terminal(tag + "bash");
    std::vector<std::string> mine;
    for (const std::string& t : ProcessTitles())
        if (t.rfind(tag, 0) == 0)
            mine.push_back(t);
    EXPECT_EQ(mine.size(), 6u);
    EXPECT_EQ(CountMarked(mine, kRightsMarker), 2);
    EXPECT_EQ(CountMarked(mine, kSchemaMarker), 1);
    EXPECT_EQ(CountMarked(mine, kDefaultServerMarker), 0);
    EXPECT_GE(CountCommandWindows(kRightsMarker), 2);
}

TEST(Census, CutsTitlesAtTheLimit) {
    std::vector<std::string> titles = {std::string(98, 'a') + "coMMand.coM",
                                       std::string(88, 'a') + "coMMand.coM", ""};
    EXPECT_EQ(CountMarked(titles, kDefaultServerMarker), 1);
    EXPECT_EQ(CountMarked(titles, ""), 0);
}

TEST(Interpreter, SplitsWordsQuotesAndTheOutputFile) {
    CommandWords w = SplitCommand("NLIST User SHOW \"Default Server\", \"Last Name\" /s /co "
                                  ".SALES.CORP > DEFSRV.TXT");
    ASSERT_TRUE(w.error.empty()) << w.error;
    EXPECT_EQ(w.words, (std::vector<std::string>{"NLIST", "User", "SHOW", "Default Server,",
                                                 "Last Name", "/s", "/co", ".SALES.CORP"}));
    EXPECT_EQ(w.outputFile, "DEFSRV.TXT");
    w = SplitCommand("SCHCMP.EXE FS1 FS2 >SRD1.TXT");
    EXPECT_EQ(w.outputFile, "SRD1.TXT");
    EXPECT_EQ(w.words.size(), 3u);
    w = SplitCommand("DSRIGHTS \"\" \".A B.C\"");
    EXPECT_EQ(w.words, (std::vector<std::string>{"DSRIGHTS", "", ".A B.C"}));
}

TEST(Interpreter, RefusesUnsafeRedirectionAndPipes) {
    for (const char* line :
         {"NLIST > ../OUT.TXT", "NLIST > /tmp/OUT.TXT", "NLIST > A > B", "NLIST | MORE",
          "NLIST > sub/OUT", "NLIST >", "NLIST \"open", "NLIST < IN.TXT", "NLIST > A B",
          "NLIST >> OUT.TXT", "NLIST > ..", "NLIST > a\\b"}) {
        CommandWords w = SplitCommand(line);
        EXPECT_FALSE(w.error.empty()) << line;
        EXPECT_TRUE(w.words.empty()) << line;
    }
    RecordingHost host;
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C NLIST x > ../x", host), 1);
    EXPECT_TRUE(host.calls.empty());
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find("../x"), std::string::npos);
}

TEST(Interpreter, RunsBatchLinesWithContextDriveAndDirectory) {
    RecordingHost host;
    host.batch = {"CX \".SALES.CORP\"\r",
                  "DSRIGHTS \"JSMITH\" \".FS1.CORP\" > #DSR#1.TXT\r",
                  "F:",
                  "CD \"\\PUBLIC\\REPORTS\"",
                  "RIGHTS . /I /NAME=\"JSMITH\" > #FSR#1.TXT",
                  "CX \"\"",
                  "CD \"\\\"",
                  "NOSUCH a > x.txt",
                  "CD \"\\A\\..\\B\"",
                  "rights.exe x"};
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C QVD_DSR.BAT", host), 2);
    ASSERT_EQ(host.calls.size(), 3u);
    EXPECT_EQ(host.calls[0].program, "/u/DSRIGHTS");
    EXPECT_EQ(host.calls[0].args, (std::vector<std::string>{"JSMITH", ".FS1.CORP"}));
    EXPECT_EQ(host.calls[0].output, "#DSR#1.TXT");
    EXPECT_EQ(host.calls[0].state.context, "SALES.CORP");
    EXPECT_EQ(host.calls[0].state.drive, 0);
    EXPECT_EQ(host.calls[1].state.drive, 'F');
    EXPECT_EQ(host.calls[1].state.directory, "\\PUBLIC\\REPORTS");
    EXPECT_EQ(host.calls[1].args, (std::vector<std::string>{".", "/I", "/NAME=JSMITH"}));
    EXPECT_EQ(host.calls[2].state.context, "");
    EXPECT_EQ(host.calls[2].state.directory, "\\");
    EXPECT_EQ(host.errors.size(), 2u);
}

TEST(Interpreter, RefusesBatchFilesOutsideTheCurrentFolder) {
    RecordingHost host;
    host.batch = {"NLIST"};
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C ../QVD_DSR.BAT", host), 1);
    EXPECT_EQ(RunCommandLine("no switch at all", host), 1);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(host.errors.size(), 2u);
}

TEST(Runner, BuildsTheCommandLine) {
    EXPECT_EQ(BuildCommandLine(kDefaultServerMarker, "NLIST x", "DEFSRV.TXT"),
              "coMMand.coM /C NLIST x > DEFSRV.TXT");
    EXPECT_EQ(BuildCommandLine(kRightsMarker, "QVD_FSR.BAT"), "CoMMand.CoM /C QVD_FSR.BAT");
    EXPECT_FALSE(StartExternalCommand(kRightsMarker, std::string(300, 'x')));
}

// The whole path: the detached interpreter, the utility path of the settings,
// the output file, the batch state handed down, the error log.
TEST(Runner, RunsAUtilityThroughTheInterpreter) {
    const fs::path root = qv::test::TempDir();
    const fs::path work = root / "work", config = root / "config", tools = root / "tools";
    fs::create_directories(work);
    fs::create_directories(tools);
    {
        std::ofstream script(tools / "echoargs");
        script << "#!/bin/sh\nfor a in \"$@\"; do echo \"[$a]\"; done\n"
               << "echo \"context=$QUORVANE_CONTEXT drive=$QUORVANE_DRIVE "
                  "dir=$QUORVANE_DIRECTORY\"\nsleep 0.3\n";
    }
    fs::permissions(tools / "echoargs", fs::perms::owner_all);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    qv::UtilitySettings settings;
    settings.utilityPath = {tools.string()};
    ASSERT_TRUE(qv::UtilitySettingsStore().Write(settings));
    SetInterpreterPath(QV_CMD_PATH);
    const fs::path before = fs::current_path();
    fs::current_path(work);

    ASSERT_TRUE(StartExternalCommand(kDefaultServerMarker, "EchoArgs.EXE a \"b c\"", "OUT.TXT"));
    ASSERT_TRUE(WaitForCensusZero(kDefaultServerMarker));
    EXPECT_EQ(Slurp(work / "OUT.TXT"), "[a]\n[b c]\ncontext= drive= dir=\\\n");

    {
        std::ofstream bat(work / "QVD_FSR.BAT", std::ios::binary);
        bat << "CX \".SALES.CORP\"\r\nG:\r\nCD \"\\DATA\"\r\nECHOARGS x > ONE.TXT\r\n"
            << "ECHOARGS y > ../TWO.TXT\r\n";
    }
    ASSERT_TRUE(StartExternalCommand(kRightsMarker, "QVD_FSR.BAT"));
    ASSERT_TRUE(WaitForCensusZero(kRightsMarker));
    EXPECT_EQ(Slurp(work / "ONE.TXT"), "[x]\ncontext=SALES.CORP drive=G dir=\\DATA\n");
    EXPECT_FALSE(fs::exists(root / "TWO.TXT"));
    EXPECT_NE(Slurp(work / kInterpreterLog).find("../TWO.TXT"), std::string::npos);

    // A command line of kMaxCommandLine characters starts; one more does not.
    const std::string lead = BuildCommandLine(kRightsMarker, "EchoArgs.EXE ");
    const std::string fits(kMaxCommandLine - lead.size(), 'x');
    ASSERT_EQ(BuildCommandLine(kRightsMarker, "EchoArgs.EXE " + fits).size(), kMaxCommandLine);
    EXPECT_TRUE(StartExternalCommand(kRightsMarker, "EchoArgs.EXE " + fits)) << LastStartFailure();
    ASSERT_TRUE(WaitForCensusZero(kRightsMarker));
    EXPECT_FALSE(StartExternalCommand(kRightsMarker, "EchoArgs.EXE " + fits + "x"));
    EXPECT_EQ(LastStartFailure().rfind("The command line is longer than 255 characters: ", 0), 0u)
        << LastStartFailure();

    fs::current_path(before);
    unsetenv("XDG_CONFIG_HOME");
}
