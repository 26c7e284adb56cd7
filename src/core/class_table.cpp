#include "core/class_table.h"

#include <array>

namespace qv {

namespace {

const std::array<std::string, kClassCount>& Table() {
    static const std::array<std::string, kClassCount> table = {
        "TOP",
        "ORGANIZATION",
        "ORGANIZATIONAL UNIT",
        "NETWARE SERVER",
        "PARTITION",
        "COUNTRY",
        "SAS:SECURITY",
        "AFP SERVER",
        "ALIAS",
        "AUDIT:FILE OBJECT",
        "BINDERY OBJECT",
        "BINDERY QUEUE",
        "COMMEXEC",
        "COMPUTER",
        "DEVICE",
        "DIRECTORY MAP",
        "GROUP",
        "LDAP GROUP",
        "LDAP SERVER",
        "LIST",
        "LOCALITY",
        "MASV:SECURITY POLICY",
        "MESSAGE ROUTING GROUP",
        "MESSAGING SERVER",
        "NDPS BROKER",
        "NDPS MANAGER",
        "NDPS PRINTER",
        "NLS:LICENSE CERTIFICATE",
        "NLS:LICENSE SERVER",
        "NLS:PRODUCT CONTAINER",
        "ORGANIZATIONAL PERSON",
        "ORGANIZATIONAL ROLE",
        "PERSON",
        "PRINT SERVER",
        "PRINTER",
        "PROFILE",
        "QUEUE",
        "RESOURCE",
        "SAS:SERVICE",
        "SLP DIRECTORY AGENT",
        "SLP SCOPE UNIT",
        "SLP SERVICE",
        "TEMPLATE",
        "UNKNOWN",
        "USER",
        "VOLUME",
        "WANMAN:LAN AREA",
        "NDSCAT:CATALOG",
        "NDSCAT:MASTER CATALOG",
        "NDSCAT:SLAVE CATALOG",
        "NDSPKI:CERTIFICATE AUTHORITY",
        "NDSPKI:KEY MATERIAL",
        "CONTAINER PACKAGE",
        "NCS:NETWARE CLUSTER",
        "REMOTE CONTROL POLICY",
        "SEARCH POLICY",
        "WIN95 USER PACKAGE",
        "WIN95 WORKSTATION PACKAGE",
        "WINNT USER PACKAGE",
        "WINNT WORKSTATION PACKAGE",
        "WORKSTATION INVENTORY",
        "WORKSTATION CREATION",
        "APP:APPLICATION",
        "GROUPWISE AGENT",
        "GROUPWISE DOMAIN",
        "GROUPWISE LIBRARY",
        "GROUPWISE POST OFFICE",
        "IWS ALIAS",
        "IWS DOMAIN",
        "IWS GROUP",
        "IWS WORKSTATION",
        "NCS:NCP SERVER",
        "NCS:RESOURCE TEMPLATE",
        "NCS:VOLUME RESOURCE",
        "DNIP:DHCP SERVER",
        "DNIP:DNS RRSET",
        "DNIP:DNS ZONE",
        "DNIP:LOCATOR",
        "DNIP:SUBNET",
        "DNIP:IP ADDRESS CONNECTION",
        "DNIP:SUBNET ADDRESS",
        "GROUPWISE RESOURCE",
        "WORKSTATION",
        "GROUPWISE EXTERNAL ENTITY",
        "NOVONYX:ADDRESSBOOK",
        "NOVONYX:ANTISPAM AGENT",
        "NOVONYX:AUTOREPLY AGENT",
        "NOVONYX:FINGER AGENT",
        "NOVONYX:IMAP AGENT",
        "NOVONYX:MESSAGING SERVER",
        "NOVONYX:NMAP AGENT",
        "NOVONYX:POP AGENT",
        "NOVONYX:PROXY AGENT",
        "NOVONYX:SERVICES",
        "NOVONYX:SMTP AGENT",
        "NOVONYX:WEBMAIL AGENT",
        "NO_DEF",
    };
    return table;
}

} // namespace

const std::string& ClassName(int index) {
    static const std::string empty;
    if (index < 0 || index >= kClassCount)
        return empty;
    return Table()[static_cast<std::size_t>(index)];
}

int ClassIndexOf(std::string_view name) {
    const auto& table = Table();
    for (int i = 0; i < kClassCount; ++i)
        if (table[static_cast<std::size_t>(i)] == name)
            return i;
    return -1;
}

const ClassSet& ContainerClasses() {
    static const ClassSet set{0, 1, 2, 5, 6, 20, 29, 40, 43, 53, 64, 66, 68, 76, 78, 89, 93, 96};
    return set;
}

const ClassSet& NodeClasses() {
    static const ClassSet set = [] {
        ClassSet s = ContainerClasses();
        s.Add(kClassServer);
        return s;
    }();
    return set;
}

bool IsContainerClass(int index) {
    return ContainerClasses().Contains(index);
}
bool IsNodeClass(int index) {
    return NodeClasses().Contains(index);
}

} // namespace qv
