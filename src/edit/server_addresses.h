// A server's DS version and network addresses: the lines of the address
// dialog (TAddrDlg), the edits of TAddEditDLg, and the two Options commands
// that reset them for every server.
#pragma once

#include "core/tree_design.h"

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// "Edit Server": the selected node is a server.
bool CanEditServer(const ObjectNode* node);

// Label1 of TAddrDlg: "SERVER: " + the server's Name.
std::string AddressDialogCaption(const ObjectNode* server);
// LB_ADDR: the server's ServerAttributes text, then every item of its
// AddressList (the last ServerTable item with the server's Name). Empty when
// the server is not in the tables.
std::vector<std::string> AddressDialogLines(const TreeDesign& design, const ObjectNode* server);

// BTN_DELETE is enabled for a line that contains "TCPIP".
bool CanDeleteAddressLine(std::string_view line);

// How a line is edited, tested in this order: "IPX", "TCPIP", "DS VERSION".
enum class AddressEditKind { None, IpxAddress, TcpipAddress, DsVersion };
AddressEditKind AddressEditKindOf(std::string_view line);
// Label2 of TAddEditDLg: "Edit IPX Address", "Edit TCPIP Address",
// "Edit DS VERSION", or for Add "Add New TCPIP address".
std::string AddressEditAction(AddressEditKind kind);
inline constexpr const char* kAddTcpipAction = "Add New TCPIP address";

// The line written on OK of TAddEditDLg.
std::string IpxLine(std::string_view addressInput);
std::string VersionLine(std::string_view addressInput);
std::string TcpipLine(std::string_view one, std::string_view two, std::string_view three,
                      std::string_view four);

// Closing TAddrDlg: with the changed flag set, the lines become the server's
// attribute text (the first line) and AddressList (the others), Modified is
// set and the address grid and reports are marked stale.
bool ApplyAddressDialog(TreeDesign& design, const ObjectNode* server,
                        const std::vector<std::string>& lines, bool changed);

// Options > "Clear DS Versions" and "Clear Server Addresses": ask, then reset
// every server.
bool ClearDSVersions(TreeDesign& design);
bool ClearServerAddresses(TreeDesign& design);

} // namespace qv
