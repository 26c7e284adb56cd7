// Search NDS Tree: reads a live tree through the directory client layer into
// a design. NdsSearch holds the state of the search dialog (TDLG_NDS_SEARCH)
// and runs the walk; the windows, the terminal and the tests show its fields
// and log through SearchDisplay. DiscoverTree is the design window's part.
#pragma once

#include "core/host.h"
#include "core/tree_design.h"
#include "netware/nds_client.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace qv {

// Status of a failed memory allocation in the walk.
inline constexpr nds::Status kStatusNoMemory = 2989;

// Texts of the search dialog's read-only fields.
struct SearchFields {
    std::string treeName;        // ED_TREENAME
    std::string totalPartitions; // ED_TOTALPARTITIONS
    std::string totalServers;    // ED_TOTALSERVERS
    std::string totalObjects;    // ED_TOTALOBJECTS
    std::string context;         // ED_CONTEXT
    std::string contextHint;     // ED_CONTEXT's hint
    std::string errors;          // ED_ERRORS
    std::string elapsed;         // ED_ELAPSED
};

// Where the search dialog shows its state. Pump processes pending messages;
// a Cancel pressed meanwhile calls NdsSearch::Cancel.
class SearchDisplay {
public:
    virtual ~SearchDisplay() = default;
    virtual void LogCleared() {}
    virtual void LogAppended(const std::string& /*line*/) {}
    virtual void FieldsChanged(const SearchFields& /*fields*/) {}
    virtual void ButtonsChanged(bool /*okEnabled*/, bool /*cancelEnabled*/) {}
    virtual void Pump() {}
};

struct ContainerEntry {
    std::string path;
    bool isPartition = false;
};

class NdsSearch {
public:
    NdsSearch(Interaction& ui, SearchDisplay& display);
    ~NdsSearch();
    NdsSearch(const NdsSearch&) = delete;
    NdsSearch& operator=(const NdsSearch&) = delete;

    // ---- the dialog's fields ----
    nds::ContextHandle context = nds::kNoContext;
    nds::LocaleRecord locale{};
    bool searching = false;
    std::int32_t objectCount = 0;
    double startTime = 0;
    std::int32_t errorCount = 0;
    bool abort = false;
    std::deque<ContainerEntry> containerList; // the ContainerList, head first
    bool verbose = false;
    TreeDesign* design = nullptr;
    std::int32_t result = 0;
    std::string treeName;

    // What RE_ERRORS holds, the field texts and the button states.
    std::vector<std::string> log;
    SearchFields fields;
    bool okEnabled = false;
    bool cancelEnabled = false;
    // Seconds since midnight; the base of the elapsed time.
    std::function<double()> clock;
    // Where the log is saved on close.
    std::string logFileName = "DSSEARCH.ERR";

    // ---- context ----
    nds::Status InitNDSContext();
    // What the last InitNDSContext returned and for which tree (the desktop
    // program forgets a typed password that the server refused).
    nds::Status contextStatus = nds::kOk;
    std::string contextTree;
    void FreeNDSContext();
    // Fills trees with the names of the tree connections (at most 100).
    nds::Status ScanTreeConnections(std::vector<std::string>& trees);

    // ---- the dialog's life ----
    void FormShow();
    // The first tick of Timer1: runs the walk.
    void Timer1Timer();
    // The Cancel button.
    void BTN_CANCELClick();
    // Closing: waits for the walk, saves the log to DSSEARCH.ERR.
    void FormClose();

    // ---- the walk and its helpers ----
    nds::Status RunNDSSearch();
    nds::Status AddToContainerList(const std::string& path, bool isPartition);
    void AddToServerList(const std::string& serverName);
    void AddToReplicaList(const std::uint8_t* value, std::size_t size);
    void AddToAddrList(const std::uint8_t* value, std::size_t size, int serverIndex);
    nds::Status ReadAttributes(const std::string& path, bool isServer);
    void SetServerDSVersion(std::int32_t value, int serverIndex);
    void AddPartitionRoot(const std::string& path);
    void AddObjectEntry(const std::string& className, const std::string& name, bool isContainer);
    ObjectNode* FindOrAddTreeNode(const std::string& relativePath);
    static std::string StripTreeName(const std::string& path);
    void UpdateSearchDisplay();
    static std::string ElapsedText(double seconds);

    void Log(const std::string& line);

private:
    void CountedError(const std::string& message);
    // Logs what the directory said since the last call: its lines (those
    // marked as errors counted) and, after a failure, its own words. True when it can
    // serve the walk no more; the line that says so is then logged (once).
    bool NoteDirectory(bool failed);
    void Pump();

    // The steps of RunNDSSearch, in order; SearchWalk holds what one walk
    // keeps between them. Those giving a bool return false when the walk
    // ends there.
    struct SearchWalk;
    // A failed status ends the walk: the message and status are logged.
    bool Fatal(SearchWalk& w, const char* message);
    void EndIteration(SearchWalk& w);
    // The buffers, the tree asked for and the tree root as the first container.
    bool StartSearch(SearchWalk& w);
    bool AllocateSearchBuffers(SearchWalk& w);
    // Makes the tree asked for the primary one when it is not.
    bool UseSearchTree(SearchWalk& w);
    // Each container of the list in turn, those found added at its end.
    void WalkContainers(SearchWalk& w);
    bool ReadPartitionReplicas(SearchWalk& w, const std::string& head);
    // Every page of the container's listing.
    void ListContainer(SearchWalk& w, const std::string& head);
    void ListPage(SearchWalk& w, const std::string& head);
    // One object of the page; false when the page (or the walk) ends there.
    bool ListObject(SearchWalk& w, const std::string& head);
    // A server found at w.path, with its attributes read.
    bool AddFoundServer(SearchWalk& w, const std::string& head);
    // Clean-up, always: the buffers and the context are freed.
    void FinishSearch(SearchWalk& w);

    Interaction& ui_;
    SearchDisplay& display_;
    bool tablesLoaded_ = false;
    ObjectNode* current_ = nullptr;
    nds::Buffer* listBuf_ = nullptr;
    nds::Buffer* attrNameBuf_ = nullptr;
    nds::Buffer* readBuf_ = nullptr;
};

// The tree chooser (TDLG_TREES) and the modal search dialog, as the host shows them.
class DiscoveryHost {
public:
    virtual ~DiscoveryHost() = default;
    // Shows the tree list; true when closed with OK, with the chosen tree
    // and the state of CB_VERBOSE.
    virtual bool ChooseTree(const std::vector<std::string>& trees, std::string& chosen,
                            bool& verbose) = 0;
    // Shows the search dialog modally; true when it closed with OK.
    virtual bool RunSearch(NdsSearch& search) = 0;
};

// Fills the fresh design of a new design window from the chosen tree. True
// when the window stays open; false when the caller must free the design and
// close the window. Message boxes go through the design's Interaction.
bool DiscoverTree(TreeDesign& design, NdsSearch& search, DiscoveryHost& host);

// Runs the search dialog without windows: show, first tick, close. True when
// it ended as if closed with OK (not cancelled).
bool RunSearchWithoutWindow(NdsSearch& search);

// The confirmation question of Search NDS Tree.
extern const char* const kDiscoverQuestion;

} // namespace qv
