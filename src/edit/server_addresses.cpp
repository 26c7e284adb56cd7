#include "edit/server_addresses.h"

#include "core/design_change.h"

#include "core/class_table.h"

namespace qv {

bool CanEditServer(const ObjectNode* node) {
    return node && node->ClassIndex() == kClassServer;
}

std::string AddressDialogCaption(const ObjectNode* server) {
    return "SERVER: " + (server ? server->Name() : std::string());
}

std::vector<std::string> AddressDialogLines(const TreeDesign& design, const ObjectNode* server) {
    std::vector<std::string> lines;
    if (!server)
        return lines;
    int i = design.servers.FindLast(server->Name());
    if (i < 0 || static_cast<std::size_t>(i) >= design.attributes.Size())
        return lines;
    const TableItem& item = design.attributes[static_cast<std::size_t>(i)];
    lines.push_back(item.name);
    lines.insert(lines.end(), item.entries.begin(), item.entries.end());
    return lines;
}

bool CanDeleteAddressLine(std::string_view line) {
    return line.find("TCPIP") != std::string_view::npos;
}

AddressEditKind AddressEditKindOf(std::string_view line) {
    if (line.find("IPX") != std::string_view::npos)
        return AddressEditKind::IpxAddress;
    if (line.find("TCPIP") != std::string_view::npos)
        return AddressEditKind::TcpipAddress;
    if (line.find("DS VERSION") != std::string_view::npos)
        return AddressEditKind::DsVersion;
    return AddressEditKind::None;
}

std::string AddressEditAction(AddressEditKind kind) {
    switch (kind) {
    case AddressEditKind::IpxAddress:
        return "Edit IPX Address";
    case AddressEditKind::TcpipAddress:
        return "Edit TCPIP Address";
    case AddressEditKind::DsVersion:
        return "Edit DS VERSION";
    case AddressEditKind::None:
        break;
    }
    return std::string();
}

std::string IpxLine(std::string_view addressInput) {
    return "IPX:" + std::string(addressInput);
}

std::string VersionLine(std::string_view addressInput) {
    return "DS VERSION:" + std::string(addressInput);
}

std::string TcpipLine(std::string_view one, std::string_view two, std::string_view three,
                      std::string_view four) {
    std::string line = "TCPIP:";
    line.append(one).append(".").append(two).append(".").append(three).append(".").append(four);
    return line;
}

bool ApplyAddressDialog(TreeDesign& design, const ObjectNode* server,
                        const std::vector<std::string>& lines, bool changed) {
    DesignChange operation(design, "Edit Server");
    if (!changed || !server || lines.empty())
        return false;
    int i = design.servers.FindLast(server->Name());
    if (i < 0 || static_cast<std::size_t>(i) >= design.attributes.Size())
        return false;
    const std::size_t at = static_cast<std::size_t>(i);
    design.attributes.Rename(at, lines.front());
    design.attributes.Entries(at).assign(lines.begin() + 1, lines.end());
    DesignChange(design, kTouchAttributes).Commit();
    return true;
}

bool ClearDSVersions(TreeDesign& design) {
    DesignChange operation(design, "Clear DS Versions");
    if (!design.ui().AskYesNo("This will set every server's DS VERSION to '0.' \rContinue?"))
        return false;
    for (std::size_t i = 0; i < design.attributes.Size(); ++i)
        design.attributes.Rename(i, "DS VERSION:0");
    // The address grid shows the versions too.
    DesignChange(design, kTouchAttributes).Commit();
    return true;
}

bool ClearServerAddresses(TreeDesign& design) {
    DesignChange operation(design, "Clear Server Addresses");
    if (!design.ui().AskYesNo("This will set all IPX addreses to '00000000' \rand remove all "
                              "other protocol addresses.\rContinue?"))
        return false;
    for (std::size_t i = 0; i < design.attributes.Size(); ++i)
        design.attributes.Entries(i).assign({"IPX:00000000"});
    DesignChange(design, kTouchAttributes).Commit();
    return true;
}

} // namespace qv
