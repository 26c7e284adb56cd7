#include "platform/settings_store.h"

#include "files/file_access.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <cerrno>
#include <sys/stat.h>

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
    // Reading never creates the file or its directory; a missing file means
    // the defaults. Anything but a regular file of sane size is refused.
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0 && errno == ENOENT)
        return out;
    if (std::string reason = NotRegularFileReason(path_); !reason.empty()) {
        readError = "Cannot open file \"" + path_ + "\". " + reason;
        return out;
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxSettingsFileBytes) {
        readError = "Cannot open file \"" + path_ + "\". It is larger than " +
                    SizeLimitText(kMaxSettingsFileBytes) + ", the limit for this kind of file.";
        return out;
    }
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
    // The file a link leads to is written, only when it is a regular file.
    std::string target, error;
    FileIdentity identity;
    if (!ResolveSaveTarget(path_, target, identity, error)) {
        notice = error;
        return false;
    }
    if (!QDir().mkpath(QFileInfo(QString::fromStdString(target)).absolutePath()))
        return false;
    // The new contents are made on a private copy (QSettings keeps the other
    // groups), then replace the file as a design file is replaced.
    std::string old;
    if (identity.exists && !ReadWholeFile(target, old, error, kMaxSettingsFileBytes)) {
        notice = error;
        return false;
    }
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return false;
    const QString copy = scratch.filePath(QStringLiteral("Quorvane.ini"));
    {
        QFile f(copy);
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(old.data(), static_cast<qint64>(old.size())) != static_cast<qint64>(old.size()))
            return false;
    }
    {
        QSettings settings(copy, QSettings::IniFormat);
        settings.beginGroup(kGroup);
        settings.setValue(kVersion, static_cast<int>(version));
        settings.setValue(kConfig, QByteArray(reinterpret_cast<const char*>(config.data()),
                                              static_cast<qsizetype>(config.size())));
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return false;
    }
    std::string bytes;
    if (!ReadWholeFile(copy.toStdString(), bytes, error))
        return false;
    if (!ReplaceFileAtomically(path_, bytes, error)) {
        notice = error;
        return false;
    }
    if (identity.exists && identity.links > 1)
        notice = "The settings file \"" + path_ + "\" had " + std::to_string(identity.links - 1) +
                 " other name(s) (hard links): saving replaced only this name.";
    return true;
}

} // namespace qv
