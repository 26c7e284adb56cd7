// Answers the modal boxes and dialogs that the windows under test open: each
// modal window that appears takes the next scripted answer; every message box
// is recorded with its kind and text. A modal window without an answer is
// recorded as unexpected and closed, so a test never hangs.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>

namespace qv::gui::test {

struct SeenBox {
    QString kind; // "information", "warning", "error", "question", "message", or the class name
    QString text;
};

class ModalScript : public QObject {
    Q_OBJECT
public:
    ModalScript();
    ~ModalScript() override;

    // The next message box: press that button.
    ModalScript& Press(QMessageBox::StandardButton button);
    ModalScript& Ok() { return Press(QMessageBox::Ok); }
    ModalScript& Yes() { return Press(QMessageBox::Yes); }
    ModalScript& No() { return Press(QMessageBox::No); }
    // The next file dialog: choose that path.
    ModalScript& ChooseFile(const QString& path);
    // The next modal window: reject it (Cancel).
    ModalScript& Cancel();
    // The next modal window: run the function on it.
    ModalScript& Then(std::function<void(QWidget*)> action);

    std::vector<SeenBox> seen;
    QStringList unexpected;
    bool Idle() const { return actions_.empty(); }
    // Texts of the recorded boxes of one kind.
    QStringList Texts(const QString& kind) const;
    void Clear();

private:
    void Poll();
    QTimer timer_;
    std::deque<std::function<void(QWidget*)>> actions_;
};

} // namespace qv::gui::test
