// TFM_RPTCONFIG: the class chooser. Classes move between the available list
// and the object list; the chosen set persists between showings.
#pragma once

#include "core/class_table.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

namespace qv::gui {

class ImageList;

class TFM_RPTCONFIG : public QDialog {
    Q_OBJECT
public:
    TFM_RPTCONFIG(const ImageList& images, QWidget* parent = nullptr);
    const ClassSet& SelectedClasses() const { return selected_; }

    void BTN_ADDClick();
    void BTN_REMOVEClick();
    void BTN_RESETClick();
    void BTN_CLEARClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void AddRow(QListWidget* list, int classIndex);
    void Move(QListWidget* from, QListWidget* to, bool adding);
    void UpdateControls();

    const ImageList& images_;
    ClassSet selected_;
    QListWidget* avail_;
    QListWidget* show_;
    QLabel* availLabel_;
    QLabel* showLabel_;
    QPushButton* add_;
    QPushButton* remove_;
    QPushButton* reset_;
    QPushButton* clear_;
};

} // namespace qv::gui
