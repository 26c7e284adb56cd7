// What the client layer asks of a directory: the children of a container and
// the values of named attributes, both addressed by object path
// ("\T=TREE\O=ACME\OU=Sales"). The LDAP and LDIF backends answer the same way;
// the mapping of our schema to listed objects and value records is shared.
#pragma once

#include "netware/nds_client.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::nds {

struct ListedObject {
    std::string name; // "OU=Sales": the RDN with the attribute type upper-cased
    std::uint32_t flags = 0;
    std::string baseClass;
};

struct AttributeValues {
    std::string name;     // the directory's attribute name ("Replica", ...)
    std::uint32_t syntax; // syntax number of the records
    std::vector<std::string> records;
};

class DirectoryBackend {
public:
    virtual ~DirectoryBackend() = default;
    // The children of the object, in the directory's order.
    virtual Status List(const std::string& path, std::vector<ListedObject>& out) = 0;
    // The same listing handed out in parts as the directory sends it: first
    // starts it and gives the first part, the next calls give the following
    // ones; complete is set with the last part. A listing is continued only
    // with the same path. By default the whole listing is the first part.
    virtual Status ListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                            bool& complete) {
        complete = true;
        if (!first) {
            out.clear();
            return kOk;
        }
        return List(path, out);
    }
    // The values of the attributes of the object, in the order of names
    // (attributes without values are left out).
    virtual Status Read(const std::string& path, const std::vector<std::string>& names,
                        std::vector<AttributeValues>& out) = 0;
    // What the directory said while serving the calls since the last time:
    // lines for the discovery log (the profile used, what it derived; with
    // error set, counted: entries that could not be read, referrals not
    // followed), its own words about the last failure, and why the walk
    // cannot go on (empty while it can).
    struct Note {
        std::string text;
        bool error = false;
    };
    struct Report {
        std::vector<Note> notes;
        std::string words;
        std::string fatal;
    };
    virtual void TakeReport(Report& out) { out = Report{}; }
};

// Opens the backend that the connection's address names. On failure, words
// is what the directory (or the file) said about it, when anything.
Status OpenBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                   std::string& words);
Status OpenLdapBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words);
Status OpenLdifBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                       std::string& words);

// ---- the schema (data/quorvane.schema) ----
struct Ava {
    std::string type;
    std::string value;
};
struct Rdn {
    std::string type;  // as the directory spells it
    std::string value; // UTF-8, unescaped
    // The further values of a multi-valued RDN ("cn=Pat+sn=Two"), in order.
    std::vector<Ava> more = {};
};

// Parses an LDAP DN (RFC 4514) into its RDNs, leaf first, each with all its
// values. False when the DN is malformed.
bool ParseDn(std::string_view dn, std::vector<Rdn>& rdns);
// The first RDN of a DN. False when it is malformed.
bool ParseFirstRdn(std::string_view dn, Rdn& rdn);
// The DN text of RDNs given leaf first.
std::string FormatDn(const std::vector<Rdn>& rdns);
// "type=value" lower-cased (ASCII letters only; the values of a multi-valued
// RDN sorted and joined by "+"), the key under which names are compared.
std::string NormalizedRdn(const Rdn& rdn);
std::string NormalizedDn(const std::vector<Rdn>& rdns);

// UTF-8 to Latin-1 (characters beyond 0xFF become "?"), and back.
std::string Utf8ToLatin1(std::string_view utf8);
std::string Latin1ToUtf8(std::string_view latin1);
// True when the text is valid UTF-8 (ASCII included).
bool IsValidUtf8(std::string_view text);
// A name of a design as UTF-8: kept when it is valid UTF-8, read as Latin-1
// otherwise (names from DSDIAG and NLIST reports are 8-bit text).
std::string ModelNameToUtf8(std::string_view name);

// The name a listing gives an object: "OU=Sales", "CN=Pat+SN=Two", the type
// upper-cased and the values kept exactly (see netware/object_path.h).
std::string ListedName(const Rdn& rdn);
// Splits "\T=TREE\OU=A\CN=B" into the RDNs below the tree, top down. False
// when the path does not start with "\T=" + tree (compared without regard to
// case) or a component has no "=".
bool PathToRdns(std::string_view path, std::string_view tree, std::vector<Rdn>& below);

// The directory's attribute names and the syntax each is handed out in.
struct AttributeMapping {
    std::string ndsName;
    std::string ldapName;
    std::uint32_t syntax;
    // How the directory writes the values (see the profile files): empty for
    // Quorvane's own forms.
    std::string form = {};
};
// The attributes of Quorvane's own schema (the quorvane profile).
const std::vector<AttributeMapping>& AttributeMappings();
// The mapping of an attribute name (without regard to case), or nullptr.
const AttributeMapping* FindMappingByNds(std::string_view ndsName);
const AttributeMapping* FindMappingByLdap(std::string_view ldapName);

// Naming of server DNs: the base DN (leaf first) and the tree's name.
struct TreeNaming {
    std::vector<Rdn> base;
    std::string tree;
    // "\T=TREE\O=ACME\CN=FS1" for a DN below the base; false otherwise.
    bool DnToPath(std::string_view dn, std::string& path) const;
};

// Converts one LDAP value of the mapped attribute into its record; false
// when the value has a form that is ignored.
bool ValueRecord(const AttributeMapping& mapping, std::string_view value, const TreeNaming& naming,
                 std::string& record);

// Builds the listed object from the entry's RDN and what its profile makes
// of its object classes and attributes (netware/directory_profile.h).
struct DirectoryProfile;
struct EntryTraits {
    const DirectoryProfile* profile = nullptr; // nullptr: the quorvane profile
    bool container = false;                    // of a container class
    bool leaf = false;                         // of a class that is never a container
    bool entriesBelow = false;                 // hasSubordinates, or entries seen below
    bool partitionRoot = false;
    std::string baseClass;   // UTF-8, from the profile's base class attribute
    std::string mappedClass; // from the profile's class table
    std::size_t mappedRank = static_cast<std::size_t>(-1);
};
void NoteTrait(EntryTraits& traits, std::string_view ldapAttr, std::string_view value);
ListedObject MakeListedObject(const Rdn& rdn, const EntryTraits& traits);

} // namespace qv::nds
