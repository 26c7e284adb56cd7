// SCHCMP.EXE as this system provides it: the schemas of two servers compared
// and written in the report form the schema comparison reads. A server's
// schema is the set of RFC 4512 descriptions on its object
// (qvObjectClasses, qvAttributeTypes, qvLdapSyntaxes), or the subschema of
// the directory server its qvSchemaSource names, or else the schema of the
// directory itself.
#pragma once

#include "core/result.h"
#include "netware/directory_entries.h"
#include "netware/nds_client.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qv::utilities {

// One description, its fields as written ("NAME", "SUP", "MUST", ... -> the
// values; flags such as "SINGLE-VALUE" with no value).
struct SchemaDefinition {
    std::string oid;
    std::string name; // first NAME, or the OID when there is none
    std::string desc;
    std::map<std::string, std::vector<std::string>> fields;
    bool Has(const std::string& field) const { return fields.count(field) != 0; }
    std::string First(const std::string& field) const;
};

// A schema: definitions by lower-cased name (syntaxes by OID).
struct ServerSchema {
    std::map<std::string, SchemaDefinition> classes;
    std::map<std::string, SchemaDefinition> attributes;
    std::map<std::string, SchemaDefinition> syntaxes;
};

// Parses one RFC 4512 description "( OID NAME 'x' ... )". False when it is
// not one (no parenthesis, no OID).
bool ParseSchemaDescription(std::string_view text, SchemaDefinition& out);

// Kind of description.
enum class SchemaKind { ObjectClass, AttributeType, LdapSyntax };
// Adds descriptions of a kind; returns how many were rejected.
int AddDescriptions(ServerSchema& schema, SchemaKind kind, const std::vector<std::string>& texts);

// Parses a schema file in slapd.conf form (objectidentifier macros,
// attributetype and objectclass blocks; comments and other lines passed over)
// into the schema. False when the file cannot be read.
bool LoadSlapdSchemaFile(const std::string& path, ServerSchema& schema);
void LoadSlapdSchemaText(std::string_view text, ServerSchema& schema);

// A data file of the program ("data/quorvane.schema"), found as the
// installed program finds it: below $QUORVANE_DATA_DIR when set, beside the
// program, in share/quorvane next to the program's folder or up to two
// folders above it (the build folder keeps a copy there), or in the install
// prefix's share/quorvane; empty when there is none.
std::string FindDataFile(const std::string& relative);

// Where the schema of a directory server comes from.
struct SchemaSources {
    // Reads the subschema of an ldap:// URI (the descriptions of the three
    // kinds). A failure with an error text.
    std::function<Result<ServerSchema>(const std::string& uri,
                                       const nds::TreeConnection* connection)>
        readSubschema;
    // The tree connection the directory was read from.
    nds::TreeConnection connection;
};

// Sources reading subschemas with the directory client; connection is the
// tree connection the directory was read from.
SchemaSources DirectorySchemaSources(const nds::TreeConnection& connection);

// The schema of the server entry. A failure with an error text.
Result<ServerSchema> SchemaOfServer(const nds::DirectoryEntry& server,
                                    const SchemaSources& sources);

// The report comparing the two schemas.
std::string BuildSchemaReport(const std::string& name1, const ServerSchema& a,
                              const std::string& name2, const ServerSchema& b);

// SCHCMP.EXE SERVER1 SERVER2 over the directory: the report or an error text
// on out; the exit status.
int RunSchemaCompare(const std::vector<std::string>& args, const nds::DirectoryEntries& directory,
                     const SchemaSources& sources, std::string& out);

} // namespace qv::utilities
