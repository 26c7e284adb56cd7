#include "gui/reports/display_objs_dlg.h"

#include "gui/core/dialogs.h"
#include "gui/core/image_list.h"
#include "gui/core/named.h"
#include "gui/core/qt_text.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>

namespace qv::gui {

TFM_DISPLAYOBJS::TFM_DISPLAYOBJS(const ImageList& images, QWidget* parent)
    : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFM_DISPLAYOBJS"));
    setWindowTitle(QStringLiteral("Search Results"));
    auto* layout = new QGridLayout(this);
    tree_ = MakeNamed<QTreeWidget>(this, "TreeView1");
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setIconSize(QSize(2 * ImageList::kIconSize + 2, ImageList::kIconSize));
    tree_->setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    layout->addWidget(tree_, 0, 0, 1, 2);
    partRoot_ = MakeNamed<QLineEdit>(this, "ED_PARTROOT");
    partRoot_->setReadOnly(true);
    total_ = MakeNamed<QLineEdit>(this, "ED_TOTAL");
    total_->setReadOnly(true);
    layout->addWidget(new QLabel(QStringLiteral("Partition Root :"), this), 1, 0);
    layout->addWidget(partRoot_, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("Total :"), this), 2, 0);
    layout->addWidget(total_, 2, 1);
    PrintOkRow buttons = MakePrintOkRow(this);
    print_ = buttons.print;
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addLayout(buttons.row, 3, 0, 1, 2);
    resize(420, 480);
}

void TFM_DISPLAYOBJS::Prepare(const ObjectSearchResult& result, int rootClass,
                              bool rootIsPartition) {
    result_ = result;
    rootClass_ = rootClass;
    rootIsPartition_ = rootIsPartition;
    tree_->clear();
    auto* root = new QTreeWidgetItem(tree_, {FromModel(result.rootText)});
    root->setIcon(0, images_.NodePicture(rootClass, rootIsPartition));
    for (const auto& group : result.groups) {
        QPixmap icon = images_.NodePicture(group.classIndex, false);
        for (const std::string& name : group.names) {
            auto* item = new QTreeWidgetItem(root, {FromModel(name)});
            item->setIcon(0, icon);
        }
    }
    tree_->expandAll();
    partRoot_->setText(FromModel(result.partitionRoot));
    total_->setText(QString::number(result.total));
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace qv::gui
