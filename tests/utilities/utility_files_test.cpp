// The files of the console utilities: the four report readers (DEFSRV.TXT,
// SRD<n>.TXT, #DSR#<n>.TXT, #FSR#<n>.TXT) read any line ends alike, and every
// reader and writer of the utilities (the reports, the batch files, the
// interpreter's batch file, log and output files) refuses a FIFO, a device
// and a folder at once.
#include "utilities/default_servers.h"
#include "utilities/file_rights.h"
#include "utilities/interpreter.h"
#include "utilities/nds_rights.h"
#include "utilities/schema_compare.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::utilities {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- samples

const std::string kDefaultServers = "Object Class: User\n"
                                    "Current context: SALES.CORP\n"
                                    "User: JSMITH\n"
                                    "        Last Name: Smith\n"
                                    "        Default Server: FS2.SALES.CORP\n"
                                    "User: ajones\n"
                                    "        Last Name: Jones\n"
                                    "A total of 2 User objects were found in this context.\n"
                                    "\n"
                                    "Object Class: User\n"
                                    "Current context: ENG.CORP\n"
                                    "User: BOB\n"
                                    "        Last Name:\n"
                                    "        Default Server: fs1.corp\n"
                                    "A total of 1 User object was found in this context.\n"
                                    "\n"
                                    "A total of 3 User objects were found.";

const std::string kSchema = "Comparing FS1 with FS2...\n"
                            "\n"
                            "Classes unique to FS1\n"
                            "    profile\n"
                            "Classes unique to FS2\n"
                            "    None\n"
                            "Attributes unique to FS1\n"
                            "    telephoneNumber\n"
                            "Attributes unique to FS2\n"
                            "    None\n"
                            "Syntaxes unique to FS1\n"
                            "    None\n"
                            "Syntaxes unique to FS2\n"
                            "    1.3.6.1.4.1.1466.115.121.1.27 INTEGER\n"
                            "\n"
                            "Definition differences for FS1\n"
                            "Class definitions\n"
                            "user\n"
                            "\tMUST\n"
                            "\t\tHas surname\n"
                            "Definition differences for FS2\n"
                            "Class definitions\n"
                            "user\n"
                            "\tMUST\n"
                            "\t\tHas cn\n";

std::string NdsRow(const std::string& text, const std::string& object,
                   const std::string& property) {
    std::string line = text;
    line.resize(64, ' ');
    return line + object + property + "\n";
}

std::string NdsRightsSample() {
    const std::string header = "Object Path\n  Rights\n-------\n";
    const std::string ruling(78, '_');
    const std::string shortRuling = std::string(64, ' ') + std::string(14, '_') + "\n";
    return "How ADMIN got rights to FS1.\n" + header + ruling + "\n" + "[Root]\n" +
           NdsRow("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           NdsRow("  Inherits From Above", "[     ]", "[     ]") +
           NdsRow("  Equivalent To [Public]", "[ B   ]", "[     ]") + shortRuling +
           NdsRow("  Effective Rights", "[ B   ]", "[     ]") + ruling + "\n" + "CORP..\n" +
           NdsRow("  Inherited Rights Filter", "[SBCDR]", "[SCRWA]") +
           NdsRow("  Inherits From Above", "[ B   ]", "[     ]") +
           NdsRow("  ADMIN", "[S    ]", "[S    ]") + shortRuling +
           NdsRow("  Effective Rights", "[SBCDR]", "[SCRWA]") + ruling + "\n" +
           "Selected Property Rights\n" + "Network Address\n" +
           NdsRow("  ADMIN", "       ", "[ CRW ]") + shortRuling +
           NdsRow("  Effective Rights", "       ", "[ CRW ]");
}

std::string FileRow(const std::string& label, const std::string& rights) {
    std::string line = "    " + label;
    line.resize(67, ' ');
    return line + rights + "\n";
}

std::string FileRightsSample() {
    auto entry = [](const std::string& text, const std::string& filter, const std::string& above,
                    const std::string& effective) {
        return text + "\n" + FileRow("Inherited Rights Filter", filter) +
               FileRow("Inherits From Above", above) + FileRow("Effective Rights", effective) +
               "\n";
    };
    return "NAME=jsmith  \nheading one\n\n" +
           entry("CORP_SYS:\\", "[SRWCEMFA]", "[        ]", "[ R    F ]") +
           entry("CORP_SYS:\\PUBLIC", "[S R    F]", "[ R    F ]", "[ RWCEMFA]");
}

// ---------------------------------------------------------------- readers

// What a reader made of a report, as one text to compare.
using Reader = std::function<std::string(std::string_view text)>;

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "|";
    return out;
}

std::string ReadDefaultServers(std::string_view text) {
    DefaultServerContexts contexts;
    std::vector<std::string> memo;
    std::string out = ParseDefaultServerText(text, kDefaultServerFile, contexts, memo) ? "ok " : "";
    for (const DefaultServerContext& c : contexts)
        out += c.name + ": " + Join(c.users) + "\n";
    return out + Join(memo);
}

std::string ReadSchema(std::string_view text) {
    TSchCmpClass pair;
    std::vector<std::string> memo;
    std::string out = ParseSchemaReportText(text, "SRD1.TXT", "FS1,FS2", pair, memo) ? "ok " : "";
    for (const SchemaSide* side : {&pair.first, &pair.second})
        out += Join(side->items) + " / " + Join(side->classes) + " / " + Join(side->attrs) + "\n";
    return out + Join(memo);
}

std::string ReadNdsRights(std::string_view text) {
    std::vector<SourceRights> sources{SourceRights{"ADMIN", false, {}}};
    const Result<void> parsed = ParseNDSRightsReportText(text, "SALES.CORP", sources);
    std::string out = parsed ? "ok " : "";
    for (const TrusteeRights& t : sources[0].trustees) {
        out += "trustee " + t.name + "\n";
        for (const PathEntry& p : t.paths) {
            out += "  path " + p.name + " " + std::to_string(p.filterObject) + " " +
                   std::to_string(p.inheritedObject) + " " + std::to_string(p.effectiveObject) +
                   "\n";
            for (const Assignment& a : p.assignments)
                out += "    " + a.name + " " + std::to_string(a.objectRights) + "\n";
        }
        for (const PropertyRights& p : t.properties)
            out += "  property " + p.name + " " + std::to_string(p.effective) + "\n";
    }
    return out + parsed.error();
}

std::string ReadFileRights(std::string_view text) {
    FileRightsReports reports;
    const Result<void> parsed = ParseFileRightsReportText(text, reports);
    std::string out = parsed ? "ok " : "";
    for (const FileRightsReport& r : reports) {
        out += r.objectName + "\n";
        for (const FilePathEntry& e : r.entries)
            out += "  " + e.text + " " + std::to_string(e.filter) + " " +
                   std::to_string(e.inherited) + " " + std::to_string(e.effective) + "\n";
    }
    return out + parsed.error();
}

// The text with its "\n" line ends replaced: by "\r\n", by "\r", or by the
// three in turn (never a lone "\r" right before a "\n", which would join).
std::string WithLineEnds(const std::string& text, const std::string& how) {
    std::string out;
    const char* cycle[] = {"\r\n", "\n", "\r"};
    std::size_t n = 0;
    std::string previous;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n') {
            out.push_back(text[i]);
            previous.clear();
            continue;
        }
        std::string end = how == "mixed" ? cycle[n++ % 3] : how;
        if (previous == "\r" && end == "\n")
            end = "\r\n";
        out += end;
        previous = end;
    }
    return out;
}

TEST(UtilityReports, EveryReaderReadsAnyLineEndsAlike) {
    struct Case {
        const char* name;
        Reader read;
        std::string sample;
    };
    const Case cases[] = {
        {"DEFSRV.TXT", ReadDefaultServers, kDefaultServers},
        {"SRD1.TXT", ReadSchema, kSchema},
        {"#DSR#1.TXT", ReadNdsRights, NdsRightsSample()},
        {"#FSR#1.TXT", ReadFileRights, FileRightsSample()},
    };
    for (const Case& c : cases) {
        const std::string expected = c.read(c.sample);
        ASSERT_EQ(expected.rfind("ok ", 0), 0u) << c.name << "\n" << expected;
        for (const char* how : {"\r\n", "\r", "mixed"}) {
            SCOPED_TRACE(std::string(c.name) + (std::string(how) == "\r"     ? " CR"
                                                : std::string(how) == "\r\n" ? " CR LF"
                                                                             : " mixed"));
            EXPECT_EQ(c.read(WithLineEnds(c.sample, how)), expected);
        }
    }
    // A failure names the same line whatever ends the lines.
    std::string broken = kDefaultServers;
    broken.replace(broken.find("User: BOB"), 4, "Usr:");
    EXPECT_EQ(ReadDefaultServers(WithLineEnds(broken, "\r")), ReadDefaultServers(broken));
    EXPECT_NE(ReadDefaultServers(broken).find("Line :12 "), std::string::npos)
        << ReadDefaultServers(broken);
}

// ---------------------------------------------------------------- special files

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class UtilityFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qv-utilfiles-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        previous = here;
        ASSERT_EQ(chdir(dir.c_str()), 0);
        // A reader or writer that waits on a FIFO fails the test instead of
        // hanging it.
        alarm(120);
    }
    void TearDown() override {
        alarm(0);
        EXPECT_EQ(chdir(previous.c_str()), 0);
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Puts a special file of the kind at name (in the test's folder).
    void Make(const std::string& kind, const std::string& name) {
        const std::string path = dir + "/" + name;
        std::error_code ec;
        fs::remove_all(path, ec);
        if (kind == "FIFO")
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        else if (kind == "device")
            ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0);
        else if (kind == "folder")
            ASSERT_TRUE(fs::create_directory(path));
        else if (kind == "symlink") {
            Spit(dir + "/target-of-" + name, "old\n");
            ASSERT_EQ(symlink(("target-of-" + name).c_str(), path.c_str()), 0);
        }
    }
    // The kind of what is at name now.
    std::string KindOf(const std::string& name) {
        struct stat st {};
        if (lstat((dir + "/" + name).c_str(), &st) != 0)
            return "missing";
        if (S_ISFIFO(st.st_mode))
            return "FIFO";
        if (S_ISDIR(st.st_mode))
            return "folder";
        if (S_ISLNK(st.st_mode))
            return readlink((dir + "/" + name).c_str(), buffer, sizeof buffer) > 0 &&
                           std::string(buffer, 9) == "/dev/zero"
                       ? "device"
                       : "symlink";
        return "file";
    }

    std::string dir, previous;
    char buffer[256] = {};
};

TEST_F(UtilityFiles, EveryReaderAndWriterRefusesFifosDevicesAndFolders) {
    // A reader or writer: true when it read or wrote the file.
    struct Access {
        const char* name;
        std::string file;
        bool writes;
        std::function<bool(const std::string& name)> run;
    };
    ProcessInterpreterHost host({}, "QUORVANE-CMD.LOG");
    const std::vector<Access> all = {
        {"default server report", "DEFSRV.TXT", false,
         [](const std::string& f) {
             DefaultServerContexts contexts;
             std::vector<std::string> memo;
             return ParseDefaultServerFile(f, contexts, memo);
         }},
        {"schema report", "SRD1.TXT", false,
         [](const std::string& f) {
             TSchCmpClass pair;
             std::vector<std::string> memo;
             return ParseSchemaReportPath(f, f, "FS1,FS2", pair, memo);
         }},
        {"NDS rights report", "#DSR#1.TXT", false,
         [](const std::string& f) {
             std::vector<SourceRights> sources{SourceRights{"ADMIN", false, {}}};
             return ParseNDSRightsReport(f, "SALES.CORP", sources).ok();
         }},
        {"file rights report", "#FSR#1.TXT", false,
         [](const std::string& f) {
             FileRightsReports reports;
             return ParseFileRightsReport(f, reports).ok();
         }},
        {"interpreter batch file", "RUN.BAT", false,
         [&](const std::string& f) { return host.ReadBatch(f).ok(); }},
        {"NDS rights batch file", kRightsBatchFile, true,
         [](const std::string&) { return WriteRightsBatch(".", "CX \"\"\r\n").ok(); }},
        {"file rights batch file", std::string(kFileRightsBatch), true,
         [](const std::string&) { return WriteFileRightsBatch(".", "CX \".\"\r\n").ok(); }},
        {"utility output file", "OUT.TXT", true,
         [&](const std::string& f) { return host.Run("/bin/echo", {"new"}, f, {}); }},
    };
    for (const char* kind : {"FIFO", "device", "folder"})
        for (const Access& a : all) {
            SCOPED_TRACE(std::string(a.name) + " on a " + kind);
            Make(kind, a.file);
            EXPECT_FALSE(a.run(a.file));
            EXPECT_EQ(KindOf(a.file), kind);
        }
    // A link to a regular file: read through it; a writer replaces the file
    // it leads to as a whole (a new file), never writing into it in place.
    for (const Access& a : all) {
        SCOPED_TRACE(std::string(a.name) + " on a symlink");
        Make("symlink", a.file);
        const std::string target = dir + "/target-of-" + a.file;
        struct stat before {};
        ASSERT_EQ(stat(target.c_str(), &before), 0);
        const bool done = a.run(a.file);
        EXPECT_EQ(KindOf(a.file), "symlink");
        if (!a.writes)
            continue;
        EXPECT_TRUE(done);
        struct stat after {};
        ASSERT_EQ(stat(target.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino);
        EXPECT_NE(Slurp(target), "old\n");
    }
    // The interpreter's log is never written through a link, into a FIFO or
    // a device (the refused line still fails the run).
    for (const char* kind : {"FIFO", "device", "folder", "symlink"}) {
        SCOPED_TRACE(std::string("log on a ") + kind);
        Make(kind, "QUORVANE-CMD.LOG");
        host.LogError("a refused line");
        EXPECT_EQ(KindOf("QUORVANE-CMD.LOG"), kind);
    }
    EXPECT_EQ(Slurp(dir + "/target-of-QUORVANE-CMD.LOG"), "old\n");
    fs::remove(dir + "/QUORVANE-CMD.LOG");
    host.LogError("a refused line");
    EXPECT_NE(Slurp(dir + "/QUORVANE-CMD.LOG").find(" a refused line\n"), std::string::npos);
}

TEST_F(UtilityFiles, TheInterpreterRefusesLongBatchFilesAndFailsOnOutputItCannotWrite) {
    ProcessInterpreterHost host({"/bin"}, "QUORVANE-CMD.LOG");
    std::string lines;
    for (std::size_t i = 0; i < kMaxBatchLines; ++i)
        lines += "REM\r";
    Spit(dir + "/FULL.BAT", lines);
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C FULL.BAT", host), 0);
    Spit(dir + "/LONG.BAT", lines + "ECHO one too many\n");
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C LONG.BAT", host), 1);
    EXPECT_NE(Slurp(dir + "/QUORVANE-CMD.LOG").find("LONG.BAT: It has more than 100000 lines."),
              std::string::npos)
        << Slurp(dir + "/QUORVANE-CMD.LOG");
    // A batch file with CR line ends runs line by line.
    Spit(dir + "/CR.BAT", "CX \".SALES.CORP\"\rprintf one > ONE.TXT\rprintf two > TWO.TXT\r");
    EXPECT_EQ(RunCommandLine("CoMMand.CoM /C CR.BAT", host), 0);
    EXPECT_EQ(Slurp(dir + "/ONE.TXT"), "one");
    EXPECT_EQ(Slurp(dir + "/TWO.TXT"), "two");
    // An output file that cannot be written fails the line.
    ASSERT_TRUE(fs::create_directory(dir + "/OUT.TXT"));
    EXPECT_EQ(RunCommandLine("coMMand.coM /C printf x > OUT.TXT", host), 1);
    EXPECT_NE(Slurp(dir + "/QUORVANE-CMD.LOG").find("Cannot run /bin/printf > OUT.TXT"),
              std::string::npos);
}

} // namespace
} // namespace qv::utilities
