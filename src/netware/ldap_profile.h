// What auto sees of an LDAP directory: the root DSE's vendorName and whether
// entries of given classes exist below the base.
#pragma once

#include "netware/directory_profile.h"

#include <ldap.h>

#include <string>

namespace qv::nds {

// Each question waits at most timeoutSeconds for the server.
ProfileEvidence LdapProfileEvidence(LDAP* ld, const std::string& baseDn, int timeoutSeconds);

} // namespace qv::nds
