# Directory profile "ndsldap": an NDS tree read through the LDAP interface its
# servers publish. Every name and form below is taken from the directory vendor's
# published schema reference and LDAP documents; docs/DIRECTORY.md cites each source
# and says which names could not be confirmed there. The keys are described in
# quorvane.profile.
profile ndsldap
description an NDS tree through its LDAP interface (NDS classes and attributes by their LDAP names)

# Containers: the NDS container classes by their LDAP names, and every entry with
# entries below it.
containers-with-entries-below yes
container-class treeRoot
container-class country
container-class locality
container-class organization
container-class organizationalUnit
container-class domain

# The class table: the NDS classes by their LDAP names ("NCP Server" is ncpServer,
# "User" is inetOrgPerson, "Group" is groupOfNames), then the standard table behind it.
class ncpServer NCP Server
class organization Organization
class organizationalUnit Organizational Unit
class country Country
class locality Locality
class inetOrgPerson User
class groupOfNames Group
class organizationalRole Organizational Role
class alias Alias
class Volume Volume
class directoryMap Directory Map
class profile Profile
class Queue Queue
class bindery Bindery Object
class nDSPrintServer Print Server
class printer Printer
class computer Computer
class device Device

# A partition root carries the auxiliary class partition; its replica ring is the
# replica attribute (syntax Replica Pointer, sent only in its binary form).
partition-root-class partition
attribute replica replica-pointer ber Replica
# Servers: "DS Revision", "Version" and "Network Address" (syntax Net Address, the
# LDAP string form taggedData: TYPE#BYTES).
attribute DSRevision integer - DS Revision
attribute networkAddress net-address tagged Network Address
attribute version string - Version

default-server-attribute defaultServer

# Rights: the ACL attribute (syntax Object ACL, PRIVILEGES#SCOPE#TRUSTEE#PROTECTED;
# the trustee [Inheritance Mask] holds the inherited rights filters) and the
# trustees' securityEquals. The file system's trustees are not in the directory.
rights-information yes
acl-attribute ACL nds
security-equals-attribute securityEquals

detect-vendor Novell
detect-vendor NetIQ
detect-class ncpServer

fallback standard
