#include "netware/directory_export.h"

#include "core/class_table.h"
#include "core/replica_vocabulary.h"
#include "netware/directory_backend.h"
#include "netware/ldif_records.h"

#include <unordered_map>

namespace qv::nds {

namespace {

// "attr: value", or "attr:: base64" when the value is not safe as it stands.
void Line(std::ostream& out, const char* attr, std::string_view value) {
    bool safe = !value.empty() && value.front() != ' ' && value.front() != ':' &&
                value.front() != '<' && value.back() != ' ';
    for (char c : value)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\n' || c == '\r' || c == '\0')
            safe = false;
    if (value.empty())
        safe = true;
    if (safe)
        out << attr << ": " << value << "\n";
    else
        out << attr << ":: " << Base64(value) << "\n";
}

// The base class as the directory spells it: "Organizational Unit".
std::string DirectoryClassName(int classIndex) {
    if (classIndex == kClassServer)
        return "NCP Server";
    std::string name = ClassName(classIndex);
    bool start = true;
    for (char& c : name) {
        if (start)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        else
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        start = c == ' ' || c == ':' || c == '-';
    }
    return name;
}

const char* RdnType(int classIndex, bool container) {
    switch (classIndex) {
    case kClassOrganization:
        return "o";
    case kClassOrgUnit:
        return "ou";
    case kClassCountry:
        return "c";
    case kClassLocality:
        return "l";
    default:
        return container ? "ou" : "cn";
    }
}

std::string ReplicaTypeNumber(std::string_view marker) {
    const ReplicaTypeNames* t = ReplicaTypeOfMarker(marker);
    return t ? std::to_string(static_cast<int>(t->type)) : std::string();
}

struct Writer {
    TreeDesign& d;
    std::ostream& out;
    std::unordered_map<const ObjectNode*, std::string> dn;
    std::unordered_map<std::string, const ObjectNode*> serverNode;
    std::unordered_map<std::string, std::size_t> partitionOf;

    std::string ChildDn(const ObjectNode* parent, const char* type, const std::string& name) {
        std::vector<Rdn> rdn = {{type, ModelNameToUtf8(name)}};
        return FormatDn(rdn) + "," + dn[parent];
    }

    void Partition(const ObjectNode* node) {
        if (!node->IsPartitionRoot())
            return;
        auto p = partitionOf.find(d.FullContext(node));
        out << "qvPartitionRoot: TRUE\n";
        if (p == partitionOf.end())
            return;
        int number = 1;
        for (const std::string& e : d.partitions.Entries(p->second)) {
            auto s = serverNode.find(std::string(EntryName(e)));
            std::string type = ReplicaTypeNumber(EntryType(e));
            if (s == serverNode.end() || type.empty() || !dn.count(s->second))
                continue;
            Line(out, "qvReplica", type + "#" + std::to_string(number++) + "#" + dn[s->second]);
        }
    }

    void Server(const std::string& name) {
        int i = d.servers.FindFirst(name);
        if (i < 0 || static_cast<std::size_t>(i) >= d.attributes.Size())
            return;
        auto index = static_cast<std::size_t>(i);
        const std::string& version = d.attributes.Name(index);
        if (version.rfind("DS VERSION:", 0) == 0)
            out << "qvDSRevision: " << version.substr(11) << "\n";
        for (const std::string& a : d.attributes.Entries(index)) {
            if (a.rfind("IPX:", 0) == 0)
                Line(out, "qvNetworkAddress", a);
            else if (a.rfind("TCPIP:", 0) == 0)
                Line(out, "qvNetworkAddress", "IP:" + a.substr(6));
        }
    }

    void Entry(const std::string& entryDn, const std::string& name, int classIndex, bool container,
               const ObjectNode* node, const char* type) {
        out << "\n";
        Line(out, "dn", entryDn);
        out << "objectClass: " << (container ? "qvContainer" : "qvObject") << "\n";
        Line(out, type, ModelNameToUtf8(name));
        Line(out, "qvBaseClass", DirectoryClassName(classIndex));
        if (node)
            Partition(node);
        if (classIndex == kClassServer)
            Server(name);
    }

    // The subordinates of node in leaf-list order, then the child nodes that
    // the leaf list does not name; each container before its own children.
    void Children(const ObjectNode* node) {
        std::vector<const ObjectNode*> pending;
        std::unordered_map<std::string, const ObjectNode*> childByName;
        for (std::size_t i = 0; i < node->ChildCount(); ++i)
            childByName.emplace(node->Child(i)->Name(), node->Child(i));
        std::unordered_map<const ObjectNode*, bool> written;
        if (node->Leaves()) {
            for (const std::string& leaf : *node->Leaves()) {
                std::string name(LeafName(leaf));
                auto c = childByName.find(name);
                if (c != childByName.end() && !written[c->second]) {
                    WriteNode(c->second);
                    written[c->second] = true;
                    pending.push_back(c->second);
                    continue;
                }
                int cls = static_cast<int>(LeafClassIndex(leaf));
                if (cls < 0 || cls >= kClassCount)
                    cls = kClassUnknown;
                Entry(ChildDn(node, RdnType(cls, false), name), name, cls, false, nullptr,
                      RdnType(cls, false));
            }
        }
        for (std::size_t i = 0; i < node->ChildCount(); ++i)
            if (!written[node->Child(i)]) {
                WriteNode(node->Child(i));
                pending.push_back(node->Child(i));
            }
        for (const ObjectNode* c : pending)
            Children(c);
    }

    void WriteNode(const ObjectNode* n) {
        bool container = n->ClassIndex() != kClassServer;
        const char* type = RdnType(n->ClassIndex(), container);
        dn[n] = ChildDn(n->Parent(), type, n->Name());
        Entry(dn[n], n->Name(), n->ClassIndex(), container, n, type);
    }
};

} // namespace

bool WriteDesignLdif(TreeDesign& design, const std::string& treeName, std::ostream& out) {
    Writer w{design, out, {}, {}, {}};
    for (std::size_t i = 0; i < design.partitions.Size(); ++i)
        w.partitionOf.emplace(design.partitions.Name(i), i);
    // Server DNs are known before the first replica names them: they are
    // computed from the tree first.
    design.Walk(design.Root(), [&](ObjectNode* n) {
        if (n->ClassIndex() == kClassServer && !w.serverNode.count(n->Name()))
            w.serverNode.emplace(n->Name(), n);
        return true;
    });
    std::vector<Rdn> root = {{"cn", ModelNameToUtf8(treeName)}};
    w.dn[design.Root()] = FormatDn(root);
    std::function<void(const ObjectNode*)> precompute = [&](const ObjectNode* n) {
        for (std::size_t i = 0; i < n->ChildCount(); ++i) {
            const ObjectNode* c = n->Child(i);
            bool container = c->ClassIndex() != kClassServer;
            w.dn[c] = w.ChildDn(n, RdnType(c->ClassIndex(), container), c->Name());
            precompute(c);
        }
    };
    precompute(design.Root());
    Line(out, "dn", w.dn[design.Root()]);
    out << "objectClass: qvContainer\n";
    Line(out, "cn", ModelNameToUtf8(treeName));
    out << "qvBaseClass: Top\n";
    w.Partition(design.Root());
    w.Children(design.Root());
    out.flush();
    return static_cast<bool>(out);
}

} // namespace qv::nds
