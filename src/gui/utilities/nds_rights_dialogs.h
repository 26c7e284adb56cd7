// NDS Rights in the desktop program: the chooser TFRM_DSRIGHTS (the design's
// tree and the subordinate objects of the chosen container), the report
// window TFRM_DISPLAYRIGHTS (the selected objects; the hierarchy down to a
// target with the rows and ten marks of each level), TFRM_SELECTED (the
// selected property rights) and NDSRights, the command of the design window.
// The rules are those of utilities/nds_rights.h; the windows only show them.
// Each dialog is made once per run and reused.
#pragma once

#include "utilities/nds_rights.h"

#include <QDialog>
#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QFrame;
class QHeaderView;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {
class TreeDesign;
class ObjectNode;
} // namespace qv

namespace qv::gui {

class ImageList;
class TMDIChild;

// One level of the chain from the top of the tree to the chosen container.
struct ChainLevel {
    std::string name;
    int classIndex = 0;
    bool partitionRoot = false;
};

class TFRM_DSRIGHTS : public QDialog {
    Q_OBJECT
public:
    TFRM_DSRIGHTS(const ImageList& images, QWidget* parent = nullptr);

    // A copy of the design's tree (names, classes, subordinate objects); the
    // node `select` is chosen first. designContext: FullContext of the
    // design's selected node; sourceRows: the selected LB_LEAFOBJS rows.
    void Prepare(const TreeDesign& design, const ObjectNode* select, std::string designContext,
                 std::vector<std::string> sourceRows);

    void TreeView1Change();
    void BTN_OKClick();
    // Selects the subordinate objects of those names (tests).
    void SelectTargets(const std::vector<std::string>& names);
    // Chooses the container of that FullContext (tests); false when absent.
    bool ChooseContainer(const std::string& fullContext);

    // What the last OK gave.
    std::size_t LinesWritten() const { return lines_; }
    std::string ContainerContext() const;
    std::vector<ChainLevel> Chain() const;
    const std::vector<std::string>& SourceRows() const { return sourceRows_; }
    const std::vector<std::string>& TargetRows() const { return targetRows_; }
    std::vector<utilities::SourceRights> TakeSources() { return std::move(sources_); }

    static TFRM_DSRIGHTS& Instance(const ImageList& images, QWidget* parent);

    QTreeWidget* TreeView1;
    QListWidget* ListBox1;
    QHeaderView* HeaderControl1;
    QLabel* LabelObject;
    QLabel* LabelSubordinates;
    QSplitter* Splitter1;
    QPushButton* BTN_OK;
    QPushButton* BTN_CANCEL;

private:
    const ImageList& images_;
    std::string designContext_;
    std::vector<std::string> sourceRows_;
    std::vector<std::string> targetRows_;
    std::vector<utilities::SourceRights> sources_;
    std::size_t lines_ = 0;
};

class TFRM_SELECTED : public QDialog {
    Q_OBJECT
public:
    explicit TFRM_SELECTED(QWidget* parent = nullptr);
    void SetProperties(const std::vector<utilities::PropertyRights>* properties,
                       const QString& object);
    void ListBox1Click();
    void ListBox2Click();
    void BTN_PRINTClick();
    std::array<bool, 5> Marks() const;

    QListWidget* ListBox1;
    QListWidget* ListBox2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    std::array<QCheckBox*, 5> CB_MARKS{};
    QPushButton* BTN_OK;
    QPushButton* BTN_PRINT;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const std::vector<utilities::PropertyRights>* properties_ = nullptr;
};

class TFRM_DISPLAYRIGHTS : public QDialog {
    Q_OBJECT
public:
    TFRM_DISPLAYRIGHTS(const ImageList& images, QWidget* parent = nullptr);

    // The header texts: FullContext of the design's selected node and of the
    // chosen container; the chain of the container's levels (top first).
    void SetHeader(const std::string& designContext, const std::string& containerContext,
                   std::vector<ChainLevel> chain);
    void SetLists(const std::vector<std::string>& sourceRows,
                  const std::vector<std::string>& targetRows);
    void SetSources(std::vector<utilities::SourceRights> sources);
    const std::vector<utilities::SourceRights>& Sources() const { return sources_; }
    void Clear();

    void PageControl1Change(int page);
    void TreeView1Change();
    void ListBox3Click();
    void BTN_SELECTEDClick();
    void BTN_PRINTClick();
    // Moves the splitter panel by a mouse offset (the release of a drag).
    void MoveSplitter(int offset);
    // The marks as shown: enabled for each bit, object marks then property marks.
    std::array<bool, 10> Marks() const;
    // The FullContext of a hierarchy node.
    std::string NodeContext(const QTreeWidgetItem* item) const;

    static TFRM_DISPLAYRIGHTS& Instance(const ImageList& images, QWidget* parent);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QHeaderView* HeaderControl1;
    QListWidget* ListBox1;
    QFrame* Panel1;
    QListWidget* ListBox2;
    QTreeWidget* TreeView1;
    QLineEdit* Edit1;
    QListWidget* ListBox3;
    QLineEdit* Edit2;
    std::array<QCheckBox*, 10> CB_MARKS{};
    QPushButton* BTN_SELECTED;
    QPushButton* BTN_OK;
    QPushButton* BTN_PRINT;
    TFRM_SELECTED* Selected;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildChain();
    void BuildRows();
    void LayoutFirstPage();

    const ImageList& images_;
    std::vector<utilities::SourceRights> sources_;
    std::vector<ChainLevel> chain_;
    QTreeWidgetItem* deepest_ = nullptr;
    const utilities::TrusteeRights* trustee_ = nullptr;
    utilities::PathEntry rows_;
    bool haveRows_ = false;
    int leftWidth_ = 200;
    int pressX_ = 0;
};

// The "NDS Rights" command of the design window: the census guard, the
// chooser, the old reports deleted, QVD_DSR.BAT through TFRM_WAIT2, every
// report read (a warning for each that fails) and the report window.
void NDSRights(TMDIChild& child);

} // namespace qv::gui
