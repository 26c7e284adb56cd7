// TFRM_COMPARE: the differences between the design of a design window and a
// second design, as a tree of groups with counts; selecting a difference
// selects its object in the design window; "Save Plan..." writes the script
// of edits that turns the design into the second one.
#pragma once

#include "core/tree_design.h"
#include "edit/design_compare.h"

#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace qv::gui {

class TFRM_COMPARE : public QWidget {
    Q_OBJECT
public:
    // design: the design window's design; selectNode selects a node there.
    // other: the second design, owned by the window from now on.
    TFRM_COMPARE(TreeDesign& design, std::unique_ptr<TreeDesign> other, const QString& otherPath,
                 std::function<void(ObjectNode*)> selectNode, QWidget* parent);
    ~TFRM_COMPARE() override;

    // Compares again (the design window's design may have changed).
    void Refresh();
    // "Save Plan...": asks for a file and writes the plan. True when written.
    bool SavePlan();

    QTreeWidget* Differences() const { return tree_; }

private:
    void SelectionChanged();

    TreeDesign& design_;
    std::unique_ptr<TreeDesign> other_;
    std::unique_ptr<Progress> quiet_;
    std::function<void(ObjectNode*)> selectNode_;
    QLabel* label_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QPushButton* savePlan_ = nullptr;
};

// File > "Compare With..." of a design window: asks for a second design file
// through the design's Interaction, opens it as Open does and shows
// TFRM_COMPARE as a window of its own owned by parent (closed with it,
// deleted when closed). Nothing happens when the choice is cancelled; a file
// that cannot be opened shows the message Open shows. Returns the window or
// nullptr.
TFRM_COMPARE* OpenCompareWith(QWidget* parent, TreeDesign& design,
                              const std::function<void(ObjectNode*)>& selectNode);

} // namespace qv::gui
