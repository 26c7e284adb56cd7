#include "platform/settings_store.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QVariant>

namespace qv {

namespace {

const QString kGroup = QStringLiteral("SOFTWARE/Quorvane");
const QString kVersion = QStringLiteral("Version");
const QString kConfig = QStringLiteral("Warning Config");

} // namespace

std::string DefaultSettingsPath() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return (base + QStringLiteral("/Quorvane/Quorvane.ini")).toStdString();
}

IniSettingsStorage::IniSettingsStorage(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        path_ = DefaultSettingsPath();
}

StoredSettings IniSettingsStorage::Read() {
    StoredSettings out;
    const QString file = QString::fromStdString(path_);
    // Reading never creates the file or its directory.
    if (!QFileInfo(file).isFile())
        return out;
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return out;
    settings.beginGroup(kGroup);
    if (settings.contains(kVersion)) {
        out.versionPresent = true;
        QVariant v = settings.value(kVersion);
        bool ok = false;
        long long n = v.toString().trimmed().toLongLong(&ok);
        if (ok && v.metaType().id() != QMetaType::QByteArray)
            out.version = n;
    }
    if (settings.contains(kConfig)) {
        out.configPresent = true;
        QVariant v = settings.value(kConfig);
        // The INI format marks binary values (@ByteArray); plain texts are not binary.
        if (v.metaType().id() == QMetaType::QByteArray) {
            out.configBinary = true;
            QByteArray bytes = v.toByteArray();
            out.config.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        }
    }
    settings.endGroup();
    return out;
}

bool IniSettingsStorage::Write(std::int32_t version, const WarningConfigBytes& config) {
    const QString file = QString::fromStdString(path_);
    QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    QSettings settings(file, QSettings::IniFormat);
    if (!settings.isWritable())
        return false;
    settings.beginGroup(kGroup);
    settings.setValue(kVersion, static_cast<int>(version));
    settings.setValue(kConfig, QByteArray(reinterpret_cast<const char*>(config.data()),
                                          static_cast<qsizetype>(config.size())));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace qv
