// The desktop program's message boxes and file dialogs.
#pragma once

#include "core/host.h"

#include <QString>

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
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;

private:
    QWidget* Parent() const;
    QWidget* main_;
};

// The "not available in this version" notice of commands that are not built yet.
void ShowNotAvailable(Interaction& ui);

} // namespace qv::gui
