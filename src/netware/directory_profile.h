// Directory profiles: how the entries of a directory become containers,
// leaves, partitions, replicas and servers. A profile is data (data/*.profile,
// built into the program); a tree connection names one or "auto". Both
// backends ask the profile what an entry is and which attributes to fetch;
// DecorateBackend adds what a profile derives for a whole directory (the
// single [ROOT] partition of a directory that holds no partition information,
// and the server that answered) and the log lines that name the profile.
#pragma once

#include "core/result.h"
#include "netware/directory_backend.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qv::nds {

struct DirectoryProfile {
    std::string name;
    std::string description;
    // Object classes (lower-case) that make an entry a container, and that
    // make it a leaf whatever lies below it.
    std::vector<std::string> containerClasses;
    std::vector<std::string> leafClasses;
    // Every entry with entries below it is a container, whatever its class.
    bool containersWithEntriesBelow = false;
    // Object class (lower-case) to class name, in order of preference: of an
    // entry's classes the one listed first gives its class.
    std::vector<std::pair<std::string, std::string>> classes;
    // The attribute whose value is the class name as the directory spells it
    // (it wins over the table), and the attribute and value of a partition root.
    std::string baseClassAttribute;
    std::string partitionRootAttribute;
    std::string partitionRootValue;
    // Object classes (lower-case) that make an entry a partition root.
    std::vector<std::string> partitionRootClasses;
    // The attributes the attribute calls hand out.
    std::vector<AttributeMapping> attributes;
    // On users: the DN of the default server NLIST shows (empty: the
    // directory holds none).
    std::string defaultServerAttribute;
    // Whether the directory holds the rights DSRIGHTS and RIGHTS report (the
    // access control lists, filters, equivalences and trustees of
    // docs/RIGHTS.md): without it they say so instead of reporting no rights.
    bool rightsInformation = false;
    // Where those rights are held: the trustee assignments (written
    // PROTECTED#TRUSTEE#LETTERS, or in the NDS form
    // PRIVILEGES#SCOPE#TRUSTEE#PROTECTED when aclForm is "nds", where the
    // trustee [Inheritance Mask] gives the inherited rights filters), the
    // filters (PROTECTED#LETTERS, ours only) and the security equivalences.
    std::string aclAttribute = "qvACL";
    std::string aclForm;
    std::string inheritedRightsFilterAttribute = "qvInheritedRightsFilter";
    std::string securityEqualsAttribute = "qvSecurityEquals";
    // Whether it holds the file system trustees RIGHTS reports (the volumes'
    // folders and trustees of docs/RIGHTS.md).
    bool fileRightsInformation = false;
    // A directory that holds no partition information is one partition,
    // [ROOT], held as master by the server that answered.
    bool rootPartitionFromAnsweringServer = false;
    // Whether auto chooses this profile: entries of these classes exist, or
    // the root DSE's vendorName contains one of these texts.
    std::vector<std::string> detectClasses;
    std::vector<std::string> detectVendors;

    const AttributeMapping* FindByLdap(std::string_view ldapName) const;
    const AttributeMapping* FindByNds(std::string_view ndsName) const;
    // The attributes a listing asks for.
    std::vector<std::string> ListingAttributes() const;
};

// Reads a profile file; a failure names the line and the reason.
Result<DirectoryProfile> ParseProfile(std::string_view text);

// The profiles built in: "quorvane", "standard", "ndsldap".
const std::vector<DirectoryProfile>& Profiles();
// The profile of that name (without regard to case), or nullptr.
const DirectoryProfile* FindProfile(std::string_view name);
const DirectoryProfile& QuorvaneProfile();
// True for "auto" and the names of the profiles.
bool IsProfileChoice(std::string_view name);

// What auto decides from: whether entries of any of the classes exist in the
// directory, and the root DSE's vendor name.
struct ProfileEvidence {
    std::function<bool(const std::vector<std::string>& classes)> anyEntryOf;
    std::string vendor;
};
// The profile a connection asks for ("auto" or empty: decided from the
// evidence); why is the log's reason ("chosen by auto: ...").
const DirectoryProfile& ChooseProfile(std::string_view requested, const ProfileEvidence& evidence,
                                      std::string& why);

// The server that answered: the host of the address (or this computer for
// an ldif: tree) and its IPv4 address, if it resolves.
struct AnsweringServer {
    std::string host;
    std::string address; // "IP:A.B.C.D" or empty
};
AnsweringServer AnsweringServerOf(const TreeConnection& connection);

// Wraps a backend opened with the profile: adds the log lines that name it
// (why: how it was chosen) and, for a profile that derives the [ROOT]
// partition, the replica on the answering server and that server under the
// tree root.
std::unique_ptr<DirectoryBackend> DecorateBackend(std::unique_ptr<DirectoryBackend> inner,
                                                  const DirectoryProfile& profile,
                                                  const std::string& why,
                                                  const TreeConnection& connection);

} // namespace qv::nds
