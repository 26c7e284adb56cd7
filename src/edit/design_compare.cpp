#include "edit/design_compare.h"

#include "edit/design_matching.h"
#include "files/design_file.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace qv {

// ---------------------------------------------------------------- matching

namespace {

// The nodes from top, each before its children; the children first to last,
// or last to first.
std::vector<ObjectNode*> ParentsFirst(ObjectNode* top, bool lastChildFirst) {
    std::vector<ObjectNode*> out;
    if (!top)
        return out;
    std::vector<ObjectNode*> stack{top};
    while (!stack.empty()) {
        ObjectNode* n = stack.back();
        stack.pop_back();
        out.push_back(n);
        const std::size_t count = n->ChildCount();
        for (std::size_t k = 0; k < count; ++k)
            stack.push_back(n->Child(lastChildFirst ? k : count - 1 - k));
    }
    return out;
}

} // namespace

std::vector<ObjectNode*> PreOrderNodes(ObjectNode* top) {
    return ParentsFirst(top, false);
}

std::vector<ObjectNode*> PostOrderNodes(ObjectNode* top) {
    // The reverse of a pre-order that visits the children last to first.
    std::vector<ObjectNode*> out = ParentsFirst(top, true);
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<const std::string*> PlainLeafEntries(const ObjectNode* container) {
    std::vector<const std::string*> out;
    if (!container->Leaves())
        return out;
    std::unordered_set<std::string_view> childNames;
    for (std::size_t i = 0; i < container->ChildCount(); ++i)
        childNames.insert(container->Child(i)->Name());
    out.reserve(container->Leaves()->size());
    for (const std::string& e : *container->Leaves())
        if (childNames.empty() || !childNames.count(LeafName(e)))
            out.push_back(&e);
    return out;
}

namespace {

// Pairs the children of paired nodes by name and class, all the way down.
void MatchChildren(NodeMatching& m, ObjectNode* a, ObjectNode* b) {
    std::vector<std::pair<ObjectNode*, ObjectNode*>> pending{{a, b}};
    while (!pending.empty()) {
        auto [pa, pb] = pending.back();
        pending.pop_back();
        if (pa->ChildCount() == 0 || pb->ChildCount() == 0)
            continue;
        std::unordered_map<std::string_view, std::vector<ObjectNode*>> byName;
        for (std::size_t i = 0; i < pa->ChildCount(); ++i) {
            ObjectNode* c = pa->Child(i);
            if (!m.InB(c))
                byName[c->Name()].push_back(c);
        }
        for (std::size_t i = 0; i < pb->ChildCount(); ++i) {
            ObjectNode* cb = pb->Child(i);
            if (m.InA(cb))
                continue;
            auto it = byName.find(cb->Name());
            if (it == byName.end())
                continue;
            for (ObjectNode*& ca : it->second) {
                if (ca && ca->ClassIndex() == cb->ClassIndex()) {
                    m.Pair(ca, cb);
                    pending.emplace_back(ca, cb);
                    ca = nullptr;
                    break;
                }
            }
        }
    }
}

std::string KindKey(const ObjectNode* n) {
    return n->Name() + '\0' + std::to_string(n->ClassIndex());
}

} // namespace

NodeMatching MatchNodes(TreeDesign& a, TreeDesign& b) {
    NodeMatching m;
    m.Pair(a.Root(), b.Root());
    MatchChildren(m, a.Root(), b.Root());

    // Moves: the same name and class, each the only unpaired one of its kind.
    std::vector<ObjectNode*> allB = PreOrderNodes(b.Root());
    std::unordered_map<std::string, std::pair<int, ObjectNode*>> freeA, freeB;
    for (ObjectNode* n : PreOrderNodes(a.Root()))
        if (!m.InB(n)) {
            auto& slot = freeA[KindKey(n)];
            ++slot.first;
            slot.second = n;
        }
    for (ObjectNode* n : allB)
        if (!m.InA(n))
            ++freeB[KindKey(n)].first;
    for (ObjectNode* nb : allB) {
        if (m.InA(nb))
            continue;
        const std::string key = KindKey(nb);
        auto ia = freeA.find(key);
        if (ia == freeA.end() || ia->second.first != 1 || freeB[key].first != 1)
            continue;
        ObjectNode* na = ia->second.second;
        if (m.InB(na))
            continue;
        m.Pair(na, nb);
        MatchChildren(m, na, nb);
    }

    // Renames: under paired parents, the only unpaired child of a class on each side.
    for (ObjectNode* nb : allB) {
        ObjectNode* na = m.InA(nb);
        if (!na)
            continue;
        std::map<int, std::pair<std::vector<ObjectNode*>, std::vector<ObjectNode*>>> byClass;
        for (std::size_t i = 0; i < na->ChildCount(); ++i)
            if (!m.InB(na->Child(i)))
                byClass[na->Child(i)->ClassIndex()].first.push_back(na->Child(i));
        for (std::size_t i = 0; i < nb->ChildCount(); ++i)
            if (!m.InA(nb->Child(i)))
                byClass[nb->Child(i)->ClassIndex()].second.push_back(nb->Child(i));
        for (auto& [cls, sides] : byClass) {
            if (sides.first.size() != 1 || sides.second.size() != 1)
                continue;
            m.Pair(sides.first[0], sides.second[0]);
            MatchChildren(m, sides.first[0], sides.second[0]);
        }
    }
    return m;
}

// ---------------------------------------------------------------- differences

const char* DifferenceGroupName(DifferenceGroup group) {
    switch (group) {
    case DifferenceGroup::Objects:
        return "objects";
    case DifferenceGroup::Leaves:
        return "leaves";
    case DifferenceGroup::Partitions:
        return "partitions";
    case DifferenceGroup::Replicas:
        return "replicas";
    case DifferenceGroup::Servers:
        return "servers";
    }
    return "";
}

namespace {

std::string ClassText(long long index) {
    const std::string& name =
        index >= 0 && index < kClassCount ? ClassName(static_cast<int>(index)) : std::string();
    return name.empty() ? "class " + std::to_string(index) : name;
}

class Comparer {
public:
    Comparer(TreeDesign& a, TreeDesign& b) : a_(a), b_(b), m_(MatchNodes(a, b)) {}

    std::vector<Difference> Run() {
        Objects();
        Leaves();
        Partitions();
        Replicas();
        Servers();
        std::vector<Difference> out;
        for (auto& group : groups_)
            for (Difference& d : group)
                out.push_back(std::move(d));
        return out;
    }

private:
    void Add(DifferenceGroup g, std::string text, std::string contextInA) {
        groups_[static_cast<std::size_t>(g)].push_back({g, std::move(text), std::move(contextInA)});
    }
    // The FullContext in A of a node of B, or of its nearest ancestor A has.
    std::string ContextInA(const ObjectNode* b) {
        for (const ObjectNode* n = b; n; n = n->Parent())
            if (ObjectNode* na = m_.InA(n))
                return a_.FullContext(na);
        return {};
    }

    void Objects() {
        for (ObjectNode* nb : PreOrderNodes(b_.Root())) {
            ObjectNode* na = m_.InA(nb);
            if (!na) {
                Add(DifferenceGroup::Objects,
                    "object added " + b_.FullContext(nb) + " (" + ClassText(nb->ClassIndex()) + ")",
                    ContextInA(nb));
                continue;
            }
            if (!nb->Parent())
                continue;
            const std::string from = a_.FullContext(na), to = b_.FullContext(nb);
            if (m_.InA(nb->Parent()) != na->Parent())
                Add(DifferenceGroup::Objects, "object moved " + from + " -> " + to, from);
            else if (na->Name() != nb->Name())
                Add(DifferenceGroup::Objects, "object renamed " + from + " -> " + to, from);
        }
        for (ObjectNode* na : PreOrderNodes(a_.Root()))
            if (!m_.InB(na)) {
                const std::string ctx = a_.FullContext(na);
                Add(DifferenceGroup::Objects,
                    "object removed " + ctx + " (" + ClassText(na->ClassIndex()) + ")", ctx);
            }
    }

    void LeafLines(const ObjectNode* from, const ObjectNode* other, TreeDesign& fromDesign,
                   const char* verb, const std::string& contextInA) {
        std::unordered_map<std::string_view, int> present;
        if (other)
            for (const std::string* e : PlainLeafEntries(other))
                ++present[*e];
        const std::string container = fromDesign.FullContext(from);
        for (const std::string* e : PlainLeafEntries(from)) {
            auto it = present.find(*e);
            if (it != present.end() && it->second > 0) {
                --it->second;
                continue;
            }
            Add(DifferenceGroup::Leaves,
                std::string("leaf ") + verb + " " + std::string(LeafName(*e)) + "." + container +
                    " (" + ClassText(LeafClassIndex(*e)) + ")",
                contextInA);
        }
    }

    void Leaves() {
        for (ObjectNode* nb : PreOrderNodes(b_.Root()))
            LeafLines(nb, m_.InA(nb), b_, "added", ContextInA(nb));
        for (ObjectNode* na : PreOrderNodes(a_.Root()))
            LeafLines(na, m_.InB(na), a_, "removed", a_.FullContext(na));
    }

    void Partitions() {
        for (ObjectNode* nb : PreOrderNodes(b_.Root())) {
            ObjectNode* na = m_.InA(nb);
            if (nb->IsPartitionRoot() && (!na || !na->IsPartitionRoot()))
                Add(DifferenceGroup::Partitions, "partition created " + b_.FullContext(nb),
                    ContextInA(nb));
        }
        for (ObjectNode* na : PreOrderNodes(a_.Root())) {
            ObjectNode* nb = m_.InB(na);
            if (na->IsPartitionRoot() && (!nb || !nb->IsPartitionRoot())) {
                const std::string ctx = a_.FullContext(na);
                Add(DifferenceGroup::Partitions, "partition merged " + ctx, ctx);
            }
        }
    }

    // The names in B of A's partitions and servers, through their nodes.
    void NameMaps() {
        for (ObjectNode* na : PreOrderNodes(a_.Root())) {
            ObjectNode* nb = m_.InB(na);
            if (!nb)
                continue;
            if (na->IsPartitionRoot() && nb->IsPartitionRoot())
                partitionAToB_[a_.FullContext(na)] = b_.FullContext(nb);
            if (na->ClassIndex() == kClassServer && nb->ClassIndex() == kClassServer)
                serverAToB_[na->Name()] = nb->Name();
        }
        for (const auto& [pa, pb] : partitionAToB_)
            partitionBToA_[pb] = pa;
        for (const auto& [sa, sb] : serverAToB_)
            serverBToA_[sb] = sa;
    }
    static std::string Mapped(const std::unordered_map<std::string, std::string>& map,
                              const std::string& name, bool& known) {
        auto it = map.find(name);
        known = it != map.end();
        return known ? it->second : name;
    }
    std::string PartitionContextInA(const std::string& partitionInA) {
        ObjectNode* n = a_.FindNodeByContext(partitionInA);
        return n ? partitionInA : std::string();
    }

    void Replicas() {
        NameMaps();
        // (partition in B, server in B) -> the (type, partition in A) of A's
        // readable entries, from A's partition table.
        using Key = std::pair<std::string, std::string>;
        std::map<Key, std::vector<std::pair<std::string, std::string>>> inA;
        bool known = false;
        for (std::size_t p = 0; p < a_.partitions.Size(); ++p) {
            const std::string pa = a_.partitions.Name(p);
            const std::string pb = Mapped(partitionAToB_, pa, known);
            for (const std::string& e : a_.partitions.Entries(p))
                if (IsReadable(e))
                    inA[{pb, Mapped(serverAToB_, std::string(EntryName(e)), known)}].emplace_back(
                        std::string(EntryType(e)), pa);
        }
        for (std::size_t p = 0; p < b_.partitions.Size(); ++p) {
            const std::string pb = b_.partitions.Name(p);
            const std::string pa = Mapped(partitionBToA_, pb, known);
            for (const std::string& e : b_.partitions.Entries(p)) {
                if (!IsReadable(e))
                    continue;
                const std::string sb(EntryName(e));
                const std::string type(EntryType(e));
                auto it = inA.find({pb, sb});
                if (it == inA.end() || it->second.empty()) {
                    Add(DifferenceGroup::Replicas, "replica added " + pb + " " + sb + " " + type,
                        PartitionContextInA(pa));
                    continue;
                }
                auto& held = it->second;
                auto same = std::find_if(held.begin(), held.end(),
                                         [&](const auto& h) { return h.first == type; });
                if (same == held.end()) {
                    same = held.begin();
                    Add(DifferenceGroup::Replicas,
                        "replica retyped " + pb + " " + sb + " " + same->first + " -> " + type,
                        PartitionContextInA(pa));
                }
                held.erase(same);
            }
        }
        // What is left was in A only; listed in A's table order.
        for (std::size_t p = 0; p < a_.partitions.Size(); ++p) {
            const std::string pa = a_.partitions.Name(p);
            const std::string pb = Mapped(partitionAToB_, pa, known);
            for (const std::string& e : a_.partitions.Entries(p)) {
                if (!IsReadable(e))
                    continue;
                const std::string sa(EntryName(e));
                auto it = inA.find({pb, Mapped(serverAToB_, sa, known)});
                if (it == inA.end())
                    continue;
                auto& held = it->second;
                auto left = std::find_if(held.begin(), held.end(), [&](const auto& h) {
                    return h.first == EntryType(e) && h.second == pa;
                });
                if (left == held.end())
                    continue;
                Add(DifferenceGroup::Replicas,
                    "replica removed " + pa + " " + sa + " " + std::string(EntryType(e)),
                    PartitionContextInA(pa));
                held.erase(left);
            }
        }
    }

    void Servers() {
        // Items of the same name are paired in their order.
        std::unordered_map<std::string_view, std::vector<int>> itemsA;
        for (std::size_t i = a_.servers.Size(); i-- > 0;)
            itemsA[a_.servers.Name(i)].push_back(static_cast<int>(i));
        for (std::size_t i = 0; i < b_.servers.Size(); ++i) {
            const std::string sb = b_.servers.Name(i);
            bool known = false;
            const std::string sa = Mapped(serverBToA_, sb, known);
            auto found = itemsA.find(sa);
            if (found == itemsA.end() || found->second.empty())
                continue;
            const int ia = found->second.back();
            found->second.pop_back();
            if (b_.attributes.Size() <= i || a_.attributes.Size() <= static_cast<std::size_t>(ia))
                continue;
            const TableItem& atA = a_.attributes[static_cast<std::size_t>(ia)];
            const TableItem& atB = b_.attributes[i];
            ObjectNode* node = a_.FindPartitionOrServerNode(sa, false);
            const std::string ctx = node ? a_.FullContext(node) : std::string();
            if (atA.name != atB.name)
                Add(DifferenceGroup::Servers, "server " + sb + " " + atA.name + " -> " + atB.name,
                    ctx);
            auto ipx = [](const ReplicaList& l) {
                std::vector<std::string> out;
                for (const std::string& x : l)
                    if (x.rfind("IPX:", 0) == 0)
                        out.push_back(x);
                return out;
            };
            std::vector<std::string> ipxA = ipx(atA.entries), ipxB = ipx(atB.entries);
            const bool oneIpxChanged = ipxA.size() == 1 && ipxB.size() == 1 && ipxA != ipxB;
            if (oneIpxChanged)
                Add(DifferenceGroup::Servers, "server " + sb + " " + ipxA[0] + " -> " + ipxB[0],
                    ctx);
            std::unordered_map<std::string_view, int> have;
            for (const std::string& x : atA.entries)
                ++have[x];
            for (const std::string& x : atB.entries) {
                auto it = have.find(x);
                if (it != have.end() && it->second > 0) {
                    --it->second;
                } else if (!(oneIpxChanged && x == ipxB[0])) {
                    Add(DifferenceGroup::Servers, "server " + sb + " address added " + x, ctx);
                }
            }
            for (const std::string& x : atA.entries) {
                auto it = have.find(x);
                if (it != have.end() && it->second > 0) {
                    --it->second;
                    if (!(oneIpxChanged && x == ipxA[0]))
                        Add(DifferenceGroup::Servers, "server " + sb + " address removed " + x,
                            ctx);
                }
            }
        }
    }

    TreeDesign& a_;
    TreeDesign& b_;
    NodeMatching m_;
    std::unordered_map<std::string, std::string> partitionAToB_, partitionBToA_;
    std::unordered_map<std::string, std::string> serverAToB_, serverBToA_;
    std::vector<Difference> groups_[kDifferenceGroupCount];
};

} // namespace

std::vector<Difference> CompareDesigns(TreeDesign& a, TreeDesign& b) {
    return Comparer(a, b).Run();
}

// ---------------------------------------------------------------- by name

namespace {

bool SameCounts(const std::vector<std::string_view>& x, const std::vector<std::string_view>& y) {
    if (x.size() != y.size())
        return false;
    if (x == y)
        return true;
    std::unordered_map<std::string_view, long long> c;
    for (std::string_view s : x)
        ++c[s];
    for (std::string_view s : y)
        if (--c[s] < 0)
            return false;
    return true;
}

std::vector<std::string_view> Readable(const ReplicaList& list) {
    std::vector<std::string_view> out;
    for (const std::string& e : list)
        if (IsReadable(e))
            out.push_back(e);
    return out;
}

std::vector<std::string_view> Views(const ReplicaList& list) {
    return {list.begin(), list.end()};
}

} // namespace

std::vector<std::string> DesignMismatches(TreeDesign& a, TreeDesign& b, std::size_t limit) {
    std::vector<std::string> out;
    auto note = [&](std::string text) {
        if (out.size() < limit)
            out.push_back(std::move(text));
        return out.size() < limit;
    };
    std::unordered_map<std::string, ObjectNode*> nodesA;
    for (ObjectNode* n : PreOrderNodes(a.Root()))
        nodesA.emplace(a.FullContext(n), n);
    std::unordered_set<std::string> seen;
    for (ObjectNode* nb : PreOrderNodes(b.Root())) {
        std::string ctx = b.FullContext(nb);
        auto it = nodesA.find(ctx);
        if (it == nodesA.end()) {
            if (!note("object " + ctx + " is only in the second design"))
                return out;
            continue;
        }
        ObjectNode* na = it->second;
        seen.insert(ctx);
        if (na->ClassIndex() != nb->ClassIndex() || na->IsPartitionRoot() != nb->IsPartitionRoot())
            if (!note("object " + ctx + " differs in class or partition mark"))
                return out;
        static const LeafList kNone;
        if (!SameCounts(Views(na->Leaves() ? *na->Leaves() : kNone),
                        Views(nb->Leaves() ? *nb->Leaves() : kNone)))
            if (!note("leaf objects of " + ctx + " differ"))
                return out;
    }
    for (const auto& [ctx, n] : nodesA)
        if (!seen.count(ctx) && !note("object " + ctx + " is only in the first design"))
            return out;

    // Items of the same name are paired in their order; attributes go with
    // their server item.
    auto tables = [&](ItemTable& ta, ItemTable& tb, const char* what, bool servers) {
        std::unordered_map<std::string_view, std::vector<std::size_t>> inA;
        for (std::size_t i = ta.Size(); i-- > 0;)
            inA[ta.Name(i)].push_back(i);
        for (std::size_t i = 0; i < tb.Size(); ++i) {
            auto it = inA.find(tb.Name(i));
            if (it == inA.end() || it->second.empty()) {
                if (!note(std::string(what) + " " + tb.Name(i) + " is only in the second design"))
                    return false;
                continue;
            }
            const std::size_t ia = it->second.back();
            it->second.pop_back();
            if (!SameCounts(Readable(ta.Entries(ia)), Readable(tb.Entries(i))) &&
                !note("replicas of " + std::string(what) + " " + tb.Name(i) + " differ"))
                return false;
            if (!servers || ia >= a.attributes.Size() || i >= b.attributes.Size())
                continue;
            const TableItem& x = a.attributes[ia];
            const TableItem& y = b.attributes[i];
            if ((x.name != y.name || !SameCounts(Views(x.entries), Views(y.entries))) &&
                !note("DS version or addresses of server " + tb.Name(i) + " differ"))
                return false;
        }
        std::vector<bool> left(ta.Size(), false);
        for (const auto& [name, items] : inA)
            for (std::size_t ia : items)
                left[ia] = true;
        for (std::size_t i = 0; i < ta.Size(); ++i)
            if (left[i] &&
                !note(std::string(what) + " " + ta.Name(i) + " is only in the first design"))
                return false;
        return true;
    };
    if (tables(a.partitions, b.partitions, "partition", false))
        tables(a.servers, b.servers, "server", true);
    return out;
}

// ---------------------------------------------------------------- helpers

bool CopyDesign(TreeDesign& from, TreeDesign& to) {
    Result<std::string> bytes = SerializeDesign(from);
    if (!bytes)
        return false;
    DesignFileContents contents;
    if (ParseDesignFile(*bytes, contents) != ParseStatus::Ok)
        return false;
    bytes->clear();
    to.ClearTree();
    to.partitions.Clear();
    to.servers.Clear();
    to.attributes.Clear();
    if (!ApplyDesignContents(to, contents))
        return false;
    to.designFileName = from.designFileName;
    to.MarkAllStale();
    return true;
}

bool QuoteScriptArgument(const std::string& arg, std::string& out) {
    if (arg.find_first_of("\"\n") != std::string::npos)
        return false;
    const bool blanks = arg.empty() || arg.find_first_of(" \t\r\v\f") != std::string::npos;
    out = blanks ? "\"" + arg + "\"" : arg;
    return true;
}

std::string DesignPlan::Script() const {
    std::string text =
        "# quorvane-cli apply script: " + std::to_string(commandCount) + " operation(s)\n";
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

} // namespace qv
