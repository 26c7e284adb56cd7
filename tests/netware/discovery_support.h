// Shared by the discovery tests: the private directory server (started once
// per test program), the edge-case directory and scripted hosts.
#pragma once

#include "netware/nds_search.h"
#include "support/scripted.h"
#include "support/slapd_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace qv::test {

// The directory of edge cases: tree EDGE_TREE (see discovery_support.cpp).
const std::string& EdgeLdifPath();
// The same directory named PAGED_TREE; its server answers at most 100 entries
// to a search without the paged-results control.
const std::string& PagedLdifPath();
std::string CorpLdifPath();
// The server with CORP_TREE and EDGE_TREE loaded (started on first use).
SlapdServer& Directory();

enum class Backend { Ldif, Ldap };
std::string BackendName(Backend b);
// The tree connection of the tree through the backend.
nds::TreeConnection Connection(Backend b, const std::string& tree);

class RecordingDisplay : public SearchDisplay {
public:
    NdsSearch* search = nullptr;
    std::vector<SearchFields> shown;
    long pumps = 0;
    // Presses Cancel at the given pump (0: never).
    long cancelAtPump = 0;
    void FieldsChanged(const SearchFields& f) override {
        if (keepFields)
            shown.push_back(f);
    }
    void Pump() override {
        ++pumps;
        if (cancelAtPump && pumps == cancelAtPump && search)
            search->BTN_CANCELClick();
    }
    bool keepFields = false;
};

class ScriptedDiscoveryHost : public DiscoveryHost {
public:
    std::string tree;
    bool verbose = false;
    bool cancelChooser = false;
    std::vector<std::string> offered;
    bool ChooseTree(const std::vector<std::string>& trees, std::string& chosen,
                    bool& verboseOut) override {
        offered = trees;
        if (cancelChooser)
            return false;
        chosen = tree;
        verboseOut = verbose;
        return true;
    }
    bool RunSearch(NdsSearch& search) override { return RunSearchWithoutWindow(search); }
};

// One discovery run: a fresh design (as File New), the search and its hosts.
struct Discovery {
    ScriptedInteraction ui;
    NullProgress progress;
    TreeDesign design;
    RecordingDisplay display;
    NdsSearch search{ui, display};
    ScriptedDiscoveryHost host;
    bool kept = false;
    explicit Discovery(const std::string& tree);
    bool Run();
    bool Logged(const std::string& line) const;
    // The design as text: the tree, leaf lists, partitions, servers, attributes.
    std::string Text() const;
};

std::string DesignText(TreeDesign& design);

} // namespace qv::test
