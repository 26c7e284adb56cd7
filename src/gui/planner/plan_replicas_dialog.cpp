#include "gui/planner/plan_replicas_dialog.h"

#include "files/file_access.h"
#include "gui/core/dialogs.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <mutex>

namespace qv::gui {

// What the worker and the window share; the worker keeps it alive while the
// window may already be gone (after Cancel).
struct TDLG_PLAN_REPLICAS::Job {
    std::unique_ptr<ReplicaPlanInput> input;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::string status;
    ReplicaPlan plan;
};

TDLG_PLAN_REPLICAS::TDLG_PLAN_REPLICAS(TreeDesign& design, const WarningSettings& settings,
                                       const ReplicaPlanOptions& options, QWidget* parent)
    : QDialog(parent), design_(design), settings_(settings), options_(options) {
    setObjectName(QStringLiteral("TDLG_PLAN_REPLICAS"));
    setWindowTitle(QStringLiteral("Plan Replica Layout"));
    resize(760, 420);
    auto* layout = new QVBoxLayout(this);
    summary_ = MakeNamed<QLabel>(this, "LBL_SUMMARY");
    summary_->setWordWrap(true);
    layout->addWidget(summary_);
    changes_ = MakeNamed<QTreeWidget>(this, "LV_CHANGES");
    changes_->setHeaderLabels({QStringLiteral("Change"), QStringLiteral("Clears")});
    changes_->setRootIsDecorated(false);
    changes_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(changes_, 1);
    auto* busy = new QHBoxLayout;
    status_ = MakeNamed<QLabel>(this, "LBL_STATUS");
    progress_ = MakeNamed<QProgressBar>(this, "PB_PROGRESS");
    progress_->setRange(0, 0); // busy: the solver gives no fraction
    busy->addWidget(status_, 1);
    busy->addWidget(progress_, 1);
    layout->addLayout(busy);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    apply_ = MakeNamed<QPushButton>(this, "BTN_APPLY", QStringLiteral("&Apply"));
    savePlan_ = MakeNamed<QPushButton>(this, "BTN_SAVEPLAN", QStringLiteral("&Save Plan..."));
    cancel_ = MakeNamed<QPushButton>(this, "BTN_CANCEL", QStringLiteral("Cancel"));
    buttons->addWidget(apply_);
    buttons->addWidget(savePlan_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    apply_->setEnabled(false);
    savePlan_->setEnabled(false);
    connect(apply_, &QPushButton::clicked, this, [this] {
        if (ApplyChecked())
            accept();
    });
    connect(savePlan_, &QPushButton::clicked, this, [this] { SavePlan(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { CancelClicked(); });
    connect(changes_, &QTreeWidget::itemChanged, this, [this] { UpdateSummary(); });
    timer_ = new QTimer(this);
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, [this] { Poll(); });
}

TDLG_PLAN_REPLICAS::~TDLG_PLAN_REPLICAS() {
    if (worker_) {
        // The worker owns what it works on; it ends at the solver's next event.
        job_->cancel = true;
        worker_->detach();
    }
}

void TDLG_PLAN_REPLICAS::Start() {
    if (worker_)
        return;
    job_ = std::make_shared<Job>();
    job_->input = PrepareReplicaPlan(design_, settings_);
    ReplicaPlanOptions options = options_;
    options.cancel = &job_->cancel;
    std::shared_ptr<Job> job = job_;
    options.status = [job](std::string_view text) {
        std::lock_guard<std::mutex> lock(job->mutex);
        job->status = std::string(text);
    };
    summary_->setText(QStringLiteral("Computing the fewest changes..."));
    status_->setText(QStringLiteral("Reading the layout..."));
    progress_->setVisible(true);
    worker_ = std::make_unique<std::thread>([job, options] {
        job->plan = SolveReplicaPlan(*job->input, options);
        job->input.reset();
        job->done = true;
    });
    timer_->start();
}

void TDLG_PLAN_REPLICAS::Poll() {
    if (!job_)
        return;
    {
        std::lock_guard<std::mutex> lock(job_->mutex);
        status_->setText(FromModel(job_->status));
    }
    if (job_->done)
        Finished();
}

void TDLG_PLAN_REPLICAS::Finished() {
    timer_->stop();
    worker_->join();
    worker_.reset();
    plan_ = std::make_unique<ReplicaPlan>(std::move(job_->plan));
    job_.reset();
    progress_->setVisible(false);
    status_->clear();
    cancel_->setText(QStringLiteral("Close"));
    changes_->blockSignals(true);
    changes_->clear();
    for (const ReplicaChange& c : plan_->changes) {
        auto* item =
            new QTreeWidgetItem(changes_, QStringList{FromModel(c.Line()), FromModel(c.clears)});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Checked);
    }
    changes_->blockSignals(false);
    if (!plan_->failure.empty())
        design_.ui().Information(plan_->failure);
    UpdateSummary();
}

void TDLG_PLAN_REPLICAS::UpdateSummary() {
    if (!plan_)
        return;
    std::string text = plan_->Summary();
    std::size_t checked = CheckedChanges().size();
    if (checked != plan_->changes.size())
        text += " " + std::to_string(checked) + " of them checked.";
    for (const std::string& i : plan_->impossible)
        text += "\n" + i;
    summary_->setText(FromModel(text));
    apply_->setEnabled(checked > 0 && plan_->failure.empty());
    savePlan_->setEnabled(checked > 0 && plan_->failure.empty());
}

void TDLG_PLAN_REPLICAS::CancelClicked() {
    if (worker_)
        job_->cancel = true; // the destructor lets the worker finish on its own
    reject();
}

std::vector<ReplicaChange> TDLG_PLAN_REPLICAS::CheckedChanges() const {
    std::vector<ReplicaChange> out;
    if (!plan_)
        return out;
    for (int i = 0;
         i < changes_->topLevelItemCount() && static_cast<std::size_t>(i) < plan_->changes.size();
         ++i)
        if (changes_->topLevelItem(i)->checkState(0) == Qt::Checked)
            out.push_back(plan_->changes[static_cast<std::size_t>(i)]);
    return out;
}

bool TDLG_PLAN_REPLICAS::ApplyChecked() {
    const std::vector<ReplicaChange> changes = CheckedChanges();
    if (changes.empty())
        return false;
    if (std::optional<std::string> refused = ApplyReplicaChanges(design_, changes)) {
        design_.ui().Information(*refused);
        return false;
    }
    return true;
}

bool TDLG_PLAN_REPLICAS::SavePlan() {
    std::optional<std::string> path = ChooseEditScriptToSave(design_.ui());
    return path && SavePlanTo(*path);
}

bool TDLG_PLAN_REPLICAS::SavePlanTo(const std::string& path) {
    if (!plan_)
        return false;
    ReplicaPlan checked = *plan_;
    checked.changes = CheckedChanges();
    if (Result<FileIdentity> written = ReplaceFileAtomically(path, checked.Script()); !written) {
        design_.ui().Error("Cannot write the plan \"" + path + "\": " + written.error());
        return false;
    }
    return true;
}

void ShowPlanReplicaLayout(QWidget* parent, TreeDesign& design, const WarningSettings& settings) {
    TDLG_PLAN_REPLICAS dialog(design, settings, ReplicaPlanOptions{}, parent);
    dialog.Start();
    dialog.exec();
}

} // namespace qv::gui
