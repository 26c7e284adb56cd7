// The tree connections of the workstation, kept in the per-user settings
// store beside the warning settings (group "Tree Connections"): name,
// address, optional bind DN, password file and StartTLS, the timeout in
// seconds, the directory profile (auto when not stored), and the preferred
// tree. Passwords themselves are never stored.
#pragma once

#include "core/result.h"
#include "netware/nds_client.h"

#include <string>
#include <vector>

namespace qv {

struct StoredTreeConnections {
    std::vector<nds::TreeConnection> trees;
    std::string preferred;
};

class TreeConnectionStore {
public:
    // path: the INI file; empty means DefaultSettingsPath() at the time of use.
    explicit TreeConnectionStore(std::string path = {});
    // Missing file: none. A failure when the file is refused (not a regular
    // file, too large); callers that go on without it take none.
    Result<StoredTreeConnections> Read() const;
    // Keeps the other groups; a failure when nothing was written.
    Result<void> Write(const StoredTreeConnections& connections) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The stored connections handed to the client layer (the preferred one as
// its preferred tree). A failure says why the store was refused (then none
// are handed over).
Result<void> LoadTreeConnections(const TreeConnectionStore& store);

} // namespace qv
