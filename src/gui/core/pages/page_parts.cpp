#include "gui/core/pages/page_parts.h"

#include "gui/core/panels.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>

namespace qv::gui {

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* caption, bool checked) {
    auto* rb = new QRadioButton(QString::fromLatin1(caption), parent);
    rb->setObjectName(QLatin1String(name));
    rb->setChecked(checked);
    return rb;
}

namespace {

// Keeps the strip as high as its row, plus the scroll bar while it is shown.
class StripHeight final : public QObject {
public:
    StripHeight(QScrollArea* strip, QWidget* content)
        : QObject(strip), strip_(strip), content_(content) {}
    void Update() {
        const bool scrolls = content_->minimumSizeHint().width() > strip_->width();
        const int bar = scrolls ? strip_->horizontalScrollBar()->sizeHint().height() : 0;
        strip_->setFixedHeight(content_->sizeHint().height() + bar);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            Update();
        return QObject::eventFilter(watched, event);
    }

private:
    QScrollArea* strip_;
    QWidget* content_;
};

} // namespace

QWidget* ScrollingRow(QWidget* page, QBoxLayout* row) {
    auto* strip = new QScrollArea(page);
    strip->setFrameShape(QFrame::NoFrame);
    strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip->setWidgetResizable(true);
    auto* content = new QWidget(strip);
    row->setContentsMargins(0, 0, 0, 0);
    content->setLayout(row);
    // No control is squeezed below its own width.
    for (int i = 0; i < row->count(); ++i)
        if (QWidget* w = row->itemAt(i)->widget())
            w->setSizePolicy(QSizePolicy::Fixed, w->sizePolicy().verticalPolicy());
    strip->setWidget(content);
    auto* height = new StripHeight(strip, content);
    strip->installEventFilter(height);
    content->installEventFilter(height);
    height->Update();
    return strip;
}

StatusRow AddStatusRow(QWidget* page, QBoxLayout* layout, const char* panelName,
                       const char* abortName, bool withHint, bool enabled) {
    StatusRow row;
    row.panel = new StatusPanel(QLatin1String(panelName), page);
    row.abort = new QPushButton(QStringLiteral("Abort"), page);
    row.abort->setObjectName(QLatin1String(abortName));
    if (withHint)
        row.abort->setToolTip(QStringLiteral("Abort Report..."));
    row.abort->setEnabled(enabled);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(row.panel, 1);
    bottom->addWidget(row.abort);
    layout->addLayout(bottom);
    return row;
}

} // namespace qv::gui
