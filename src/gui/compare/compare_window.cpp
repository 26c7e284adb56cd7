#include "gui/compare/compare_window.h"

#include "files/design_file.h"
#include "gui/core/dialogs.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <array>

namespace qv::gui {

namespace {

// Texts of the model: UTF-8 when valid, else Latin-1.
QString FromModel(const std::string& text) {
    return qv::gui::FromModel(std::string_view(text));
}

constexpr int kContextRole = Qt::UserRole + 1;

const std::array<const char*, kDifferenceGroupCount> kGroupCaptions{
    {"Objects", "Leaf Objects", "Partitions", "Replicas", "Servers"}};

} // namespace

TFRM_COMPARE::TFRM_COMPARE(TreeDesign& design, std::unique_ptr<TreeDesign> other,
                           const QString& otherPath, std::function<void(ObjectNode*)> selectNode,
                           QWidget* parent)
    : QWidget(parent, Qt::Window), design_(design), other_(std::move(other)),
      quiet_(std::make_unique<NullProgress>()), selectNode_(std::move(selectNode)) {
    setObjectName(QStringLiteral("TFRM_COMPARE"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Compare With ") + otherPath);
    resize(640, 480);

    auto* layout = new QVBoxLayout(this);
    label_ = MakeNamed<QLabel>(this, "LBL_COMPARE");
    layout->addWidget(label_);
    tree_ = MakeNamed<QTreeWidget>(this, "TV_DIFFERENCES");
    tree_->setHeaderHidden(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setFont(QFont(QStringLiteral("Courier New")));
    layout->addWidget(tree_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    savePlan_ = MakeNamed<QPushButton>(this, "BTN_SAVEPLAN", QStringLiteral("Save Plan..."));
    auto* close = MakeNamed<QPushButton>(this, "BTN_CLOSE", QStringLiteral("Close"));
    buttons->addWidget(savePlan_);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(savePlan_, &QPushButton::clicked, this, [this] { SavePlan(); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, [this] { SelectionChanged(); });
    Refresh();
}

TFRM_COMPARE::~TFRM_COMPARE() = default;

void TFRM_COMPARE::Refresh() {
    std::vector<Difference> diffs = CompareDesigns(design_, *other_);
    tree_->clear();
    std::array<QTreeWidgetItem*, kDifferenceGroupCount> groups{};
    std::array<int, kDifferenceGroupCount> counts{};
    for (std::size_t g = 0; g < kDifferenceGroupCount; ++g) {
        groups[g] = new QTreeWidgetItem(tree_);
        groups[g]->setFlags(Qt::ItemIsEnabled);
    }
    for (const Difference& d : diffs) {
        auto g = static_cast<std::size_t>(d.group);
        auto* item = new QTreeWidgetItem(groups[g], QStringList{FromModel(d.text)});
        item->setData(0, kContextRole, FromModel(d.contextInA));
        ++counts[g];
    }
    for (std::size_t g = 0; g < kDifferenceGroupCount; ++g)
        groups[g]->setText(0, QString::fromLatin1(kGroupCaptions[g]) + QStringLiteral(" (") +
                                  QString::number(counts[g]) + QStringLiteral(")"));
    label_->setText(diffs.empty() ? QStringLiteral("The designs are equal.")
                                  : QString::number(static_cast<qlonglong>(diffs.size())) +
                                        QStringLiteral(" difference(s)"));
}

void TFRM_COMPARE::SelectionChanged() {
    QList<QTreeWidgetItem*> selected = tree_->selectedItems();
    if (selected.isEmpty() || !selected.first()->parent())
        return;
    const QByteArray context = selected.first()->data(0, kContextRole).toString().toLatin1();
    if (context.isEmpty())
        return;
    // Looked up now: the design may have changed since the comparison.
    if (ObjectNode* node = design_.FindNodeByContext(
            std::string_view(context.constData(), static_cast<std::size_t>(context.size()))))
        selectNode_(node);
}

bool TFRM_COMPARE::SavePlan() {
    std::optional<std::string> path = ChooseEditScriptToSave(design_.ui());
    if (!path)
        return false;
    // The plan runs its operations on a copy; the design window's design stays as it is.
    TreeDesign working;
    working.SetHosts(quiet_.get(), &design_.ui());
    if (!CopyDesign(design_, working)) {
        design_.ui().Error("The design cannot be copied: a name is longer than 255 characters.");
        return false;
    }
    DesignPlan plan = PlanDesignChanges(working, *other_);
    if (!ConfirmSaveTarget(design_.ui(), *path))
        return false;
    if (Result<FileIdentity> written = ReplaceFileAtomically(*path, plan.Script()); !written) {
        design_.ui().Error(written.error());
        return false;
    }
    if (!plan.unmade.empty()) {
        std::string text = "The plan cannot make everything; its comment lines say what:";
        for (std::size_t i = 0; i < plan.unmade.size() && i < 10; ++i)
            text += "\r" + plan.unmade[i];
        design_.ui().Information(text);
    }
    return true;
}

TFRM_COMPARE* OpenCompareWith(QWidget* parent, TreeDesign& design,
                              const std::function<void(ObjectNode*)>& selectNode) {
    FileDialogRequest request = DesignOpenDialogRequest();
    request.title = "Compare With";
    std::optional<std::string> path = design.ui().ChooseOpenFile(request);
    if (!path)
        return nullptr;
    auto other = std::make_unique<TreeDesign>();
    other->SetHosts(&TheNullProgress(), &design.ui());
    if (!OpenDesign(*other, *path))
        return nullptr;
    other->SetHosts(&TheNullProgress(), &TheNullInteraction());
    auto* window = new TFRM_COMPARE(design, std::move(other), FromModel(*path), selectNode, parent);
    // Over the frame of its design window, not wherever a new window goes.
    if (QWidget* frame = parent ? parent->window() : nullptr) {
        QRect over = window->frameGeometry();
        over.moveCenter(frame->frameGeometry().center());
        window->move(over.topLeft());
    }
    window->show();
    return window;
}

} // namespace qv::gui
