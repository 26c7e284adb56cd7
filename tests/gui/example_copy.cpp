#include "example_copy.h"

#include <QFile>
#include <QTemporaryDir>

namespace qv::gui::test {

QString ExampleCopy(const char* name) {
    static QTemporaryDir folder;
    const QString copy = folder.filePath(QLatin1String(name));
    if (!QFile::exists(copy))
        QFile::copy(QStringLiteral(QV_SOURCE_DIR "/examples/") + QLatin1String(name), copy);
    return copy;
}

} // namespace qv::gui::test
