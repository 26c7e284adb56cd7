// The plan that turns one design into another. Each phase looks at the
// working design as the earlier phases left it, so what an operation does
// besides its own change (the replica a new server gets, the replicas a
// merge hands to the parent partition, the default addresses of a server)
// is put right by the phases after it.
//
// Phases, in the order the operations accept them:
//   1. create the objects B has and A lacks, containers before their contents;
//   2. rename, then move what changed place, in the walk order of B (a
//      container that is no partition root is moved as a partition for the
//      time of the move);
//   3. merge the partitions B does not have, then create the new ones;
//   4. leaf objects: delete, move, rename, create;
//   5. replicas per partition: the new master first, then deletions, then
//      additions and type changes;
//   6. DS versions and addresses;
//   7. delete the objects B does not have, contents before containers.
#include "edit/design_compare.h"

#include "core/replica_vocabulary.h"
#include "edit/containment.h"
#include "edit/design_matching.h"
#include "edit/edit_script.h"
#include "edit/name_rules.h"
#include "edit/object_operations.h"
#include "edit/partition_operations.h"
#include "edit/server_addresses.h"

#include <algorithm>
#include <map>
#include <unordered_map>

namespace qv {

namespace {

constexpr std::size_t kNamesPerLine = 50;

// The script word of a type marker; nullptr for one no operation gives.
const char* TypeWordOf(std::string_view type) {
    const ReplicaTypeNames* t = ReplicaTypeOfMarker(type);
    return t ? t->scriptWord : nullptr;
}

bool IsSparse(std::string_view type) {
    return type == kSparseWrite || type == kSparseRead;
}

// A name the dialogs let through unchanged.
bool Typeable(const std::string& name) {
    return CleanTypedName(name) == name && !TypedNameProblem(name);
}

// A DS version or IPX address as ED_ADDR takes it.
bool TypeableAddressInput(const std::string& value) {
    return value.size() <= kAddressInputMax && IsAddressInputValid(value) &&
           UpperCaseTyped(value) == value;
}

std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

std::string_view After(std::string_view text, std::string_view prefix) {
    return text.substr(prefix.size());
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

class Planner {
public:
    Planner(TreeDesign& working, TreeDesign& target)
        : w_(working), t_(target), m_(MatchNodes(working, target)) {}

    DesignPlan Run() {
        Create();
        RenameAndMove();
        Partitions();
        Leaves();
        Replicas();
        Servers();
        Delete();
        plan_.unmade = DesignMismatches(w_, t_);
        for (const std::string& u : plan_.unmade)
            plan_.lines.push_back("# not made by this plan: " + OneLine(u));
        return std::move(plan_);
    }

private:
    // Runs one command on the working design as "apply" runs it; a refusal
    // becomes a comment line.
    bool Command(const std::vector<std::string>& args) {
        std::string line;
        for (const std::string& a : args) {
            std::string quoted;
            if (!QuoteScriptArgument(a, quoted)) {
                Cannot("no script line can name '" + OneLine(a) + "' (" + args[0] + ")");
                return false;
            }
            line += (line.empty() ? "" : " ") + quoted;
        }
        ScriptLine parsed;
        parsed.number = static_cast<int>(plan_.lines.size()) + 1;
        parsed.args = args;
        std::optional<ScriptError> refused = RunEditScript(w_, {parsed}, nullptr);
        if (refused) {
            plan_.lines.push_back("# refused: " + line + " -- " + OneLine(refused->message));
            return false;
        }
        plan_.lines.push_back(std::move(line));
        ++plan_.commandCount;
        return true;
    }
    void Cannot(const std::string& why) { plan_.lines.push_back("# cannot: " + why); }
    std::string Ctx(const ObjectNode* n) { return w_.FullContext(n); }

    // ---- 1. objects B has and A lacks
    void Create() {
        for (ObjectNode* b : PreOrderNodes(t_.Root())) {
            if (m_.InA(b))
                continue;
            ObjectNode* parent = m_.InA(b->Parent());
            if (!parent)
                continue; // its container could not be made; that line says why
            const std::string ctx = t_.FullContext(b);
            if (!NodeClasses().Contains(b->ClassIndex())) {
                Cannot("object " + ctx + " (class " + std::to_string(b->ClassIndex()) +
                       ") cannot be created as a node of the tree");
                continue;
            }
            if (!Typeable(b->Name())) {
                Cannot("the name of object " + ctx + " cannot be typed into Create Object");
                continue;
            }
            if (!Command({"create-object", Ctx(parent), ClassName(b->ClassIndex()), b->Name()}))
                continue;
            for (std::size_t i = 0; i < parent->ChildCount(); ++i) {
                ObjectNode* c = parent->Child(i);
                if (c->Name() == b->Name() && c->ClassIndex() == b->ClassIndex() && !m_.InB(c)) {
                    m_.Pair(c, b);
                    break;
                }
            }
        }
    }

    // ---- 2. renames and moves
    void RenameAndMove() {
        for (ObjectNode* b : PreOrderNodes(t_.Root())) {
            ObjectNode* w = m_.InA(b);
            if (!w || !b->Parent())
                continue;
            if (w->Name() != b->Name()) {
                if (Typeable(b->Name()))
                    Command({"rename-object", Ctx(w), b->Name()});
                else
                    Cannot("the name of object " + t_.FullContext(b) +
                           " cannot be typed into Rename Object");
            }
            ObjectNode* destination = m_.InA(b->Parent());
            if (destination && w->Parent() != destination)
                Move(w, destination);
        }
    }

    void Move(ObjectNode* w, ObjectNode* destination) {
        const std::string from = Ctx(w), to = Ctx(destination);
        if (w->IsSelfOrAncestorOf(destination)) {
            Cannot("object " + from + " cannot move into " + to + ", which lies inside it");
            return;
        }
        const bool byMove = MoveContainmentAllows(w->ClassIndex(), destination->ClassIndex());
        const bool byDrop = DropContainmentAllows(destination->ClassIndex(), w->ClassIndex());
        if (!byMove && !byDrop) {
            Cannot("object " + from + " (" + ClassName(w->ClassIndex()) +
                   ") cannot be moved under " + to + " (" + ClassName(destination->ClassIndex()) +
                   ")");
            return;
        }
        // A container that is no partition root moves as a partition for the move's time.
        const bool asPartition = !CanMoveObject(w);
        if (asPartition && !Command({"create-partition", from}))
            return;
        if (byMove)
            Command({"move-object", from, to});
        else
            Command({"drop-object", from, to});
        if (asPartition)
            Command({"merge-partition", Ctx(w)});
    }

    // ---- 3. partitions
    void Partitions() {
        for (ObjectNode* w : PostOrderNodes(w_.Root())) {
            if (!w->Parent() || !w->IsPartitionRoot())
                continue;
            ObjectNode* b = m_.InB(w);
            if (!b || !b->IsPartitionRoot())
                Command({"merge-partition", Ctx(w)});
        }
        for (ObjectNode* b : PreOrderNodes(t_.Root())) {
            ObjectNode* w = m_.InA(b);
            if (b->IsPartitionRoot() && w && !w->IsPartitionRoot())
                Command({"create-partition", Ctx(w)});
        }
    }

    // ---- 4. leaf objects
    struct LeafWork {
        ObjectNode* w = nullptr;
        std::vector<std::string> removed; // entries of W that B lacks
        std::vector<std::string> added;   // entries of B that W lacks
    };

    static void Difference(const std::vector<const std::string*>& from,
                           const std::vector<const std::string*>& other,
                           std::vector<std::string>& out) {
        std::unordered_map<std::string_view, int> present;
        for (const std::string* e : other)
            ++present[*e];
        for (const std::string* e : from) {
            auto it = present.find(*e);
            if (it != present.end() && it->second > 0)
                --it->second;
            else
                out.push_back(*e);
        }
    }

    void Leaves() {
        std::vector<LeafWork> work;
        for (ObjectNode* w : PreOrderNodes(w_.Root())) {
            ObjectNode* b = m_.InB(w);
            std::vector<const std::string*> inW = PlainLeafEntries(w);
            std::vector<const std::string*> inB;
            if (b)
                inB = PlainLeafEntries(b);
            if (inW.size() == inB.size() &&
                std::equal(inW.begin(), inW.end(), inB.begin(),
                           [](const std::string* x, const std::string* y) { return *x == *y; }))
                continue;
            LeafWork lw;
            lw.w = w;
            Difference(inW, inB, lw.removed);
            Difference(inB, inW, lw.added);
            work.push_back(std::move(lw));
        }
        // An entry that leaves exactly one container and arrives in exactly one other moves.
        std::unordered_map<std::string,
                           std::pair<std::vector<std::size_t>, std::vector<std::size_t>>>
            where;
        for (std::size_t i = 0; i < work.size(); ++i) {
            for (const std::string& e : work[i].removed)
                where[e].first.push_back(i);
            for (const std::string& e : work[i].added)
                where[e].second.push_back(i);
        }
        std::map<std::pair<std::size_t, std::size_t>, std::vector<std::string>> moves;
        for (auto& [entry, sides] : where)
            if (sides.first.size() == 1 && sides.second.size() == 1 &&
                sides.first[0] != sides.second[0])
                moves[{sides.first[0], sides.second[0]}].push_back(entry);
        auto erase = [](std::vector<std::string>& list, const std::string& e) {
            auto it = std::find(list.begin(), list.end(), e);
            if (it != list.end())
                list.erase(it);
        };
        for (auto& [pair, entries] : moves) {
            std::sort(entries.begin(), entries.end());
            for (const std::string& e : entries) {
                erase(work[pair.first].removed, e);
                erase(work[pair.second].added, e);
            }
        }
        // Renames: the only entry of a class that leaves and the only one that arrives.
        std::vector<std::vector<std::pair<std::string, std::string>>> renames(work.size());
        for (std::size_t i = 0; i < work.size(); ++i) {
            std::map<long long, std::pair<std::vector<std::string>, std::vector<std::string>>>
                byClass;
            for (const std::string& e : work[i].removed)
                byClass[LeafClassIndex(e)].first.push_back(e);
            for (const std::string& e : work[i].added)
                byClass[LeafClassIndex(e)].second.push_back(e);
            for (auto& [cls, sides] : byClass) {
                if (sides.first.size() != 1 || sides.second.size() != 1 ||
                    !Typeable(std::string(LeafName(sides.second[0]))))
                    continue;
                renames[i].emplace_back(sides.first[0], sides.second[0]);
                erase(work[i].removed, sides.first[0]);
                erase(work[i].added, sides.second[0]);
            }
        }

        for (LeafWork& lw : work)
            DeleteLeaves(lw);
        for (auto& [pair, entries] : moves) {
            ObjectNode* from = work[pair.first].w;
            ObjectNode* to = work[pair.second].w;
            for (std::size_t k = 0; k < entries.size(); k += kNamesPerLine) {
                std::vector<std::string> args{"move-leaf", Ctx(from), Ctx(to)};
                for (std::size_t j = k; j < entries.size() && j < k + kNamesPerLine; ++j)
                    args.emplace_back(LeafName(entries[j]));
                Command(args);
            }
        }
        for (std::size_t i = 0; i < work.size(); ++i)
            for (const auto& [from, to] : renames[i])
                Command({"rename-leaf", Ctx(work[i].w), std::string(LeafName(from)),
                         std::string(LeafName(to))});
        for (LeafWork& lw : work)
            CreateLeaves(lw);
    }

    void DeleteLeaves(const LeafWork& lw) {
        std::vector<std::string> names;
        for (const std::string& e : lw.removed) {
            if (NodeClasses().Contains(static_cast<int>(LeafClassIndex(e)))) {
                Cannot("leaf entry " + std::string(LeafName(e)) + "." + Ctx(lw.w) +
                       " has the class of a node and cannot be deleted as a leaf object");
                continue;
            }
            names.emplace_back(LeafName(e));
        }
        for (std::size_t k = 0; k < names.size(); k += kNamesPerLine) {
            std::vector<std::string> args{"delete-leaf", Ctx(lw.w)};
            for (std::size_t j = k; j < names.size() && j < k + kNamesPerLine; ++j)
                args.push_back(names[j]);
            Command(args);
        }
    }

    void CreateLeaves(const LeafWork& lw) {
        for (const std::string& e : lw.added) {
            const std::string name(LeafName(e));
            const long long k = LeafClassIndex(e);
            const std::string where = name + "." + Ctx(lw.w);
            if (k <= 0 || k >= kClassCount || k == kClassPartition ||
                NodeClasses().Contains(static_cast<int>(k)) ||
                MakeLeafEntry(name, static_cast<int>(k)) != e) {
                Cannot("leaf entry " + where + " cannot be made by Create Object");
                continue;
            }
            if (!CreateContainmentAllows(lw.w->ClassIndex(), static_cast<int>(k))) {
                Cannot("leaf object " + where + " (" + ClassName(static_cast<int>(k)) +
                       ") is not allowed there by Create Object");
                continue;
            }
            if (!Typeable(name)) {
                Cannot("the name of leaf object " + where + " cannot be typed into Create Object");
                continue;
            }
            Command({"create-object", Ctx(lw.w), ClassName(static_cast<int>(k)), name});
        }
    }

    // ---- 5. replicas
    // The type of the server's replica in the working partition; empty for
    // none or a subordinate reference.
    std::string TypeInWorking(const std::string& partition, const std::string& server) {
        ReplicaList* list = w_.partitions.EntriesOf(partition);
        if (!list)
            return {};
        for (const std::string& e : *list)
            if (EntryName(e) == server && IsReadable(e))
                return std::string(EntryType(e));
        return {};
    }

    void Replicas() {
        for (std::size_t p = 0; p < t_.partitions.Size(); ++p) {
            const std::string name = t_.partitions.Name(p);
            if (w_.partitions.FindLast(name) < 0 || !w_.FindPartitionOrServerNode(name, true))
                continue;
            std::vector<std::pair<std::string, std::string>> wanted; // server, type
            std::string master;
            for (const std::string& e : t_.partitions.Entries(p)) {
                if (!IsReadable(e))
                    continue;
                wanted.emplace_back(EntryName(e), EntryType(e));
                if (EntryType(e) == kMaster && master.empty())
                    master = EntryName(e);
            }
            auto known = [&](const std::string& server) {
                return w_.servers.FindLast(server) >= 0 && t_.servers.FindLast(server) >= 0;
            };
            // The new master first: the old one becomes read/write.
            if (!master.empty() && known(master) && TypeInWorking(name, master) != kMaster) {
                const std::string now = TypeInWorking(name, master);
                bool ready = true;
                if (now.empty())
                    ready = Command({"add-replica", name, master, kReadWriteWord});
                else if (IsSparse(now))
                    ready = Command({"change-type", name, master, kReadWriteWord});
                if (ready)
                    Command({"change-type", name, master, kMasterWord});
            }
            // Deletions of what B does not have (servers B lacks go with their objects).
            std::vector<std::pair<std::string, std::string>> present;
            for (const std::string& e : *w_.partitions.EntriesOf(name))
                if (IsReadable(e))
                    present.emplace_back(EntryName(e), EntryType(e));
            for (const auto& [server, type] : present) {
                if (!known(server))
                    continue;
                const std::string& held = server;
                bool keep = std::any_of(wanted.begin(), wanted.end(),
                                        [&](const auto& x) { return x.first == held; });
                if (keep)
                    continue;
                if (type == kMaster)
                    Cannot("the master replica of " + name + " on " + server +
                           " cannot be deleted, and the partition has no other master");
                else
                    Command({"delete-replica", name, server});
            }
            // Additions and type changes.
            for (const auto& [server, type] : wanted) {
                if (!known(server) || type == kMaster)
                    continue;
                const char* word = TypeWordOf(type);
                const std::string now = TypeInWorking(name, server);
                if (!word) {
                    Cannot("replica " + name + " " + server + " " + type +
                           " has a type no operation gives");
                } else if (now.empty()) {
                    Command({"add-replica", name, server, word});
                } else if (now == kMaster) {
                    Cannot("the master replica of " + name + " on " + server +
                           " cannot be retyped without a new master");
                } else if (now != type) {
                    Command({"change-type", name, server, word});
                }
            }
        }
    }

    // ---- 6. DS versions and addresses
    void Servers() {
        static constexpr std::string_view kVersion = "DS VERSION:";
        static constexpr std::string_view kIpx = "IPX:";
        static constexpr std::string_view kTcpip = "TCPIP:";
        for (std::size_t i = 0; i < t_.servers.Size() && i < t_.attributes.Size(); ++i) {
            const std::string server = t_.servers.Name(i);
            const int wi = w_.servers.FindLast(server);
            if (wi < 0 || w_.attributes.Size() <= static_cast<std::size_t>(wi))
                continue;
            ObjectNode* node = w_.FindPartitionOrServerNode(server, false);
            if (!node)
                continue;
            const TableItem want = t_.attributes[i];
            const TableItem have = w_.attributes[static_cast<std::size_t>(wi)];
            if (want.name != have.name) {
                std::string value =
                    StartsWith(want.name, kVersion) ? std::string(After(want.name, kVersion)) : "";
                if (TypeableAddressInput(value))
                    Command({"set-version", Ctx(node), value});
                else
                    Cannot("the DS version \"" + want.name + "\" of " + server +
                           " cannot be typed into the address dialog");
            }
            auto split = [&](const ReplicaList& l, std::vector<std::string>& ipx,
                             std::vector<std::string>& tcpip, std::vector<std::string>& other) {
                for (const std::string& x : l) {
                    if (StartsWith(x, kIpx))
                        ipx.push_back(x);
                    else if (StartsWith(x, kTcpip))
                        tcpip.push_back(x);
                    else
                        other.push_back(x);
                }
            };
            std::vector<std::string> ipxW, tcpW, otherW, ipxT, tcpT, otherT;
            split(have.entries, ipxW, tcpW, otherW);
            split(want.entries, ipxT, tcpT, otherT);
            if (ipxW != ipxT) {
                std::string value = ipxT.size() == 1 ? std::string(After(ipxT[0], kIpx)) : "";
                if (ipxW.size() == 1 && TypeableAddressInput(value))
                    Command({"set-ipx", Ctx(node), value});
                else
                    Cannot("the IPX address of " + server +
                           " cannot be made by the address dialog");
            }
            if (otherW != otherT)
                Cannot("the address lines of " + server +
                       " other than IPX and TCP/IP cannot be made by the address dialog");
            std::vector<std::string> removed, added;
            std::vector<const std::string*> pw, pt;
            for (const std::string& x : tcpW)
                pw.push_back(&x);
            for (const std::string& x : tcpT)
                pt.push_back(&x);
            Difference(pw, pt, removed);
            Difference(pt, pw, added);
            for (const std::string& x : removed)
                Command({"delete-tcpip", Ctx(node), std::string(After(x, kTcpip))});
            for (const std::string& x : added) {
                std::string address(After(x, kTcpip));
                std::vector<std::string> octets;
                std::string_view rest = address;
                while (true) {
                    std::size_t dot = rest.find('.');
                    octets.emplace_back(rest.substr(0, dot));
                    if (dot == std::string_view::npos)
                        break;
                    rest.remove_prefix(dot + 1);
                }
                bool typeable = octets.size() == 4 &&
                                std::all_of(octets.begin(), octets.end(),
                                            [](const std::string& o) { return IsOctetValid(o); }) &&
                                TcpipLine(octets[0], octets[1], octets[2], octets[3]) == x;
                if (typeable)
                    Command({"add-tcpip", Ctx(node), address});
                else
                    Cannot("the address " + x + " of " + server +
                           " cannot be typed into the address dialog");
            }
        }
    }

    // ---- 7. objects B does not have
    void Delete() {
        for (ObjectNode* w : PostOrderNodes(w_.Root()))
            if (w->Parent() && !m_.InB(w))
                Command({"delete-object", Ctx(w)});
    }

    TreeDesign& w_;
    TreeDesign& t_;
    NodeMatching m_;
    DesignPlan plan_;
};

} // namespace

DesignPlan PlanDesignChanges(TreeDesign& working, TreeDesign& target) {
    return Planner(working, target).Run();
}

} // namespace qv
