// Opening a session with an LDAPv3 directory server for a tree connection:
// the address ldap://HOST:PORT/BASE-DN (or ldaps://), StartTLS when asked,
// a simple bind with the bind DN and the password typed in or read from the
// password file (anonymous without a bind DN).
#pragma once

#include "netware/directory_backend.h"

#include <ldap.h>

#include <string>

namespace qv::nds {

// The layer's status for an LDAP result code.
Status FromLdap(int rc);

// Connects and binds; baseDn is the base DN of the address, which must name
// one unless baseRequired is false. Whenever ld is set on return (also after
// a failed bind) the caller unbinds it.
Status ConnectLdap(const TreeConnection& c, LDAP*& ld, std::string& baseDn,
                   bool baseRequired = true);

} // namespace qv::nds
