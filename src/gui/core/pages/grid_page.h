// A grid page of the design window: the partition grids (TAB_GRIDVIEW) and the
// object grids (TAB_OBJVIEW) are two instances. Three radio buttons each show
// one of three grids; the page owns the save button, the hidden print font
// controls, and its status row.
#pragma once

#include "core/design_flags.h"
#include "gui/core/pages/page_parts.h"
#include "reports/analysis_pages.h"

#include <QWidget>
#include <array>

class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class QToolButton;

namespace qv::gui {

class ImageList;
class StatusPanel;
class TextGridModel;

// The object names and captions of one grid page.
struct GridPageParts {
    std::array<RadioView, 3> views;
    // The print font label, size box and up-down button, then the save button.
    std::array<const char*, 4> controls;
    const char* panel;
    const char* abort;
    bool abortHint;
};

class GridPage : public QWidget {
    Q_OBJECT
public:
    GridPage(AnalysisViews& views, const ImageList& images, const GridPageParts& parts,
             QWidget* parent);

    // The grid being shown and which grid of the design it is.
    QTableView* VisibleGrid(GridUnsortedIndex* which) const;
    // The grids were rebuilt or sorted.
    void Reload();
    // The radio buttons' and the print font label's captions as built.
    void ApplyTexts();
    StatusPanel* Status() const { return status_; }
    QPushButton* AbortButton() const { return abort_; }
    QToolButton* SaveButton() const { return save_; }
    // PopupMenu4 of the address grid (null on the object grid page).
    QMenu* AddressMenu() const { return addressMenu_; }

signals:
    void SaveClicked();
    void AbortClicked();
    // PopupMenu4 of the address grid: sort by server (0), DS version (1) or address (2).
    void SortAddressGrid(int column);

private:
    void AddAddressMenu(QTableView* grid);
    std::array<RadioView, 3> views_{};
    std::array<QRadioButton*, 3> radios_{};
    QLabel* fontLabel_ = nullptr;
    std::array<QTableView*, 3> grids_{};
    std::array<TextGridModel*, 3> models_{};
    QMenu* addressMenu_ = nullptr;
    QToolButton* save_ = nullptr;
    StatusPanel* status_ = nullptr;
    QPushButton* abort_ = nullptr;
};

} // namespace qv::gui
