// A text page of the design window: Reports (TAB_REPORTS) and
// Warnings/Suggestions (TAB_SUGGESTIONS) are two instances. A row of radio
// buttons each shows one read-only text box; the page owns its status row and,
// on the Reports page, the three progress labels of the status panel.
#pragma once

#include "core/design_flags.h"
#include "gui/core/pages/page_parts.h"

#include <QWidget>
#include <array>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace qv::gui {

class StatusPanel;

struct TextPageParts {
    std::vector<RadioView> boxes;
    const char* panel;
    const char* abort;
    // Object names of progress labels on the status panel (may be empty).
    std::vector<const char*> labels;
};

class TextPage : public QWidget {
    Q_OBJECT
public:
    TextPage(const TextPageParts& parts, QWidget* parent);

    // The box being shown and the report it holds.
    QTextEdit* ShownBox(ReportIndex* which) const;
    // The radio buttons' captions as built.
    void ApplyTexts();
    StatusPanel* Status() const { return status_; }
    QPushButton* AbortButton() const { return abort_; }
    // The progress labels of the status panel (Label5, Label6, Label7).
    const std::vector<QLabel*>& ProgressLabels() const { return labels_; }
    void SetProgressLabelsVisible(bool visible);
    // Find Text: selects the next occurrence of the (upper-case) text in the
    // box being shown, from the caret on. False when there is none.
    bool FindText(const QString& text);

signals:
    // Another box was chosen: what it shows is rebuilt when stale.
    void BoxChosen();
    void AbortClicked();

private:
    struct Box {
        RadioView part;
        QRadioButton* radio;
        QTextEdit* box;
    };
    std::vector<Box> boxes_;
    std::vector<QLabel*> labels_;
    StatusPanel* status_ = nullptr;
    QPushButton* abort_ = nullptr;
};

} // namespace qv::gui
