// DSRIGHTS: how an object got its rights to another object, from the
// preferred tree connection (see utilities/dsrights_report.h).
#include "support/standin_support.h"
#include "utilities/dsrights_report.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() != 2) {
        std::string usage;
        qv::utilities::RunDsRights(args, qv::nds::DirectoryEntries(), {}, usage);
        std::cout << usage;
        return 1;
    }
    qv::nds::DirectoryEntries directory;
    if (qv::Result<void> loaded = qv::standins::LoadDirectory(directory); !loaded) {
        std::cout << "DSRIGHTS: " << loaded.error() << "\n";
        return 1;
    }
    std::string out;
    int code = qv::utilities::RunDsRights(args, directory, qv::standins::CurrentContext(), out);
    std::cout << out;
    return std::cout.good() ? code : 1;
}
