// The desktop program's message boxes and file dialogs.
#pragma once

#include "core/host.h"

#include <QElapsedTimer>
#include <QString>
#include <array>
#include <functional>

class QFileDialog;
class QWidget;

namespace qv::gui {

// Qt file dialog filter from the "Description|*.ext|..." form of the logic.
QString QtFilter(const std::string& filter);
// The extension ("qvd") of the pattern of a Qt filter entry, or empty for "*".
QString FilterSuffix(const QString& qtFilterEntry);

class QtInteraction final : public Interaction {
public:
    explicit QtInteraction(QWidget* mainWindow) : main_(mainWindow) {}
    void Message(std::string_view text) override;
    void Information(std::string_view text) override;
    void Warning(std::string_view text) override;
    void Error(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;
    bool AskYesNoNotice(std::string_view text) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    // The folder a file dialog opens in when its request names none (the
    // active design's folder); without one, the last folder a dialog chose.
    void SetFolderHint(std::function<QString()> hint) { folderHint_ = std::move(hint); }

private:
    QWidget* Parent() const;
    // The folder, size and view of a file dialog.
    void Prepare(QFileDialog& dlg, const FileDialogRequest& request) const;
    // Shows the dialog, prepared and with the request's name: the chosen path
    // (its folder is remembered), or none when it was cancelled.
    std::optional<std::string> Run(QFileDialog& dlg, const FileDialogRequest& request);
    QWidget* main_;
    std::function<QString()> folderHint_;
    QString lastFolder_;
};

// The progress texts of a design window. During a long operation (while
// holding() is true) the newest text of each channel is kept and painted when
// the message queue is next serviced; a loop of a hundred thousand steps then
// does not lay out its panel a hundred thousand times.
class ProgressRelay final : public Progress {
public:
    using Painter = std::function<void(ProgressChannel channel, const QString& text)>;
    // paint shows a text; holding tells whether texts wait for the next pump;
    // beforePump runs before the queue is serviced.
    ProgressRelay(Painter paint, std::function<bool()> holding, std::function<void()> beforePump);
    void Show(ProgressChannel channel, std::string_view text) override;
    void Pump() override;
    // Paints the texts that wait.
    void Flush();

private:
    Painter paint_;
    std::function<bool()> holding_;
    std::function<void()> beforePump_;
    std::array<std::string, 6> pending_;
    unsigned channels_ = 0;
    QElapsedTimer pumpTimer_;
};

} // namespace qv::gui
