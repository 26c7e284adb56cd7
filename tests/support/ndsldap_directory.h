// An NDS tree as its servers publish it over LDAP (the ndsldap profile): the
// NDS classes and attributes by their LDAP names, partition roots with the
// auxiliary class partition and their replica rings in the replica
// attribute's binary form, servers' addresses as taggedData, access control
// lists in the ACL attribute's string form. The binary values are encoded by
// OpenLDAP's BER encoder and written as LDIF by its LDIF writer, so that no
// byte of the representation is hand-made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv::test {

// The tree NDS_ACME below o=ACME:
//   o=ACME                  partition root: FS1 master (1), FS2 read/write (2)
//     cn=FS1                NCP Server, TCP 10.0.0.1 port 524, DS revision 1066
//     cn=admin              User, default server FS1, [Entry Rights] S on o=ACME
//     cn=Staff              Group of jsmith
//     ou=SALES              partition root: FS2 master (1), FS1 read-only (2)
//                           a filter letting only Browse in, [Public] Read on its
//                           attributes (scope entry)
//       cn=FS2              NCP Server, IPX 0000BEEF:00001B1E0001:0451
//       cn=jsmith           User, default server FS2, security equal to admin
//       cn=Old Printer      NO_DEF class (a class no profile maps)
inline constexpr const char* kNdsAcmeTree = "NDS_ACME";
inline constexpr const char* kNdsAcmeBase = "o=ACME";
// The LDIF file (written once per test program into a temporary folder).
const std::string& NdsAcmeLdifPath();
// The slapd schema file with the NDS names the directory uses.
std::string NdsLdapSchemaPath();

// One replica pointer in its binary form (ndsReplicaPointer).
std::string BerReplicaPointer(const std::string& serverDn, std::uint32_t type, std::uint32_t number,
                              const std::vector<std::pair<std::uint32_t, std::string>>& hints);

} // namespace qv::test
