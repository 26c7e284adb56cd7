#include "gui/core/qt_hosts.h"

#include "gui/core/qt_text.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>

namespace qv::gui {

QString QtFilter(const std::string& filter) {
    QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString pattern = parts[i + 1];
        // "*.*" means any file; on this platform names need not have a dot.
        if (pattern == QLatin1String("*.*"))
            pattern = QStringLiteral("*");
        entries << parts[i] + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString FilterSuffix(const QString& entry) {
    static const QRegularExpression re(QStringLiteral("\\(\\*\\.([A-Za-z0-9]+)\\)$"));
    QRegularExpressionMatch m = re.match(entry);
    return m.hasMatch() ? m.captured(1) : QString();
}

QWidget* QtInteraction::Parent() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return main_;
}

static void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                    std::string_view text) {
    QMessageBox box(icon, title, FromMessage(text), QMessageBox::Ok, parent);
    box.exec();
}

void QtInteraction::Message(std::string_view text) {
    ShowBox(Parent(), QMessageBox::NoIcon, QStringLiteral("Quorvane"), text);
}

void QtInteraction::Information(std::string_view text) {
    ShowBox(Parent(), QMessageBox::Information, QStringLiteral("Information"), text);
}

void QtInteraction::Warning(std::string_view text) {
    ShowBox(Parent(), QMessageBox::Warning, QStringLiteral("Warning"), text);
}

void QtInteraction::Error(std::string_view text) {
    // Failures are told like refusals: the information icon with OK.
    ShowBox(Parent(), QMessageBox::Information, QStringLiteral("Information"), text);
}

namespace {

bool AskWithIcon(QWidget* parent, QMessageBox::Icon icon, std::string_view text) {
    QMessageBox box(icon, QStringLiteral("Confirm"), FromMessage(text),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

bool QtInteraction::AskYesNo(std::string_view text) {
    return AskWithIcon(Parent(), QMessageBox::Question, text);
}

bool QtInteraction::AskYesNoNotice(std::string_view text) {
    return AskWithIcon(Parent(), QMessageBox::Information, text);
}

void QtInteraction::Prepare(QFileDialog& dlg, const FileDialogRequest& request) const {
    const QString named = QString::fromUtf8(request.initialName);
    if (!QFileInfo(named).isAbsolute()) {
        QString folder = folderHint_ ? folderHint_() : QString();
        if (folder.isEmpty())
            folder = lastFolder_;
        if (!folder.isEmpty() && QDir(folder).exists())
            dlg.setDirectory(folder);
    }
    // Wide enough for the name, size, type and date columns.
    dlg.setViewMode(QFileDialog::Detail);
    QSize size(860, 520);
    if (QScreen* screen = dlg.screen())
        size = size.boundedTo(screen->availableGeometry().size());
    dlg.resize(size);
}

std::optional<std::string> QtInteraction::Run(QFileDialog& dlg, const FileDialogRequest& request) {
    Prepare(dlg, request);
    if (!request.initialName.empty())
        dlg.selectFile(QString::fromUtf8(request.initialName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return std::nullopt;
    lastFolder_ = dlg.directory().absolutePath();
    return ToPath(dlg.selectedFiles().first());
}

std::optional<std::string> QtInteraction::ChooseOpenFile(const FileDialogRequest& request) {
    QFileDialog dlg(Parent(), request.title.empty() ? QStringLiteral("Open")
                                                    : QString::fromUtf8(request.title));
    dlg.setObjectName(QStringLiteral("OpenDialog1"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile); // path and file must exist
    dlg.setNameFilter(QtFilter(request.filter));
    return Run(dlg, request);
}

std::optional<std::string> QtInteraction::ChooseSaveFile(const FileDialogRequest& request) {
    QFileDialog dlg(Parent(), request.title.empty() ? QStringLiteral("Save As")
                                                    : QString::fromUtf8(request.title));
    dlg.setObjectName(QStringLiteral("SaveDialog1"));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile); // the folder must exist
    dlg.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    QString filter = QtFilter(request.filter);
    dlg.setNameFilter(filter);
    // A name typed without extension gets the extension of the chosen filter.
    QStringList entries = filter.split(QStringLiteral(";;"));
    if (!entries.isEmpty())
        dlg.setDefaultSuffix(FilterSuffix(entries.first()));
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                     [&dlg](const QString& f) { dlg.setDefaultSuffix(FilterSuffix(f)); });
    return Run(dlg, request);
}

ProgressRelay::ProgressRelay(Painter paint, std::function<bool()> holding,
                             std::function<void()> beforePump)
    : paint_(std::move(paint)), holding_(std::move(holding)), beforePump_(std::move(beforePump)) {}

void ProgressRelay::Show(ProgressChannel channel, std::string_view text) {
    std::size_t c = static_cast<std::size_t>(channel);
    pending_[c] = std::string(text);
    channels_ |= 1u << c;
    if (!holding_())
        Flush();
}

void ProgressRelay::Flush() {
    for (std::size_t c = 0; c < pending_.size(); ++c)
        if (channels_ & (1u << c))
            paint_(static_cast<ProgressChannel>(c), FromMessage(pending_[c]));
    channels_ = 0;
}

void ProgressRelay::Pump() {
    beforePump_();
    // The queue is serviced, and the texts painted, at most every 40 ms: often
    // enough for the window to repaint and the Abort buttons to answer.
    if (!pumpTimer_.isValid() || pumpTimer_.elapsed() >= 40) {
        Flush();
        QCoreApplication::processEvents();
        pumpTimer_.start();
    }
}

} // namespace qv::gui
