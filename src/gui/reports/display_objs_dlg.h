// TFM_DISPLAYOBJS: the objects of chosen classes found in a container.
#pragma once

#include "reports/leaf_commands.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;

class QPushButton;

namespace qv::gui {

class ImageList;

class TFM_DISPLAYOBJS : public QDialog {
    Q_OBJECT
public:
    TFM_DISPLAYOBJS(const ImageList& images, QWidget* parent = nullptr);
    void Prepare(const ObjectSearchResult& result, int rootClass, bool rootIsPartition);

    // "&Print": connected by the printing commands.
    QPushButton* PrintButton() const { return print_; }
    // What Prepare showed last.
    const ObjectSearchResult& Result() const { return result_; }
    int RootClass() const { return rootClass_; }
    bool RootIsPartition() const { return rootIsPartition_; }

private:
    ObjectSearchResult result_;
    int rootClass_ = 0;
    bool rootIsPartition_ = false;
    QPushButton* print_ = nullptr;
    const ImageList& images_;
    QTreeWidget* tree_;
    QLineEdit* partRoot_;
    QLineEdit* total_;
};

} // namespace qv::gui
