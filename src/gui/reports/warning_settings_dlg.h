// TFM_WARNINGSETTINGS: the dialog of the warning and suggestion thresholds.
#pragma once

#include "reports/warning_settings.h"

#include <QDialog>
#include <array>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace qv::gui {

class TFM_WARNINGSETTINGS : public QDialog {
    Q_OBJECT
public:
    TFM_WARNINGSETTINGS(Interaction& ui, QWidget* parent = nullptr);

    // FormShow: fills the boxes from the settings and clears both flags.
    void FormShow(const WarningSettings& settings);
    // After the dialog closed: the record to store when OK was accepted.
    const std::optional<WarningSettings>& Accepted() const { return accepted_; }
    bool SettingsChanged() const { return settingsChanged_; }
    bool SettingsAccepted() const { return accepted_.has_value(); }

    void BTN_OKClick();
    void BTN_RESETClick();

private:
    SettingsDialogState State() const;
    void Load(const SettingsDialogState& state);

    Interaction& ui_;
    WarningSettings stored_;
    std::array<QLineEdit*, kSettingsEditCount> edits_{};
    std::array<QCheckBox*, kSettingsSwitchCount> checks_{};
    bool settingsChanged_ = false;
    std::optional<WarningSettings> accepted_;
};

} // namespace qv::gui
