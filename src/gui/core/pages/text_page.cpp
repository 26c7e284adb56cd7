#include "gui/core/pages/text_page.h"

#include "gui/core/dialogs.h"
#include "gui/core/pages/page_parts.h"
#include "gui/core/panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

namespace qv::gui {

TextPage::TextPage(const TextPageParts& parts, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    for (const RadioView& p : parts.boxes) {
        bool first = boxes_.empty();
        QRadioButton* rb = MakeRadio(this, p.radio, p.caption, first);
        row->addWidget(rb);
        // The fixed font at 13 pixels; only the object report wraps its lines.
        QTextEdit* box = MakeReportBox(this, p.view);
        QFont f = box->font();
        f.setPixelSize(13);
        box->setFont(f);
        if (p.content == kObjectReport)
            box->setLineWrapMode(QTextEdit::WidgetWidth);
        box->setVisible(first);
        boxes_.push_back({p, rb, box});
    }
    row->addStretch(1);
    layout->addWidget(ScrollingRow(this, row));
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        layout->addWidget(boxes_[i].box, 1);
        connect(boxes_[i].radio, &QRadioButton::clicked, this, [this, i] {
            if (!boxes_[i].box->isHidden())
                return;
            for (std::size_t j = 0; j < boxes_.size(); ++j)
                boxes_[j].box->setVisible(j == i);
            emit BoxChosen();
        });
    }
    StatusRow status = AddStatusRow(this, layout, parts.panel, parts.abort, true, true);
    status_ = status.panel;
    abort_ = status.abort;
    connect(abort_, &QPushButton::clicked, this, &TextPage::AbortClicked);
    if (parts.labels.empty())
        return;
    auto* panelLayout = static_cast<QHBoxLayout*>(status_->layout());
    for (const char* name : parts.labels) {
        auto* l = new QLabel(status_);
        l->setObjectName(QLatin1String(name));
        panelLayout->addSpacing(12);
        panelLayout->addWidget(l);
        l->hide();
        labels_.push_back(l);
    }
    panelLayout->addStretch(1);
}

QTextEdit* TextPage::ShownBox(ReportIndex* which) const {
    for (const Box& b : boxes_)
        if (!b.box->isHidden()) {
            *which = static_cast<ReportIndex>(b.part.content);
            return b.box;
        }
    return nullptr;
}

void TextPage::SetProgressLabelsVisible(bool visible) {
    for (QLabel* l : labels_)
        l->setVisible(visible);
}

bool TextPage::FindText(const QString& text) {
    ReportIndex which = kPartitionReport;
    QTextEdit* box = ShownBox(&which);
    if (!box)
        return true;
    QTextDocument* doc = box->document();
    int caret = box->textCursor().selectionStart();
    QTextBlock block = doc->findBlock(caret);
    int col = std::max(0, caret - block.position() - 1);
    for (; block.isValid(); block = block.next(), col = 0) {
        int at = UpperCaseTyped(block.text()).indexOf(text, col);
        if (at >= 0) {
            QTextCursor c(doc);
            c.setPosition(block.position() + at);
            c.setPosition(block.position() + at + static_cast<int>(text.size()),
                          QTextCursor::KeepAnchor);
            box->setTextCursor(c);
            return true;
        }
    }
    return false;
}

void TextPage::ApplyTexts() {
    for (const Box& b : boxes_)
        b.radio->setText(QString::fromLatin1(b.part.caption));
}

} // namespace qv::gui
