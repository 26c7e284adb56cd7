#include "edit/edit_script.h"
#include "files/import_support.h"

#include "core/replica_vocabulary.h"
#include "core/result.h"
#include "edit/name_rules.h"
#include "edit/object_operations.h"
#include "edit/object_sorting.h"
#include "edit/partition_operations.h"
#include "edit/server_addresses.h"

#include <algorithm>
#include <array>

namespace qv {

namespace {

struct CommandSpec {
    const char* name;
    const char* arguments;
    std::size_t minArgs;
    std::size_t maxArgs; // arguments after the command word
};

constexpr std::size_t kMany = static_cast<std::size_t>(-1);

const CommandSpec kCommands[] = {
    {"create-partition", "CONTEXT", 1, 1},
    {"merge-partition", "CONTEXT", 1, 1},
    {"add-replica", "PARTITION SERVER TYPE", 3, 3},
    {"delete-replica", "PARTITION SERVER", 2, 2},
    {"delete-server-replica", "SERVER PARTITION", 2, 2},
    {"change-type", "PARTITION SERVER TYPE", 3, 3},
    {"create-object", "CONTAINER CLASS NAME", 3, 3},
    {"delete-object", "CONTEXT", 1, 1},
    {"rename-object", "CONTEXT NEWNAME", 2, 2},
    {"move-object", "CONTEXT DESTINATION", 2, 2},
    {"drop-object", "CONTEXT TARGET", 2, 2},
    {"delete-leaf", "CONTAINER NAME...", 2, kMany},
    {"move-leaf", "CONTAINER DESTINATION NAME...", 3, kMany},
    {"rename-leaf", "CONTAINER OLDNAME NEWNAME", 3, 3},
    {"set-version", "SERVER VALUE", 2, 2},
    {"set-ipx", "SERVER HEX", 2, 2},
    {"add-tcpip", "SERVER A.B.C.D", 2, 2},
    {"delete-tcpip", "SERVER A.B.C.D", 2, 2},
    {"clear-versions", "", 0, 0},
    {"clear-addresses", "", 0, 0},
    {"sort-objects", "", 0, 0},
    {"undo", "", 0, 0},
    {"redo", "", 0, 0},
};

const CommandSpec* FindCommand(std::string_view name) {
    for (const CommandSpec& c : kCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

// The replica type words of add-replica and change-type.
std::optional<ReplicaRadio> TypeWord(std::string_view word) {
    const ReplicaTypeNames* t = ReplicaTypeOfScriptWord(word);
    return t ? MarkerRadio(t->marker) : std::nullopt;
}

const char* RadioCaption(ReplicaRadio r) {
    return NamesOf(RadioType(r)).radioCaption;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Splits one line into arguments. A failure for a broken quote.
Result<std::vector<std::string>> SplitLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (true) {
        while (i < n && IsBlank(line[i]))
            ++i;
        if (i >= n)
            return args;
        if (line[i] == '"') {
            std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos)
                return Failed("a quoted argument has no closing quote");
            if (close + 1 < n && !IsBlank(line[close + 1]))
                return Failed("a closing quote must be followed by a blank");
            args.emplace_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t b = i;
            while (i < n && !IsBlank(line[i]))
                ++i;
            args.emplace_back(line.substr(b, i - b));
        }
    }
}

// What a message box of the operations means to a script: the first box is
// the refusal; questions are answered Yes, except the retry of Create Object.
class ScriptInteraction final : public Interaction {
public:
    explicit ScriptInteraction(const std::function<void(std::string_view)>& onQuestion)
        : onQuestion_(onQuestion) {}
    std::optional<std::string> refusal;

    void Message(std::string_view t) override { Refuse(t); }
    void Information(std::string_view t) override { Refuse(t); }
    void Warning(std::string_view t) override { Refuse(t); }
    void Error(std::string_view t) override { Refuse(t); }
    bool AskYesNo(std::string_view t) override {
        static constexpr std::string_view kRetry =
            "Do you want to try to create this object again?";
        if (t.size() >= kRetry.size() && t.substr(t.size() - kRetry.size()) == kRetry) {
            Refuse(t);
            return false;
        }
        if (onQuestion_)
            onQuestion_(t);
        return true;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest&) override {
        return std::nullopt;
    }

private:
    void Refuse(std::string_view t) {
        if (!refusal)
            refusal = std::string(t);
    }
    const std::function<void(std::string_view)>& onQuestion_;
};

// The design window as far as a script sees it: the selected node, and the
// refresh of the tree page that every selection and every change runs.
class ScriptView final : public DesignView {
public:
    explicit ScriptView(TreeDesign& design) : design_(design) {}
    ObjectNode* selected = nullptr;

    void Select(ObjectNode* node) {
        selected = node;
        RefreshTreePage();
    }
    void RefreshTreePage() override {
        if (selected)
            design_.EnsureSubRefsForNode(selected);
    }

private:
    TreeDesign& design_;
};

class Runner {
public:
    Runner(TreeDesign& design, const std::function<void(std::string_view)>& onQuestion)
        : design_(design), ui_(onQuestion), view_(design) {}

    std::optional<std::string> Run(const std::vector<std::string>& a);
    ScriptInteraction& ui() { return ui_; }
    ScriptView& view() { return view_; }

private:
    // Each returns a refusal of the script's own, or nothing; the boxes the
    // operations show are collected by the interaction.
    using Result = std::optional<std::string>;

    ObjectNode* Node(const std::string& context, Result& error) {
        ObjectNode* n = design_.FindNodeByContext(context);
        if (!n)
            error = "'" + context + "' was not found in the tree.";
        return n;
    }
    // Selects the node, as a click in the tree would.
    ObjectNode* SelectNode(const std::string& context, Result& error) {
        ObjectNode* n = Node(context, error);
        if (n)
            view_.Select(n);
        return n;
    }
    // The row of the replica list shown for the selected node whose name is name.
    std::optional<std::string> Row(ObjectNode* node, const std::string& name,
                                   std::size_t& rowCount) {
        ReplicaList* list = ShownReplicaList(design_, node);
        rowCount = list ? list->size() : 0;
        if (!list)
            return std::nullopt;
        int k = FindEntryByName(*list, name);
        if (k < 0)
            return std::nullopt;
        return (*list)[static_cast<std::size_t>(k)];
    }
    // The leaf entries named in args[from, to), each once.
    bool LeafEntries(ObjectNode* container, const std::vector<std::string>& a, std::size_t from,
                     std::size_t to, std::vector<std::string>& entries, Result& error) {
        for (std::size_t i = from; i < to && i < a.size(); ++i) {
            int at = container->Leaves() ? design_.IndexOfLeaf(*container->Leaves(), a[i]) : -1;
            if (at < 0) {
                error = "'" + a[i] + "' is not a subordinate object of " +
                        design_.FullContext(container) + ".";
                return false;
            }
            const std::string& entry = (*container->Leaves())[static_cast<std::size_t>(at)];
            if (std::find(entries.begin(), entries.end(), entry) == entries.end())
                entries.push_back(entry);
        }
        return true;
    }

    Result Replica(const std::vector<std::string>& a);
    Result Objects(const std::vector<std::string>& a);
    Result Leaves(const std::vector<std::string>& a);
    Result Addresses(const std::vector<std::string>& a);

    TreeDesign& design_;
    ScriptInteraction ui_;
    ScriptView view_;
};

std::optional<std::string> Runner::Run(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    if (c == "clear-versions") {
        ClearDSVersions(design_);
        return std::nullopt;
    }
    if (c == "clear-addresses") {
        ClearServerAddresses(design_);
        return std::nullopt;
    }
    if (c == "sort-objects") {
        SortObjects(design_);
        return std::nullopt;
    }
    if (c == "undo" || c == "redo") {
        UndoHistory& history = design_.History();
        if (c == "undo" ? !history.Undo(design_) : !history.Redo(design_))
            return std::string("There is nothing to ") + c + ".";
        return std::nullopt;
    }
    if (c == "create-partition" || c == "merge-partition" || c == "add-replica" ||
        c == "delete-replica" || c == "delete-server-replica" || c == "change-type")
        return Replica(a);
    if (c == "delete-leaf" || c == "move-leaf" || c == "rename-leaf")
        return Leaves(a);
    if (c == "set-version" || c == "set-ipx" || c == "add-tcpip" || c == "delete-tcpip")
        return Addresses(a);
    return Objects(a);
}

std::optional<std::string> Runner::Replica(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    Result error;
    ObjectNode* node = SelectNode(a[1], error);
    if (!node || ui_.refusal)
        return error;
    if (c == "create-partition") {
        if (!CanCreatePartition(node))
            return "Create Partition needs a container that is not a partition root.";
        CreatePartition(design_, node);
    } else if (c == "merge-partition") {
        if (!CanMergePartition(node))
            return "Merge Partition needs a container that is a partition root other than "
                   "[ROOT].";
        MergePartition(design_, node);
    } else if (c == "add-replica") {
        if (!CanAddReplica(node))
            return "Add Replica needs a partition root.";
        ReplicaRadio type = *TypeWord(a[3]);
        if (!AddReplicaSetup(design_).Enabled(type))
            return std::string("Add Replica: the replica type \"") + RadioCaption(type) +
                   "\" cannot be chosen.";
        AddReplica(design_, node, AddReplicaInput{a[2], type});
    } else {
        // delete-replica, delete-server-replica, change-type: the row of the
        // replica list named by the second argument.
        std::size_t rows = 0;
        std::optional<std::string> row = Row(node, a[2], rows);
        if (!row)
            return "'" + a[2] + "' is not in the replica list of " + a[1] + ".";
        if (c == "change-type") {
            if (!CanChangeReplicaType(rows, *row))
                return "Change Type needs a replica that is neither a master nor a subordinate "
                       "reference.";
            ReplicaRadio type = *TypeWord(a[3]);
            std::optional<ReplicaDialogSetup> setup = ChangeTypeSetup(EntryType(*row));
            if (!setup || !setup->Enabled(type))
                return std::string("Change Type: the replica type \"") + RadioCaption(type) +
                       "\" cannot be chosen for a " + std::string(EntryType(*row)) + " replica.";
            ChangeReplicaType(design_, node, *row,
                              [type](const ReplicaDialogSetup&) { return type; });
        } else {
            if (!CanDeleteReplica(rows, *row))
                return "Delete Replica needs a replica that is neither a master nor a "
                       "subordinate reference.";
            DeleteReplica(design_, node, *row);
        }
    }
    return std::nullopt;
}

std::optional<std::string> Runner::Objects(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    Result error;
    ObjectNode* node = SelectNode(a[1], error);
    if (!node || ui_.refusal)
        return error;
    if (c == "create-object") {
        if (!CanCreateObjects(node))
            return "Create Object needs a container.";
        int k = ClassIndexOf(a[2]);
        if (k < 0)
            return "'" + a[2] + "' is not an object class.";
        bool shown = false;
        const std::string name = a[3];
        CreateObjects(design_, node, ClassSet{k}, [&](int) -> std::optional<CreateObjectInput> {
            if (shown)
                return std::nullopt;
            shown = true;
            return CreateObjectInput{name, false};
        });
    } else if (c == "delete-object") {
        if (!CanDeleteObject(node))
            return "Delete Object needs an object that is not a partition root and has no "
                   "subordinates.";
        // The tree selects the parent once the node is gone.
        view_.selected = node->Parent();
        DeleteObject(design_, node);
    } else if (c == "rename-object") {
        if (!CanRenameObject(node))
            return "Rename Object is not available for [ROOT].";
        RenameObject(design_, node, a[2]);
    } else if (c == "move-object") {
        if (!CanMoveObject(node))
            return "Move Object needs a partition root or a server.";
        MoveObject(design_, node, a[2]);
    } else if (c == "drop-object") {
        if (!CanStartDrag(node))
            return "Only a partition root or a server other than [ROOT] can be dragged.";
        ObjectNode* target = Node(a[2], error);
        if (!target)
            return error;
        DropObject(design_, node, target);
    }
    return std::nullopt;
}

std::optional<std::string> Runner::Leaves(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    Result error;
    ObjectNode* container = SelectNode(a[1], error);
    if (!container || ui_.refusal)
        return error;
    std::vector<std::string> entries;
    if (c == "delete-leaf") {
        if (!LeafEntries(container, a, 2, a.size(), entries, error))
            return error;
        DeleteLeafObjects(design_, container, entries);
    } else if (c == "move-leaf") {
        if (!LeafEntries(container, a, 3, a.size(), entries, error))
            return error;
        const std::string destination = a[2];
        MoveLeafObjects(design_, container, entries,
                        [&](const std::string&) { return destination; });
    } else {
        if (!LeafEntries(container, a, 2, 3, entries, error))
            return error;
        RenameLeafObject(design_, container, entries.front(), a[3]);
    }
    return std::nullopt;
}

std::optional<std::string> Runner::Addresses(const std::vector<std::string>& a) {
    const std::string& c = a[0];
    Result error;
    ObjectNode* server = SelectNode(a[1], error);
    if (!server || ui_.refusal)
        return error;
    if (!CanEditServer(server))
        return "Edit Server needs a server.";
    std::vector<std::string> lines = AddressDialogLines(design_, server);
    if (lines.empty())
        return "The server " + server->Name() + " has no DS version and addresses.";
    auto lineOf = [&](AddressEditKind kind) {
        return std::find_if(lines.begin(), lines.end(),
                            [&](const std::string& l) { return AddressEditKindOf(l) == kind; });
    };
    if (c == "set-version" || c == "set-ipx") {
        const bool version = c == "set-version";
        const std::string typed = UpperCaseTyped(a[2]);
        if (typed.size() > kAddressInputMax || !IsAddressInputValid(typed))
            return std::string(version ? "A DS version" : "An IPX address") +
                   " is 1 to 8 characters, each a digit or A to F: '" + a[2] + "'.";
        auto at = lineOf(version ? AddressEditKind::DsVersion : AddressEditKind::IpxAddress);
        if (at == lines.end())
            return "The server " + server->Name() + " has no " + (version ? "DS VERSION" : "IPX") +
                   " line.";
        *at = version ? VersionLine(typed) : IpxLine(typed);
    } else if (c == "add-tcpip") {
        std::vector<std::string> octets;
        std::string_view rest = a[2];
        while (true) {
            std::size_t dot = rest.find('.');
            octets.emplace_back(rest.substr(0, dot));
            if (dot == std::string_view::npos)
                break;
            rest.remove_prefix(dot + 1);
        }
        if (octets.size() != 4 ||
            !std::all_of(octets.begin(), octets.end(),
                         [](const std::string& o) { return IsOctetValid(o); }))
            return "'" + a[2] + "' is not a TCP/IP address of four octets 0 to 255.";
        lines.push_back(TcpipLine(octets[0], octets[1], octets[2], octets[3]));
    } else {
        const std::string line = "TCPIP:" + a[2];
        auto at = std::find(lines.begin(), lines.end(), line);
        if (at == lines.end() || !CanDeleteAddressLine(*at))
            return "The server " + server->Name() + " has no address " + line + ".";
        lines.erase(at);
    }
    ApplyAddressDialog(design_, server, lines, true);
    return std::nullopt;
}

} // namespace

namespace {

// Why the arguments do not make a command, or nothing.
std::optional<std::string> CheckArguments(const std::vector<std::string>& args) {
    if (args.empty())
        return std::string("empty command");
    const CommandSpec* command = FindCommand(args[0]);
    if (!command)
        return "unknown command '" + args[0] + "'";
    const std::size_t given = args.size() - 1;
    if (given < command->minArgs || given > command->maxArgs)
        return std::string("usage: ") + command->name + (*command->arguments ? " " : "") +
               command->arguments;
    if ((args[0] == "add-replica" || args[0] == "change-type") && !TypeWord(args[3]))
        return "unknown replica type '" + args[3] + "' (M, RW, RO, SPRW or SPRO)";
    return std::nullopt;
}

} // namespace

const std::vector<std::string>& EditScriptSynopses() {
    static const std::vector<std::string> synopses = [] {
        std::vector<std::string> out;
        for (const CommandSpec& c : kCommands)
            out.push_back(*c.arguments ? std::string(c.name) + " " + c.arguments
                                       : std::string(c.name));
        return out;
    }();
    return synopses;
}

std::optional<ScriptError> ParseEditScript(std::string_view text, std::vector<ScriptLine>& out) {
    out.clear();
    int number = 0;
    // LF, CRLF and CR each end a line.
    LineSource source(text);
    std::string_view line;
    while (source.Next(line)) {
        ++number;
        for (char ch : line) {
            auto c = static_cast<unsigned char>(ch);
            if ((c < 0x20 && c != '\t') || c == 0x7F) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                return ScriptError{number, std::string("the line holds a control character (\\x") +
                                               kHex[c >> 4] + kHex[c & 0xF] + ")."};
            }
        }
        std::size_t first = 0;
        while (first < line.size() && IsBlank(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#')
            continue;
        ScriptLine parsed;
        parsed.number = number;
        Result<std::vector<std::string>> args = SplitLine(line);
        if (!args)
            return ScriptError{number, args.error()};
        parsed.args = std::move(*args);
        if (std::optional<std::string> bad = CheckArguments(parsed.args))
            return ScriptError{number, *bad};
        out.push_back(std::move(parsed));
    }
    return std::nullopt;
}

std::optional<ScriptError> RunEditScript(TreeDesign& design, const std::vector<ScriptLine>& lines,
                                         const std::function<void(std::string_view)>& onQuestion) {
    Progress* progress = &design.progress();
    Interaction* ui = &design.ui();
    DesignView* view = &design.view();
    Runner runner(design, onQuestion);
    design.SetHosts(progress, &runner.ui(), &runner.view());
    std::optional<ScriptError> failure;
    for (const ScriptLine& line : lines) {
        std::optional<std::string> refusal = CheckArguments(line.args);
        if (!refusal)
            refusal = runner.Run(line.args);
        if (runner.ui().refusal)
            refusal = runner.ui().refusal; // the first box comes first
        if (refusal) {
            failure = ScriptError{line.number, *refusal};
            break;
        }
    }
    design.SetHosts(progress, ui, view);
    return failure;
}

} // namespace qv
