#include "platform/tree_connections.h"

#include "netware/directory_profile.h"
#include "platform/settings_store.h"

#include <QSettings>
#include <QString>

namespace qv {

namespace {

const QString kGroup = QStringLiteral("Tree Connections");
const QString kArray = QStringLiteral("Trees");

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TreeConnectionStore::TreeConnectionStore(std::string path) : path_(std::move(path)) {
    if (path_.empty())
        path_ = DefaultSettingsPath();
}

Result<StoredTreeConnections> TreeConnectionStore::Read() const {
    StoredTreeConnections out;
    Result<void> read = ReadIniFile(path_, [&](QSettings& settings) {
        settings.beginGroup(kGroup);
        out.preferred = settings.value(QStringLiteral("Preferred")).toString().toStdString();
        int n = settings.beginReadArray(kArray);
        for (int i = 0; i < n; ++i) {
            settings.setArrayIndex(i);
            nds::TreeConnection c;
            c.name = settings.value(QStringLiteral("Name")).toString().toStdString();
            c.address = settings.value(QStringLiteral("Address")).toString().toStdString();
            c.bindDn = settings.value(QStringLiteral("BindDN")).toString().toStdString();
            c.passwordFile =
                settings.value(QStringLiteral("PasswordFile")).toString().toStdString();
            c.startTls = settings.value(QStringLiteral("StartTLS")).toBool();
            bool numeric = false;
            int timeout = settings.value(QStringLiteral("Timeout")).toInt(&numeric);
            c.timeoutSeconds = numeric && timeout > 0 ? timeout : nds::kDefaultTimeoutSeconds;
            // Connections stored before profiles existed are read with auto.
            c.profile = settings.value(QStringLiteral("Profile"), QStringLiteral("auto"))
                            .toString()
                            .toStdString();
            if (!nds::IsProfileChoice(c.profile))
                c.profile = "auto";
            if (!c.name.empty() && c.name.size() <= nds::kMaxTreeName)
                out.trees.push_back(std::move(c));
        }
        settings.endArray();
        settings.endGroup();
    });
    if (!read)
        return Failed(read.error());
    return out;
}

Result<void> TreeConnectionStore::Write(const StoredTreeConnections& connections) const {
    Result<std::string> written = UpdateIniFile(path_, [&](QSettings& settings) {
        settings.beginGroup(kGroup);
        settings.remove(QString());
        settings.setValue(QStringLiteral("Preferred"), Q(connections.preferred));
        settings.beginWriteArray(kArray, static_cast<int>(connections.trees.size()));
        for (std::size_t i = 0; i < connections.trees.size(); ++i) {
            const nds::TreeConnection& c = connections.trees[i];
            settings.setArrayIndex(static_cast<int>(i));
            settings.setValue(QStringLiteral("Name"), Q(c.name));
            settings.setValue(QStringLiteral("Address"), Q(c.address));
            settings.setValue(QStringLiteral("BindDN"), Q(c.bindDn));
            settings.setValue(QStringLiteral("PasswordFile"), Q(c.passwordFile));
            settings.setValue(QStringLiteral("StartTLS"), c.startTls);
            settings.setValue(QStringLiteral("Timeout"), c.timeoutSeconds);
            settings.setValue(QStringLiteral("Profile"), Q(c.profile.empty() ? "auto" : c.profile));
        }
        settings.endArray();
        settings.endGroup();
    });
    if (!written)
        return Failed(written.error());
    return {};
}

Result<void> LoadTreeConnections(const TreeConnectionStore& store) {
    Result<StoredTreeConnections> read = store.Read();
    StoredTreeConnections s = read.value_or({});
    nds::SetTreeConnections(std::move(s.trees), std::move(s.preferred));
    if (!read)
        return Failed(read.error());
    return {};
}

} // namespace qv
