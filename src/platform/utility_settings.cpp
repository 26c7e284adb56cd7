#include "platform/utility_settings.h"

#include "platform/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace qv {

namespace {

const QString kUtilities = QStringLiteral("Utilities");
const QString kDrives = QStringLiteral("Drive Mappings");

} // namespace

UtilitySettingsStore::UtilitySettingsStore(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        path_ = DefaultSettingsPath();
}

UtilitySettings UtilitySettingsStore::Read() const {
    UtilitySettings out;
    const QString file = QString::fromStdString(path_);
    if (!QFileInfo(file).isFile())
        return out;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(kUtilities);
    const QString path = settings.value(QStringLiteral("Path")).toString();
    for (const QString& folder : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        out.utilityPath.push_back(folder.toStdString());
    settings.endGroup();
    settings.beginGroup(kDrives);
    for (const QString& key : settings.childKeys()) {
        if (key.size() != 1 || !key.at(0).isLetter() || key.at(0).unicode() > 0x7F)
            continue;
        const std::string volume = settings.value(key).toString().toStdString();
        if (!volume.empty())
            out.drives[static_cast<char>(key.at(0).toUpper().unicode())] = volume;
    }
    settings.endGroup();
    return out;
}

bool UtilitySettingsStore::Write(const UtilitySettings& s) const {
    const QString file = QString::fromStdString(path_);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSettings settings(file, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    QStringList folders;
    for (const std::string& f : s.utilityPath)
        folders << QString::fromStdString(f);
    settings.beginGroup(kUtilities);
    settings.setValue(QStringLiteral("Path"), folders.join(QLatin1Char(':')));
    settings.endGroup();
    settings.beginGroup(kDrives);
    settings.remove(QString());
    for (const auto& [letter, volume] : s.drives)
        settings.setValue(QString(QLatin1Char(letter)), QString::fromStdString(volume));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace qv
