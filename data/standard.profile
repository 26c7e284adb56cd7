# Directory profile "standard": a tree in the standard schemas that Debian's slapd ships
# in /etc/ldap/schema (core, cosine, inetorgperson, nis, misc, openldap, dyngroup,
# duaconf, corba, java, namedobject, pmi, msuser, dsee, collective). The keys are
# described in quorvane.profile.
profile standard
description the standard LDAP schemas (core, cosine, inetorgperson, nis and the others slapd ships)

# Containers: the entries of these classes, and every entry with entries below it
# whatever its class (asked for as hasSubordinates over LDAP; seen in an LDIF file).
containers-with-entries-below yes
container-class organization
container-class organizationalUnit
container-class country
container-class friendlyCountry
container-class locality
container-class domain
container-class dcObject
container-class dNSDomain
container-class pilotOrganization
container-class dmd
container-class OpenLDAPorg
container-class OpenLDAPou
container-class nisMap
container-class javaContainer
container-class corbaContainer
container-class container

# The class table: of an entry's object classes the first one listed here gives its
# class name; an entry of none of them is listed as NO_DEF (never left out).
# core
class organization Organization
class organizationalUnit Organizational Unit
class country Country
class locality Locality
class alias Alias
class organizationalRole Organizational Role
class groupOfNames Group
class groupOfUniqueNames Group
class device Device
# inetorgperson, core and cosine people
class inetOrgPerson User
class organizationalPerson User
class residentialPerson User
class person User
class pilotPerson User
class newPilotPerson User
# cosine
class friendlyCountry Country
class pilotOrganization Organization
class domain Organizational Unit
class dNSDomain Organizational Unit
class account User
# openldap
class OpenLDAPorg Organization
class OpenLDAPou Organizational Unit
class OpenLDAPperson User
# nis
class posixGroup Group
class nisNetgroup Group
class ipHost Computer
class ieee802Device Device
class bootableDevice Device
# misc, dyngroup
class nisMailAlias Group
class groupOfURLs Group
# msuser
class user User
class group Group
class computer Computer
# core: certificate authorities
class certificationAuthority NDSPKI:Certificate Authority
class certificationAuthority-V2 NDSPKI:Certificate Authority
class pkiCA NDSPKI:Certificate Authority
# auxiliary classes last: a structural class above wins
class posixAccount User
class shadowAccount User
class dcObject Organizational Unit

root-partition answering-server
