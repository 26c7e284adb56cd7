// Writes a design as a directory in our schema (LDIF), so that it can be
// loaded into a directory server with slapadd or read by the ldif: backend:
// the tree root first, then every container before its children; partition
// roots with their replicas, servers with their addresses and DS revisions.
#pragma once

#include "core/tree_design.h"

#include <ostream>
#include <string>

namespace qv::nds {

// treeName names the root entry (cn=TREENAME). Returns false when the stream failed.
bool WriteDesignLdif(TreeDesign& design, const std::string& treeName, std::ostream& out);

} // namespace qv::nds
