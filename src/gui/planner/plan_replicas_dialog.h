// Tree > "Plan Replica Layout...": TDLG_PLAN_REPLICAS computes the fewest
// replica changes that clear the replica warnings of the active design, shows
// them as a list with check boxes (each with the warning it clears) under a
// summary line, and applies the checked ones as one undoable step or saves
// them as a script for "quorvane-cli apply".
//
// The computation runs on a private copy of the design in a worker thread, so
// that the window stays responsive; the design itself is only read (for the
// copy) and changed (by Apply) on the window's thread. Cancel stops it: the
// dialog closes at once and the solver stops at its next event.
#pragma once

#include "core/tree_design.h"
#include "planner/replica_planner.h"
#include "reports/warning_settings.h"

#include <QDialog>
#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace qv::gui {

class TDLG_PLAN_REPLICAS : public QDialog {
    Q_OBJECT
public:
    TDLG_PLAN_REPLICAS(TreeDesign& design, const WarningSettings& settings,
                       const ReplicaPlanOptions& options, QWidget* parent);
    ~TDLG_PLAN_REPLICAS() override;

    // Starts the computation (the dialog shows its progress until it ends).
    void Start();
    bool Computing() const { return worker_ != nullptr; }
    // The plan once computed, or nullptr.
    const ReplicaPlan* Plan() const { return plan_.get(); }
    // The checked changes, in plan order.
    std::vector<ReplicaChange> CheckedChanges() const;
    // "Apply": the checked changes as one step; true when made.
    bool ApplyChecked();
    // "Save Plan...": asks for a file through the design's Interaction.
    bool SavePlan();
    bool SavePlanTo(const std::string& path);

private:
    struct Job;
    void Poll();
    void Finished();
    void CancelClicked();
    void UpdateSummary();

    TreeDesign& design_;
    WarningSettings settings_;
    ReplicaPlanOptions options_;
    std::shared_ptr<Job> job_;
    std::unique_ptr<std::thread> worker_;
    std::unique_ptr<ReplicaPlan> plan_;
    QLabel* summary_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTreeWidget* changes_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* savePlan_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* timer_ = nullptr;
};

// Shows the dialog modally over parent for the design and the settings.
void ShowPlanReplicaLayout(QWidget* parent, TreeDesign& design, const WarningSettings& settings);

} // namespace qv::gui
