// The server address dialogs of "Edit Server": TAddrDlg lists a server's DS
// version and addresses, TAddEditDLg edits one line.
#pragma once

#include "core/tree_design.h"

#include <QDialog>
#include <array>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace qv::gui {

class UpperCaseEdit;

class TAddEditDLg : public QDialog {
    Q_OBJECT
public:
    explicit TAddEditDLg(QWidget* parent = nullptr);
    // octets: the four TCP/IP octet boxes instead of the address box.
    void Prepare(const QString& action, bool octets);
    std::string Address() const;
    std::array<std::string, 4> Octets() const;

private:
    void AddressEdited();
    void OctetEdited(std::size_t which);
    QLabel* action_;
    UpperCaseEdit* address_;
    QWidget* panel2_;
    std::array<QLineEdit*, 4> octets_{};
    QPushButton* ok_;
};

class TAddrDlg : public QDialog {
    Q_OBJECT
public:
    TAddrDlg(TAddEditDLg& editor, QWidget* parent = nullptr);
    // Shows the server's lines; after the dialog closed, the lines as edited
    // and whether anything was added, edited or deleted.
    void Run(const TreeDesign& design, const ObjectNode* server);
    std::vector<std::string> Lines() const;
    bool Changed() const { return changed_; }

private:
    void SelectionChanged();
    void BTN_EDITClick();
    void BTN_ADDClick();
    void BTN_DELETEClick();
    TAddEditDLg& editor_;
    QLabel* label1_;
    QListWidget* list_;
    QPushButton* delete_;
    bool changed_ = false;
};

} // namespace qv::gui
