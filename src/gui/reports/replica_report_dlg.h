// TFRM_REPLICARPT: the replicas of one partition or server counted by type.
#pragma once

#include "reports/individual_reports.h"

#include <QDialog>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qv::gui {

class ImageList;

class TFRM_REPLICARPT : public QDialog {
    Q_OBJECT
public:
    TFRM_REPLICARPT(const ImageList& images, QWidget* parent = nullptr);
    void Prepare(const ReplicaReportTexts& texts);

    // "&Print": connected by the printing commands.
    QPushButton* PrintButton() const { return print_; }

private:
    QPushButton* print_ = nullptr;
    QLabel* label1_;
    QLineEdit* edit1_;
    std::array<QLabel*, 6> panels_{};
};

} // namespace qv::gui
