// What quorvane-cli writes, when things go wrong: a full disk, a target with
// other names or one the user may not write, a failed standard output, and
// names that would drive the terminal.
#include "files/design_file.h"
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
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

// Runs quorvane-cli through the shell with a prefix (limits, redirections of
// stdout); returns the exit status, stderr in err.
int RunShell(const std::string& prefix, const std::vector<std::string>& args,
             const std::string& suffix, std::string& err) {
    const std::string dir = TempDir();
    std::string cmd = prefix + " " + Quote(QV_CLI_PATH);
    for (const std::string& a : args)
        cmd += " " + Quote(a);
    cmd += " </dev/null 2>" + Quote(dir + "/err") + " " + suffix;
    const int status = std::system(("sh -c " + Quote(cmd)).c_str());
    err = ReadFile(dir + "/err");
    std::system(("rm -rf " + Quote(dir)).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(FileOutput, AFullDiskKeepsTheOldFile) {
    // A file size limit makes every write past 1 KiB fail as a full disk
    // does (EFBIG instead of ENOSPC; SIGXFSZ ignored).
    const std::string dir = TempDir();
    const std::string design = SourcePath("examples/corp.qvd");
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const std::vector<Case> cases = {
        {{"print", "tree", design, dir + "/out.pdf"}, dir + "/out.pdf"},
        {{"generate", "--leaves", "2000", "--ldif", dir + "/out.ldif"}, dir + "/out.ldif"},
        {{"generate", "--leaves", "2000", dir + "/out.qvd"}, dir + "/out.qvd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.out);
        WriteFile(c.out, "the old contents");
        std::string err;
        EXPECT_EQ(RunShell("trap '' XFSZ; ulimit -f 2;", c.args, ">/dev/null", err), 1);
        EXPECT_NE(err.find("Error writing file \"" + c.out + "\". File too large"),
                  std::string::npos)
            << err;
        EXPECT_EQ(ReadFile(c.out), "the old contents");
        // Without the limit it is written.
        EXPECT_EQ(RunShell("", c.args, ">/dev/null", err), 0) << err;
        EXPECT_NE(ReadFile(c.out), "the old contents");
    }
}

TEST(FileOutput, OtherNamesAndReadOnlyTargetsAreTreatedAsASaveTreatsThem) {
    const std::string dir = TempDir();
    const std::string design = SourcePath("examples/corp.qvd");
    const std::vector<std::vector<std::string>> writers = {
        {"print", "tree", design, "@"},
        {"generate", "--leaves", "10", "--ldif", "@"},
        {"save-as", design, "@"},
    };
    for (const std::vector<std::string>& w : writers) {
        SCOPED_TRACE(w[0]);
        const std::string out = dir + "/out", alias = dir + "/alias";
        std::vector<std::string> args = w;
        args.back() = out;
        // Another name (hard link) keeps the old contents: only this name is
        // replaced, after the question (printed, answered Yes).
        std::remove(out.c_str());
        std::remove(alias.c_str());
        WriteFile(out, "old");
        ASSERT_EQ(link(out.c_str(), alias.c_str()), 0);
        auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.err.find(HardLinksQuestion(out, 2).substr(0, 40)), std::string::npos) << r.err;
        EXPECT_NE(ReadFile(out), "old");
        EXPECT_EQ(ReadFile(alias), "old");
        // A file the user may not write is refused from the command line.
        std::remove(alias.c_str());
        WriteFile(out, "old");
        ASSERT_EQ(chmod(out.c_str(), 0444), 0);
        r = RunCli(args);
        EXPECT_EQ(r.exitCode, 1);
        std::string question = ReadOnlyQuestion(out);
        for (char& c : question)
            if (c == '\r')
                c = '\n';
        EXPECT_NE(r.err.find(question), std::string::npos) << r.err;
        EXPECT_EQ(ReadFile(out), "old");
    }
}

TEST(FileOutput, AFailedStandardOutputIsNeverTakenForSuccess) {
    const std::string dir = TempDir();
    const std::string design = dir + "/d.qvd";
    ASSERT_EQ(RunCli({"save-as", SourcePath("examples/corp.qvd"), design}).exitCode, 0);
    WriteFile(dir + "/edit.txt", "create-object CORP USER BOB\n");
    std::string err;
    // Help on a closed or full output fails.
    for (const std::string& to : {std::string(">&-"), std::string(">/dev/full")})
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"--help"}, {"dump", "--help"}, {"print", "--help"}}) {
            SCOPED_TRACE(args[0] + " " + to);
            EXPECT_EQ(RunShell("", args, to, err), 1);
            EXPECT_NE(err.find("quorvane-cli: cannot write the output: "), std::string::npos)
                << err;
        }
    // A command whose file was written says so when its output fails.
    EXPECT_EQ(RunShell("", {"print", "tree", design, dir + "/out.pdf"}, ">/dev/full", err), 1);
    EXPECT_NE(err.find("The file \"" + dir + "/out.pdf\" was written ("), std::string::npos) << err;
    EXPECT_EQ(RunShell("", {"apply", design, dir + "/edit.txt", "-o", dir + "/out.qvd", "--log"},
                       ">/dev/full", err),
              1);
    EXPECT_NE(err.find("The design \"" + dir + "/out.qvd\" was written."), std::string::npos)
        << err;
}

TEST(FileOutput, C1ControlsAreEscapedAndUtf8TextIsNot) {
    const std::string dir = TempDir();
    test::Fixture f;
    NewDesign(f.design, 1);
    // A CSI as a Latin-1 byte, a CSI in UTF-8, and a name in Latin-1 (é).
    f.design.RenameNode(f.design.Root()->Child(0), "CSI\x9B"
                                                   "2J");
    f.design.AddChild(f.design.Root()->Child(0),
                      "U\xC2\x9B"
                      "2J",
                      kClassOrgUnit);
    f.design.AddChild(f.design.Root()->Child(0), "Ren\xE9", kClassOrgUnit);
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    WriteFile(dir + "/c1.qvd", bytes);
    auto r = RunCli({"dump", dir + "/c1.qvd"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("CSI\\x9B2J"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("U\\xC2\\x9B2J"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Ren\xC3\xA9"), std::string::npos) << r.out; // as UTF-8 text
    for (std::size_t i = 0; i + 1 < r.out.size(); ++i) {
        const auto c = static_cast<unsigned char>(r.out[i]);
        const auto next = static_cast<unsigned char>(r.out[i + 1]);
        EXPECT_FALSE(c >= 0x80 && c <= 0x9F &&
                     (i == 0 || static_cast<unsigned char>(r.out[i - 1]) < 0xC0))
            << i;
        EXPECT_FALSE(c == 0xC2 && next >= 0x80 && next <= 0x9F) << i;
    }
}

} // namespace
} // namespace qv
