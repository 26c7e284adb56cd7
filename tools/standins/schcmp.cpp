// SCHCMP.EXE SERVER1 SERVER2: the schemas of two servers of the preferred
// tree compared; the report on stdout.
#include "support/standin_support.h"

#include "platform/tree_connections.h"
#include "utilities/schema_report.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    qv::nds::DirectoryEntries directory;
    std::string out;
    if (args.size() != 2) {
        const int status = qv::utilities::RunSchemaCompare(args, directory, {}, out);
        std::cout << out;
        return status;
    }
    if (qv::Result<void> loaded = qv::standins::LoadDirectory(directory); !loaded) {
        std::cout << "SCHCMP: " << loaded.error() << "\n";
        return 1;
    }
    qv::StoredTreeConnections stored = qv::TreeConnectionStore().Read().value_or({});
    qv::nds::TreeConnection connection = stored.trees.front();
    for (const qv::nds::TreeConnection& c : stored.trees)
        if (c.name == stored.preferred)
            connection = c;
    const int status = qv::utilities::RunSchemaCompare(
        args, directory, qv::utilities::DirectorySchemaSources(connection), out);
    std::cout << out;
    std::cout.flush();
    return status;
}
