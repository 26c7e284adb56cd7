// The shared dialogs of the editing commands: the replica dialog (TSvrDlg) of
// Add Replica and Change Type, and the move dialog (TMoveDlg) of Move Object
// and Move Leaf Objects.
#pragma once

#include "edit/partition_operations.h"

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qv::gui {

class ImageList;
class UpperCaseEdit;

class TSvrDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSvrDlg(const ImageList& images, QWidget* parent = nullptr);
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

class TDLG_CREATE : public QDialog {
    Q_OBJECT
public:
    explicit TDLG_CREATE(QWidget* parent = nullptr);
    // The class of one showing: its name and icon; the name box is emptied.
    void Prepare(const QString& className, const QPixmap& icon);
    std::string Name() const;
    bool CreateAnother() const;

private:
    QLineEdit* class_;
    QLabel* image_;
    UpperCaseEdit* name_;
    QCheckBox* again_;
    QPushButton* ok_;
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
