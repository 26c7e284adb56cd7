// The directory client layer: the calls through which tree discovery reads a
// live directory. One function per call, 32-bit statuses (0 is success,
// negative values are the directory's errors, see docs/DIRECTORY.md),
// iteration handles that are all-ones when an iteration is complete, listing
// chunks that fit one 4096-byte buffer and attribute chunks that fit 2048
// bytes. Behind the calls, the tree connection's address chooses the backend:
// an LDAPv3 server (ldap://, ldaps://) or an LDIF file read in-process (ldif:).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::nds {

using Status = std::int32_t;
using ContextHandle = std::uint32_t;
using IterationHandle = std::int32_t;

inline constexpr ContextHandle kNoContext = 0xFFFFFFFFu;
inline constexpr IterationHandle kNoIteration = -1;

// Statuses of the layer (documented in docs/DIRECTORY.md).
inline constexpr Status kOk = 0;
inline constexpr Status kErrNotEnoughMemory = -150;
inline constexpr Status kErrBadContext = -303;
inline constexpr Status kErrNoSuchEntry = -601;
inline constexpr Status kErrNoSuchAttribute = -603;
inline constexpr Status kErrIllegalName = -610;
inline constexpr Status kErrNoSuchTree = -623;
inline constexpr Status kErrTransportFailure = -625;
inline constexpr Status kErrSystemFailure = -632;
inline constexpr Status kErrInvalidRequest = -641;
inline constexpr Status kErrInvalidIteration = -642;
inline constexpr Status kErrBadDirectoryData = -645;
inline constexpr Status kErrInsufficientBuffer = -649;
inline constexpr Status kErrNameTooLong = -653;
inline constexpr Status kErrFailedAuthentication = -669;

// Operation codes of buffers and iterations.
inline constexpr std::uint32_t kOpRead = 3;
inline constexpr std::uint32_t kOpList = 5;

// Context keys.
inline constexpr std::uint32_t kKeyFlags = 1;
inline constexpr std::uint32_t kKeyTreeName = 11;
inline constexpr std::uint32_t kKeyNameForm = 13;

// Syntax numbers of the values handed out by the attribute calls.
inline constexpr std::uint32_t kSyntaxCaseIgnoreString = 3;
inline constexpr std::uint32_t kSyntaxInteger = 8;
inline constexpr std::uint32_t kSyntaxNetAddress = 12;
inline constexpr std::uint32_t kSyntaxReplicaPointer = 16;

// Flags of the object information record.
inline constexpr std::uint32_t kFlagPartitionRoot = 2;
inline constexpr std::uint32_t kFlagContainer = 4;

inline constexpr std::size_t kMaxTreeName = 32;
inline constexpr std::size_t kTreeNameBuffer = 33;
inline constexpr std::size_t kNameBuffer = 256;
inline constexpr std::size_t kListBufferSize = 4096;
inline constexpr std::size_t kAttrBufferSize = 2048;

// The locale record filled by the locale query: the country code at offset
// 56 and the code page at offset 60 feed the conversion-table load.
struct LocaleRecord {
    std::uint8_t bytes[64];
};
inline constexpr std::size_t kLocaleCountryOffset = 56;
inline constexpr std::size_t kLocaleCodePageOffset = 60;

// Object information record: offset 0 flags, offsets 4 and 8 the subordinate
// count and the modification time, offset 12 the base class name.
struct ObjectInfo {
    std::uint32_t flags;
    std::uint32_t subordinateCount;
    std::uint32_t modificationTime;
    char baseClass[33];
};
static_assert(offsetof(ObjectInfo, baseClass) == 12);

// Value records (32-bit little-endian fields). Where the directory's records
// hold a 32-bit pointer, these hold the 32-bit offset of the bytes from the
// start of the record; the bytes follow the fixed part in the same value.
// Network address (syntax 12): type, length, offset of the address bytes.
inline constexpr std::size_t kNetAddressFixed = 12;
inline constexpr std::uint32_t kAddressIpx = 0;
inline constexpr std::uint32_t kAddressIp = 9;
// Replica (syntax 16): offset of the server name, replica type, replica
// number, count of addresses (always 0); the zero-terminated name follows.
inline constexpr std::size_t kReplicaFixed = 16;

std::uint32_t ReadU32(const void* record, std::size_t offset);
void WriteU32(void* record, std::size_t offset, std::uint32_t value);

struct Buffer; // opaque, from NWDSAllocBuf

// ---- the calls, in the order discovery uses them ----
// Client initialisation.
Status NWCallsInit(void* reserved1, void* reserved2);
// Locale query (its result is not examined by the caller).
Status NWLocaleQuery(LocaleRecord* record);
// Conversion-table load and release.
Status NWInitUnicodeTables(std::uint32_t codePage, std::uint32_t country);
Status NWFreeUnicodeTables();
// Context creation, query, setting and release. The context binds to the
// preferred tree connection when it is created.
Status NWDSCreateContextHandle(ContextHandle* context);
Status NWDSGetContext(ContextHandle context, std::uint32_t key, void* value);
Status NWDSSetContext(ContextHandle context, std::uint32_t key, const void* value);
Status NWDSFreeContext(ContextHandle context);
// Tree scan: capacity 0 and no array gives the number of tree connections;
// otherwise up to capacity names of at most 32 characters into buffers of 33 bytes.
Status NWDSScanConnsForTrees(ContextHandle context, std::uint32_t capacity, std::uint32_t* count,
                             char** names);
Status NWDSAllocBuf(std::size_t size, Buffer** buffer);
Status NWDSInitBuf(ContextHandle context, std::uint32_t operation, Buffer* buffer);
Status NWDSPutAttrName(ContextHandle context, Buffer* buffer, const char* name);
Status NWDSSetPreferredDSTree(std::uint32_t length, const char* treeName);
Status NWDSList(ContextHandle context, const char* objectPath, IterationHandle* iteration,
                Buffer* out);
Status NWDSGetObjectCount(ContextHandle context, Buffer* buffer, std::uint32_t* count);
Status NWDSGetObjectName(ContextHandle context, Buffer* buffer, char* name,
                         std::uint32_t* attrCount, ObjectInfo* info);
// Attribute read: infoType 1 (values), allAttrs 0 (only the named attributes).
Status NWDSRead(ContextHandle context, const char* objectPath, std::uint32_t infoType,
                std::uint32_t allAttrs, Buffer* attrNames, IterationHandle* iteration, Buffer* out);
Status NWDSGetAttrCount(ContextHandle context, Buffer* buffer, std::uint32_t* count);
Status NWDSGetAttrName(ContextHandle context, Buffer* buffer, char* name, std::uint32_t* valueCount,
                       std::uint32_t* syntax);
Status NWDSComputeAttrValSize(ContextHandle context, Buffer* buffer, std::uint32_t syntax,
                              std::size_t* size);
Status NWDSGetAttrVal(ContextHandle context, Buffer* buffer, std::uint32_t syntax, void* value);
Status NWDSCloseIteration(ContextHandle context, IterationHandle iteration,
                          std::uint32_t operation);
Status NWDSFreeBuf(Buffer* buffer);

// ---- configuration by the host ----
// A tree connection: what the workstation is connected to.
struct TreeConnection {
    std::string name;    // at most 32 characters
    std::string address; // ldap://HOST:PORT/BASE-DN, ldaps://..., ldif:PATH
    std::string bindDn;
    std::string passwordFile;
    bool startTls = false;
    // A password typed in for this run only (never stored).
    std::string password;
    // The directory profile: "auto" (or empty), "quorvane", "standard", "ndsldap".
    std::string profile = "auto";
    // Seconds to wait for the server when connecting and for each answer.
    int timeoutSeconds = 30;
};
inline constexpr int kDefaultTimeoutSeconds = 30;
// The connections and the preferred one (by name; empty: the first).
// Replaces the preferred tree chosen by NWDSSetPreferredDSTree.
void SetTreeConnections(std::vector<TreeConnection> connections, std::string preferred);
const std::vector<TreeConnection>& TreeConnections();
std::string PreferredTree();

// ---- fault injection and test hooks ----
// Names of the calls for fault injection: init, locale-load, create-context,
// get-context, set-context, scan-trees, alloc-buf, init-buf, put-attr-name,
// set-preferred-tree, list, get-object-count, get-object-name, read,
// get-attr-count, get-attr-name, value-size, get-value.
const std::vector<std::string>& FaultableCalls();
// The nth use (from 1) of the call returns status instead of doing its work.
// False when the call name is unknown.
bool AddFault(const std::string& call, std::uint64_t nth, Status status);
// Parses "CALL:N:STATUS". False when malformed.
bool AddFaultFromText(const std::string& text);
// The nth use (from 1) of the value size call reports size instead of the
// real one (the value call then copies that many bytes at most).
void AddValueSizeOverride(std::uint64_t nth, std::size_t size);
// Forgets every fault, override and use count.
void ClearFaults();

// ---- what the directory said ----
// Since the last time it was asked: lines for the discovery log (first the
// profile the directory is read with and what the profile derived; with error
// set, counted: each entry that could not be read, each referral not
// followed), the directory's own words about the last failure (the LDAP
// result text and the server's diagnostic message), and, once the directory
// cannot serve the walk any more (a lost server, a limit it keeps to), the
// line that says so. Empty for a context that does not exist.
struct DirectoryNote {
    std::string text;
    bool error = false;
};
struct DirectoryReport {
    std::vector<DirectoryNote> notes;
    std::string words;
    std::string fatal;
};
DirectoryReport TakeDirectoryReport(ContextHandle context);
// What the directory (or the LDIF file) said when the last context creation
// failed, or empty.
std::string ContextCreationWords();

// Live contexts, buffers and iterations (0 when everything was released).
std::size_t OpenResourceCount();

} // namespace qv::nds
