// Verify User Default Server: NLIST lists every user below a container with
// its default server into DEFSRV.TXT; the program waits for it through the
// census of its marker, reads the file into a list of contexts with their
// users, finds each context's partition in the design and tells, user by
// user, whether the default server holds a writable replica of it.
#pragma once

#include "core/tree_design.h"
#include "utilities/command_runner.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

inline constexpr const char* kDefaultServerFile = "DEFSRV.TXT";
// Separates a user's name from its default server in a user list item.
inline constexpr char kServerSeparator = '\xBC';
// The result window locates this many contexts; the others are listed only.
inline constexpr std::size_t kMaxLocatedContexts = 2000;
// Image of a context that the design knows only by a shorter name.
inline constexpr int kShortenedContextImage = 52;
inline constexpr int kUserImage = 44;
inline constexpr int kServerImage = 3;
inline constexpr int kPartitionImage = 4;

inline constexpr const char* kDefaultServerRunning =
    "There is currently an instance of the User Default Server Report\rrunning.  Please close "
    "this instance before continuing.";
inline constexpr const char* kDefaultServerAbortQuestion =
    "NLIST has not finished generating the report.\rAborting will NOT stop the NLIST "
    "report.\rDo you wish to Abort?";
inline constexpr const char* kDefaultServerSaveNotice =
    "Save the report as a *.RTF file.\rUse WordPad to view the document.";

// One context of the report: its name (upper case) and its users, each "NAME"
// or "NAME" + kServerSeparator + "SERVER".
struct DefaultServerContext {
    std::string name;
    std::vector<std::string> users;
    bool sorted = false;
};
using DefaultServerContexts = std::vector<DefaultServerContext>;

// The NLIST command text for a context given as "." + FullContext.
std::string DefaultServerCommandText(std::string_view contextText);
// "." + the FullContext of the node.
std::string DefaultServerContextText(const TreeDesign& design, const ObjectNode* node);

// Reads DEFSRV.TXT of the current folder. On success the contexts are filled
// and memo gets an empty line and the success line; on failure the contexts
// are emptied and memo gets the four error lines.
bool ParseDefaultServerFile(DefaultServerContexts& contexts, std::vector<std::string>& memo);
// The same on another file, whose name appears in the memo lines.
bool ParseDefaultServerFile(const std::string& path, DefaultServerContexts& contexts,
                            std::vector<std::string>& memo);
// The same on text already read; fileName is what the memo lines name.
bool ParseDefaultServerText(std::string_view text, std::string_view fileName,
                            DefaultServerContexts& contexts, std::vector<std::string>& memo);

// Ticks NLIST is waited for after its start before the wait is given up (ten
// minutes at one tick a second).
inline constexpr int kDefaultServerTickLimit = 600;

// The waiting of the progress dialog, one Tick() per timer interval: the first
// tick that finds no marked process starts the command; the report is read on
// the eleventh tick without a marked process after that.
class DefaultServerWait {
public:
    DefaultServerWait(Census census, std::function<void()> startCommand);

    // The dialog is shown: counters cleared, the timer runs.
    void Start();
    // One timer tick. True when the timer stopped: the file is to be read
    // now, unless the interpreter could not be started (StartFailed(), the
    // reason in LastStartFailure()) or the wait was given up (GaveUp(): more
    // than the tick limit of ticks with NLIST still running; its processes
    // were ended).
    bool Tick();
    bool StartFailed() const { return startFailed_; }
    bool GaveUp() const { return gaveUp_; }
    void SetTickLimit(int ticks) { tickLimit_ = ticks; }
    int TickLimit() const { return tickLimit_; }
    // The Abort button. True when the dialog closes; while the timer runs the
    // question is asked, and No keeps waiting.
    bool Abort(const std::function<bool(std::string_view)>& askYesNo);

    bool Running() const { return running_; }
    const std::string& Label() const { return label_; }
    int LaunchCounter() const { return launch_; }
    int AnimationStep() const { return step_; }
    // Kept for the whole run of the program; set back to 0 by every launch.
    static int TickBase();

private:
    Census census_;
    std::function<void()> start_;
    std::string label_;
    int launch_ = 0;
    int step_ = 0;
    int busy_ = 0;
    int tickLimit_ = kDefaultServerTickLimit;
    bool running_ = false;
    bool startFailed_ = false;
    bool gaveUp_ = false;
};

// Deletes the DEFSRV.TXT of the folder (anything but a folder of that name)
// before NLIST runs, so that an old report is never read as the new one.
void DeleteOldDefaultServerReport(const std::string& folder = ".");

// Why NLIST gave no file to read, as memo lines: the interpreter could not
// start, the wait was given up, or the lines the interpreter logged (NLIST not
// on the utility path); empty when the file is to be read.
std::vector<std::string> DefaultServerRunProblems(const DefaultServerWait& wait,
                                                  const InterpreterLogWatch& log);

// Where a context was found in the design: the image it is drawn with and the
// absolute index of its partition's root node; -1 in either when not located.
struct LocatedContext {
    int image = -1;
    int rootIndex = -1;
    // Past kMaxLocatedContexts: listed, never looked up.
    bool beyondLimit = false;
    bool Located() const { return image != -1 && rootIndex != -1; }
};
std::vector<LocatedContext> LocateContexts(TreeDesign& design,
                                           const DefaultServerContexts& contexts);

// The node at a pre-order position of the tree (the root is 0), or nullptr;
// and the position of a node.
ObjectNode* NodeAtAbsoluteIndex(const TreeDesign& design, int index);
int AbsoluteIndexOf(const TreeDesign& design, const ObjectNode* node);

// The writable replicas of the partition whose name is the root's
// FullContext (compared without regard to case): server names, sorted.
std::vector<std::string> RecommendedServers(const TreeDesign& design, const ObjectNode* root);

// Sorts a context's users once (they stay sorted).
void SortUsers(DefaultServerContext& context);
// The name part of a user item, and its default server's first name
// component ("NONE" without a server).
std::string UserName(std::string_view item);
std::string DefaultServerShortName(std::string_view item);
// The first item whose name part equals the user (first 80 characters).
int FindUserItem(const DefaultServerContext& context, std::string_view user);

// The lines of the summary of one context.
std::vector<std::string> BuildDefaultServerSummary(const DefaultServerContext& context,
                                                   std::string_view partitionRoot,
                                                   const std::vector<std::string>& recommended);

// The summary as a rich text document in Courier New, one paragraph a line,
// as WordPad opens it (characters above 127 written as \'hh).
std::string SummaryAsRichText(const std::vector<std::string>& lines);

// "Could not locate partition root for : " ... with "\r" between its lines.
std::string CannotLocateMessage(std::string_view context);
// The notice about the contexts past kMaxLocatedContexts; empty when none.
std::string BeyondLimitMessage(std::size_t contextCount);

} // namespace qv::utilities
