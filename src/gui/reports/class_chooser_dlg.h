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

    // The chooser serves Report Objects and Create Object; each keeps its own
    // choice between showings. Called before showing it for one of them.
    enum class Purpose { ReportObjects = 0, CreateObject = 1 };
    void BeginFor(Purpose purpose);

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

    // Fills both lists from selected_.
    void ShowSelection();

    const ImageList& images_;
    ClassSet selected_;
    Purpose purpose_ = Purpose::ReportObjects;
    ClassSet saved_[2];
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
