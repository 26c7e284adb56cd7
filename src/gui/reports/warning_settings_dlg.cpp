#include "gui/reports/warning_settings_dlg.h"

#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cstring>

namespace qv::gui {

namespace {

// Check box, or label, beside each edit box, by field number; nullptr where a
// label (not a check box) names the row.
struct EditRow {
    const char* caption;
    const char* checkBox; // the switch of the row, or nullptr
    const char* hint;
};

const EditRow kEditRows[kSettingsEditCount] = {
    {"Maximum SubRef Replicas Per Server :", "CB_MAX_SUBREFS", nullptr},
    {"Maximum Readable Replicas Per Server :", "CB_MAX_READABLES",
     "SubRefs are not readable replicas..."},
    {"4.x DS Version :", "CB_MIN_DS_VERSION", nullptr},
    {"5.x DS Version :", nullptr, nullptr},
    {"Skads DS Version :", nullptr, nullptr},
    {"Mimimum Replicas Per Partition :", "CB_MIN_REPLICAS_PER_PARTITION",
     "SubRefs are not counted..."},
    {"Maximum Replicas Per Partition:", "CB_MAX_REP_PARTITION", nullptr},
    {"Maximum Objects Per Container :", "CB_MAX_OBJS_PER_CONTAINER", nullptr},
};

const std::pair<const char*, const char*> kPlainChecks[] = {
    {"CB_CHECK_IPX_ADDRESS", "Warn if addresses have not been imported"},
    {"CB_SERVER_CONTAIN_REPLICA", "Warn if servers contain no replicas"},
    {"CB_DUP_ADDR", "Check for duplicate addresses"},
};

} // namespace

TFM_WARNINGSETTINGS::TFM_WARNINGSETTINGS(Interaction& ui, QWidget* parent)
    : QDialog(parent), ui_(ui) {
    setObjectName(QStringLiteral("TFM_WARNINGSETTINGS"));
    setWindowTitle(QStringLiteral("Warning/Suggestion Settings"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    const auto& editFields = SettingsEditFields();
    const auto& switchFields = SettingsSwitchFields();
    auto checkNamed = [&](const char* name) -> QCheckBox*& {
        for (std::size_t i = 0; i < switchFields.size(); ++i)
            if (std::strcmp(switchFields[i].checkBox, name) == 0)
                return checks_[i];
        static QCheckBox* none = nullptr;
        return none;
    };

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    for (int i = 0; i < kSettingsEditCount; ++i) {
        const EditRow& r = kEditRows[i];
        if (i == 2) {
            auto* heading = MakeNamed<QLabel>(this, "LBL_MIN_DSVERSION",
                                              QStringLiteral("Minimum DS Version Per Server :"));
            grid->addWidget(heading, row++, 0, 1, 2);
        }
        QWidget* caption;
        if (r.checkBox) {
            auto* cb = new QCheckBox(QString::fromLatin1(r.caption), this);
            cb->setObjectName(QLatin1String(r.checkBox));
            checkNamed(r.checkBox) = cb;
            caption = cb;
        } else {
            auto* label = new QLabel(QString::fromLatin1(r.caption), this);
            label->setObjectName(QStringLiteral("LBL_%1").arg(i + 1));
            caption = label;
        }
        if (r.hint)
            caption->setToolTip(QString::fromLatin1(r.hint));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(editFields[static_cast<std::size_t>(i)].editBox));
        edit->setMaxLength(7);
        edit->setFixedWidth(70);
        if (r.hint)
            edit->setToolTip(QString::fromLatin1(r.hint));
        edits_[static_cast<std::size_t>(i)] = edit;
        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    for (const auto& [name, caption] : kPlainChecks) {
        auto* cb = new QCheckBox(QString::fromLatin1(caption), this);
        cb->setObjectName(QLatin1String(name));
        checkNamed(name) = cb;
        grid->addWidget(cb, row++, 0, 1, 2);
    }
    layout->addLayout(grid);
    // One handler for all nine check boxes: a click by the user is a change.
    for (QCheckBox* cb : checks_)
        connect(cb, &QCheckBox::clicked, this, [this] { settingsChanged_ = true; });

    auto* buttons = new QHBoxLayout;
    auto* ok = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    auto* reset = MakeNamed<QPushButton>(this, "BTN_RESET", QStringLiteral("Reset to Defaults"));
    connect(ok, &QPushButton::clicked, this, &TFM_WARNINGSETTINGS::BTN_OKClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(reset, &QPushButton::clicked, this, &TFM_WARNINGSETTINGS::BTN_RESETClick);
    buttons->addWidget(reset);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    setFixedSize(sizeHint());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

SettingsDialogState TFM_WARNINGSETTINGS::State() const {
    SettingsDialogState s;
    for (std::size_t i = 0; i < edits_.size(); ++i)
        s.edits[i] = ToModel(edits_[i]->text());
    for (std::size_t i = 0; i < checks_.size(); ++i)
        s.checks[i] = checks_[i]->isChecked();
    s.settingsChanged = settingsChanged_;
    return s;
}

void TFM_WARNINGSETTINGS::Load(const SettingsDialogState& state) {
    for (std::size_t i = 0; i < edits_.size(); ++i)
        edits_[i]->setText(FromModel(state.edits[i]));
    for (std::size_t i = 0; i < checks_.size(); ++i)
        checks_[i]->setChecked(state.checks[i]);
}

void TFM_WARNINGSETTINGS::FormShow(const WarningSettings& settings) {
    stored_ = settings;
    Load(SettingsDialogShow(settings));
    // Cleared last, so that filling the check boxes does not count as a change.
    settingsChanged_ = false;
    accepted_.reset();
}

void TFM_WARNINGSETTINGS::BTN_RESETClick() {
    SettingsDialogState s = State();
    SettingsDialogReset(s);
    Load(s);
    settingsChanged_ = true;
}

void TFM_WARNINGSETTINGS::BTN_OKClick() {
    SettingsOkResult result = SettingsDialogOk(State(), stored_);
    if (!result.accepted) {
        ui_.Warning(result.warning);
        return;
    }
    accepted_ = result.accepted;
    accept();
}

} // namespace qv::gui
