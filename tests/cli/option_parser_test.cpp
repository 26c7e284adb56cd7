// The option parser of every command: arguments missing or left over, an
// unknown option, an option without its value, an option given twice. Each
// is a usage error: exit status 2, nothing on stdout, and the command's own
// message as the first line of stderr (its usage follows). Nothing is read
// or written before the arguments are understood, so no file here exists.
#include "support/cli_runner.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv::test {
namespace {

struct Case {
    std::vector<std::string> args;
    const char* message; // after "quorvane-cli COMMAND: "
};

const Case kCases[] = {
    // apply DESIGN.qvd SCRIPT [-o OUT.qvd] [--log] [--undo N]
    {{"apply"}, "expects a design and a script"},
    {{"apply", "d.qvd", "s.txt", "x"}, "expects a design and a script"},
    {{"apply", "d.qvd", "s.txt", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"apply", "d.qvd", "s.txt", "--undo"}, "--undo needs a value"},
    {{"apply", "d.qvd", "s.txt", "-o", "a.qvd", "-o", "b.qvd"}, "-o given twice"},
    {{"apply", "d.qvd", "s.txt", "--log", "--log"}, "--log given twice"},
    // compare-schema DESIGN.qvd SERVER SERVER... [--reports DIR] [--tick-ms N]
    {{"compare-schema", "d.qvd", "FS1"}, "expects DESIGN and at least two SERVERs"},
    {{"compare-schema", "d.qvd", "FS1", "FS2", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"compare-schema", "d.qvd", "FS1", "FS2", "--tick-ms"}, "--tick-ms needs a value"},
    {{"compare-schema", "d.qvd", "FS1", "FS2", "--reports", "a", "--reports", "b"},
     "--reports given twice"},
    // diff A.qvd B.qvd [--plan OUT.qvs]
    {{"diff", "a.qvd"}, "expects two designs"},
    {{"diff", "a.qvd", "b.qvd", "c.qvd"}, "expects two designs"},
    {{"diff", "a.qvd", "b.qvd", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"diff", "a.qvd", "b.qvd", "--plan"}, "--plan needs a value"},
    {{"diff", "a.qvd", "b.qvd", "--plan", "p", "--plan", "q"}, "--plan given twice"},
    // discover TREE OUT.qvd [--verbose] [--keep-partial] [--fault CALL:N:STATUS]...
    {{"discover", "T"}, "expects TREE and OUT.qvd"},
    {{"discover", "T", "o.qvd", "x"}, "expects TREE and OUT.qvd"},
    {{"discover", "T", "o.qvd", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"discover", "T", "o.qvd", "--fault"}, "--fault needs CALL:N:STATUS with a known CALL"},
    {{"discover", "T", "o.qvd", "--verbose", "--verbose"}, "--verbose given twice"},
    {{"discover", "T", "o.qvd", "--keep-partial", "--keep-partial"}, "--keep-partial given twice"},
    // dump IN.qvd
    {{"dump"}, "expects exactly one file"},
    {{"dump", "a.qvd", "b.qvd"}, "expects exactly one file"},
    // file-rights DESIGN.qvd --context C --drive LETTER --directory PATH --leaf L...
    {{"file-rights", "d.qvd", "--context"}, "--context needs a value"},
    {{"file-rights", "d.qvd", "--context", "C", "--context", "D"}, "--context given twice"},
    {{"file-rights", "d.qvd", "--frobnicate"}, "unknown option '--frobnicate'"},
    // generate OUT.qvd [--containers N] ... [--seed N]
    {{"generate", "a.qvd", "b.qvd"}, "expects one output file"},
    {{"generate", "a.qvd", "--frobnicate", "1"}, "unknown option '--frobnicate'"},
    {{"generate", "a.qvd", "--seed"}, "--seed needs a value"},
    {{"generate", "a.qvd", "--seed", "1", "--seed", "2"}, "--seed given twice"},
    // grid KIND DESIGN.qvd [--sort]
    {{"grid", "partitions"}, "expects KIND and DESIGN"},
    {{"grid", "partitions", "d.qvd", "x"}, "expects KIND and DESIGN"},
    {{"grid", "partitions", "d.qvd", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"grid", "partitions", "d.qvd", "--sort", "--sort"}, "--sort given twice"},
    // import-objects DESIGN.qvd REPORT [-o OUT.qvd]
    {{"import-objects", "d.qvd"}, "expects a design and one more file"},
    {{"import-objects", "d.qvd", "r.txt", "x"}, "expects a design and one more file"},
    {{"import-objects", "d.qvd", "r.txt", "-o"}, "-o needs a value"},
    {{"import-objects", "d.qvd", "r.txt", "-o", "a", "-o", "b"}, "-o given twice"},
    // import-rings REPORT OUT.qvd
    {{"import-rings", "r.txt"}, "expects a report and an output file"},
    {{"import-rings", "r.txt", "o.qvd", "--frobnicate"}, "unknown option '--frobnicate'"},
    // import-versions DESIGN.qvd REPORT [-o OUT.qvd]
    {{"import-versions", "d.qvd", "r.txt", "x"}, "expects a design and one more file"},
    {{"import-versions", "d.qvd", "r.txt", "-o", "a", "-o", "b"}, "-o given twice"},
    // individual-report DESIGN.qvd CONTEXT
    {{"individual-report", "d.qvd"}, "expects DESIGN and CONTEXT"},
    {{"individual-report", "d.qvd", "C", "x"}, "expects DESIGN and CONTEXT"},
    // merge DESIGN.qvd OTHER.qvd [-o OUT.qvd]
    {{"merge", "d.qvd", "b.qvd", "x"}, "expects a design and one more file"},
    {{"merge", "d.qvd", "b.qvd", "-o"}, "-o needs a value"},
    // nds-rights DESIGN.qvd --context C1 --container C2 --leaf L... --target T...
    {{"nds-rights", "d.qvd", "--context", "C", "--context", "D"}, "--context given twice"},
    {{"nds-rights", "d.qvd", "--container"}, "--container needs a value"},
    // new OUT.qvd
    {{"new"}, "expects exactly one file"},
    {{"new", "a.qvd", "b.qvd"}, "expects exactly one file"},
    // plan-replicas DESIGN.qvd [--plan PLAN.txt] [-o OUT.qvd] [--add-only] ...
    {{"plan-replicas"}, "expects a design"},
    {{"plan-replicas", "d.qvd", "x"}, "expects a design"},
    {{"plan-replicas", "d.qvd", "--max-changes"}, "--max-changes needs a value"},
    {{"plan-replicas", "d.qvd", "--max-changes", "1", "--max-changes", "2"},
     "--max-changes given twice"},
    {{"plan-replicas", "d.qvd", "--add-only", "--add-only"}, "--add-only given twice"},
    // print WHAT DESIGN.qvd OUT.pdf [--text] [--test-page] [--page-size A4|Letter] [--dpi N]
    {{"print"}, "expects WHAT, DESIGN and OUT"},
    {{"print", "tree", "d.qvd", "o.pdf", "--dpi"}, "--dpi needs a value"},
    {{"print", "tree", "d.qvd", "o.pdf", "--dpi", "100", "--dpi", "200"}, "--dpi given twice"},
    {{"print", "tree", "d.qvd", "o.pdf", "--text", "--text"}, "--text given twice"},
    {{"print", "tree", "d.qvd", "o.pdf", "--frobnicate"}, "unknown option '--frobnicate'"},
    // replica-report DESIGN.qvd CONTEXT; report KIND DESIGN.qvd; save-as IN OUT
    {{"replica-report", "d.qvd", "C", "x"}, "expects DESIGN and CONTEXT"},
    {{"report", "partitions", "d.qvd", "x"}, "expects KIND and DESIGN"},
    {{"save-as", "a.qvd"}, "expects an input and an output file"},
    {{"save-as", "a.qvd", "b.qvd", "c.qvd"}, "expects an input and an output file"},
    // settings show|set|reset
    {{"settings"}, "expects show, set or reset"},
    {{"settings", "show", "x"}, "show takes no arguments"},
    // trees [add NAME ADDRESS [--bind-dn DN] ... | remove NAME | prefer NAME]
    {{"trees", "add", "A"}, "add expects NAME and ADDRESS"},
    {{"trees", "add", "A", "ldif:x", "--timeout"}, "--timeout needs a value"},
    {{"trees", "add", "A", "ldif:x", "--timeout", "5", "--timeout", "6"}, "--timeout given twice"},
    {{"trees", "add", "A", "ldif:x", "--starttls", "--starttls"}, "--starttls given twice"},
    {{"trees", "add", "A", "ldif:x", "--frobnicate"}, "unknown option '--frobnicate'"},
    {{"trees", "remove"}, "remove expects NAME"},
    {{"trees", "remove", "A", "B"}, "remove expects NAME"},
    // utilities [map LETTER VOLUME | unmap LETTER | path [FOLDER...]]
    {{"utilities", "map", "F"}, "map expects LETTER and VOLUME"},
    {{"utilities", "map", "F", "X", "Y"}, "map expects LETTER and VOLUME"},
    // verify-default-servers DESIGN.qvd CONTEXT [--report FILE] [--tick-ms N]
    {{"verify-default-servers", "d.qvd"}, "expects DESIGN and CONTEXT"},
    {{"verify-default-servers", "d.qvd", "C", "x"}, "expects DESIGN and CONTEXT"},
    {{"verify-default-servers", "d.qvd", "C", "--report", "a", "--report", "b"},
     "--report given twice"},
    {{"verify-default-servers", "d.qvd", "C", "--tick-ms"}, "--tick-ms needs a value"},
};

TEST(OptionParser, EveryCommandRefusesWhatItCannotUnderstand) {
    for (const Case& c : kCases) {
        std::string shown;
        for (const std::string& a : c.args)
            shown += a + " ";
        const CliResult r = RunCli(c.args, "", {"XDG_CONFIG_HOME=/nonexistent/qv-config"});
        EXPECT_EQ(r.exitCode, 2) << shown << r.err;
        EXPECT_EQ(r.out, "") << shown;
        const std::string first = r.err.substr(0, r.err.find('\n'));
        EXPECT_EQ(first, "quorvane-cli " + c.args[0] + ": " + c.message) << shown;
        EXPECT_NE(r.err.find("Usage: quorvane-cli " + c.args[0]), std::string::npos) << shown;
    }
}

// A tree connection's name: 32 characters are taken, 33 are not, nor none.
TEST(OptionParser, TreeNamesUpToThirtyTwoCharacters) {
    const std::string config = "XDG_CONFIG_HOME=" + TempDir() + "/config";
    struct Case {
        std::string name;
        int exit;
    };
    for (const Case& c :
         {Case{std::string(32, 'T'), 0}, Case{std::string(33, 'T'), 2}, Case{"", 2}}) {
        const CliResult r =
            RunCli({"trees", "add", c.name, "ldif:/nonexistent.ldif"}, "", {config});
        EXPECT_EQ(r.exitCode, c.exit) << c.name.size() << r.err;
        if (c.exit == 2) {
            EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
                      "quorvane-cli trees: a tree name has 1 to 32 characters")
                << c.name.size();
        }
    }
    const CliResult listed = RunCli({"trees"}, "", {config});
    EXPECT_NE(listed.out.find(std::string(32, 'T') + " ldif:/nonexistent.ldif"), std::string::npos)
        << listed.out;
}

} // namespace
} // namespace qv::test
