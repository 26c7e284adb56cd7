#include "netware/directory_profile.h"

#include "netware/object_path.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace qv::nds {

// The texts of data/*.profile (generated at build time).
struct ProfileText {
    const char* name;
    std::string_view text;
};
extern const ProfileText kProfileTexts[];
extern const std::size_t kProfileTextCount;

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = LowerAscii(c);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.empty() || part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i)
        if (EqualNoCase(text.substr(i, part.size()), part))
            return true;
    return false;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The first word of s; s keeps the rest, trimmed.
std::string_view Word(std::string_view& s) {
    s = Trim(s);
    std::size_t end = s.find_first_of(" \t");
    std::string_view w = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : Trim(s.substr(end));
    return w;
}

bool SyntaxOf(std::string_view name, std::uint32_t& syntax) {
    static const std::pair<const char*, std::uint32_t> syntaxes[] = {
        {"replica-pointer", kSyntaxReplicaPointer},
        {"integer", kSyntaxInteger},
        {"net-address", kSyntaxNetAddress},
        {"string", kSyntaxCaseIgnoreString},
    };
    for (const auto& [n, v] : syntaxes)
        if (name == n) {
            syntax = v;
            return true;
        }
    return false;
}

void AppendUnique(std::vector<std::string>& list, std::string value) {
    if (std::find(list.begin(), list.end(), value) == list.end())
        list.push_back(std::move(value));
}

std::vector<DirectoryProfile> LoadProfiles() {
    std::vector<DirectoryProfile> profiles;
    std::vector<std::string> fallbacks;
    for (std::size_t i = 0; i < kProfileTextCount; ++i) {
        // The files are part of the build; one that does not parse is a
        // fault of the build, and the profile is left out.
        Result<DirectoryProfile> p = ParseProfile(kProfileTexts[i].text);
        if (!p)
            continue;
        std::string fallback;
        std::string_view text = kProfileTexts[i].text;
        for (std::size_t pos = 0; pos < text.size();) {
            std::size_t end = text.find('\n', pos);
            std::string_view line = text.substr(pos, end - pos);
            pos = end == std::string_view::npos ? text.size() : end + 1;
            std::string_view rest = line;
            if (Word(rest) == "fallback")
                fallback = std::string(Word(rest));
        }
        profiles.push_back(std::move(*p));
        fallbacks.push_back(std::move(fallback));
    }
    // A fallback profile's classes and container rules follow the profile's own.
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        for (const DirectoryProfile& f : std::vector<DirectoryProfile>(profiles)) {
            if (fallbacks[i].empty() || f.name != fallbacks[i])
                continue;
            DirectoryProfile& p = profiles[i];
            for (const auto& c : f.classes)
                if (std::none_of(p.classes.begin(), p.classes.end(),
                                 [&](const auto& own) { return own.first == c.first; }))
                    p.classes.push_back(c);
            for (const std::string& c : f.containerClasses)
                AppendUnique(p.containerClasses, c);
            for (const std::string& c : f.leafClasses)
                AppendUnique(p.leafClasses, c);
            p.containersWithEntriesBelow =
                p.containersWithEntriesBelow || f.containersWithEntriesBelow;
        }
    }
    return profiles;
}

} // namespace

Result<DirectoryProfile> ParseProfile(std::string_view text) {
    DirectoryProfile p;
    std::size_t lineNo = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        std::string_view line = text.substr(pos, end == std::string_view::npos ? end : end - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        ++lineNo;
        line = Trim(line);
        if (line.empty() || line.front() == '#')
            continue;
        std::string_view rest = line;
        std::string_view key = Word(rest);
        auto fail = [&](const std::string& why) -> Result<DirectoryProfile> {
            return Failed("line " + std::to_string(lineNo) + ": " + why);
        };
        if (key == "profile") {
            p.name = std::string(Word(rest));
        } else if (key == "description") {
            p.description = std::string(rest);
        } else if (key == "container-class") {
            p.containerClasses.push_back(Lower(Word(rest)));
        } else if (key == "leaf-class") {
            p.leafClasses.push_back(Lower(Word(rest)));
        } else if (key == "containers-with-entries-below") {
            p.containersWithEntriesBelow = Word(rest) == "yes";
        } else if (key == "class") {
            std::string oc = Lower(Word(rest));
            if (oc.empty() || rest.empty())
                return fail("class needs an object class and a class name");
            p.classes.emplace_back(std::move(oc), std::string(rest));
        } else if (key == "base-class-attribute") {
            p.baseClassAttribute = std::string(Word(rest));
        } else if (key == "partition-root-attribute") {
            p.partitionRootAttribute = std::string(Word(rest));
            p.partitionRootValue = std::string(Word(rest));
        } else if (key == "partition-root-class") {
            p.partitionRootClasses.push_back(Lower(Word(rest)));
        } else if (key == "attribute") {
            // attribute LDAP-NAME SYNTAX FORM NDS NAME
            AttributeMapping m;
            m.ldapName = std::string(Word(rest));
            std::string_view syntax = Word(rest);
            m.form = std::string(Word(rest));
            if (m.form == "-")
                m.form.clear();
            m.ndsName = std::string(rest);
            if (m.ldapName.empty() || m.ndsName.empty() || !SyntaxOf(syntax, m.syntax))
                return fail("attribute needs LDAP-NAME SYNTAX FORM NDS-NAME");
            // The NDS forms: a replica pointer in its binary (BER) form, a
            // network address as taggedData.
            if (!m.form.empty() && !(m.form == "ber" && m.syntax == kSyntaxReplicaPointer) &&
                !(m.form == "tagged" && m.syntax == kSyntaxNetAddress))
                return fail("unknown form " + m.form + " of a " + std::string(syntax) +
                            " attribute");
            p.attributes.push_back(std::move(m));
        } else if (key == "default-server-attribute") {
            p.defaultServerAttribute = std::string(Word(rest));
        } else if (key == "rights-information") {
            p.rightsInformation = Word(rest) == "yes";
        } else if (key == "file-rights-information") {
            p.fileRightsInformation = Word(rest) == "yes";
        } else if (key == "acl-attribute") {
            // acl-attribute LDAP-NAME FORM
            p.aclAttribute = std::string(Word(rest));
            p.aclForm = std::string(Word(rest));
            if (p.aclForm == "-")
                p.aclForm.clear();
            if (p.aclAttribute.empty() || (!p.aclForm.empty() && p.aclForm != "nds"))
                return fail("acl-attribute needs LDAP-NAME and the form - or nds");
        } else if (key == "inherited-rights-filter-attribute") {
            p.inheritedRightsFilterAttribute = std::string(Word(rest));
        } else if (key == "security-equals-attribute") {
            p.securityEqualsAttribute = std::string(Word(rest));
        } else if (key == "root-partition") {
            p.rootPartitionFromAnsweringServer = Word(rest) == "answering-server";
        } else if (key == "detect-class") {
            p.detectClasses.emplace_back(Word(rest));
        } else if (key == "detect-vendor") {
            p.detectVendors.emplace_back(rest);
        } else if (key == "fallback") {
            // Resolved when the built-in profiles are loaded.
        } else {
            return fail("unknown key " + std::string(key));
        }
    }
    if (p.name.empty())
        return Failed("no profile name");
    return p;
}

const AttributeMapping* DirectoryProfile::FindByLdap(std::string_view ldapName) const {
    for (const AttributeMapping& m : attributes)
        if (EqualNoCase(m.ldapName, ldapName))
            return &m;
    return nullptr;
}

const AttributeMapping* DirectoryProfile::FindByNds(std::string_view ndsName) const {
    for (const AttributeMapping& m : attributes)
        if (EqualNoCase(m.ndsName, ndsName))
            return &m;
    return nullptr;
}

std::vector<std::string> DirectoryProfile::ListingAttributes() const {
    std::vector<std::string> a = {"objectClass"};
    if (!baseClassAttribute.empty())
        a.push_back(baseClassAttribute);
    if (!partitionRootAttribute.empty())
        a.push_back(partitionRootAttribute);
    if (containersWithEntriesBelow)
        a.emplace_back("hasSubordinates");
    for (const AttributeMapping& m : attributes)
        a.push_back(m.ldapName);
    return a;
}

const std::vector<DirectoryProfile>& Profiles() {
    static const std::vector<DirectoryProfile> profiles = LoadProfiles();
    return profiles;
}

const DirectoryProfile* FindProfile(std::string_view name) {
    for (const DirectoryProfile& p : Profiles())
        if (EqualNoCase(p.name, name))
            return &p;
    return nullptr;
}

const DirectoryProfile& QuorvaneProfile() {
    static const DirectoryProfile* p = FindProfile("quorvane");
    static const DirectoryProfile empty{};
    return p ? *p : empty;
}

bool IsProfileChoice(std::string_view name) {
    return EqualNoCase(name, "auto") || FindProfile(name) != nullptr;
}

const DirectoryProfile& ChooseProfile(std::string_view requested, const ProfileEvidence& evidence,
                                      std::string& why) {
    if (!requested.empty() && !EqualNoCase(requested, "auto")) {
        if (const DirectoryProfile* p = FindProfile(requested)) {
            why = "as the tree connection asks";
            return *p;
        }
    }
    for (const DirectoryProfile& p : Profiles()) {
        for (const std::string& v : p.detectVendors)
            if (ContainsNoCase(evidence.vendor, v)) {
                why = "chosen by auto: the server's vendor is " + evidence.vendor;
                return p;
            }
        if (!p.detectClasses.empty() && evidence.anyEntryOf &&
            evidence.anyEntryOf(p.detectClasses)) {
            std::string names;
            for (std::size_t k = 0; k < p.detectClasses.size(); ++k)
                names += (k == 0                            ? ""
                          : k + 1 == p.detectClasses.size() ? " or "
                                                            : ", ") +
                         p.detectClasses[k];
            why = "chosen by auto: the directory holds entries of class " + names;
            return p;
        }
    }
    const DirectoryProfile* standard = FindProfile("standard");
    why = "chosen by auto: no entry of Quorvane's classes and no NDS server class";
    return standard ? *standard : QuorvaneProfile();
}

// ---- entries ----

void NoteTrait(EntryTraits& traits, std::string_view ldapAttr, std::string_view value) {
    const DirectoryProfile& p = traits.profile ? *traits.profile : QuorvaneProfile();
    if (EqualNoCase(ldapAttr, "objectClass")) {
        std::string oc = Lower(value);
        if (std::find(p.containerClasses.begin(), p.containerClasses.end(), oc) !=
            p.containerClasses.end())
            traits.container = true;
        if (std::find(p.leafClasses.begin(), p.leafClasses.end(), oc) != p.leafClasses.end())
            traits.leaf = true;
        if (std::find(p.partitionRootClasses.begin(), p.partitionRootClasses.end(), oc) !=
            p.partitionRootClasses.end())
            traits.partitionRoot = true;
        for (std::size_t i = 0; i < p.classes.size() && i < traits.mappedRank; ++i)
            if (p.classes[i].first == oc) {
                traits.mappedRank = i;
                traits.mappedClass = p.classes[i].second;
                break;
            }
    } else if (!p.baseClassAttribute.empty() && EqualNoCase(ldapAttr, p.baseClassAttribute)) {
        if (traits.baseClass.empty())
            traits.baseClass = std::string(value);
    } else if (!p.partitionRootAttribute.empty() &&
               EqualNoCase(ldapAttr, p.partitionRootAttribute)) {
        if (p.partitionRootValue.empty() || EqualNoCase(value, p.partitionRootValue))
            traits.partitionRoot = true;
    } else if (EqualNoCase(ldapAttr, "hasSubordinates")) {
        if (EqualNoCase(value, "TRUE"))
            traits.entriesBelow = true;
    }
}

ListedObject MakeListedObject(const Rdn& rdn, const EntryTraits& traits) {
    const DirectoryProfile& p = traits.profile ? *traits.profile : QuorvaneProfile();
    ListedObject o;
    o.name = ListedName(rdn);
    bool container =
        traits.container || (!traits.leaf && p.containersWithEntriesBelow && traits.entriesBelow);
    // An explicit leaf class wins over a container class of the same entry.
    if (traits.leaf && !traits.container)
        container = false;
    o.flags = (container ? kFlagContainer : 0) | (traits.partitionRoot ? kFlagPartitionRoot : 0);
    o.baseClass = traits.baseClass.empty() ? traits.mappedClass : traits.baseClass;
    if (o.baseClass.size() > kMaxTreeName)
        o.baseClass.resize(kMaxTreeName);
    return o;
}

// ---- the answering server ----

AnsweringServer AnsweringServerOf(const TreeConnection& connection) {
    AnsweringServer s;
    const std::string& a = connection.address;
    std::size_t scheme = a.find("://");
    if (a.rfind("ldif:", 0) == 0 || scheme == std::string::npos) {
        char name[256] = {};
        if (::gethostname(name, sizeof name - 1) != 0 || !name[0])
            std::strcpy(name, "localhost");
        s.host = name;
        s.address = "IP:127.0.0.1";
        return s;
    }
    std::string hostPort = a.substr(scheme + 3, a.find('/', scheme + 3) - scheme - 3);
    if (!hostPort.empty() && hostPort.front() == '[') {
        s.host = hostPort.substr(1, hostPort.find(']') - 1);
    } else {
        s.host = hostPort.substr(0, hostPort.find(':'));
    }
    if (s.host.empty())
        s.host = "localhost";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    if (::getaddrinfo(s.host.c_str(), nullptr, &hints, &res) == 0 && res) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(res->ai_addr);
        if (::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text))
            s.address = std::string("IP:") + text;
    }
    if (res)
        ::freeaddrinfo(res);
    return s;
}

// ---- the decorated backend ----

namespace {

class ProfiledBackend final : public DirectoryBackend {
public:
    ProfiledBackend(std::unique_ptr<DirectoryBackend> inner, const DirectoryProfile& profile,
                    std::string why, const TreeConnection& connection)
        : inner_(std::move(inner)), profile_(profile), why_(std::move(why)),
          root_("\\T=" + connection.name) {
        if (profile_.rootPartitionFromAnsweringServer)
            server_ = AnsweringServerOf(connection);
    }

    Status List(const std::string& path, std::vector<ListedObject>& out) override {
        Probe();
        Status s = inner_->List(path, out);
        if (s == kOk)
            AddServer(path, out);
        return s;
    }
    Status ListPart(const std::string& path, bool first, std::vector<ListedObject>& out,
                    bool& complete) override {
        if (first)
            Probe();
        Status s = inner_->ListPart(path, first, out, complete);
        if (s == kOk && complete)
            AddServer(path, out);
        return s;
    }
    Status Read(const std::string& path, const std::vector<std::string>& names,
                std::vector<AttributeValues>& out) override {
        Probe();
        if (derived_ && path == ServerPath()) {
            out.clear();
            for (const std::string& n : names) {
                const AttributeMapping* m = QuorvaneProfile().FindByNds(n);
                std::string record;
                TreeNaming naming;
                if (m && m->syntax == kSyntaxNetAddress && !server_.address.empty() &&
                    ValueRecord(*m, server_.address, naming, record))
                    out.push_back({m->ndsName, m->syntax, {record}});
            }
            return kOk;
        }
        Status s = inner_->Read(path, names, out);
        if (s != kOk || !derived_ || !EqualNoCase(path, root_))
            return s;
        // The root's replica: the master on the server that answered, in the
        // order of the names asked for.
        if (std::none_of(out.begin(), out.end(), [](const AttributeValues& v) {
                return v.syntax == kSyntaxReplicaPointer;
            })) {
            std::vector<AttributeValues> ordered;
            for (const std::string& n : names) {
                if (EqualNoCase(n, "Replica")) {
                    ordered.push_back({"Replica", kSyntaxReplicaPointer, {ReplicaRecord()}});
                    continue;
                }
                for (AttributeValues& v : out)
                    if (EqualNoCase(v.name, n))
                        ordered.push_back(std::move(v));
            }
            out = std::move(ordered);
        }
        return s;
    }
    void TakeReport(Report& out) override {
        inner_->TakeReport(out);
        if (named_)
            return;
        // The first report begins with the profile and what it derived.
        named_ = true;
        std::vector<Note> notes;
        notes.push_back({"Directory profile: " + profile_.name + " (" + why_ + ")", false});
        Probe();
        if (derived_)
            notes.push_back({"This directory holds no partition information (profile " +
                                 profile_.name +
                                 "): one partition, [ROOT], held as master by "
                                 "the server that answered, " +
                                 server_.host +
                                 (server_.address.empty() ? std::string(" (its address is unknown)")
                                                          : " (" + server_.address + ")") +
                                 ".",
                             false});
        // What the probe's read made the directory say comes after.
        Report more;
        inner_->TakeReport(more);
        for (Note& n : out.notes)
            notes.push_back(std::move(n));
        for (Note& n : more.notes)
            notes.push_back(std::move(n));
        out.notes = std::move(notes);
        if (!more.words.empty())
            out.words = std::move(more.words);
        if (!more.fatal.empty())
            out.fatal = std::move(more.fatal);
    }

private:
    // Whether the root holds replicas is asked once, before anything else.
    void Probe() {
        if (probed_ || !profile_.rootPartitionFromAnsweringServer)
            return;
        probed_ = true;
        std::vector<AttributeValues> v;
        derived_ = inner_->Read(root_, {"Replica"}, v) == kOk && v.empty();
    }
    std::string ServerName() const { return "CN=" + EscapePathValue(server_.host); }
    std::string ServerPath() const { return root_ + "\\" + ServerName(); }
    std::string ReplicaRecord() const {
        std::string rec(kReplicaFixed, '\0');
        WriteU32(rec.data(), 0, static_cast<std::uint32_t>(kReplicaFixed));
        WriteU32(rec.data(), 4, 0); // master
        WriteU32(rec.data(), 8, 1);
        WriteU32(rec.data(), 12, 0);
        rec += ServerPath();
        rec += '\0';
        return rec;
    }
    void AddServer(const std::string& path, std::vector<ListedObject>& out) {
        if (!derived_ || !EqualNoCase(path, root_))
            return;
        ListedObject server;
        server.name = ServerName();
        server.baseClass = "NCP Server";
        out.push_back(std::move(server));
    }

    std::unique_ptr<DirectoryBackend> inner_;
    const DirectoryProfile& profile_;
    std::string why_;
    std::string root_;
    AnsweringServer server_;
    bool probed_ = false;
    bool named_ = false; // the profile lines were handed out
    bool derived_ = false;
};

} // namespace

std::unique_ptr<DirectoryBackend> DecorateBackend(std::unique_ptr<DirectoryBackend> inner,
                                                  const DirectoryProfile& profile,
                                                  const std::string& why,
                                                  const TreeConnection& connection) {
    return std::make_unique<ProfiledBackend>(std::move(inner), profile, why, connection);
}

} // namespace qv::nds
