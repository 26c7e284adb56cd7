#include "modal_script.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

namespace qv::gui::test {

namespace {

QString KindOf(const QMessageBox* box) {
    switch (box->icon()) {
    case QMessageBox::Information:
        return QStringLiteral("information");
    case QMessageBox::Warning:
        return QStringLiteral("warning");
    case QMessageBox::Critical:
        return QStringLiteral("error");
    case QMessageBox::Question:
        return QStringLiteral("question");
    default:
        return QStringLiteral("message");
    }
}

} // namespace

ModalScript::ModalScript() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &ModalScript::Poll);
    timer_.start();
}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::Press(QMessageBox::StandardButton button) {
    return Then([button](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box) {
            static_cast<QDialog*>(w)->reject();
            return;
        }
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    });
}

ModalScript& ModalScript::ChooseFile(const QString& path) {
    return Then([path](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        if (!dlg) {
            static_cast<QDialog*>(w)->reject();
            return;
        }
        // Typed into the name box, as a user would; selectFile alone does
        // not take a name that does not exist yet.
        QFileInfo info(path);
        dlg->setDirectory(info.absolutePath());
        if (auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(info.fileName());
        else
            dlg->selectFile(path);
        static_cast<QDialog*>(dlg)->accept(); // QFileDialog::accept checks the name
    });
}

ModalScript& ModalScript::Cancel() {
    return Then([](QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        else
            w->close();
    });
}

ModalScript& ModalScript::Then(std::function<void(QWidget*)> action) {
    actions_.push_back(std::move(action));
    return *this;
}

QStringList ModalScript::Texts(const QString& kind) const {
    QStringList out;
    for (const SeenBox& b : seen)
        if (b.kind == kind)
            out << b.text;
    return out;
}

void ModalScript::Clear() {
    seen.clear();
    unexpected.clear();
    actions_.clear();
}

void ModalScript::Poll() {
    QWidget* w = QApplication::activeModalWidget();
    if (!w || !w->isVisible() || w->property("qvHandled").toBool())
        return;
    w->setProperty("qvHandled", true);
    if (auto* box = qobject_cast<QMessageBox*>(w))
        seen.push_back({KindOf(box), box->text()});
    else
        seen.push_back({QString::fromLatin1(w->metaObject()->className()), w->windowTitle()});
    std::function<void(QWidget*)> action;
    if (actions_.empty()) {
        unexpected << seen.back().kind + QStringLiteral(": ") + seen.back().text;
        action = [](QWidget* x) {
            if (auto* d = qobject_cast<QDialog*>(x))
                d->reject();
            else
                x->close();
        };
    } else {
        action = std::move(actions_.front());
        actions_.pop_front();
    }
    // Run outside this timer's slot, so that a box the action opens is
    // answered by the next poll.
    QPointer<QWidget> target(w);
    // A window still open afterwards (a dialog that refused its input) takes
    // the next answer on the next poll.
    QTimer::singleShot(0, this, [target, action] {
        if (target)
            action(target);
        if (target)
            target->setProperty("qvHandled", false);
    });
}

} // namespace qv::gui::test
