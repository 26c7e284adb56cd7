#include "gui/core/panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>

namespace qv::gui {

StatusPanel::StatusPanel(const QString& name, QWidget* parent) : QFrame(parent) {
    setObjectName(name);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    caption_ = new QLabel(this);
    caption_->setObjectName(name + QStringLiteral("_Caption"));
    caption_->setTextFormat(Qt::PlainText);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->addWidget(caption_);
    setMinimumHeight(22);
}

void StatusPanel::SetCaption(const QString& text) {
    caption_->setText(text);
}
QString StatusPanel::Caption() const {
    return caption_->text();
}

SplitPanel::SplitPanel(const QString& name, QWidget* parent) : QFrame(parent) {
    setObjectName(name);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
}

void SplitPanel::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ && !cursorShown_) {
        setCursor(Qt::SplitHCursor);
        cursorShown_ = true;
    }
    QFrame::mouseMoveEvent(e);
}

void SplitPanel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && cursorShown_) {
        dragging_ = true;
        startX_ = static_cast<int>(e->globalPosition().x());
    }
}

void SplitPanel::mouseReleaseEvent(QMouseEvent* e) {
    if (dragging_ && e->button() == Qt::LeftButton) {
        dragging_ = false;
        emit Dragged(static_cast<int>(e->globalPosition().x()) - startX_);
    }
}

void SplitPanel::leaveEvent(QEvent* e) {
    if (!dragging_) {
        unsetCursor();
        cursorShown_ = false;
    }
    QFrame::leaveEvent(e);
}

} // namespace qv::gui
