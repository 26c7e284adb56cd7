# Directory profile "quorvane": a tree written in Quorvane's own schema
# (data/quorvane.schema), as Search NDS Tree has always read it.
#
# Keys (one a line; "#" starts a comment line):
#   profile NAME                      the profile's name
#   description TEXT
#   container-class OBJECTCLASS       entries of the class are containers
#   leaf-class OBJECTCLASS            entries of the class are never containers
#   containers-with-entries-below yes every entry with entries below it is a container
#   class OBJECTCLASS CLASS NAME      the class name (one of the 97) of entries of the
#                                     class; of an entry's classes the first listed wins
#   base-class-attribute ATTR         its value is the class name and wins over the table
#   partition-root-attribute ATTR VALUE   an entry with that value is a partition root
#   attribute LDAP-NAME SYNTAX FORM NDS NAME
#                                     what the attribute calls hand out under NDS NAME;
#                                     SYNTAX replica-pointer, integer, net-address or
#                                     string; FORM how the values are written ("-": ours)
#   default-server-attribute ATTR     on users: the DN of the default server NLIST shows
#                                     (without it the directory holds none)
#   partition-root-class OBJECTCLASS  entries of the class are partition roots
#   attribute LDAP-NAME SYNTAX FORM NDS NAME   (continued) FORM ber: a replica pointer
#                                     in the NDS binary form; tagged: a network address
#                                     in the NDS taggedData form TYPE#BYTES
#   rights-information yes            the directory holds the rights DSRIGHTS reports
#                                     (without it DSRIGHTS says it holds none)
#   acl-attribute ATTR FORM           the trustee assignments (FORM "-": ours,
#                                     PROTECTED#TRUSTEE#LETTERS; nds: the NDS form
#                                     PRIVILEGES#SCOPE#TRUSTEE#PROTECTED)
#   inherited-rights-filter-attribute ATTR   the filters, PROTECTED#LETTERS (ours)
#   security-equals-attribute ATTR    on trustees: the DNs they are security equal to
#   file-rights-information yes       the directory holds the volumes' trustees RIGHTS
#                                     reports (without it RIGHTS says it holds none)
#   root-partition answering-server   a directory without partition information is one
#                                     partition, [ROOT], mastered by the server that answered
#   detect-class OBJECTCLASS          auto chooses the profile when such entries exist
#   detect-vendor TEXT                auto chooses it when the root DSE's vendorName has TEXT
#   fallback PROFILE                  that profile's classes and container rules follow ours
profile quorvane
description Quorvane's own schema; entries of any structural class annotated with qvAnnotated

# qvContainer and qvObject are the structural classes of our schema; qvAnnotated is the
# auxiliary class that carries the same attributes on entries of any structural class
# (a partition root that is an organizationalUnit, a server that is a device).
container-class qvContainer
leaf-class qvObject
containers-with-entries-below yes

# "Organizational Unit", "NCP Server": the class name as the directory spells it.
base-class-attribute qvBaseClass
partition-root-attribute qvPartitionRoot TRUE

# TYPE#NUMBER#SERVER-DN (TYPE 0 master, 1 read/write, 2 read-only, 3 subordinate
# reference, 4 sparse write, 5 sparse read)
attribute qvReplica replica-pointer - Replica
# an integer; the last value read wins
attribute qvDSRevision integer - DS Revision
# IPX:NNNNNNNN[:NODE:SOCKET] or IP:A.B.C.D
attribute qvNetworkAddress net-address - Network Address
attribute qvVersion string - Version

default-server-attribute qvDefaultServer
rights-information yes
acl-attribute qvACL -
inherited-rights-filter-attribute qvInheritedRightsFilter
security-equals-attribute qvSecurityEquals
file-rights-information yes

detect-class qvContainer
detect-class qvObject
detect-class qvAnnotated

# Annotated entries without qvBaseClass take their class from the standard table.
fallback standard
