// RIGHTS: the file system rights of an object in the current folder of the
// mapped volume, from the preferred tree connection (see
// utilities/rights_standin.h).
#include "platform/tree_connections.h"
#include "platform/utility_settings.h"
#include "support/standin_support.h"
#include "utilities/rights_standin.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const qv::Result<qv::utilities::RightsArguments> request =
        qv::utilities::ParseRightsArguments(args);
    if (!request) {
        std::cout << request.error() << "\n";
        return 1;
    }
    qv::nds::DirectoryEntries directory;
    if (qv::Result<void> loaded = qv::standins::LoadDirectory(directory); !loaded) {
        std::cout << "RIGHTS: " << loaded.error() << "\n";
        return 1;
    }
    qv::utilities::RightsWorkstation station;
    station.context = qv::standins::CurrentContext();
    station.drive = qv::standins::CurrentDrive();
    station.directory = qv::standins::CurrentDirectory();
    station.drives = qv::UtilitySettingsStore().Read().value_or({}).drives;
    // A relative volume folder is taken from the folder of the LDIF file of
    // the connection LoadDirectory read (the preferred one, else the first).
    const qv::StoredTreeConnections stored = qv::TreeConnectionStore().Read().value_or({});
    for (const qv::nds::TreeConnection& c : stored.trees)
        if (c.name == stored.preferred || &c == &stored.trees.front())
            station.volumeBase = qv::utilities::VolumeBaseFolder(c);
    const qv::Result<std::string> report =
        qv::utilities::RightsReport(*request, station, directory);
    std::cout << (report ? *report : report.error());
    std::cout.flush();
    return report && std::cout.good() ? 0 : 1;
}
