// NLIST: lists user objects with their last name and default server from the
// preferred tree connection (see utilities/nlist_report.h).
#include "support/standin_support.h"
#include "utilities/nlist_report.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const qv::Result<qv::utilities::NlistRequest> request =
        qv::utilities::ParseNlistArguments(args);
    if (!request) {
        std::cout << request.error();
        return 1;
    }
    qv::nds::DirectoryEntries directory;
    if (qv::Result<void> loaded = qv::standins::LoadDirectory(directory); !loaded) {
        std::cout << "NLIST: " << loaded.error() << "\n";
        return 1;
    }
    const qv::Result<std::string> out =
        qv::utilities::BuildNlistReport(directory, *request, qv::standins::CurrentContext());
    if (!out) {
        std::cout << out.error();
        return 1;
    }
    std::cout << *out;
    return std::cout.good() ? 0 : 1;
}
