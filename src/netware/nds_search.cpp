#include "netware/nds_search.h"

#include "core/ascii_text.h"
#include "core/class_table.h"
#include "core/replica_vocabulary.h"
#include "files/file_access.h"
#include "netware/object_path.h"

#include <chrono>
#include <cstring>
#include <ctime>
#include <new>

namespace qv {

using namespace nds;

const char* const kDiscoverQuestion =
    "This will extract all partitions, replicas, and objects\rfrom the tree that is currently "
    "your primary tree.\rMake sure that your connection is to the tree that you want\rto "
    "extract the NDS information from.\rThis process can be lengthy based on the size of your "
    "tree.\rDo you wish to continue?";

namespace {

double WallSecondsSinceMidnight();

constexpr std::size_t kMaxPath = 255;
constexpr std::size_t kMaxTrees = 100;

// Directory names keep every byte that is not an ASCII letter, so UTF-8
// names come through whole.
std::string Upper(const std::string& s) {
    return UpperAscii(s);
}

// Everything after the first "=" (the whole text when there is none).
std::string AfterFirstEquals(const std::string& s) {
    std::size_t eq = s.find('=');
    return eq == std::string::npos ? s : s.substr(eq + 1);
}

// The time of day, read from the wall clock once and then advanced by the
// steady clock: the display asks for it after every object.
double SecondsSinceMidnight() {
    using namespace std::chrono;
    static const double base = WallSecondsSinceMidnight();
    static const steady_clock::time_point start = steady_clock::now();
    return base + duration<double>(steady_clock::now() - start).count();
}

double WallSecondsSinceMidnight() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    double frac = duration<double>(now.time_since_epoch()).count();
    frac -= static_cast<double>(static_cast<long long>(frac));
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + frac;
}

std::string_view Marker(std::uint32_t type) {
    return type < kReplicaTypes.size() ? kReplicaTypes[type].marker : std::string_view();
}

} // namespace

NdsSearch::NdsSearch(Interaction& ui, SearchDisplay& display)
    : clock(SecondsSinceMidnight), ui_(ui), display_(display) {}

NdsSearch::~NdsSearch() {
    if (context != kNoContext || tablesLoaded_)
        FreeNDSContext();
}

void NdsSearch::Log(const std::string& line) {
    log.push_back(line);
    display_.LogAppended(line);
}

void NdsSearch::CountedError(const std::string& message) {
    Log(message);
    ++errorCount;
}

void NdsSearch::Pump() {
    display_.Pump();
}

bool NdsSearch::NoteDirectory(bool failed) {
    DirectoryReport report = TakeDirectoryReport(context);
    for (const DirectoryNote& note : report.notes) {
        if (note.error)
            CountedError(note.text);
        else
            Log(note.text);
    }
    if (failed && !report.words.empty())
        Log("The directory answered: " + report.words);
    if (report.fatal.empty())
        return false;
    CountedError(report.fatal);
    return true;
}

// ---- context ----

Status NdsSearch::InitNDSContext() {
    context = kNoContext;
    contextTree = nds::PreferredTree();
    ContextHandle created = kNoContext;
    Status status = NWCallsInit(nullptr, nullptr);
    if (status == kOk) {
        NWLocaleQuery(&locale);
        status = NWInitUnicodeTables(ReadU32(locale.bytes, kLocaleCodePageOffset),
                                     ReadU32(locale.bytes, kLocaleCountryOffset));
        if (status == kOk)
            tablesLoaded_ = true;
    }
    if (status == kOk)
        status = NWDSCreateContextHandle(&created);
    std::uint32_t word = 0;
    if (status == kOk)
        status = NWDSGetContext(created, kKeyFlags, &word);
    if (status == kOk) {
        word &= ~16u;
        status = NWDSSetContext(created, kKeyFlags, &word);
    }
    if (status == kOk)
        status = NWDSGetContext(created, kKeyNameForm, &word);
    if (status == kOk) {
        word |= 1u | 2u;
        status = NWDSSetContext(created, kKeyNameForm, &word);
    }
    contextStatus = status;
    if (status == kOk) {
        context = created;
        return kOk;
    }
    if (created != kNoContext)
        NWDSFreeContext(created);
    if (tablesLoaded_) {
        NWFreeUnicodeTables();
        tablesLoaded_ = false;
    }
    std::string text = "Could not initialize NDS context.  Error: " + std::to_string(status);
    if (!ContextCreationWords().empty())
        text += "\r" + ContextCreationWords();
    ui_.Information(text);
    return status;
}

void NdsSearch::FreeNDSContext() {
    if (context != kNoContext)
        NWDSFreeContext(context);
    context = kNoContext;
    NWFreeUnicodeTables();
    tablesLoaded_ = false;
}

Status NdsSearch::ScanTreeConnections(std::vector<std::string>& trees) {
    std::uint32_t n = 0;
    Status status = NWDSScanConnsForTrees(context, 0, &n, nullptr);
    if (status != kOk)
        return status;
    if (n > kMaxTrees)
        n = kMaxTrees;
    std::vector<std::vector<char>> buffers(n, std::vector<char>(kTreeNameBuffer, '\0'));
    std::vector<char*> names;
    for (auto& b : buffers)
        names.push_back(b.data());
    std::uint32_t count = n;
    status = NWDSScanConnsForTrees(context, n, &count, n ? names.data() : nullptr);
    trees.clear();
    for (std::uint32_t i = 0; i < count && i < n; ++i)
        trees.emplace_back(names[i]);
    return status;
}

// ---- the dialog ----

void NdsSearch::FormShow() {
    log.clear();
    display_.LogCleared();
    objectCount = 0;
    errorCount = 0;
    abort = false;
    okEnabled = false;
    cancelEnabled = true;
    display_.ButtonsChanged(okEnabled, cancelEnabled);
    fields = SearchFields{};
    fields.totalPartitions = fields.totalServers = fields.totalObjects = "0";
    Log("Initializing for NDS Search...");
    fields.elapsed = "00:00:00";
    display_.FieldsChanged(fields);
    startTime = clock();
    containerList.clear();
}

void NdsSearch::Timer1Timer() {
    cancelEnabled = true;
    display_.ButtonsChanged(okEnabled, cancelEnabled);
    result = RunNDSSearch();
    okEnabled = true;
    cancelEnabled = false;
    display_.ButtonsChanged(okEnabled, cancelEnabled);
    if (!abort && result == 0)
        Log("NDS SEARCH COMPLETE.");
}

void NdsSearch::BTN_CANCELClick() {
    Log("Aborting NDS Search...");
    abort = true;
}

void NdsSearch::FormClose() {
    if (searching) {
        auto start = std::chrono::steady_clock::now();
        while (searching && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
            Pump();
        if (searching) {
            searching = false;
            if (verbose)
                Log("Search was aborted due to unknown error.");
        }
    }
    containerList.clear();
    // The log replaces the old one as every file is written; a FIFO, device or
    // folder of that name is left alone (the log is then not kept).
    std::string text;
    for (const std::string& line : log)
        text += line + "\n";
    (void)ReplaceFileAtomically(logFileName, text);
}

// ---- the walk ----

// What one walk keeps between its steps. The status is the walk's result:
// every step leaves in it the last status a call gave.
struct NdsSearch::SearchWalk {
    nds::IterationHandle iteration = nds::kNoIteration;
    nds::Status status = nds::kOk;
    char name[nds::kNameBuffer] = {};
    std::string path;
    bool ended = false; // the directory can serve the walk no more
};

Status NdsSearch::RunNDSSearch() {
    searching = true;
    SearchWalk w;
    if (StartSearch(w))
        WalkContainers(w);
    FinishSearch(w);
    return w.status;
}

bool NdsSearch::Fatal(SearchWalk& w, const char* message) {
    if (w.status == kOk)
        return false;
    CountedError(message + std::to_string(w.status));
    return true;
}

void NdsSearch::EndIteration(SearchWalk& w) {
    if (w.iteration != kNoIteration)
        NWDSCloseIteration(context, w.iteration, kOpList);
    w.iteration = kNoIteration;
}

bool NdsSearch::StartSearch(SearchWalk& w) {
    if (!AllocateSearchBuffers(w) || !UseSearchTree(w))
        return false;
    w.path = "\\T=" + treeName;
    w.status = AddToContainerList(w.path, true);
    if (Fatal(w, "AddToContainerList failed.  Error: "))
        return false;
    current_ = design->Root();
    Log("NDS Search started...");
    // What the directory's profile made of it, and what could not be read;
    // words from the directory now are about the profile's failed look at
    // the tree root, so they are logged too.
    NoteDirectory(true);
    return true;
}

bool NdsSearch::AllocateSearchBuffers(SearchWalk& w) {
    try {
        w.path.reserve(kNameBuffer);
    } catch (const std::bad_alloc&) {
        w.status = kStatusNoMemory;
        return false;
    }
    w.status = NWDSAllocBuf(kListBufferSize, &listBuf_);
    if (Fatal(w, "NWDSAllocBuf failed.  Error: "))
        return false;
    w.status = NWDSAllocBuf(kAttrBufferSize, &attrNameBuf_);
    if (Fatal(w, "NWDSAllocBuf failed.  Error: "))
        return false;
    w.status = NWDSAllocBuf(kAttrBufferSize, &readBuf_);
    if (Fatal(w, "NWDSAllocBuf failed.  Error: "))
        return false;
    w.status = NWDSInitBuf(context, kOpList, listBuf_);
    if (Fatal(w, "NWDSInitBuf failed.  Error: "))
        return false;
    w.status = NWDSInitBuf(context, kOpRead, attrNameBuf_);
    if (Fatal(w, "NWDSInitBuf failed.  Error: "))
        return false;
    for (const char* attr : {"Replica", "DS Revision", "Network Address", "Version"}) {
        w.status = NWDSPutAttrName(context, attrNameBuf_, attr);
        if (Fatal(w, "NWDSPutAttrName failed.  Error: "))
            return false;
    }
    return true;
}

bool NdsSearch::UseSearchTree(SearchWalk& w) {
    w.status = NWDSGetContext(context, kKeyTreeName, w.name);
    if (Fatal(w, "NWDSGetContext failed.  Error: "))
        return false;
    if (std::string(w.name) == treeName)
        return true;
    FreeNDSContext();
    w.status =
        NWDSSetPreferredDSTree(static_cast<std::uint32_t>(treeName.size()), treeName.c_str());
    if (Fatal(w, "NWDSSetPreferredDSTree failed.  Error: "))
        return false;
    w.status = InitNDSContext();
    if (w.status != kOk) {
        ++errorCount;
        return false;
    }
    NWDSSetPreferredDSTree(static_cast<std::uint32_t>(std::strlen(w.name)), w.name);
    return true;
}

void NdsSearch::WalkContainers(SearchWalk& w) {
    do {
        const std::string head = containerList.front().path;
        if (verbose)
            Log("Current Container: " + head);
        if (containerList.front().isPartition && !ReadPartitionReplicas(w, head))
            return;
        ListContainer(w, head);
        if (w.ended)
            return;
        containerList.pop_front();
        if (!containerList.empty())
            current_ = FindOrAddTreeNode(StripTreeName(Upper(containerList.front().path)));
        UpdateSearchDisplay();
        Pump();
    } while (!containerList.empty() && !abort);
}

bool NdsSearch::ReadPartitionReplicas(SearchWalk& w, const std::string& head) {
    AddPartitionRoot(head);
    if (verbose)
        Log("This container is a partition.");
    w.status = ReadAttributes(head, false);
    if (w.status != kOk) {
        CountedError("Could not read Replica attribute for partition: " + head +
                     " Error: " + std::to_string(w.status));
        if (NoteDirectory(true))
            return false;
    }
    return true;
}

void NdsSearch::ListContainer(SearchWalk& w, const std::string& head) {
    do {
        w.status = NWDSList(context, head.c_str(), &w.iteration, listBuf_);
        if (w.status != kOk) {
            CountedError("NWDSList failed for: " + head + " Error: " + std::to_string(w.status));
            EndIteration(w);
        }
        if (NoteDirectory(w.status != kOk)) {
            w.ended = true;
            return;
        }
        // A container listed is a container with a leaf list, however short.
        design->EnsureLeafList(current_);
        if (w.status == kOk) {
            ListPage(w, head);
            if (w.ended)
                return;
        }
        UpdateSearchDisplay();
        Pump();
    } while (w.iteration != kNoIteration && !abort);
}

void NdsSearch::ListPage(SearchWalk& w, const std::string& head) {
    std::uint32_t count = 0;
    w.status = NWDSGetObjectCount(context, listBuf_, &count);
    if (w.status != kOk) {
        CountedError("NWDSGetObjectCount failed for: " + head +
                     " Error: " + std::to_string(w.status));
        EndIteration(w);
        return;
    }
    objectCount += static_cast<std::int32_t>(count);
    for (std::uint32_t i = 0; i < count; ++i)
        if (!ListObject(w, head))
            return;
}

bool NdsSearch::ListObject(SearchWalk& w, const std::string& head) {
    std::uint32_t attrCount = 0;
    ObjectInfo info{};
    w.status = NWDSGetObjectName(context, listBuf_, w.name, &attrCount, &info);
    if (w.status == kErrNameTooLong) {
        CountedError("Object name too long, skipped: " + head + "\\" + w.name + "...");
        return true;
    }
    if (w.status != kOk) {
        CountedError("NWDSGetObjectName failed for: " + head +
                     " Error: " + std::to_string(w.status));
        EndIteration(w);
        return false;
    }
    w.path = head + "\\" + w.name;
    if (w.path.size() > kMaxPath) {
        CountedError("Path too long, object skipped: " + w.path);
        return true;
    }
    info.baseClass[sizeof info.baseClass - 1] = '\0';
    const std::string baseClass = info.baseClass;
    if (baseClass == "NCP Server" && !AddFoundServer(w, head))
        return false;
    if (info.flags & kFlagContainer) {
        w.status = AddToContainerList(w.path, (info.flags & kFlagPartitionRoot) != 0);
        if (Fatal(w, "AddToContainerList failed.  Error: ")) {
            w.ended = true;
            return false;
        }
        AddObjectEntry(Upper(baseClass), Upper(w.name), true);
        if (verbose)
            Log("  Container added: " + w.path);
    } else {
        AddObjectEntry(Upper(baseClass), Upper(w.name), false);
    }
    UpdateSearchDisplay();
    Pump();
    return true;
}

bool NdsSearch::AddFoundServer(SearchWalk& w, const std::string& head) {
    AddToServerList(w.path);
    if (verbose)
        Log("  Server added: " + w.path);
    w.status = ReadAttributes(w.path, true);
    if (w.status != kOk) {
        CountedError("Could not read server attributes for: " + head +
                     " Error: " + std::to_string(w.status));
        if (NoteDirectory(true)) {
            w.ended = true;
            return false;
        }
    }
    return true;
}

void NdsSearch::FinishSearch(SearchWalk& w) {
    EndIteration(w);
    for (Buffer** b : {&listBuf_, &attrNameBuf_, &readBuf_}) {
        if (*b)
            NWDSFreeBuf(*b);
        *b = nullptr;
    }
    FreeNDSContext();
    if (abort)
        Log("NDS Search aborted.");
    searching = false;
}

Status NdsSearch::ReadAttributes(const std::string& path, bool isServer) {
    IterationHandle iteration = kNoIteration;
    std::vector<std::uint8_t> value;
    Status status = kOk;
    char attrName[kNameBuffer];
    do {
        int serverIndex = -1;
        if (isServer)
            serverIndex = design->servers.FindFirst(Upper(ComponentName(LastComponent(path))));
        status = NWDSRead(context, path.c_str(), 1, 0, attrNameBuf_, &iteration, readBuf_);
        if (status != kOk)
            break;
        std::uint32_t attrCount = 0;
        status = NWDSGetAttrCount(context, readBuf_, &attrCount);
        for (std::uint32_t a = 0; status == kOk && a < attrCount; ++a) {
            std::uint32_t valueCount = 0, syntax = 0;
            status = NWDSGetAttrName(context, readBuf_, attrName, &valueCount, &syntax);
            for (std::uint32_t v = 0; status == kOk && v < valueCount; ++v) {
                std::size_t size = 0;
                status = NWDSComputeAttrValSize(context, readBuf_, syntax, &size);
                if (status != kOk)
                    break;
                if (size > value.size() || value.empty()) {
                    try {
                        value.assign(std::max<std::size_t>(size, 1), 0);
                    } catch (const std::bad_alloc&) {
                        status = kStatusNoMemory;
                        break;
                    }
                }
                status = NWDSGetAttrVal(context, readBuf_, syntax, value.data());
                if (status != kOk)
                    break;
                const std::uint8_t* rec = value.data();
                // A value whose size does not fit its syntax's record is ignored.
                bool fits = true;
                if (syntax == kSyntaxInteger) {
                    fits = size == 4;
                } else if (syntax == kSyntaxNetAddress) {
                    fits = size >= kNetAddressFixed;
                    if (fits) {
                        std::uint32_t type = ReadU32(rec, 0), at = ReadU32(rec, 8);
                        std::size_t need = type == kAddressIpx ? 4 : type == kAddressIp ? 6 : 0;
                        fits = at <= size && size - at >= need;
                    }
                } else if (syntax == kSyntaxReplicaPointer) {
                    fits = size > kReplicaFixed;
                    if (fits) {
                        std::uint32_t at = ReadU32(rec, 0);
                        fits = at < size && std::memchr(rec + at, 0, size - at) != nullptr;
                    }
                }
                if (!fits) {
                    CountedError("Value of syntax " + std::to_string(syntax) +
                                 " with unexpected size " + std::to_string(size) +
                                 " ignored for: " + path);
                    continue;
                }
                if (syntax == kSyntaxInteger && isServer)
                    SetServerDSVersion(static_cast<std::int32_t>(ReadU32(rec, 0)), serverIndex);
                else if (syntax == kSyntaxNetAddress && isServer)
                    AddToAddrList(rec, size, serverIndex);
                else if (syntax == kSyntaxReplicaPointer)
                    AddToReplicaList(rec, size);
            }
        }
    } while (status == kOk && iteration != kNoIteration);
    if (status != kOk && iteration != kNoIteration)
        NWDSCloseIteration(context, iteration, kOpRead);
    return status;
}

void NdsSearch::SetServerDSVersion(std::int32_t value, int serverIndex) {
    if (serverIndex < 0 || static_cast<std::size_t>(serverIndex) >= design->attributes.Size())
        return;
    design->attributes.Rename(static_cast<std::size_t>(serverIndex),
                              "DS VERSION:" + std::to_string(value));
}

void NdsSearch::AddToAddrList(const std::uint8_t* value, std::size_t, int serverIndex) {
    TreeDesign& d = *design;
    if (serverIndex < 0 || static_cast<std::size_t>(serverIndex) >= d.attributes.Size())
        return;
    auto index = static_cast<std::size_t>(serverIndex);
    if (verbose)
        Log("AddToAddrList: " + d.servers.Name(index));
    std::uint32_t type = ReadU32(value, 0);
    const std::uint8_t* bytes = value + ReadU32(value, 8);
    ReplicaList& addresses = d.attributes.Entries(index);
    if (type == kAddressIpx) {
        static const char hex[] = "0123456789ABCDEF";
        std::string line = "IPX:";
        for (int i = 0; i < 4; ++i) {
            line += hex[bytes[i] >> 4];
            line += hex[bytes[i] & 15];
        }
        if (addresses.empty())
            addresses.push_back(line);
        else
            addresses[0] = line;
        if (verbose)
            Log("  address: " + line);
    } else if (type == kAddressIp) {
        std::string line = "TCPIP:" + std::to_string(bytes[2]) + "." + std::to_string(bytes[3]) +
                           "." + std::to_string(bytes[4]) + "." + std::to_string(bytes[5]);
        addresses.push_back(line);
        if (verbose)
            Log("  address: " + line);
    }
}

void NdsSearch::AddToServerList(const std::string& serverName) {
    TreeDesign& d = *design;
    if (verbose)
        Log("AddToServerList: " + serverName);
    std::string rest = serverName.rfind("\\T=", 0) == 0
                           ? AfterFirstEquals(serverName)
                           : serverName.substr(serverName.empty() ? 0 : 1);
    std::size_t slash = rest.find('\\');
    if (slash == std::string::npos)
        return;
    ObjectNode* node = FindOrAddTreeNode(rest.substr(slash + 1));
    d.SetClassIndex(node, kClassServer);
    if (d.servers.FindFirst(Upper(node->Name())) < 0) {
        d.servers.Append(node->Name());
        d.attributes.Append("DS VERSION:0", {"IPX:00000000"});
    }
}

void NdsSearch::AddToReplicaList(const std::uint8_t* value, std::size_t) {
    TreeDesign& d = *design;
    const std::string server(reinterpret_cast<const char*>(value + ReadU32(value, 0)));
    std::uint32_t type = ReadU32(value, 4);
    std::string rest = server.rfind("\\T=", 0) == 0 ? AfterFirstEquals(server)
                                                    : server.substr(server.empty() ? 0 : 1);
    std::size_t slash = rest.find('\\');
    if (slash == std::string::npos)
        return;
    ObjectNode* node = FindOrAddTreeNode(rest.substr(slash + 1));
    d.SetClassIndex(node, kClassServer);
    if (verbose)
        Log("AddToReplicaList: " +
            (d.partitions.Empty() ? std::string() : d.partitions.Name(d.partitions.Size() - 1)));
    // Sub-references are not recorded, nor types that have no marker.
    if (type != static_cast<std::uint32_t>(ReplicaType::SubRef) && !Marker(type).empty() &&
        !d.partitions.Empty())
        d.partitions.Entries(d.partitions.Size() - 1)
            .push_back(MakeReplicaEntry(node->Name(), Marker(type)));
    AddToServerList(server);
}

void NdsSearch::AddPartitionRoot(const std::string& path) {
    TreeDesign& d = *design;
    std::string relative = StripTreeName(path);
    ObjectNode* node = relative == kRootName ? d.Root() : FindOrAddTreeNode(relative);
    d.SetPartitionMark(node, kPartitionRootMark);
    d.partitions.Append(d.FullContext(node));
}

void NdsSearch::AddObjectEntry(const std::string& className, const std::string& name,
                               bool isContainer) {
    TreeDesign& d = *design;
    int classIndex = kClassNoDef;
    if (className == "NCP SERVER") {
        classIndex = kClassServer;
    } else {
        for (int i = 0; i <= 95; ++i)
            if (ClassName(i) == className) {
                classIndex = i;
                break;
            }
    }
    d.NoteClass(classIndex);
    std::string shortName = ComponentName(name);
    d.AppendLeaf(current_, MakeLeafEntry(shortName, classIndex));
    if (isContainer || classIndex == kClassServer) {
        ObjectNode* child = nullptr;
        for (std::size_t i = 0; i < current_->ChildCount() && !child; ++i)
            if (current_->Child(i)->Name() == shortName)
                child = current_->Child(i);
        if (!child)
            child = d.AddChild(current_, shortName, classIndex, kNoPartitionMark);
        d.SetClassIndex(child, classIndex);
    }
}

ObjectNode* NdsSearch::FindOrAddTreeNode(const std::string& relative) {
    TreeDesign& d = *design;
    ObjectNode* node = d.Root();
    // The components are split where the path separates them, never inside a value.
    for (std::string_view component : SplitPath(relative)) {
        std::string part = Upper(ComponentName(component).substr(0, kMaxPath));
        ObjectNode* child = nullptr;
        for (std::size_t i = 0; i < node->ChildCount() && !child; ++i)
            if (node->Child(i)->Name() == part)
                child = node->Child(i);
        if (!child)
            child = d.AddChild(node, part, kClassNoDef, kNoPartitionMark);
        node = child;
    }
    return node;
}

std::string NdsSearch::StripTreeName(const std::string& path) {
    std::string rest = AfterFirstEquals(path);
    std::size_t slash = rest.find('\\');
    if (slash == std::string::npos)
        return kRootName;
    return rest.substr(slash + 1);
}

std::string NdsSearch::ElapsedText(double seconds) {
    if (seconds < 0)
        seconds += 86400;
    auto total = static_cast<long long>(seconds);
    auto two = [](long long v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return two(total / 3600) + ":" + two(total / 60 % 60) + ":" + two(total % 60);
}

void NdsSearch::UpdateSearchDisplay() {
    TreeDesign& d = *design;
    fields.totalPartitions = std::to_string(d.partitions.Size());
    fields.totalServers = std::to_string(d.servers.Size());
    fields.errors = std::to_string(errorCount);
    fields.totalObjects = std::to_string(objectCount);
    if (!containerList.empty())
        fields.context = containerList.front().path;
    fields.contextHint = fields.context;
    if (fields.treeName.empty() && fields.context.size() > 3) {
        std::string rest = fields.context.substr(3);
        std::size_t slash = rest.find('\\');
        if (slash != std::string::npos)
            fields.treeName = rest.substr(0, slash);
    }
    if (fields.context.size() > 35)
        fields.context = "..." + fields.context.substr(fields.context.size() - 36);
    fields.elapsed = ElapsedText(clock() - startTime);
    display_.FieldsChanged(fields);
}

Status NdsSearch::AddToContainerList(const std::string& path, bool isPartition) {
    if (!containerList.empty() && containerList.back().path == path)
        return kOk;
    try {
        containerList.push_back({path, isPartition});
    } catch (const std::bad_alloc&) {
        return kStatusNoMemory;
    }
    return kOk;
}

// ---- the design window's part ----

bool RunSearchWithoutWindow(NdsSearch& search) {
    search.FormShow();
    search.Timer1Timer();
    bool ok = !search.abort;
    search.FormClose();
    return ok;
}

bool DiscoverTree(TreeDesign& design, NdsSearch& search, DiscoveryHost& host) {
    Interaction& ui = design.ui();
    design.partitions.Clear();
    design.servers.Clear();
    design.attributes.Clear();
    design.ClearTree();

    if (search.InitNDSContext() != kOk)
        return false;
    std::vector<std::string> trees;
    Status status = search.ScanTreeConnections(trees);
    if (status != kOk) {
        ui.Information("Unable to scan for tree connections.  Error: " + std::to_string(status));
        search.FreeNDSContext();
        return false;
    }
    if (trees.empty()) {
        ui.Information("There are no current NDS Tree connections.");
        search.FreeNDSContext();
        return false;
    }
    std::string chosen;
    bool verbose = search.verbose;
    if (!host.ChooseTree(trees, chosen, verbose)) {
        search.FreeNDSContext();
        return false;
    }
    search.treeName = chosen.substr(0, kMaxTreeName);
    search.design = &design;
    search.verbose = verbose;
    bool closedByOk = host.RunSearch(search);
    if (!closedByOk || search.result != 0) {
        if (!ui.AskYesNo("The NDS Search was cancelled or was unsuccessful.\rHowever, there could "
                         "be some servers and partitions\rthat can still be displayed.  Error "
                         "code: " +
                         std::to_string(search.result) + "\r" +
                         "Would you like to try to view them?"))
            return false;
    }
    for (std::size_t p = 0; p < design.partitions.Size(); ++p) {
        for (const std::string& entry : design.partitions.Entries(p)) {
            std::string name = Upper(std::string(EntryName(entry)));
            int s = design.servers.FindFirst(name);
            if (s >= 0)
                design.servers.Entries(static_cast<std::size_t>(s))
                    .push_back(design.partitions.Name(p) + std::string(EntryType(entry)));
        }
    }
    design.view().RefreshTreePage();
    // The design read is a change of the whole design.
    design.MarkChanged();
    return true;
}

} // namespace qv
