#include "standin_support.h"

#include "files/file_access.h"
#include "platform/tree_connections.h"

#include <cctype>
#include <cstdlib>

namespace qv::standins {

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

Result<void> LoadDirectory(nds::DirectoryEntries& directory) {
    Result<StoredTreeConnections> read = TreeConnectionStore().Read();
    if (!read)
        return Failed(read.error());
    const StoredTreeConnections& stored = *read;
    if (stored.trees.empty())
        return Failed("No tree connection: set one up with Search NDS Tree or quorvane-cli trees.");
    const nds::TreeConnection* chosen = &stored.trees.front();
    for (const nds::TreeConnection& c : stored.trees)
        if (c.name == stored.preferred)
            chosen = &c;
    nds::Status status = directory.Load(*chosen);
    if (status != nds::kOk) {
        // A file of the connection that is refused is named with the reason.
        for (const std::string& file :
             {chosen->address.rfind("ldif:", 0) == 0 ? chosen->address.substr(5) : std::string(),
              chosen->passwordFile})
            if (!file.empty())
                if (std::string why = NotRegularFileReason(file); !why.empty())
                    return Failed("Cannot open file \"" + file + "\". " + why);
        return Failed("Cannot read the directory of tree " + chosen->name + " (status " +
                      std::to_string(status) + ").");
    }
    return {};
}

std::string CurrentContext() {
    std::string c = Variable(kContextVariable);
    if (!c.empty() && c.front() == '.')
        c.erase(0, 1);
    if (c == "[ROOT]" || c == "[Root]")
        c.clear();
    return c;
}

char CurrentDrive() {
    std::string d = Variable(kDriveVariable);
    if (d.size() != 1 || !std::isalpha(static_cast<unsigned char>(d[0])))
        return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
}

std::string CurrentDirectory() {
    std::string d = Variable(kDirectoryVariable);
    return d.empty() ? std::string("\\") : d;
}

} // namespace qv::standins
