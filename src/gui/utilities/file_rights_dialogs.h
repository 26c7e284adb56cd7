// File Rights in the desktop program: the folder chooser TFRM_FSRIGHTS (the
// mapped drives and the real folders of their volumes), the report window
// TFRM_FSDISPLAYRIGHTS (the selected objects, the folder hierarchy of the
// first report and the eight marks of a level and row), and FileRights, the
// command of the design window. The rules of the report window are those of
// utilities/file_rights.h; the windows only show them. Each dialog is made
// once per run and reused.
#pragma once

#include "utilities/file_rights.h"

#include <QDialog>
#include <array>
#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv::gui {

class ImageList;
class TMDIChild;

class TFRM_FSRIGHTS : public QDialog {
    Q_OBJECT
public:
    explicit TFRM_FSRIGHTS(QWidget* parent = nullptr);

    // What OK writes into the batch file: the FullContext of the design's
    // selected node and the names of the selected leaf objects.
    void Prepare(std::string context, std::vector<std::string> leaves);
    // The drives offered: letter -> local folder of the volume's files
    // (empty when the volume's files cannot be found).
    void SetDrives(const std::map<char, std::string>& folders);
    // Reads the drive mappings and the volume folders from the utility
    // settings and the preferred tree connection.
    void LoadDrives();

    // The chosen folder as a path of the drive: "F:\PUBLIC\REPORTS".
    std::string Directory() const;
    // Moves to the folder (a path below the drive's root, "\" separated).
    void ChangeDirectory(const std::string& relative);
    // How many report lines the last OK wrote (0 before).
    std::size_t LinesWritten() const { return lines_; }

    void BTN_OKClick();
    void DriveComboBox1Change();
    void DirectoryListBox1DblClick();

    static TFRM_FSRIGHTS& Instance(QWidget* parent);

    QComboBox* DriveComboBox1;
    QListWidget* DirectoryListBox1;
    QLabel* DirLabel;
    QPushButton* BTN_OK;
    QPushButton* BTN_CANCEL;

private:
    void FillDirectories();
    std::map<char, std::string> folders_;
    std::string relative_; // below the drive's root, "\" separated, no leading "\"
    std::string context_;
    std::vector<std::string> leaves_;
    std::size_t lines_ = 0;
};

class TFRM_FSDISPLAYRIGHTS : public QDialog {
    Q_OBJECT
public:
    TFRM_FSDISPLAYRIGHTS(const ImageList& images, QWidget* parent = nullptr);

    // Panel2's caption: the FullContext of the design's selected node.
    void SetContext(const std::string& context);
    // The selected LB_LEAFOBJS rows (class number, "*", the LeafEntry).
    void SetObjects(const std::vector<std::string>& rows);
    void SetReports(utilities::FileRightsReports reports);
    const utilities::FileRightsReports& Reports() const { return reports_; }
    // Frees the reports and the lists (after the window was closed).
    void Clear();

    void PageControl1Change(int page);
    void TreeView1Change();
    void ListBox2Click();
    void BTN_PRINTClick();
    // The marks as shown: enabled (not greyed) for each bit.
    std::array<bool, 8> Marks() const;

    static TFRM_FSDISPLAYRIGHTS& Instance(const ImageList& images, QWidget* parent);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QLabel* Panel2;
    QListWidget* ListBox1;
    QTreeWidget* TreeView1;
    QLineEdit* Edit1;
    QListWidget* ListBox2;
    QLabel* LabelRights;
    std::array<QCheckBox*, 8> CB_MARKS{};
    QPushButton* BTN_OK;
    QPushButton* BTN_PRINT;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildHierarchy();
    void ShowMarks();
    std::size_t SelectedDepth() const;

    const ImageList& images_;
    utilities::FileRightsReports reports_;
    std::vector<std::string> chain_;
    QTreeWidgetItem* deepest_ = nullptr;
    int current_ = -1; // index of the current report, -1 when none
};

// The "File Rights" command of the design window: the census guard, the
// folder chooser, the old reports deleted, QVD_FSR.BAT through TFRM_WAIT2,
// every report read (a warning for each that fails) and the report window.
void FileRights(TMDIChild& child);

} // namespace qv::gui
