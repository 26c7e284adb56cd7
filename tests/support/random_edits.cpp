#include "support/random_edits.h"

#include "core/replica_vocabulary.h"
#include "edit/containment.h"
#include "edit/design_compare.h"
#include "edit/design_matching.h"
#include "edit/edit_script.h"
#include "edit/object_operations.h"
#include "edit/partition_operations.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace qv {

namespace {

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return n ? static_cast<std::size_t>(Next() % n) : 0; }
    template <typename T> std::optional<T> Pick(const std::vector<T>& v) {
        if (v.empty())
            return std::nullopt;
        return v[Below(v.size())];
    }

private:
    std::uint64_t state_;
};

// The script words of the replica types a script can name, in the
// vocabulary's order; add-replica's dialog never offers the master.
std::vector<std::string> TypeWords(bool withMaster) {
    std::vector<std::string> words;
    for (const ReplicaTypeNames& t : kReplicaTypes)
        if (t.scriptWord && (withMaster || t.type != ReplicaType::Master))
            words.emplace_back(t.scriptWord);
    return words;
}

class EditMaker {
public:
    EditMaker(TreeDesign& design, std::uint64_t seed) : d_(design), rng_(seed), seed_(seed) {}

    std::string Make(int count) {
        int made = 0;
        for (int attempt = 0; made < count && attempt < count * 30; ++attempt)
            if (std::optional<std::vector<std::string>> args = Candidate())
                if (Run(*args))
                    ++made;
        return script_;
    }

private:
    bool Run(const std::vector<std::string>& args) {
        std::string line;
        for (const std::string& a : args) {
            std::string q;
            if (!QuoteScriptArgument(a, q))
                return false;
            line += (line.empty() ? "" : " ") + q;
        }
        ScriptLine parsed;
        parsed.number = 1;
        parsed.args = args;
        if (RunEditScript(d_, {parsed}, nullptr))
            return false;
        script_ += line + "\n";
        return true;
    }

    std::string NewName() {
        return "R" + std::to_string(seed_ % 1000) + "X" + std::to_string(++names_);
    }
    std::string Ctx(const ObjectNode* n) { return d_.FullContext(n); }

    // Partition roots, containers and servers of the tree as it is now.
    void Survey() {
        nodes_ = PreOrderNodes(d_.Root());
        containers_.clear();
        servers_.clear();
        partitions_.clear();
        for (ObjectNode* n : nodes_) {
            if (ContainerClasses().Contains(n->ClassIndex()))
                containers_.push_back(n);
            if (n->ClassIndex() == kClassServer)
                servers_.push_back(n);
            if (n->IsPartitionRoot())
                partitions_.push_back(n);
        }
    }

    std::optional<std::string> RandomPlainLeaf(ObjectNode* container) {
        std::vector<const std::string*> leaves = PlainLeafEntries(container);
        std::vector<std::string> plain;
        for (const std::string* e : leaves)
            if (!NodeClasses().Contains(static_cast<int>(LeafClassIndex(*e))))
                plain.emplace_back(LeafName(*e));
        return rng_.Pick(plain);
    }

    // The type word of an add-replica (no master) or a change-type.
    const std::string& DrawTypeWord(bool withMaster) {
        static const std::vector<std::string> kAdd = TypeWords(false);
        static const std::vector<std::string> kChange = TypeWords(true);
        const std::vector<std::string>& words = withMaster ? kChange : kAdd;
        return words[rng_.Below(words.size())];
    }

    using Edit = std::optional<std::vector<std::string>>;

    // One edit drawn at random among the kinds of operation; nullopt when the
    // design offers nothing for the kind drawn.
    Edit Candidate() {
        Survey();
        switch (rng_.Below(18)) {
        case 0:
            return CreateIn(kClassOrgUnit);
        case 1:
            return CreateLeafObject();
        case 2:
            return CreateIn(kClassServer);
        case 3:
            return DeleteObject();
        case 4:
            return RenameObject();
        case 5:
        case 6:
            return MoveObject();
        case 7:
            return CreatePartition();
        case 8:
            return MergePartition();
        case 9:
            return AddReplica();
        case 10:
        case 11:
            return DeleteOrRetypeReplica();
        case 12:
            return DeleteLeaf();
        case 13:
            return MoveLeaf();
        case 14:
            return RenameLeaf();
        default:
            return ServerAttributes();
        }
    }

    // A unit or a server in a container that may hold one.
    Edit CreateIn(int classIndex) {
        std::vector<ObjectNode*> ok;
        for (ObjectNode* c : containers_)
            if (CreateContainmentAllows(c->ClassIndex(), classIndex))
                ok.push_back(c);
        auto c = rng_.Pick(ok);
        if (!c)
            return std::nullopt;
        return std::vector<std::string>{"create-object", Ctx(*c), ClassName(classIndex), NewName()};
    }

    Edit CreateLeafObject() {
        auto c = rng_.Pick(containers_);
        if (!c || !(*c)->Parent())
            return std::nullopt;
        static const int kLeafClasses[] = {kClassUser, ClassIndexOf("GROUP"),
                                           ClassIndexOf("PRINTER")};
        int k = kLeafClasses[rng_.Below(3)];
        return std::vector<std::string>{"create-object", Ctx(*c), ClassName(k), NewName()};
    }

    // An object that can go: a server only when it holds no master and is
    // not the last one.
    Edit DeleteObject() {
        std::vector<ObjectNode*> ok;
        for (ObjectNode* n : nodes_) {
            if (!n->Parent() || !CanDeleteObject(n))
                continue;
            if (n->ClassIndex() == kClassServer) {
                const ReplicaList* l = d_.servers.EntriesOf(n->Name());
                bool master = false;
                if (l)
                    for (const std::string& e : *l)
                        master = master || EntryType(e) == kMaster;
                if (master || d_.servers.Size() < 2)
                    continue;
            }
            ok.push_back(n);
        }
        auto n = rng_.Pick(ok);
        if (!n)
            return std::nullopt;
        return std::vector<std::string>{"delete-object", Ctx(*n)};
    }

    Edit RenameObject() {
        auto n = rng_.Pick(nodes_);
        if (!n || !(*n)->Parent())
            return std::nullopt;
        return std::vector<std::string>{"rename-object", Ctx(*n), NewName()};
    }

    // A partition root or a server into another container that may hold it.
    Edit MoveObject() {
        std::vector<ObjectNode*> movable;
        for (ObjectNode* n : nodes_)
            if (n->Parent() && CanMoveObject(n))
                movable.push_back(n);
        auto n = rng_.Pick(movable);
        if (!n)
            return std::nullopt;
        std::vector<ObjectNode*> to;
        for (ObjectNode* c : containers_)
            if (c != (*n)->Parent() && !(*n)->IsSelfOrAncestorOf(c) &&
                MoveContainmentAllows((*n)->ClassIndex(), c->ClassIndex()))
                to.push_back(c);
        auto t = rng_.Pick(to);
        if (!t)
            return std::nullopt;
        return std::vector<std::string>{"move-object", Ctx(*n), Ctx(*t)};
    }

    Edit CreatePartition() {
        std::vector<ObjectNode*> ok;
        for (ObjectNode* c : containers_)
            if (CanCreatePartition(c))
                ok.push_back(c);
        auto c = rng_.Pick(ok);
        if (!c)
            return std::nullopt;
        return std::vector<std::string>{"create-partition", Ctx(*c)};
    }

    Edit MergePartition() {
        std::vector<ObjectNode*> ok;
        for (ObjectNode* p : partitions_)
            if (CanMergePartition(p))
                ok.push_back(p);
        auto p = rng_.Pick(ok);
        if (!p)
            return std::nullopt;
        return std::vector<std::string>{"merge-partition", Ctx(*p)};
    }

    Edit AddReplica() {
        auto p = rng_.Pick(partitions_);
        auto s = rng_.Pick(servers_);
        if (!p || !s)
            return std::nullopt;
        return std::vector<std::string>{"add-replica", Ctx(*p), (*s)->Name(), DrawTypeWord(false)};
    }

    // A readable replica of a partition deleted, or given another type.
    Edit DeleteOrRetypeReplica() {
        auto p = rng_.Pick(partitions_);
        if (!p)
            return std::nullopt;
        const ReplicaList* list = d_.partitions.EntriesOf(Ctx(*p));
        if (!list)
            return std::nullopt;
        std::vector<std::string> entries;
        for (const std::string& e : *list)
            if (IsReadable(e))
                entries.push_back(e);
        auto e = rng_.Pick(entries);
        if (!e)
            return std::nullopt;
        const std::string server(EntryName(*e));
        if (rng_.Below(2) == 0)
            return std::vector<std::string>{"delete-replica", Ctx(*p), server};
        return std::vector<std::string>{"change-type", Ctx(*p), server, DrawTypeWord(true)};
    }

    Edit DeleteLeaf() {
        auto c = rng_.Pick(containers_);
        if (!c)
            return std::nullopt;
        auto name = RandomPlainLeaf(*c);
        if (!name)
            return std::nullopt;
        return std::vector<std::string>{"delete-leaf", Ctx(*c), *name};
    }

    Edit MoveLeaf() {
        auto c = rng_.Pick(containers_);
        auto t = rng_.Pick(containers_);
        if (!c || !t || *c == *t || !(*t)->Parent())
            return std::nullopt;
        auto name = RandomPlainLeaf(*c);
        if (!name)
            return std::nullopt;
        return std::vector<std::string>{"move-leaf", Ctx(*c), Ctx(*t), *name};
    }

    Edit RenameLeaf() {
        auto c = rng_.Pick(containers_);
        if (!c)
            return std::nullopt;
        auto name = RandomPlainLeaf(*c);
        if (!name)
            return std::nullopt;
        return std::vector<std::string>{"rename-leaf", Ctx(*c), *name, NewName()};
    }

    // A server's DS version, IPX address, or a TCP/IP address added or deleted.
    Edit ServerAttributes() {
        auto s = rng_.Pick(servers_);
        if (!s)
            return std::nullopt;
        char hex[16];
        switch (rng_.Below(4)) {
        case 0:
            return std::vector<std::string>{"set-version", Ctx(*s),
                                            std::to_string(500 + rng_.Below(400))};
        case 1:
            std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(rng_.Next()));
            return std::vector<std::string>{"set-ipx", Ctx(*s), hex};
        case 2:
            return std::vector<std::string>{"add-tcpip", Ctx(*s),
                                            "10.9." + std::to_string(rng_.Below(256)) + "." +
                                                std::to_string(1 + rng_.Below(254))};
        default:
            return DeleteTcpip(*s);
        }
    }

    Edit DeleteTcpip(ObjectNode* s) {
        int at = d_.servers.FindLast(s->Name());
        if (at < 0 || d_.attributes.Size() <= static_cast<std::size_t>(at))
            return std::nullopt;
        std::vector<std::string> tcpip;
        for (const std::string& x : d_.attributes[static_cast<std::size_t>(at)].entries)
            if (x.rfind("TCPIP:", 0) == 0)
                tcpip.push_back(x.substr(6));
        auto x = rng_.Pick(tcpip);
        if (!x)
            return std::nullopt;
        return std::vector<std::string>{"delete-tcpip", Ctx(s), *x};
    }

    TreeDesign& d_;
    Random rng_;
    std::uint64_t seed_;
    int names_ = 0;
    std::string script_;
    std::vector<ObjectNode*> nodes_, containers_, servers_, partitions_;
};

} // namespace

std::string MakeRandomEdits(TreeDesign& design, int count, std::uint64_t seed) {
    return EditMaker(design, seed).Make(count);
}

} // namespace qv
