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
    qv::utilities::NlistRequest request;
    std::string error;
    if (!qv::utilities::ParseNlistArguments(args, request, error)) {
        std::cout << error;
        return 1;
    }
    qv::nds::DirectoryEntries directory;
    if (!qv::standins::LoadDirectory(directory, error)) {
        std::cout << "NLIST: " << error << "\n";
        return 1;
    }
    std::string out;
    if (!qv::utilities::BuildNlistReport(directory, request, qv::standins::CurrentContext(), out,
                                         error)) {
        std::cout << error;
        return 1;
    }
    std::cout << out;
    return std::cout.good() ? 0 : 1;
}
