#include "utilities/schema_report.h"

#include "core/ascii_text.h"

#include "files/file_access.h"
#include "netware/subschema.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace qv::utilities {

namespace {

// A slapd schema file is some hundred kilobytes.
constexpr std::uint64_t kMaxSchemaFileBytes = std::uint64_t{64} << 20;

bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct DescToken {
    enum Kind { Open, Close, Dollar, Quoted, Word } kind;
    std::string text;
};

std::vector<DescToken> Tokenize(std::string_view text) {
    std::vector<DescToken> out;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (Space(c)) {
            ++i;
        } else if (c == '(') {
            out.push_back({DescToken::Open, "("});
            ++i;
        } else if (c == ')') {
            out.push_back({DescToken::Close, ")"});
            ++i;
        } else if (c == '$') {
            out.push_back({DescToken::Dollar, "$"});
            ++i;
        } else if (c == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            out.push_back({DescToken::Quoted, std::string(text.substr(i + 1, stop - i - 1))});
            i = stop + 1;
        } else {
            const std::size_t start = i;
            while (i < text.size() && !Space(text[i]) && text[i] != '(' && text[i] != ')' &&
                   text[i] != '\'' && text[i] != '$')
                ++i;
            out.push_back({DescToken::Word, std::string(text.substr(start, i - start))});
        }
    }
    return out;
}

bool IsFlag(const std::string& keyword) {
    static const std::set<std::string> kFlags{
        "OBSOLETE", "SINGLE-VALUE", "COLLECTIVE", "NO-USER-MODIFICATION",
        "ABSTRACT", "STRUCTURAL",   "AUXILIARY"};
    return kFlags.count(keyword) != 0;
}

} // namespace

std::string SchemaDefinition::First(const std::string& field) const {
    auto it = fields.find(field);
    return it == fields.end() || it->second.empty() ? std::string() : it->second.front();
}

bool ParseSchemaDescription(std::string_view text, SchemaDefinition& out) {
    const std::vector<DescToken> t = Tokenize(text);
    std::size_t i = 0;
    if (t.size() < 2 || t[0].kind != DescToken::Open || t[1].kind != DescToken::Word)
        return false;
    out = SchemaDefinition{};
    out.oid = t[1].text;
    i = 2;
    while (i < t.size() && t[i].kind != DescToken::Close) {
        if (t[i].kind != DescToken::Word) {
            ++i;
            continue;
        }
        const std::string keyword = UpperAscii(t[i].text);
        ++i;
        std::vector<std::string>& values = out.fields[keyword];
        if (IsFlag(keyword))
            continue;
        if (i < t.size() && t[i].kind == DescToken::Open) {
            ++i;
            while (i < t.size() && t[i].kind != DescToken::Close) {
                if (t[i].kind == DescToken::Word || t[i].kind == DescToken::Quoted)
                    values.push_back(t[i].text);
                ++i;
            }
            if (i < t.size())
                ++i;
        } else if (i < t.size() &&
                   (t[i].kind == DescToken::Word || t[i].kind == DescToken::Quoted)) {
            values.push_back(t[i].text);
            ++i;
        }
    }
    out.name = out.First("NAME");
    if (out.name.empty())
        out.name = out.oid;
    out.desc = out.First("DESC");
    return true;
}

int AddDescriptions(ServerSchema& schema, SchemaKind kind, const std::vector<std::string>& texts) {
    int rejected = 0;
    for (const std::string& text : texts) {
        SchemaDefinition d;
        if (!ParseSchemaDescription(text, d)) {
            ++rejected;
            continue;
        }
        auto& table = kind == SchemaKind::ObjectClass     ? schema.classes
                      : kind == SchemaKind::AttributeType ? schema.attributes
                                                          : schema.syntaxes;
        const std::string key = kind == SchemaKind::LdapSyntax ? d.oid : LowerAscii(d.name);
        table[key] = std::move(d);
    }
    return rejected;
}

// ---- slapd.conf schema files ----

namespace {

std::string ResolveOid(const std::string& oid, const std::map<std::string, std::string>& macros) {
    const std::size_t colon = oid.find(':');
    const std::string head = LowerAscii(oid.substr(0, colon));
    auto it = macros.find(head);
    if (it == macros.end())
        return oid;
    return colon == std::string::npos ? it->second : it->second + "." + oid.substr(colon + 1);
}

} // namespace

void LoadSlapdSchemaText(std::string_view text, ServerSchema& schema) {
    // Statements: a line starting in column 1, continued by lines that start
    // with white space; comments start with "#".
    std::vector<std::string> statements;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (Space(line[0])) {
            if (!statements.empty())
                statements.back() += " " + line;
        } else {
            statements.push_back(line);
        }
    }
    std::map<std::string, std::string> macros;
    for (const std::string& s : statements) {
        std::size_t k = 0;
        while (k < s.size() && !Space(s[k]))
            ++k;
        const std::string keyword = LowerAscii(s.substr(0, k));
        const std::string rest = s.substr(k);
        if (keyword == "objectidentifier") {
            std::istringstream in(rest);
            std::string name, oid;
            if (in >> name >> oid)
                macros[LowerAscii(name)] = ResolveOid(oid, macros);
            continue;
        }
        SchemaKind kind;
        if (keyword == "attributetype" || keyword == "attributetypes")
            kind = SchemaKind::AttributeType;
        else if (keyword == "objectclass" || keyword == "objectclasses")
            kind = SchemaKind::ObjectClass;
        else if (keyword == "ldapsyntax" || keyword == "ldapsyntaxes")
            kind = SchemaKind::LdapSyntax;
        else
            continue;
        SchemaDefinition d;
        if (!ParseSchemaDescription(rest, d))
            continue;
        d.oid = ResolveOid(d.oid, macros);
        if (d.name == d.oid || d.First("NAME").empty())
            d.name = d.First("NAME").empty() ? d.oid : d.First("NAME");
        if (auto it = d.fields.find("SYNTAX"); it != d.fields.end())
            for (std::string& v : it->second)
                v = ResolveOid(v, macros);
        auto& table = kind == SchemaKind::ObjectClass     ? schema.classes
                      : kind == SchemaKind::AttributeType ? schema.attributes
                                                          : schema.syntaxes;
        const std::string key = kind == SchemaKind::LdapSyntax ? d.oid : LowerAscii(d.name);
        table[key] = std::move(d);
    }
}

bool LoadSlapdSchemaFile(const std::string& path, ServerSchema& schema) {
    Result<std::string> text = ReadWholeFile(path, kMaxSchemaFileBytes);
    if (!text)
        return false;
    LoadSlapdSchemaText(*text, schema);
    return true;
}

std::string FindDataFile(const std::string& relative) {
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> candidates;
    // The override (tests, a moved installation): the folder that holds
    // data/... as share/quorvane does.
    if (const char* dir = std::getenv("QUORVANE_DATA_DIR"); dir && *dir)
        candidates.push_back(fs::path(dir) / relative);
    // Beside the program: <prefix>/bin and <prefix>/libexec/quorvane next to
    // <prefix>/share/quorvane, or the build folder's share/quorvane.
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n > 0) {
        buf[n] = '\0';
        fs::path dir = fs::path(buf).parent_path();
        candidates.push_back(dir / relative);
        for (int up = 0; up < 3 && !dir.empty(); ++up) {
            candidates.push_back(dir / "share" / "quorvane" / relative);
            dir = dir.parent_path();
        }
    }
    // The install prefix the program was built for.
    candidates.push_back(fs::path(QV_INSTALLED_DATA_DIR) / relative);
    for (const fs::path& candidate : candidates)
        if (fs::is_regular_file(candidate, ec))
            return candidate.string();
    return {};
}

// ---- the schema of a server ----

namespace {

constexpr const char* kCoreSchema = "/etc/ldap/schema/core.schema";

Result<ServerSchema> DirectorySchema(const SchemaSources& sources) {
    const std::string& address = sources.connection.address;
    if (address.rfind("ldap://", 0) == 0 || address.rfind("ldaps://", 0) == 0) {
        if (!sources.readSubschema)
            return Failed("Cannot read the schema of " + address + ".");
        return sources.readSubschema(address, &sources.connection);
    }
    // An LDIF tree holds the entries only: its schema is ours, on core.schema.
    ServerSchema schema;
    LoadSlapdSchemaFile(kCoreSchema, schema);
    const std::string ours = FindDataFile("data/quorvane.schema");
    if (ours.empty() || !LoadSlapdSchemaFile(ours, schema))
        return Failed("Cannot find the directory schema data/quorvane.schema.");
    return schema;
}

} // namespace

SchemaSources DirectorySchemaSources(const nds::TreeConnection& connection) {
    SchemaSources sources;
    sources.connection = connection;
    sources.readSubschema = [](const std::string& uri,
                               const nds::TreeConnection* tree) -> Result<ServerSchema> {
        nds::TreeConnection c;
        if (tree)
            c = *tree;
        c.address = uri;
        const Result<nds::Subschema> sub = nds::ReadSubschema(c);
        if (!sub)
            return Failed(sub.error());
        ServerSchema schema;
        AddDescriptions(schema, SchemaKind::ObjectClass, sub->objectClasses);
        AddDescriptions(schema, SchemaKind::AttributeType, sub->attributeTypes);
        AddDescriptions(schema, SchemaKind::LdapSyntax, sub->ldapSyntaxes);
        return schema;
    };
    return sources;
}

Result<ServerSchema> SchemaOfServer(const nds::DirectoryEntry& server,
                                    const SchemaSources& sources) {
    const auto& classes = server.Values("qvObjectClasses");
    const auto& attributes = server.Values("qvAttributeTypes");
    const auto& syntaxes = server.Values("qvLdapSyntaxes");
    if (!classes.empty() || !attributes.empty() || !syntaxes.empty()) {
        ServerSchema schema;
        AddDescriptions(schema, SchemaKind::ObjectClass, classes);
        AddDescriptions(schema, SchemaKind::AttributeType, attributes);
        AddDescriptions(schema, SchemaKind::LdapSyntax, syntaxes);
        return schema;
    }
    const std::string source = server.First("qvSchemaSource");
    if (!source.empty()) {
        if (!sources.readSubschema)
            return Failed("Cannot read the schema of " + source + ".");
        return sources.readSubschema(source, nullptr);
    }
    return DirectorySchema(sources);
}

// ---- the comparison ----

namespace {

std::set<std::string> LowerSet(const std::vector<std::string>& values) {
    std::set<std::string> out;
    for (const std::string& v : values)
        out.insert(LowerAscii(v));
    return out;
}

struct Rule {
    const char* title;
    const char* field; // the description's keyword
    enum Kind { List, Value, Flag, ClassKind } kind;
};

const Rule kClassRules[] = {
    {"Superior classes", "SUP", Rule::List},
    {"Kind", "", Rule::ClassKind},
    {"MUST", "MUST", Rule::List},
    {"MAY", "MAY", Rule::List},
    {"Obsolete", "OBSOLETE", Rule::Flag},
};

const Rule kAttributeRules[] = {
    {"Superior attribute", "SUP", Rule::Value},
    {"Syntax", "SYNTAX", Rule::Value},
    {"Single-value", "SINGLE-VALUE", Rule::Flag},
    {"Equality", "EQUALITY", Rule::Value},
    {"Ordering", "ORDERING", Rule::Value},
    {"Substring", "SUBSTR", Rule::Value},
    {"Collective", "COLLECTIVE", Rule::Flag},
    {"No user modification", "NO-USER-MODIFICATION", Rule::Flag},
    {"Usage", "USAGE", Rule::Value},
    {"Obsolete", "OBSOLETE", Rule::Flag},
};

std::string KindOf(const SchemaDefinition& d) {
    if (d.Has("ABSTRACT"))
        return "Abstract";
    if (d.Has("AUXILIARY"))
        return "Auxiliary";
    return "Structural";
}

// The difference lines of one rule as seen from side a (empty: no difference).
std::vector<std::string> RuleDifferences(const Rule& rule, const SchemaDefinition& a,
                                         const SchemaDefinition& b) {
    std::vector<std::string> out;
    switch (rule.kind) {
    case Rule::List: {
        auto va = a.fields.count(rule.field) ? a.fields.at(rule.field) : std::vector<std::string>{};
        auto vb = b.fields.count(rule.field) ? b.fields.at(rule.field) : std::vector<std::string>{};
        const auto la = LowerSet(va), lb = LowerSet(vb);
        for (const std::string& v : va)
            if (!lb.count(LowerAscii(v)))
                out.push_back("Has " + v);
        for (const std::string& v : vb)
            if (!la.count(LowerAscii(v)))
                out.push_back("Lacks " + v);
        break;
    }
    case Rule::Value: {
        const std::string va = a.First(rule.field), vb = b.First(rule.field);
        if (LowerAscii(va) != LowerAscii(vb))
            out.push_back(va.empty() ? "Not set" : va);
        break;
    }
    case Rule::Flag:
        if (a.Has(rule.field) != b.Has(rule.field))
            out.push_back(a.Has(rule.field) ? "Yes" : "No");
        break;
    case Rule::ClassKind:
        if (KindOf(a) != KindOf(b))
            out.push_back(KindOf(a));
        break;
    }
    return out;
}

template <std::size_t N>
void DefinitionLines(const std::map<std::string, SchemaDefinition>& mine,
                     const std::map<std::string, SchemaDefinition>& theirs, const Rule (&rules)[N],
                     std::vector<std::string>& out) {
    for (const auto& [key, a] : mine) {
        auto other = theirs.find(key);
        if (other == theirs.end())
            continue;
        std::vector<std::string> lines;
        for (const Rule& rule : rules) {
            const auto diffs = RuleDifferences(rule, a, other->second);
            if (diffs.empty())
                continue;
            lines.push_back(std::string("\t") + rule.title);
            for (const std::string& d : diffs)
                lines.push_back("\t\t" + d);
        }
        if (lines.empty())
            continue;
        out.push_back(a.name);
        out.insert(out.end(), lines.begin(), lines.end());
    }
}

// One line of a name list or a definition: no line breaks inside it.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

void UniqueList(std::string& out, const char* title, const std::string& server,
                const std::map<std::string, SchemaDefinition>& mine,
                const std::map<std::string, SchemaDefinition>& theirs, bool syntaxes) {
    out += std::string(title) + " unique to " + server + "\n";
    bool any = false;
    for (const auto& [key, d] : mine) {
        if (theirs.count(key))
            continue;
        any = true;
        std::string text = syntaxes ? d.oid : d.name;
        if (syntaxes && !d.desc.empty())
            text += " " + d.desc;
        out += "    " + OneLine(text) + "\n";
    }
    if (!any)
        out += "    None\n";
}

} // namespace

std::string BuildSchemaReport(const std::string& name1, const ServerSchema& a,
                              const std::string& name2, const ServerSchema& b) {
    std::string out = "Comparing " + name1 + " with " + name2 + "\n\n";
    UniqueList(out, "Classes", name1, a.classes, b.classes, false);
    UniqueList(out, "Classes", name2, b.classes, a.classes, false);
    out += "\n";
    UniqueList(out, "Attributes", name1, a.attributes, b.attributes, false);
    UniqueList(out, "Attributes", name2, b.attributes, a.attributes, false);
    out += "\n";
    UniqueList(out, "Syntaxes", name1, a.syntaxes, b.syntaxes, true);
    UniqueList(out, "Syntaxes", name2, b.syntaxes, a.syntaxes, true);
    for (int side = 0; side < 2; ++side) {
        const ServerSchema& mine = side == 0 ? a : b;
        const ServerSchema& theirs = side == 0 ? b : a;
        out += "\nDefinition differences for " + (side == 0 ? name1 : name2) + "\n";
        std::vector<std::string> classLines, attrLines;
        DefinitionLines(mine.classes, theirs.classes, kClassRules, classLines);
        DefinitionLines(mine.attributes, theirs.attributes, kAttributeRules, attrLines);
        if (classLines.empty() && attrLines.empty()) {
            out += "    None\n";
            continue;
        }
        if (!classLines.empty()) {
            out += "Class definitions\n";
            for (const std::string& l : classLines)
                out += OneLine(l) + "\n";
        }
        if (!attrLines.empty()) {
            out += "Attribute definitions\n";
            for (const std::string& l : attrLines)
                out += OneLine(l) + "\n";
        }
    }
    return out;
}

int RunSchemaCompare(const std::vector<std::string>& args, const nds::DirectoryEntries& directory,
                     const SchemaSources& sources, std::string& out) {
    if (args.size() != 2) {
        out = "Usage: SCHCMP.EXE SERVER1 SERVER2\n";
        return 1;
    }
    ServerSchema schemas[2];
    for (int i = 0; i < 2; ++i) {
        std::string wanted = UpperAscii(args[i]);
        if (!wanted.empty() && wanted[0] == '.')
            wanted.erase(0, 1);
        const nds::DirectoryEntry* found = nullptr;
        for (const nds::DirectoryEntry& e : directory.Entries()) {
            if (LowerAscii(e.baseClass) != "ncp server")
                continue;
            if (UpperAscii(e.rdnValue) == wanted || UpperAscii(e.fullName) == wanted) {
                found = &e;
                break;
            }
        }
        if (!found) {
            out = "SCHCMP: server " + args[i] + " not found.\n";
            return 1;
        }
        Result<ServerSchema> schema = SchemaOfServer(*found, sources);
        if (!schema) {
            out = "SCHCMP: " + args[i] + ": " + schema.error() + "\n";
            return 1;
        }
        schemas[i] = std::move(*schema);
    }
    out = BuildSchemaReport(args[0], schemas[0], args[1], schemas[1]);
    return 0;
}

} // namespace qv::utilities
