#include "gui/core/pages/grid_page.h"

#include "gui/core/named.h"
#include "gui/core/pages/grid_model.h"
#include "gui/core/pages/page_parts.h"
#include "gui/core/panels.h"
#include "gui/core/qt_text.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace qv::gui {

namespace {

// A grid: headers drawn by the cell painter, columns as wide as their
// contents; the partition grids' rows hold the 50-pixel replica bitmaps.
QTableView* MakeGrid(QWidget* parent, const char* name, TextGridModel* model,
                     GridUnsortedIndex content, const ImageList& images) {
    using Kind = GridCellDelegate::Kind;
    const Kind kind = content == kPartXServGrid || content == kServXPartGrid ? Kind::Replicas
                      : content == kServXAddrGrid                            ? Kind::Text
                                                                             : Kind::Objects;
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setModel(model);
    grid->setItemDelegate(new GridCellDelegate(kind, images, grid));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    // The partition grids can have thousands of columns: their widths are
    // taken from the header texts (FitReplicaColumns), never from every cell.
    grid->horizontalHeader()->setSectionResizeMode(
        kind == Kind::Replicas ? QHeaderView::Interactive : QHeaderView::ResizeToContents);
    grid->verticalHeader()->setDefaultSectionSize(kind == Kind::Replicas  ? 50
                                                  : kind == Kind::Objects ? 26
                                                                          : 24);
    grid->setFont(QFont(grid->font().family(), 8));
    return grid;
}

// Column widths of a partition grid: column 0 as wide as its longest name,
// every other column as wide as the longest header name and never narrower
// than a replica bitmap. Reads the headers only (row 0 and column 0).
void FitReplicaColumns(QTableView* grid, const TextGrid& cells) {
    constexpr int kMargin = 8;
    constexpr int kBitmap = 50;
    const QFontMetrics fm(grid->font());
    int first = 0;
    for (int r = 0; r < cells.RowCount(); ++r) {
        const std::string& t = cells.Cell(0, r);
        if (!t.empty())
            first = std::max(first, fm.horizontalAdvance(FromModel(t)));
    }
    int others = kBitmap;
    if (cells.RowCount() > 0)
        for (const auto& [col, text] : cells.RowCells(0))
            if (col > 0)
                others = std::max(others, fm.horizontalAdvance(FromModel(text)));
    QHeaderView* header = grid->horizontalHeader();
    header->setDefaultSectionSize(others + kMargin);
    if (cells.ColCount() > 0)
        header->resizeSection(0, first + kMargin);
}

} // namespace

GridPage::GridPage(AnalysisViews& views, const ImageList& images, const GridPageParts& parts,
                   QWidget* parent)
    : QWidget(parent), views_(parts.views) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    for (std::size_t i = 0; i < 3; ++i) {
        radios_[i] = MakeRadio(this, views_[i].radio, views_[i].caption, i == 0);
        row->addWidget(radios_[i]);
    }
    // In a narrow window the group on the right follows the last radio button.
    row->addSpacing(20);
    row->addStretch(1);
    auto* label = new QLabel(QStringLiteral("Print Font Size: "), this);
    label->setObjectName(QLatin1String(parts.controls[0]));
    fontLabel_ = label;
    auto* size = new QLineEdit(QStringLiteral("6"), this);
    size->setObjectName(QLatin1String(parts.controls[1]));
    size->setReadOnly(true);
    size->setFixedWidth(28);
    auto* updown = new QSpinBox(this);
    updown->setObjectName(QLatin1String(parts.controls[2]));
    updown->setRange(3, 6);
    updown->setValue(6);
    updown->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    updown->setFixedWidth(18);
    connect(updown, &QSpinBox::valueChanged, size,
            [size](int v) { size->setText(QString::number(v)); });
    save_ = new QToolButton(this);
    save_->setObjectName(QLatin1String(parts.controls[3]));
    save_->setText(QStringLiteral("Save to delimited file.."));
    save_->setToolTip(QStringLiteral("Save to delimited file.."));
    connect(save_, &QToolButton::clicked, this, &GridPage::SaveClicked);
    // The print font size belongs to grid printing, which this version does not have.
    for (QWidget* w : std::initializer_list<QWidget*>{label, size, updown})
        w->hide();
    row->addWidget(label);
    row->addWidget(size);
    row->addWidget(updown);
    row->addSpacing(10);
    row->addWidget(save_);
    row->addSpacing(25);
    layout->addWidget(ScrollingRow(this, row));
    for (std::size_t i = 0; i < 3; ++i) {
        models_[i] =
            new TextGridModel(views.Grid(static_cast<GridUnsortedIndex>(views_[i].content)), this);
        const auto content = static_cast<GridUnsortedIndex>(views_[i].content);
        grids_[i] = MakeGrid(this, views_[i].view, models_[i], content, images);
        if (content == kServXAddrGrid)
            AddAddressMenu(grids_[i]);
        grids_[i]->setVisible(i == 0);
        layout->addWidget(grids_[i], 1);
    }
    for (std::size_t i = 0; i < 3; ++i)
        connect(radios_[i], &QRadioButton::clicked, this, [this, i] {
            for (std::size_t j = 0; j < grids_.size(); ++j)
                grids_[j]->setVisible(j == i);
        });
    StatusRow status = AddStatusRow(this, layout, parts.panel, parts.abort, parts.abortHint, false);
    status_ = status.panel;
    abort_ = status.abort;
    connect(abort_, &QPushButton::clicked, this, &GridPage::AbortClicked);
}

void GridPage::AddAddressMenu(QTableView* grid) {
    addressMenu_ = MakeNamed<QMenu>(grid, "PopupMenu4");
    const std::pair<const char*, const char*> items[] = {
        {"SortByServer1", "Sort By Server"},
        {"SortByDSVersion1", "Sort By DS Version"},
        {"SortByAddress1", "Sort By Address"},
    };
    for (int column = 0; column < 3; ++column) {
        QAction* a = addressMenu_->addAction(QString::fromLatin1(items[column].second));
        a->setObjectName(QLatin1String(items[column].first));
        connect(a, &QAction::triggered, this, [this, column] { emit SortAddressGrid(column); });
    }
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& p) {
        addressMenu_->popup(grid->viewport()->mapToGlobal(p));
    });
}

QTableView* GridPage::VisibleGrid(GridUnsortedIndex* which) const {
    for (std::size_t i = 0; i < grids_.size(); ++i)
        if (!grids_[i]->isHidden()) {
            *which = static_cast<GridUnsortedIndex>(views_[i].content);
            return grids_[i];
        }
    return nullptr;
}

void GridPage::ApplyTexts() {
    for (std::size_t i = 0; i < radios_.size(); ++i)
        radios_[i]->setText(QString::fromLatin1(views_[i].caption));
    fontLabel_->setText(QStringLiteral("Print Font Size: "));
}

void GridPage::Reload() {
    for (std::size_t i = 0; i < models_.size(); ++i) {
        models_[i]->Reload();
        const auto content = static_cast<GridUnsortedIndex>(views_[i].content);
        if (content == kPartXServGrid || content == kServXPartGrid)
            FitReplicaColumns(grids_[i], models_[i]->Grid());
    }
}

} // namespace qv::gui
