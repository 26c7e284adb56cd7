// The two interfaces through which the logic talks to whoever runs it: the
// desktop program implements them with windows, quorvane-cli with the
// terminal, the tests with scripted answers. The logic never depends on a window.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class ObjectNode;

// Where a progress text is shown. The desktop program maps each channel to a
// label or panel of the design window; other hosts may ignore the channel.
enum class ProgressChannel {
    Status,    // the design window's status text
    Import,    // the import panel (PNL_IMPORT) of the design window
    Label1,    // first progress label of the page being built
    Label2,    // second progress label
    Label3,    // third progress label
    AllPanels, // the status panels of every page (used while freeing a design)
};

// Progress of long operations. Long loops show texts, service the message
// queue once per step through Pump(), and poll the design's AbortRequested or
// PrintCancelRequested flags, which the host may set from inside Pump().
class Progress {
public:
    virtual ~Progress() = default;
    virtual void Show(ProgressChannel channel, std::string_view text) = 0;
    virtual void Pump() = 0;
};

// What a file dialog is asked for; the host decides how to present it.
struct FileDialogRequest {
    std::string title;
    std::string filter;     // "Description|*.ext|Description|*.ext" as the dialogs list them
    std::string defaultExt; // default extension setting of the dialog
    std::string initialName;
    bool overwritePrompt = false;
    bool pathMustExist = false;
};

// Message boxes and questions. Texts may contain "\r" as a line break.
class Interaction {
public:
    virtual ~Interaction() = default;
    // Plain message box without an icon (ShowMessage).
    virtual void Message(std::string_view text) = 0;
    // Information icon, OK button: notices and refusals.
    virtual void Information(std::string_view text) = 0;
    // Warning icon, OK button: invalid input.
    virtual void Warning(std::string_view text) = 0;
    // Error icon, OK button: a failed file operation with the system's error text.
    virtual void Error(std::string_view text) = 0;
    // Confirmation icon, Yes and No buttons. True for Yes.
    virtual bool AskYesNo(std::string_view text) = 0;
    // A Yes/No question shown with the information icon (a notice that asks
    // whether to show itself again); a question box where there is no icon.
    virtual bool AskYesNoNotice(std::string_view text) { return AskYesNo(text); }
    // A path, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) = 0;
};

// What the design window does when the model asks it to: refresh its tree
// page, show or hide the object labels, take a new caption, be enabled or not.
class DesignView {
public:
    virtual ~DesignView() = default;
    virtual void RefreshTreePage() {}
    virtual void SetObjectLabelsVisible(bool /*visible*/) {}
    virtual void ClearReplicaView() {}
    // The design's file name changed (caption and window list follow it).
    virtual void DesignFileNameChanged(const std::string& /*oldName*/,
                                       const std::string& /*newName*/) {}
    // Freeing a design disables the windows and detaches drawing handlers.
    virtual void SetWindowsEnabled(bool /*enabled*/) {}
    // The node the commands act on, and making another one that node (undo
    // takes the selection back to where an operation started).
    virtual ObjectNode* SelectedNode() { return nullptr; }
    virtual void SelectNode(ObjectNode* /*node*/) {}
    // A step was added to the undo history, or undone or redone.
    virtual void HistoryChanged() {}
};

// Hosts that do nothing: the default of every design until its owner sets one.
class NullProgress final : public Progress {
public:
    void Show(ProgressChannel, std::string_view) override {}
    void Pump() override {}
};

// Shows nothing and answers No to every question and Cancel to every dialog.
class NullInteraction final : public Interaction {
public:
    void Message(std::string_view) override {}
    void Information(std::string_view) override {}
    void Warning(std::string_view) override {}
    void Error(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
};

NullProgress& TheNullProgress();
NullInteraction& TheNullInteraction();
DesignView& TheNullView();

} // namespace qv
