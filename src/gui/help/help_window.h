// TFM_HELP, "Quorvane Help": the fixed topic tree (TV_HELP) and the text of
// the selected topic (RE_HELP), with OK and "&Print".
#pragma once

#include <QDialog>
#include <functional>
#include <string_view>

class QLabel;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv::gui {

class ImageList;

class TFM_HELP : public QDialog {
    Q_OBJECT
public:
    explicit TFM_HELP(const ImageList& images, QWidget* parent = nullptr);

    QTreeWidget* TV_HELP() const { return tree_; }
    QTextEdit* RE_HELP() const { return text_; }
    // Selects the topic (its text follows) without showing the window.
    bool SelectTopic(std::string_view name);
    // The help menu: shows the window modally.
    void ShowHelp();
    // F1: shows the window on a topic.
    void ShowTopic(std::string_view name);

private:
    void TV_HELPClick();
    void BTN_PRINTClick();

    const ImageList& images_;
    QLabel* label_;
    QTreeWidget* tree_;
    QTextEdit* text_;
    QPushButton* ok_;
    QPushButton* print_;
};

// F1 in a design window opens the help window on the topic of the active
// page; activePage answers the page index (0 tree .. 4 suggestions).
void InstallHelpKey(QWidget* designWindow, TFM_HELP& help, std::function<int()> activePage);

} // namespace qv::gui
