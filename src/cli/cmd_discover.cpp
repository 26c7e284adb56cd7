// quorvane-cli discover TREE OUT.qvd: Search NDS Tree without windows.
#include "cli/cli.h"

#include "files/design_file.h"
#include "netware/nds_search.h"
#include "platform/tree_connections.h"

#include <algorithm>
#include <csignal>
#include <iostream>
#include <sys/stat.h>

namespace qv::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

class TerminalSearchDisplay : public SearchDisplay {
public:
    NdsSearch* search = nullptr;
    void LogAppended(const std::string& line) override { std::cerr << ToUtf8(line) << "\n"; }
    void Pump() override {
        if (gInterrupted && search && !search->abort) {
            search->BTN_CANCELClick();
            std::signal(SIGINT, SIG_DFL);
        }
    }
};

class TerminalDiscoveryHost : public DiscoveryHost {
public:
    std::string tree;
    bool verbose = false;
    bool ChooseTree(const std::vector<std::string>& trees, std::string& chosen,
                    bool& verboseOut) override {
        if (std::find(trees.begin(), trees.end(), tree) == trees.end()) {
            std::cerr << "quorvane-cli discover: no tree connection named " << tree << "\n";
            return false;
        }
        chosen = tree;
        verboseOut = verbose;
        return true;
    }
    bool RunSearch(NdsSearch& search) override { return RunSearchWithoutWindow(search); }
};

int Run(const Command& self, const CommandArguments& args) {
    TerminalDiscoveryHost host;
    std::vector<std::string> files;
    bool keepPartial = false;
    nds::ClearFaults();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--verbose") {
            host.verbose = true;
        } else if (args[i] == "--keep-partial") {
            keepPartial = true;
        } else if (args[i] == "--fault") {
            if (i + 1 >= args.size() || !nds::AddFaultFromText(args[i + 1]))
                return UsageError(self, "--fault needs CALL:N:STATUS with a known CALL");
            ++i;
        } else if (args[i].rfind("--", 0) == 0) {
            return UsageError(self, "unknown option '" + args[i] + "'");
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2)
        return UsageError(self, "expects TREE and OUT.qvd");
    host.tree = files[0];
    // A folder or special file as the output is refused before the walk.
    if (SaveTarget out = InspectSaveTarget(files[1]);
        out.kind == SaveTargetKind::Folder || out.kind == SaveTargetKind::Special) {
        PrintBox(out.error);
        return kExitFailed;
    }
    const TreeConnectionStore store;
    const Result<StoredTreeConnections> read = store.Read();
    if (!read) {
        PrintBox(read.error());
        return kExitFailed;
    }
    const StoredTreeConnections& stored = *read;
    // The files the connection names are refused by the client as every
    // reader refuses them; said here with the file's name.
    for (const nds::TreeConnection& c : stored.trees) {
        if (c.name != host.tree)
            continue;
        for (const std::string& file :
             {c.address.rfind("ldif:", 0) == 0 ? c.address.substr(5) : std::string(),
              c.bindDn.empty() ? std::string() : c.passwordFile})
            if (struct stat st{};
                !file.empty() && stat(file.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
                PrintBox("Cannot open file \"" + file + "\". " + NotRegularFileReason(file));
                return kExitFailed;
            }
    }
    // The tree named on the command line is the preferred one for this run
    // (not stored), so that the walk's first context is made on it and an
    // unrelated connection that cannot be opened does not stand in its way.
    nds::SetTreeConnections(
        stored.trees, std::any_of(stored.trees.begin(), stored.trees.end(),
                                  [&](const nds::TreeConnection& c) { return c.name == host.tree; })
                          ? host.tree
                          : stored.preferred);

    Session s;
    s.ui.answer = keepPartial;
    NewDesign(s.design, 1);
    TerminalSearchDisplay display;
    NdsSearch search(s.ui, display);
    display.search = &search;
    gInterrupted = 0;
    std::signal(SIGINT, OnInterrupt);
    bool kept = DiscoverTree(s.design, search, host);
    std::signal(SIGINT, SIG_DFL);
    // A script sees no dialog: a walk with counted errors is incomplete and
    // written only with --keep-partial, and the last line says how much was
    // read. An incomplete design is never a success, written or not.
    const bool partial = search.errorCount > 0 || search.result != 0 || search.abort;
    int exit = kExitFailed;
    if (kept && (!partial || keepPartial)) {
        // --keep-partial answers the walk's question only; the save asks as
        // every save of the command line does.
        s.ui.answer = true;
        if (s.SaveAs(files[1])) {
            exit = partial ? kExitFailed : kExitOk;
            if (partial)
                std::cerr << "An incomplete design was written to " << files[1] << ".\n";
        }
    } else if (kept) {
        std::cerr << "The walk logged errors: nothing was written (--keep-partial writes what "
                     "was read).\n";
    }
    std::cerr << search.objectCount << " objects read, " << search.errorCount << " errors\n";
    return exit;
}

const Registration kRegistration(
    {"discover", "TREE OUT.qvd [--verbose] [--keep-partial] [--fault CALL:N:STATUS]...",
     "read a live tree (Search NDS Tree) into a new design",
     "TREE is one of the tree connections (see trees). The log lines go to stderr as\n"
     "they are appended; DSSEARCH.ERR is written in the current folder as the search\n"
     "dialog writes it on close. When the walk was cancelled (Ctrl+C) or ended with a\n"
     "non-zero status, the question is printed and answered Yes only with\n"
     "--keep-partial; otherwise nothing is written and the exit status is 1. A walk\n"
     "that logged errors (limits of the server, referrals not followed, objects that\n"
     "could not be read) is written only with --keep-partial too. An incomplete\n"
     "design written so still exits with status 1. The last line on stderr is\n"
     "always \"N objects read, E errors\".\n"
     "--fault makes the N-th use of a client call return STATUS. Calls: init,\n"
     "locale-load, create-context, get-context, set-context, scan-trees, alloc-buf,\n"
     "init-buf, put-attr-name, set-preferred-tree, list, get-object-count,\n"
     "get-object-name, read, get-attr-count, get-attr-name, value-size, get-value.\n",
     Run});

} // namespace
} // namespace qv::cli
