// quorvane: the desktop program.
#include "gui/core/dialogs.h"
#include "gui/shell/mdi_app.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The splash window goes up first and stays while the main window starts.
    std::unique_ptr<QWidget> splash(
        qv::gui::CreateSplash(QPixmap(QStringLiteral(":/pictures/product.png"))));
    splash->show();
    QApplication::processEvents();
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/pictures/app_icon.png")));

    qv::gui::TMDIApp mainWindow(3);
    mainWindow.CreateDialogs();
    splash->hide();
    splash.reset();
    mainWindow.show();
    // "quorvane FILE.qvd...": each design in its own window.
    QStringList files = QApplication::arguments();
    files.removeFirst();
    mainWindow.OpenFiles(files);
    return QApplication::exec();
}
