// The shared dialogs of the editing commands: the replica dialog (TSvrDlg) of
// Add Replica and Change Type, and the move dialog (TMoveDlg) of Move Object
// and Move Leaf Objects.
#pragma once

#include "edit/partition_operations.h"

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::gui {

class UpperCaseEdit;

class TSvrDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSvrDlg(QWidget* parent = nullptr);
    // Sets the servers, the enabled radio buttons and the selected one.
    void Prepare(const ReplicaDialogSetup& setup);
    std::string Server() const;
    std::optional<ReplicaRadio> Selected() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* servers_;
    std::array<QRadioButton*, kReplicaRadioCount> radios_{};
};

class TMoveDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMoveDlg(Interaction& ui, QWidget* parent = nullptr);
    // ED_FROM shows the text; ED_TO is emptied.
    void Prepare(const QString& fromText);
    // ED_TO, trimmed, after OK.
    std::string Destination() const;

private:
    Interaction& ui_;
    QLineEdit* from_;
    UpperCaseEdit* to_;
    QPushButton* ok_;
};

} // namespace qv::gui
