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
    qv::utilities::RightsArguments request;
    std::string error;
    if (!qv::utilities::ParseRightsArguments(args, request, error)) {
        std::cout << error << "\n";
        return 1;
    }
    qv::nds::DirectoryEntries directory;
    if (!qv::standins::LoadDirectory(directory, error)) {
        std::cout << "RIGHTS: " << error << "\n";
        return 1;
    }
    qv::utilities::RightsWorkstation station;
    station.context = qv::standins::CurrentContext();
    station.drive = qv::standins::CurrentDrive();
    station.directory = qv::standins::CurrentDirectory();
    station.drives = qv::UtilitySettingsStore().Read().drives;
    // A relative volume folder is taken from the folder of the LDIF file of
    // the connection LoadDirectory read (the preferred one, else the first).
    const qv::StoredTreeConnections stored = qv::TreeConnectionStore().Read();
    for (const qv::nds::TreeConnection& c : stored.trees)
        if (c.name == stored.preferred || &c == &stored.trees.front())
            station.volumeBase = qv::utilities::VolumeBaseFolder(c);
    std::string out;
    const bool ok = qv::utilities::RightsReport(request, station, directory, out);
    std::cout << out;
    std::cout.flush();
    return ok && std::cout.good() ? 0 : 1;
}
