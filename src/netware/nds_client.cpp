// The client layer: contexts, buffers and iterations over a directory backend.
#include "netware/nds_client.h"

#include "netware/directory_backend.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace qv::nds {

struct Buffer {
    std::size_t size = 0;
    std::uint32_t operation = 0;
    // Attribute-name buffer (operation 3 before a read).
    std::vector<std::string> attrNames;
    // Output: the bytes of one chunk and the read position.
    std::vector<std::uint8_t> data;
    std::size_t cursor = 0;
    // Output state: objects left in a listing chunk, attributes and values
    // left in an attribute chunk.
    std::uint32_t objectsLeft = 0;
    std::uint32_t attrsLeft = 0;
    std::uint32_t valuesLeft = 0;
    std::uint32_t syntax = 0;
    std::size_t pendingSize = 0;
    bool sizeKnown = false;
};

namespace {

enum Call {
    kInit,
    kLocaleLoad,
    kCreateContext,
    kGetContext,
    kSetContext,
    kScanTrees,
    kAllocBuf,
    kInitBuf,
    kPutAttrName,
    kSetPreferredTree,
    kList,
    kGetObjectCount,
    kGetObjectName,
    kRead,
    kGetAttrCount,
    kGetAttrName,
    kValueSize,
    kGetValue,
    kCallCount
};

struct Iteration {
    std::uint32_t operation = 0;
    // A listing: the part of it received and not yet handed out, whether
    // the directory has sent all of it, and the container listed.
    std::vector<ListedObject> objects;
    bool complete = true;
    std::string path;
    std::vector<AttributeValues> attrs;
    std::size_t next = 0;      // next object, or next attribute
    std::size_t nextValue = 0; // next value of attribute next
};

struct Context {
    std::uint32_t flags = 0x0004;
    std::uint32_t nameForm = 0;
    std::string tree;
    std::unique_ptr<DirectoryBackend> backend;
    std::map<IterationHandle, Iteration> iterations;
    IterationHandle nextIteration = 1;
};

struct State {
    std::vector<TreeConnection> connections;
    std::string preferred;
    std::map<ContextHandle, std::unique_ptr<Context>> contexts;
    ContextHandle nextContext = 1;
    std::set<Buffer*> buffers;
    bool tablesLoaded = false;
    std::uint64_t uses[kCallCount] = {};
    std::map<std::uint64_t, Status> faults[kCallCount];
    std::map<std::uint64_t, std::size_t> sizeOverrides;
    // What the directory said when the last context creation failed.
    std::string creationWords;
};

State& S() {
    static State state;
    return state;
}

// Counts the use of the call; a non-zero result is the injected status.
Status Use(Call call) {
    State& s = S();
    std::uint64_t n = ++s.uses[call];
    auto it = s.faults[call].find(n);
    return it == s.faults[call].end() ? kOk : it->second;
}

Context* Find(ContextHandle h) {
    auto it = S().contexts.find(h);
    return it == S().contexts.end() ? nullptr : it->second.get();
}

bool ValidBuffer(Buffer* b) {
    return b && S().buffers.count(b);
}

void PutU32(std::vector<std::uint8_t>& d, std::uint32_t v) {
    std::uint8_t b[4];
    WriteU32(b, 0, v);
    d.insert(d.end(), b, b + 4);
}

void PutText(std::vector<std::uint8_t>& d, const std::string& t) {
    PutU32(d, static_cast<std::uint32_t>(t.size() + 1));
    d.insert(d.end(), t.begin(), t.end());
    d.push_back(0);
}

bool Take(Buffer* b, std::size_t n) {
    return b->cursor + n <= b->data.size();
}

std::uint32_t TakeU32(Buffer* b) {
    std::uint32_t v = ReadU32(b->data.data(), b->cursor);
    b->cursor += 4;
    return v;
}

// Size of one listed object in a listing chunk.
std::size_t ObjectBytes(const ListedObject& o) {
    return 4 + o.name.size() + 1 + 4 + sizeof(ObjectInfo);
}

void ResetOutput(Buffer* b) {
    b->data.clear();
    b->cursor = 0;
    b->objectsLeft = b->attrsLeft = b->valuesLeft = 0;
    b->sizeKnown = false;
}

// The iteration a listing or read call continues, or (with the all-ones
// handle) a new one of that operation that start fills. *out is null on error.
template <typename Start>
Status BeginOrContinue(Context* c, IterationHandle* iteration, std::uint32_t operation, Start start,
                       Iteration** out) {
    *out = nullptr;
    if (*iteration == kNoIteration) {
        Iteration fresh;
        fresh.operation = operation;
        if (Status s = start(fresh))
            return s;
        IterationHandle h = c->nextIteration++;
        if (c->nextIteration == kNoIteration)
            c->nextIteration = 1;
        *out = &(c->iterations[h] = std::move(fresh));
        *iteration = h;
        return 0;
    }
    auto found = c->iterations.find(*iteration);
    if (found == c->iterations.end() || found->second.operation != operation)
        return kErrInvalidIteration;
    *out = &found->second;
    return 0;
}

void EndIteration(Context* c, IterationHandle* h, bool complete) {
    if (complete) {
        c->iterations.erase(*h);
        *h = kNoIteration;
    }
}

} // namespace

// ---- configuration ----
void SetTreeConnections(std::vector<TreeConnection> connections, std::string preferred) {
    S().connections = std::move(connections);
    S().preferred = std::move(preferred);
}

const std::vector<TreeConnection>& TreeConnections() {
    return S().connections;
}

std::string PreferredTree() {
    const State& s = S();
    if (!s.preferred.empty())
        return s.preferred;
    return s.connections.empty() ? std::string() : s.connections.front().name;
}

const std::vector<std::string>& FaultableCalls() {
    static const std::vector<std::string> names = {"init",
                                                   "locale-load",
                                                   "create-context",
                                                   "get-context",
                                                   "set-context",
                                                   "scan-trees",
                                                   "alloc-buf",
                                                   "init-buf",
                                                   "put-attr-name",
                                                   "set-preferred-tree",
                                                   "list",
                                                   "get-object-count",
                                                   "get-object-name",
                                                   "read",
                                                   "get-attr-count",
                                                   "get-attr-name",
                                                   "value-size",
                                                   "get-value"};
    return names;
}

bool AddFault(const std::string& call, std::uint64_t nth, Status status) {
    const auto& names = FaultableCalls();
    auto it = std::find(names.begin(), names.end(), call);
    if (it == names.end() || nth == 0)
        return false;
    S().faults[it - names.begin()][nth] = status;
    return true;
}

bool AddFaultFromText(const std::string& text) {
    std::size_t a = text.find(':');
    std::size_t b = a == std::string::npos ? a : text.find(':', a + 1);
    if (b == std::string::npos)
        return false;
    std::uint64_t n = 0;
    Status st = 0;
    const char* p = text.data();
    auto r1 = std::from_chars(p + a + 1, p + b, n);
    auto r2 = std::from_chars(p + b + 1, p + text.size(), st);
    if (r1.ec != std::errc() || r1.ptr != p + b || r2.ec != std::errc() ||
        r2.ptr != p + text.size() || b + 1 == text.size())
        return false;
    return AddFault(text.substr(0, a), n, st);
}

void AddValueSizeOverride(std::uint64_t nth, std::size_t size) {
    S().sizeOverrides[nth] = size;
}

void ClearFaults() {
    State& s = S();
    for (int i = 0; i < kCallCount; ++i) {
        s.uses[i] = 0;
        s.faults[i].clear();
    }
    s.sizeOverrides.clear();
}

std::size_t OpenResourceCount() {
    std::size_t n = S().contexts.size() + S().buffers.size() + (S().tablesLoaded ? 1 : 0);
    for (auto& [h, c] : S().contexts)
        n += c->iterations.size();
    return n;
}

// ---- the calls ----
Status NWCallsInit(void*, void*) {
    return Use(kInit);
}

Status NWLocaleQuery(LocaleRecord* record) {
    if (!record)
        return kErrInvalidRequest;
    std::memset(record->bytes, 0, sizeof record->bytes);
    WriteU32(record->bytes, kLocaleCountryOffset, 1);
    WriteU32(record->bytes, kLocaleCodePageOffset, 437);
    return kOk;
}

Status NWInitUnicodeTables(std::uint32_t codePage, std::uint32_t country) {
    if (Status s = Use(kLocaleLoad))
        return s;
    if (codePage == 0 || country == 0)
        return kErrInvalidRequest;
    S().tablesLoaded = true;
    return kOk;
}

Status NWFreeUnicodeTables() {
    S().tablesLoaded = false;
    return kOk;
}

Status NWDSCreateContextHandle(ContextHandle* context) {
    if (Status s = Use(kCreateContext))
        return s;
    if (!context)
        return kErrInvalidRequest;
    S().creationWords.clear();
    std::string tree = PreferredTree();
    const TreeConnection* conn = nullptr;
    for (const TreeConnection& c : S().connections)
        if (c.name == tree)
            conn = &c;
    if (!conn && !S().connections.empty())
        return kErrNoSuchTree;
    auto ctx = std::make_unique<Context>();
    // Without any tree connection the context is bound to no tree: the tree
    // scan finds none, and the directory calls answer "no such tree".
    if (conn) {
        ctx->tree = conn->name;
        if (Status s = OpenBackend(*conn, ctx->backend, S().creationWords))
            return s;
    }
    ContextHandle h = S().nextContext++;
    if (S().nextContext == kNoContext)
        S().nextContext = 1;
    S().contexts[h] = std::move(ctx);
    *context = h;
    return kOk;
}

Status NWDSGetContext(ContextHandle context, std::uint32_t key, void* value) {
    if (Status s = Use(kGetContext))
        return s;
    Context* c = Find(context);
    if (!c)
        return kErrBadContext;
    if (!value)
        return kErrInvalidRequest;
    switch (key) {
    case kKeyFlags:
        WriteU32(value, 0, c->flags);
        return kOk;
    case kKeyNameForm:
        WriteU32(value, 0, c->nameForm);
        return kOk;
    case kKeyTreeName: {
        std::size_t n = std::min(c->tree.size(), kNameBuffer - 1);
        std::memcpy(value, c->tree.data(), n);
        static_cast<char*>(value)[n] = '\0';
        return kOk;
    }
    default:
        return kErrInvalidRequest;
    }
}

Status NWDSSetContext(ContextHandle context, std::uint32_t key, const void* value) {
    if (Status s = Use(kSetContext))
        return s;
    Context* c = Find(context);
    if (!c)
        return kErrBadContext;
    if (!value)
        return kErrInvalidRequest;
    if (key == kKeyFlags)
        c->flags = ReadU32(value, 0);
    else if (key == kKeyNameForm)
        c->nameForm = ReadU32(value, 0);
    else
        return kErrInvalidRequest;
    return kOk;
}

Status NWDSFreeContext(ContextHandle context) {
    return S().contexts.erase(context) ? kOk : kErrBadContext;
}

Status NWDSScanConnsForTrees(ContextHandle context, std::uint32_t capacity, std::uint32_t* count,
                             char** names) {
    if (Status s = Use(kScanTrees))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!count || (capacity > 0 && !names))
        return kErrInvalidRequest;
    const auto& conns = S().connections;
    if (capacity == 0) {
        *count = static_cast<std::uint32_t>(conns.size());
        return kOk;
    }
    std::uint32_t n = std::min<std::uint32_t>(capacity, static_cast<std::uint32_t>(conns.size()));
    for (std::uint32_t i = 0; i < n; ++i) {
        std::size_t len = std::min(conns[i].name.size(), kMaxTreeName);
        std::memcpy(names[i], conns[i].name.data(), len);
        names[i][len] = '\0';
    }
    *count = n;
    return kOk;
}

Status NWDSAllocBuf(std::size_t size, Buffer** buffer) {
    if (Status s = Use(kAllocBuf))
        return s;
    if (!buffer || size < 64)
        return kErrInvalidRequest;
    auto* b = new Buffer;
    b->size = size;
    b->data.reserve(size);
    S().buffers.insert(b);
    *buffer = b;
    return kOk;
}

Status NWDSInitBuf(ContextHandle context, std::uint32_t operation, Buffer* buffer) {
    if (Status s = Use(kInitBuf))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer))
        return kErrInvalidRequest;
    buffer->operation = operation;
    buffer->attrNames.clear();
    ResetOutput(buffer);
    return kOk;
}

Status NWDSPutAttrName(ContextHandle context, Buffer* buffer, const char* name) {
    if (Status s = Use(kPutAttrName))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !name || buffer->operation != kOpRead)
        return kErrInvalidRequest;
    std::size_t used = 4;
    for (const std::string& n : buffer->attrNames)
        used += 4 + n.size() + 1;
    if (used + 4 + std::strlen(name) + 1 > buffer->size)
        return kErrInsufficientBuffer;
    buffer->attrNames.emplace_back(name);
    return kOk;
}

Status NWDSSetPreferredDSTree(std::uint32_t length, const char* treeName) {
    if (Status s = Use(kSetPreferredTree))
        return s;
    if (!treeName || length > kMaxTreeName)
        return kErrInvalidRequest;
    S().preferred.assign(treeName, length);
    return kOk;
}

Status NWDSList(ContextHandle context, const char* objectPath, IterationHandle* iteration,
                Buffer* out) {
    if (Status s = Use(kList))
        return s;
    Context* c = Find(context);
    if (!c)
        return kErrBadContext;
    if (!objectPath || !iteration || !ValidBuffer(out))
        return kErrInvalidRequest;
    Iteration* it = nullptr;
    if (Status s = BeginOrContinue(
            c, iteration, kOpList,
            [&](Iteration& fresh) {
                fresh.path = objectPath;
                if (!c->backend)
                    return kErrNoSuchTree;
                return c->backend->ListPart(fresh.path, true, fresh.objects, fresh.complete);
            },
            &it))
        return s;
    ResetOutput(out);
    PutU32(out->data, 0);
    std::uint32_t n = 0;
    while (true) {
        if (it->next >= it->objects.size()) {
            if (it->complete)
                break;
            // The part received is handed out: wait for the next one.
            it->objects.clear();
            it->next = 0;
            if (Status s = c->backend->ListPart(it->path, false, it->objects, it->complete)) {
                c->iterations.erase(*iteration);
                *iteration = kNoIteration;
                return s;
            }
            // Nothing more has come yet: the chunk goes back as it is (perhaps
            // empty), so that the caller stays live while the directory sends.
            if (it->objects.empty() && !it->complete)
                break;
            continue;
        }
        const ListedObject& o = it->objects[it->next];
        if (out->data.size() + ObjectBytes(o) > out->size) {
            if (n == 0) {
                // An object that does not fit an empty buffer cannot be listed.
                c->iterations.erase(*iteration);
                *iteration = kNoIteration;
                return kErrInsufficientBuffer;
            }
            break;
        }
        PutText(out->data, o.name);
        PutU32(out->data, 0);
        ObjectInfo info{};
        info.flags = o.flags;
        std::size_t len = std::min(o.baseClass.size(), sizeof info.baseClass - 1);
        std::memcpy(info.baseClass, o.baseClass.data(), len);
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&info);
        out->data.insert(out->data.end(), raw, raw + sizeof info);
        ++n;
        ++it->next;
    }
    WriteU32(out->data.data(), 0, n);
    out->objectsLeft = n;
    out->cursor = 0;
    EndIteration(c, iteration, it->next >= it->objects.size() && it->complete);
    return kOk;
}

Status NWDSGetObjectCount(ContextHandle context, Buffer* buffer, std::uint32_t* count) {
    if (Status s = Use(kGetObjectCount))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !count || !Take(buffer, 4) || buffer->cursor != 0)
        return kErrInvalidRequest;
    *count = TakeU32(buffer);
    return kOk;
}

Status NWDSGetObjectName(ContextHandle context, Buffer* buffer, char* name,
                         std::uint32_t* attrCount, ObjectInfo* info) {
    if (Status s = Use(kGetObjectName))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !name || !attrCount || !info)
        return kErrInvalidRequest;
    if (buffer->cursor == 0 && Take(buffer, 4))
        buffer->cursor = 4;
    if (buffer->objectsLeft == 0 || !Take(buffer, 4))
        return kErrInvalidRequest;
    std::uint32_t len = TakeU32(buffer);
    if (len == 0 || !Take(buffer, len + 4 + sizeof(ObjectInfo)))
        return kErrInvalidRequest;
    const char* text = reinterpret_cast<const char*>(buffer->data.data() + buffer->cursor);
    std::size_t copy = std::min<std::size_t>(len - 1, kNameBuffer - 1);
    std::memcpy(name, text, copy);
    name[copy] = '\0';
    buffer->cursor += len;
    *attrCount = TakeU32(buffer);
    std::memcpy(info, buffer->data.data() + buffer->cursor, sizeof(ObjectInfo));
    buffer->cursor += sizeof(ObjectInfo);
    --buffer->objectsLeft;
    // The name is handed out cut to the buffer, with a status that says so.
    return len - 1 > kNameBuffer - 1 ? kErrNameTooLong : kOk;
}

Status NWDSRead(ContextHandle context, const char* objectPath, std::uint32_t infoType,
                std::uint32_t allAttrs, Buffer* attrNames, IterationHandle* iteration,
                Buffer* out) {
    if (Status s = Use(kRead))
        return s;
    Context* c = Find(context);
    if (!c)
        return kErrBadContext;
    if (!objectPath || !iteration || !ValidBuffer(out) || infoType != 1 || allAttrs != 0 ||
        !ValidBuffer(attrNames) || attrNames->operation != kOpRead)
        return kErrInvalidRequest;
    Iteration* it = nullptr;
    if (Status s = BeginOrContinue(
            c, iteration, kOpRead,
            [&](Iteration& fresh) {
                if (!c->backend)
                    return kErrNoSuchTree;
                return c->backend->Read(objectPath, attrNames->attrNames, fresh.attrs);
            },
            &it))
        return s;
    ResetOutput(out);
    PutU32(out->data, 0);
    std::uint32_t attrs = 0;
    while (it->next < it->attrs.size()) {
        const AttributeValues& av = it->attrs[it->next];
        std::size_t header = 4 + av.name.size() + 1 + 8;
        if (out->data.size() + header + 4 + av.records[it->nextValue].size() > out->size)
            break;
        PutText(out->data, av.name);
        PutU32(out->data, av.syntax);
        std::size_t countAt = out->data.size();
        PutU32(out->data, 0);
        std::uint32_t values = 0;
        while (it->nextValue < av.records.size() &&
               out->data.size() + 4 + av.records[it->nextValue].size() <= out->size) {
            const std::string& r = av.records[it->nextValue];
            PutU32(out->data, static_cast<std::uint32_t>(r.size()));
            out->data.insert(out->data.end(), r.begin(), r.end());
            ++values;
            ++it->nextValue;
        }
        WriteU32(out->data.data(), countAt, values);
        ++attrs;
        if (it->nextValue < av.records.size())
            break;
        ++it->next;
        it->nextValue = 0;
    }
    if (attrs == 0 && it->next < it->attrs.size()) {
        c->iterations.erase(*iteration);
        *iteration = kNoIteration;
        return kErrInsufficientBuffer;
    }
    WriteU32(out->data.data(), 0, attrs);
    out->attrsLeft = attrs;
    EndIteration(c, iteration, it->next >= it->attrs.size());
    return kOk;
}

Status NWDSGetAttrCount(ContextHandle context, Buffer* buffer, std::uint32_t* count) {
    if (Status s = Use(kGetAttrCount))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !count || buffer->cursor != 0 || !Take(buffer, 4))
        return kErrInvalidRequest;
    *count = TakeU32(buffer);
    return kOk;
}

Status NWDSGetAttrName(ContextHandle context, Buffer* buffer, char* name, std::uint32_t* valueCount,
                       std::uint32_t* syntax) {
    if (Status s = Use(kGetAttrName))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !name || !valueCount || !syntax)
        return kErrInvalidRequest;
    if (buffer->cursor == 0 && Take(buffer, 4))
        buffer->cursor = 4;
    // Values of the previous attribute that were not taken are stepped over.
    while (buffer->valuesLeft > 0 && Take(buffer, 4)) {
        std::uint32_t n = TakeU32(buffer);
        buffer->cursor = std::min(buffer->cursor + n, buffer->data.size());
        --buffer->valuesLeft;
    }
    if (buffer->attrsLeft == 0 || !Take(buffer, 4))
        return kErrInvalidRequest;
    std::uint32_t len = TakeU32(buffer);
    if (len == 0 || !Take(buffer, len + 8))
        return kErrInvalidRequest;
    std::size_t copy = std::min<std::size_t>(len - 1, kNameBuffer - 1);
    std::memcpy(name, buffer->data.data() + buffer->cursor, copy);
    name[copy] = '\0';
    buffer->cursor += len;
    buffer->syntax = *syntax = TakeU32(buffer);
    buffer->valuesLeft = *valueCount = TakeU32(buffer);
    buffer->sizeKnown = false;
    --buffer->attrsLeft;
    return kOk;
}

Status NWDSComputeAttrValSize(ContextHandle context, Buffer* buffer, std::uint32_t syntax,
                              std::size_t* size) {
    if (Status s = Use(kValueSize))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !size || buffer->valuesLeft == 0 || syntax != buffer->syntax ||
        !Take(buffer, 4))
        return kErrInvalidRequest;
    buffer->pendingSize = ReadU32(buffer->data.data(), buffer->cursor);
    buffer->sizeKnown = true;
    *size = buffer->pendingSize;
    auto o = S().sizeOverrides.find(S().uses[kValueSize]);
    if (o != S().sizeOverrides.end())
        buffer->pendingSize = o->second;
    *size = buffer->pendingSize;
    return kOk;
}

Status NWDSGetAttrVal(ContextHandle context, Buffer* buffer, std::uint32_t syntax, void* value) {
    if (Status s = Use(kGetValue))
        return s;
    if (!Find(context))
        return kErrBadContext;
    if (!ValidBuffer(buffer) || !value || buffer->valuesLeft == 0 || syntax != buffer->syntax ||
        !Take(buffer, 4))
        return kErrInvalidRequest;
    std::uint32_t n = TakeU32(buffer);
    if (!Take(buffer, n))
        return kErrInvalidRequest;
    // Never more than the size call reported: that is what the caller allocated.
    std::memcpy(value, buffer->data.data() + buffer->cursor,
                buffer->sizeKnown ? std::min<std::size_t>(n, buffer->pendingSize) : n);
    buffer->cursor += n;
    --buffer->valuesLeft;
    buffer->sizeKnown = false;
    return kOk;
}

Status NWDSCloseIteration(ContextHandle context, IterationHandle iteration,
                          std::uint32_t operation) {
    Context* c = Find(context);
    if (!c)
        return kErrBadContext;
    auto it = c->iterations.find(iteration);
    if (it == c->iterations.end() || it->second.operation != operation)
        return kErrInvalidIteration;
    c->iterations.erase(it);
    return kOk;
}

DirectoryReport TakeDirectoryReport(ContextHandle context) {
    DirectoryReport report;
    Context* c = Find(context);
    if (!c || !c->backend)
        return report;
    DirectoryBackend::Report r;
    c->backend->TakeReport(r);
    for (DirectoryBackend::Note& n : r.notes)
        report.notes.push_back({std::move(n.text), n.error});
    report.words = std::move(r.words);
    report.fatal = std::move(r.fatal);
    return report;
}

std::string ContextCreationWords() {
    return S().creationWords;
}

Status NWDSFreeBuf(Buffer* buffer) {
    if (!ValidBuffer(buffer))
        return kErrInvalidRequest;
    S().buffers.erase(buffer);
    delete buffer;
    return kOk;
}

} // namespace qv::nds
