#include "gui/reports/class_chooser_dlg.h"

#include "core/entries.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

constexpr int kClassRole = Qt::UserRole + 1;

QListWidget* ClassList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSortingEnabled(true);
    list->setIconSize(QSize(16, 16));
    return list;
}

} // namespace

TFM_RPTCONFIG::TFM_RPTCONFIG(const ImageList& images, QWidget* parent)
    : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFM_RPTCONFIG"));
    setWindowTitle(QStringLiteral("Report Configuration"));
    QFont f = font();
    f.setPointSize(8);
    setFont(f);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Available Objects :"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Object List :"), this), 0, 2);
    avail_ = ClassList(this, "LB_Avail");
    show_ = ClassList(this, "LB_Show");
    layout->addWidget(avail_, 1, 0);
    layout->addWidget(show_, 1, 2);
    availLabel_ = MakeNamed<QLabel>(this, "LBL_Avail");
    showLabel_ = MakeNamed<QLabel>(this, "LBL_Show");
    layout->addWidget(availLabel_, 2, 0);
    layout->addWidget(showLabel_, 2, 2);
    auto* middle = new QVBoxLayout;
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    add_ = button("BTN_ADD", "&Add");
    remove_ = button("BTN_REMOVE", "&Remove");
    reset_ = button("BTN_RESET", "A&dd All");
    clear_ = button("BTN_CLEAR", "&Clear");
    for (QPushButton* b : {add_, remove_, reset_, clear_})
        middle->addWidget(b);
    middle->addStretch(1);
    layout->addLayout(middle, 1, 1);
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = button("BTN_OK", "&OK");
    QPushButton* cancel = button("BTN_CANCEL", "&Cancel");
    ok->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 3, 0, 1, 3);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(add_, &QPushButton::clicked, this, &TFM_RPTCONFIG::BTN_ADDClick);
    connect(remove_, &QPushButton::clicked, this, &TFM_RPTCONFIG::BTN_REMOVEClick);
    connect(reset_, &QPushButton::clicked, this, &TFM_RPTCONFIG::BTN_RESETClick);
    connect(clear_, &QPushButton::clicked, this, &TFM_RPTCONFIG::BTN_CLEARClick);
    connect(avail_, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    connect(show_, &QListWidget::itemSelectionChanged, this, [this] { UpdateControls(); });
    for (int k = 0; k < kClassCount; ++k)
        AddRow(avail_, k);
    UpdateControls();
    resize(560, 420);
}

void TFM_RPTCONFIG::showEvent(QShowEvent* event) {
    UpdateControls();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TFM_RPTCONFIG::AddRow(QListWidget* list, int classIndex) {
    auto* item =
        new QListWidgetItem(QIcon(images_.ClassIcon(classIndex)), FromModel(ClassName(classIndex)));
    item->setData(kClassRole, classIndex);
    list->addItem(item);
}

void TFM_RPTCONFIG::Move(QListWidget* from, QListWidget* to, bool adding) {
    QList<QListWidgetItem*> rows = from->selectedItems();
    if (rows.size() < 2) {
        rows.clear();
        if (QListWidgetItem* focused = from->currentItem())
            rows << focused;
    }
    for (QListWidgetItem* item : rows) {
        int k = item->data(kClassRole).toInt();
        if (adding)
            selected_.Add(k);
        else
            selected_.Remove(k);
        to->addItem(from->takeItem(from->row(item)));
    }
    to->clearSelection();
    UpdateControls();
}

void TFM_RPTCONFIG::BTN_ADDClick() {
    Move(avail_, show_, true);
}

void TFM_RPTCONFIG::BTN_REMOVEClick() {
    Move(show_, avail_, false);
}

void TFM_RPTCONFIG::BTN_RESETClick() {
    selected_.Clear();
    avail_->clear();
    show_->clear();
    for (int k = 0; k < kClassCount; ++k) {
        selected_.Add(k);
        AddRow(show_, k);
    }
    UpdateControls();
}

void TFM_RPTCONFIG::BTN_CLEARClick() {
    selected_.Clear();
    avail_->clear();
    show_->clear();
    for (int k = 0; k < kClassCount; ++k)
        AddRow(avail_, k);
    UpdateControls();
}

void TFM_RPTCONFIG::BeginFor(Purpose purpose) {
    if (purpose == purpose_)
        return;
    saved_[static_cast<int>(purpose_)] = selected_;
    purpose_ = purpose;
    selected_ = saved_[static_cast<int>(purpose)];
    ShowSelection();
}

void TFM_RPTCONFIG::ShowSelection() {
    avail_->clear();
    show_->clear();
    for (int k = 0; k < kClassCount; ++k)
        AddRow(selected_.Contains(k) ? show_ : avail_, k);
    UpdateControls();
}

void TFM_RPTCONFIG::UpdateControls() {
    add_->setEnabled(!avail_->selectedItems().isEmpty());
    remove_->setEnabled(!show_->selectedItems().isEmpty());
    reset_->setEnabled(avail_->count() > 0);
    clear_->setEnabled(show_->count() > 0);
    availLabel_->setText(QStringLiteral("Available : ") + QString::number(avail_->count()));
    showLabel_->setText(QStringLiteral("Listed : ") + QString::number(show_->count()));
}

} // namespace qv::gui
