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

// The directory's own words about a result: the LDAP result text and the
// server's diagnostic message ("Size limit exceeded (4)", "...: message").
std::string DirectoryWords(int rc, const char* diagnostic);
// The words of the session's last result (its result code and diagnostic
// message as libldap keeps them).
std::string SessionWords(LDAP* ld, int rc);

// The cookie of the paged-results control among a result's controls (for the
// next page), or nullptr when there is none or it is empty. The caller frees
// it with ber_bvfree.
struct berval* PagedResultsCookie(LDAP* ld, LDAPControl** returned);

// Connects and binds; baseDn is the base DN of the address, which must name
// one unless baseRequired is false. Connecting and every answer waited for
// are bounded by the connection's timeout. Whenever ld is set on return
// (also after a failed bind) the caller unbinds it. words, when given, gets
// the directory's words about a failure.
Status ConnectLdap(const TreeConnection& c, LDAP*& ld, std::string& baseDn,
                   bool baseRequired = true, std::string* words = nullptr);

} // namespace qv::nds
