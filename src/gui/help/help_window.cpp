#include "gui/help/help_window.h"

#include "gui/core/dialogs.h"
#include "gui/core/named.h"
#include "gui/print/print_commands.h"
#include "help/help_topics.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QStyle>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace qv::gui {
namespace {

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The topic texts are kept as lines of a fixed width; the window wraps them
// itself, so the lines of one paragraph or list item are joined first. An
// empty line ends a paragraph, a line starting "1." or "-" starts a list
// item, and an indented line goes on with the item above it.
QString Unwrapped(const std::vector<std::string>& lines) {
    static const QRegularExpression item(QStringLiteral("^(\\d+\\.|-) "));
    QStringList out;
    bool open = false;
    for (const std::string& raw : lines) {
        const QString line = Latin1(raw);
        if (line.trimmed().isEmpty()) {
            out << QString();
            open = false;
            continue;
        }
        if (open && !item.match(line).hasMatch()) {
            out.back() += QLatin1Char(' ') + line.trimmed();
            continue;
        }
        out << line;
        open = true;
    }
    return out.join(QLatin1Char('\n'));
}

} // namespace

TFM_HELP::TFM_HELP(const ImageList& images, QWidget* parent) : QDialog(parent), images_(images) {
    setObjectName(QStringLiteral("TFM_HELP"));
    setWindowTitle(QLatin1String(kHelpCaption));
    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(QLatin1String(kHelpLabel), this);
    label_->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(label_);

    auto* body = new QHBoxLayout;
    tree_ = MakeNamed<QTreeWidget>(this, "TV_HELP");
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    std::vector<QTreeWidgetItem*> parents;
    for (const HelpTopic& topic : HelpTopics()) {
        parents.resize(static_cast<std::size_t>(topic.level));
        QTreeWidgetItem* item =
            parents.empty() ? new QTreeWidgetItem(tree_) : new QTreeWidgetItem(parents.back());
        item->setText(0, Latin1(topic.name));
        parents.push_back(item);
    }
    // Every topic title whole: the tree is as wide as its widest entry, all
    // entries opened.
    tree_->expandAll();
    tree_->resizeColumnToContents(0);
    tree_->setMinimumWidth(
        std::max(230, tree_->columnWidth(0) + 2 * tree_->frameWidth() +
                          tree_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4));
    body->addWidget(tree_);
    text_ = MakeNamed<QTextEdit>(this, "RE_HELP");
    text_->setReadOnly(true);
    text_->setAcceptRichText(false);
    text_->setLineWrapMode(QTextEdit::WidgetWidth);
    text_->setFont(ReportFont(8));
    body->addWidget(text_, 1);
    layout->addLayout(body, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    print_ = MakeNamed<QPushButton>(this, "BTN_PRINT", QStringLiteral("&Print"));
    ok_ = MakeNamed<QPushButton>(this, "BTN_OK", QStringLiteral("OK"));
    ok_->setDefault(true);
    row->addWidget(print_);
    row->addWidget(ok_);
    layout->addLayout(row);

    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TFM_HELP::TV_HELPClick);
    connect(tree_, &QTreeWidget::itemClicked, this, &TFM_HELP::TV_HELPClick);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(print_, &QPushButton::clicked, this, &TFM_HELP::BTN_PRINTClick);
    resize(720, 480);
}

void TFM_HELP::TV_HELPClick() {
    text_->clear();
    QTreeWidgetItem* item = tree_->currentItem();
    if (!item)
        return;
    const std::vector<std::string> lines = HelpTextLines(item->text(0).toLatin1().toStdString());
    if (!lines.empty())
        text_->setPlainText(Unwrapped(lines));
}

bool TFM_HELP::SelectTopic(std::string_view name) {
    const auto found = tree_->findItems(Latin1(name), Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty())
        return false;
    tree_->setCurrentItem(found.front());
    tree_->scrollToItem(found.front());
    TV_HELPClick();
    return true;
}

void TFM_HELP::ShowHelp() {
    exec();
}

void TFM_HELP::ShowTopic(std::string_view name) {
    SelectTopic(name);
    exec();
}

void TFM_HELP::BTN_PRINTClick() {
    PrintTextBox(this, text_, images_);
}

void InstallHelpKey(QWidget* designWindow, TFM_HELP& help, std::function<int()> activePage) {
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), designWindow);
    key->setObjectName(QStringLiteral("HelpKey"));
    key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(key, &QShortcut::activated, designWindow,
                     [&help, activePage] { help.ShowTopic(HelpTopicForPage(activePage())); });
}

} // namespace qv::gui
