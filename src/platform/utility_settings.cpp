#include "platform/utility_settings.h"

#include "platform/settings_store.h"

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

Result<UtilitySettings> UtilitySettingsStore::Read() const {
    UtilitySettings out;
    Result<void> read = ReadIniFile(path_, [&](QSettings& settings) {
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
    });
    if (!read)
        return Failed(read.error());
    return out;
}

Result<void> UtilitySettingsStore::Write(const UtilitySettings& s) const {
    QStringList folders;
    for (const std::string& f : s.utilityPath)
        folders << QString::fromStdString(f);
    Result<std::string> written = UpdateIniFile(path_, [&](QSettings& settings) {
        settings.beginGroup(kUtilities);
        settings.setValue(QStringLiteral("Path"), folders.join(QLatin1Char(':')));
        settings.endGroup();
        settings.beginGroup(kDrives);
        settings.remove(QString());
        for (const auto& [letter, volume] : s.drives)
            settings.setValue(QString(QLatin1Char(letter)), QString::fromStdString(volume));
        settings.endGroup();
    });
    if (!written)
        return Failed(written.error());
    return {};
}

} // namespace qv
