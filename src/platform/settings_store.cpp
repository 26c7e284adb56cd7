#include "platform/settings_store.h"

#include "files/file_access.h"

#include <QByteArray>
#include <QDir>
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

namespace {

// A private folder with a copy of the settings file, for QSettings.
struct PrivateCopy {
    QTemporaryDir scratch;
    QString file;
    bool Make(const std::string& bytes) {
        if (!scratch.isValid())
            return false;
        file = scratch.filePath(QStringLiteral("Quorvane.ini"));
        return ReplaceFileAtomically(file.toStdString(), bytes).ok();
    }
};

bool Missing(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) != 0 && errno == ENOENT;
}

} // namespace

Result<void> ReadIniFile(const std::string& path, const std::function<void(QSettings&)>& read) {
    // Reading never creates the file or its directory; a missing file means
    // the defaults.
    if (Missing(path))
        return {};
    Result<std::string> bytes = ReadWholeFile(path, kMaxSettingsFileBytes);
    if (!bytes)
        return Failed(bytes.error());
    PrivateCopy copy;
    if (!copy.Make(*bytes))
        return Failed("Cannot read the settings file \"" + path +
                      "\": no private copy could be made.");
    QSettings settings(copy.file, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        return {}; // unreadable contents: the defaults, as before
    read(settings);
    return {};
}

Result<std::string> UpdateIniFile(const std::string& path,
                                  const std::function<void(QSettings&)>& edit) {
    // The file a link leads to is written, only when it is a regular file.
    std::string target;
    Result<FileIdentity> identity = ResolveSaveTarget(path, target);
    if (!identity)
        return Failed(identity.error());
    if (!QDir().mkpath(QFileInfo(QString::fromStdString(target)).absolutePath()))
        return Failed("Cannot create file \"" + path + "\". Its folder cannot be made.");
    Result<std::string> old = std::string();
    if (identity->exists && !(old = ReadWholeFile(target, kMaxSettingsFileBytes)))
        return Failed(old.error());
    PrivateCopy copy;
    if (!copy.Make(*old))
        return Failed("Cannot create file \"" + path + "\". No private copy could be made.");
    {
        QSettings settings(copy.file, QSettings::IniFormat);
        edit(settings);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            return Failed("Cannot create file \"" + path +
                          "\". The settings could not be written.");
    }
    Result<std::string> bytes = ReadWholeFile(copy.file.toStdString(), kMaxSettingsFileBytes);
    if (!bytes)
        return Failed(bytes.error());
    if (Result<FileIdentity> written = ReplaceFileAtomically(path, *bytes); !written)
        return Failed(written.error());
    if (identity->exists && identity->links > 1)
        return "The settings file \"" + path + "\" had " + std::to_string(identity->links - 1) +
               " other name(s) (hard links): saving replaced only this name.";
    return std::string();
}

StoredSettings IniSettingsStorage::Read() {
    StoredSettings out;
    if (Result<void> read =
            ReadIniFile(path_,
                        [&](QSettings& settings) {
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
                                // The INI format marks binary values (@ByteArray); plain
                                // texts are not binary.
                                if (v.metaType().id() == QMetaType::QByteArray) {
                                    out.configBinary = true;
                                    QByteArray bytes = v.toByteArray();
                                    out.config.assign(bytes.constData(),
                                                      static_cast<std::size_t>(bytes.size()));
                                }
                            }
                            settings.endGroup();
                        });
        !read)
        readError = read.error();
    return out;
}

bool IniSettingsStorage::Write(std::int32_t version, const WarningConfigBytes& config) {
    Result<std::string> written = UpdateIniFile(path_, [&](QSettings& settings) {
        settings.beginGroup(kGroup);
        settings.setValue(kVersion, static_cast<int>(version));
        settings.setValue(kConfig, QByteArray(reinterpret_cast<const char*>(config.data()),
                                              static_cast<qsizetype>(config.size())));
        settings.endGroup();
    });
    if (!written)
        notice = written.error();
    else if (!written->empty())
        notice = *written;
    return written.ok();
}

} // namespace qv
