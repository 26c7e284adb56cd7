// A string grid of the analysis pages shown in a table view: row 0 and
// column 0 (the fixed rows and columns) are the headings.
#pragma once

#include "reports/report_text.h"

#include <QAbstractTableModel>

namespace qv::gui {

class TextGridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextGridModel(const TextGrid& grid, QObject* parent = nullptr)
        : QAbstractTableModel(parent), grid_(grid) {}
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // The grid was rebuilt or sorted.
    void Reload();

private:
    const TextGrid& grid_;
};

} // namespace qv::gui
