// The panels of the design window's pages: the sunken status panel whose
// caption is a progress text, and the thin splitter panel between two lists.
#pragma once

#include <QFrame>
#include <QString>

class QLabel;
class QMouseEvent;

namespace qv::gui {

// A panel whose caption is a status text.
class StatusPanel : public QFrame {
    Q_OBJECT
public:
    StatusPanel(const QString& name, QWidget* parent);
    void SetCaption(const QString& text);
    QString Caption() const;
    QLabel* CaptionLabel() const { return caption_; }

private:
    QLabel* caption_;
};

// A 5-pixel splitter panel between two lists. It reports the horizontal
// movement of a completed drag; the page decides whether to apply it.
class SplitPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = 5;
    SplitPanel(const QString& name, QWidget* parent);
signals:
    void Dragged(int dx);

protected:
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool cursorShown_ = false;
    bool dragging_ = false;
    int startX_ = 0;
};

} // namespace qv::gui
