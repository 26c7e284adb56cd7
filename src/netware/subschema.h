// The schema a directory server publishes: the subschema entry named by the
// root DSE's subschemaSubentry, with its RFC 4512 descriptions.
#pragma once

#include "core/result.h"
#include "netware/nds_client.h"

#include <string>
#include <vector>

namespace qv::nds {

struct Subschema {
    std::vector<std::string> objectClasses;
    std::vector<std::string> attributeTypes;
    std::vector<std::string> ldapSyntaxes;
};

// Reads the subschema of the server of the connection (its address
// ldap://HOST:PORT[/BASE], bind as the connection says). A failure with a
// one-line reason.
Result<Subschema> ReadSubschema(const TreeConnection& connection);

} // namespace qv::nds
