#include "files/report_reader.h"

#include "core/depth_limit.h"
#include "core/design_change.h"
#include "core/replica_vocabulary.h"

#include "files/design_file.h"
#include "files/import_support.h"
#include "files/line_scanner.h"
#include "files/text_report.h"

#include <cstdint>
#include <optional>

namespace qv {

namespace {

// The class of a container named by its type prefix (C, O, OU, L), or -1.
int ContainerPrefixClass(std::string_view type) {
    if (type == "C")
        return kClassCountry;
    if (type == "O")
        return kClassOrganization;
    if (type == "OU")
        return kClassOrgUnit;
    if (type == "L")
        return kClassLocality;
    return -1;
}

enum class State {
    ExpectTitle,
    ExpectTitleValue,
    ExpectVersion,
    SeekPartition,
    SeekReplicaHeader,
    SeekStatusHeader,
    SeekNumbHeader,
    SeekDeptHeader,
    EntryStart,
    RingSecondField,
    RingType,
    RingState,
    RingSkipField,
    ServerName,
    VersionAddress,
    VersionDepth,
    VersionObjectVersion,
};

enum class Kind { ReplicaRings, DsVersions };

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class ReportReader {
public:
    ReportReader(TreeDesign& design, std::string_view text, const std::string& fileName,
                 bool replicaRingMode)
        : design_(design), cursor_(text, false), fileName_(fileName), ringMode_(replicaRingMode),
          changes_(design, !replicaRingMode) {}

    bool Run();

private:
    void Prepare();
    void Step();
    void Tokenize();
    // Hands the line's token to the method of the current state, which
    // reads the rest of its field and picks the next state.
    void Act();
    void OnExpectTitle();
    void OnExpectTitleValue();
    void OnExpectVersion();
    void OnSeekPartition();
    void OnSeekReplicaHeader();
    void OnSeekStatusHeader();
    void OnSeekNumbHeader();
    void OnSeekDeptHeader();
    void OnEntryStart();
    void OnRingSecondField();
    void OnRingType();
    void OnRingState();
    void OnRingSkipField();
    void OnServerName();
    void OnVersionAddress();
    void OnVersionDepth();
    void OnVersionObjectVersion();
    void PartitionLine();
    void ServerNameField();
    void RecordReplica();
    void UpdateServer();
    void Complete();
    void AddRootPartition();
    [[noreturn]] static void Fail(std::string message) {
        TextReportCursor::Fail(std::move(message));
    }
    static void Check(std::string_view text) { TextReportCursor::CheckStorable(text); }
    void SkipLine() { sc_.ReadRest(line_, false); }
    ObjectNode* FindOrAdd(ObjectNode* parent, const std::string& name, int classIndex,
                          bool* added = nullptr);
    bool V10() const { return version_ == "1.0"; }

    TreeDesign& design_;
    TextReportCursor cursor_;
    std::string fileName_;
    bool ringMode_;
    ImportChanges changes_;

    LineScanner& sc_ = cursor_.Scanner();
    std::string_view line_;
    bool end_ = false;
    Kind kind_ = Kind::ReplicaRings;
    std::string version_;
    State state_ = State::ExpectTitle;

    std::size_t partition_ = 0; // index of the current partition in the PartitionTable
    bool havePartition_ = false;
    std::string partitionName_;
    std::string type_; // current replica type marker, or empty
    bool duplicatePartition_ = false;

    std::string serverName_;
    bool newServerNode_ = false;
    ObjectNode* serverNode_ = nullptr;

    // DS version mode.
    std::size_t addressColumn_ = 0;
    std::string address_;
    std::string objectVersion_;
    bool negative_ = false;
    unsigned renameCounter_ = 0;
};

bool ReportReader::Run() {
    // DS versions change an open design: one step to undo.
    std::optional<DesignChange> operation;
    if (!ringMode_)
        operation.emplace(design_, "Import DS Versions");
    Prepare();
    try {
        while (!end_ && cursor_.Advance()) {
            line_ = cursor_.Line();
            Step();
        }
        if (!cursor_.HaveLine())
            Fail("Invalid File Fomat."); // nothing but empty lines
        if (!end_ && state_ != State::EntryStart && !duplicatePartition_)
            Fail("Unexpected end of file");
    } catch (const ReportRejected& r) {
        changes_.Rollback();
        design_.ui().Information("Error on line " + std::to_string(cursor_.LineNumber()) +
                                 " position: " + std::to_string(sc_.Position()) + "\r" + r.message);
        design_.view().SetObjectLabelsVisible(true);
        design_.progress().Show(ProgressChannel::Import, "  Re-sorting objects....");
        design_.progress().Pump();
        design_.progress().Show(ProgressChannel::Import, "");
        return false;
    }
    Complete();
    return true;
}

void ReportReader::Prepare() {
    if (ringMode_) {
        // The replica ring import starts from an empty design.
        design_.partitions.Clear();
        design_.servers.Clear();
        design_.attributes.Clear();
        design_.ClearTree();
    } else {
        // Every server keeps only its IPX address: TCP/IP addresses come from the report.
        for (std::size_t i = 0; i < design_.attributes.Size(); ++i) {
            ReplicaList& list = design_.attributes.Entries(i);
            if (list.empty())
                list.push_back("IPX:00000000");
            else
                list.resize(1);
        }
    }
    design_.view().SetObjectLabelsVisible(false);
}

void ReportReader::Step() {
    Tokenize();
    design_.progress().Pump();
    cursor_.ShowLineCaption(design_.progress(), "  Reading in line: ");
    if (state_ == State::EntryStart && (sc_.Token() == "PARTITION" || sc_.Token() == "NAME"))
        state_ = State::SeekPartition;
    Act();
}

void ReportReader::Tokenize() {
    switch (state_) {
    case State::ExpectTitle:
    case State::ExpectVersion:
        sc_.ReadUntil(line_, ':');
        break;
    case State::ExpectTitleValue:
        sc_.ReadRest(line_, true);
        break;
    default:
        sc_.ReadWord(line_);
        break;
    }
}

void ReportReader::Act() {
    switch (state_) {
    case State::ExpectTitle:
        return OnExpectTitle();
    case State::ExpectTitleValue:
        return OnExpectTitleValue();
    case State::ExpectVersion:
        return OnExpectVersion();
    case State::SeekPartition:
        return OnSeekPartition();
    case State::SeekReplicaHeader:
        return OnSeekReplicaHeader();
    case State::SeekStatusHeader:
        return OnSeekStatusHeader();
    case State::SeekNumbHeader:
        return OnSeekNumbHeader();
    case State::SeekDeptHeader:
        return OnSeekDeptHeader();
    case State::EntryStart:
        return OnEntryStart();
    case State::RingSecondField:
        return OnRingSecondField();
    case State::RingType:
        return OnRingType();
    case State::RingState:
        return OnRingState();
    case State::RingSkipField:
        return OnRingSkipField();
    case State::ServerName:
        return OnServerName();
    case State::VersionAddress:
        return OnVersionAddress();
    case State::VersionDepth:
        return OnVersionDepth();
    case State::VersionObjectVersion:
        return OnVersionObjectVersion();
    }
}

void ReportReader::OnExpectTitle() {
    const std::string& token = sc_.Token();
    if (token != "REPORT TITLE" || sc_.Current(line_) != ':')
        Fail("Invalid File Fomat.");
    sc_.Advance(1);
    sc_.SkipSpaces(line_);
    state_ = State::ExpectTitleValue;
}

void ReportReader::OnExpectTitleValue() {
    const std::string& token = sc_.Token();
    if (token == "DSD LIST REPLICA RINGS")
        kind_ = Kind::ReplicaRings;
    else if (token == "DSD NDS VERSIONS REPORT")
        kind_ = Kind::DsVersions;
    else
        Fail("Illegal file format.");
    state_ = State::ExpectVersion;
}

void ReportReader::OnExpectVersion() {
    const std::string& token = sc_.Token();
    if (token != "REPORT VERSION" || sc_.Current(line_) != ':')
        Fail("Illegal File Format.");
    sc_.Advance(1);
    sc_.SkipSpaces(line_);
    sc_.ReadRest(line_, true);
    std::string value = sc_.Token().substr(0, 10);
    if (value != "1.0" && value != "0.8")
        Fail("Illegal DSDIAG version.");
    version_ = value;
    state_ = kind_ == Kind::ReplicaRings ? State::SeekPartition : State::SeekStatusHeader;
}

void ReportReader::OnSeekPartition() {
    const std::string& token = sc_.Token();
    if (token == (V10() ? "NAME" : "PARTITION"))
        PartitionLine();
    else
        SkipLine();
}

void ReportReader::OnSeekReplicaHeader() {
    const std::string& token = sc_.Token();
    if (token == (V10() ? "R" : "REPLICA"))
        state_ = State::SeekStatusHeader;
    SkipLine();
}

void ReportReader::OnSeekStatusHeader() {
    const std::string& token = sc_.Token();
    if (token == "STATUS") {
        if (kind_ == Kind::ReplicaRings) {
            state_ = State::SeekNumbHeader;
        } else {
            std::size_t at = line_.find("Address");
            addressColumn_ = at == std::string_view::npos ? 0 : at + 1;
            state_ = State::SeekDeptHeader;
        }
    }
    SkipLine();
}

void ReportReader::OnSeekNumbHeader() {
    const std::string& token = sc_.Token();
    if (token == "NUMB")
        state_ = State::EntryStart;
    SkipLine();
}

void ReportReader::OnSeekDeptHeader() {
    const std::string& token = sc_.Token();
    if (token.empty() && IsDigit(sc_.Current(line_)))
        sc_.ReadNumber(line_);
    if (sc_.Token() == "DEPT")
        state_ = State::EntryStart;
    else if (!sc_.Token().empty())
        Fail(" 'DEPT' expected.");
    SkipLine(); // a line of other characters (a rule, say) is passed over
}

void ReportReader::OnEntryStart() {
    const std::string& token = sc_.Token();
    if (token == (kind_ == Kind::ReplicaRings ? "REPLICAS" : "CONTACTED")) {
        end_ = true;
        return;
    }
    bool negative = false;
    if (token.empty()) {
        if (sc_.Current(line_) == '-') {
            negative = true;
            sc_.Advance(1);
        }
        if (!IsDigit(sc_.Current(line_)))
            Fail("Replica State expected.");
        sc_.ReadNumber(line_);
    }
    if (kind_ == Kind::ReplicaRings) {
        state_ = State::RingSecondField;
    } else {
        objectVersion_.clear();
        negative_ = negative;
        address_.clear();
        state_ = State::VersionAddress;
    }
}

void ReportReader::OnRingSecondField() {
    const std::string& token = sc_.Token();
    if (!token.empty()) {
        if (V10())
            state_ = State::RingType;
    } else if (IsDigit(sc_.Current(line_))) {
        sc_.ReadNumber(line_);
        state_ = State::RingType;
    } else {
        SkipLine();
    }
}

void ReportReader::OnRingType() {
    const std::string& token = sc_.Token();
    // Only the report's type words (M, RW, RO) give a type; any other
    // word, or none, records no replica for this line.
    if (const ReplicaTypeNames* t = ReplicaTypeOfRingReportWord(token))
        type_ = std::string(t->marker);
    else
        type_.clear();
    if (token.empty())
        SkipLine();
    state_ = State::RingState;
}

void ReportReader::OnRingState() {
    const std::string& token = sc_.Token();
    if (token.empty())
        Fail("Replica State expected.");
    sc_.ReadToColumn(line_, 45);
    state_ = State::RingSkipField;
}

void ReportReader::OnRingSkipField() {
    sc_.ReadUntil(line_, ' ');
    state_ = State::ServerName;
}

void ReportReader::OnServerName() {
    ServerNameField();
    if (kind_ == Kind::ReplicaRings)
        RecordReplica();
    else
        UpdateServer();
    SkipLine();
    state_ = State::EntryStart;
}

void ReportReader::OnVersionAddress() {
    if (addressColumn_ == 0)
        Fail("Server address expected.");
    sc_.SetPosition(addressColumn_ > 2 ? addressColumn_ - 2 : 1);
    sc_.Reset(false);
    sc_.SkipSpaces(line_);
    sc_.ReadUntil(line_, ' ');
    if (sc_.Token().empty())
        Fail("Server address expected.");
    if (version_ == "0.8" && sc_.Token().find("----------") != std::string::npos) {
        SkipLine();
        state_ = State::EntryStart;
        return;
    }
    address_ = sc_.Token();
    state_ = State::VersionDepth;
}

void ReportReader::OnVersionDepth() {
    const std::string& token = sc_.Token();
    if (!negative_) {
        if (!token.empty())
            Fail("Replica Depth # expected.");
        if (sc_.Current(line_) == '-')
            sc_.Advance(1);
        if (!IsDigit(sc_.Current(line_)))
            Fail("Replica Depth # expected.");
        sc_.ReadNumber(line_);
    }
    state_ = State::VersionObjectVersion;
}

void ReportReader::OnVersionObjectVersion() {
    const std::string& token = sc_.Token();
    if (!token.empty())
        return; // words are passed over
    if (objectVersion_.empty()) {
        sc_.ReadNumber(line_);
        if (sc_.Token().empty())
            Fail("Object version expected.");
        objectVersion_ = sc_.Token();
    } else {
        sc_.ReadNumber(line_);
        state_ = State::ServerName;
    }
}

ObjectNode* ReportReader::FindOrAdd(ObjectNode* parent, const std::string& name, int classIndex,
                                    bool* added) {
    ObjectNode* node = changes_.FindChild(parent, name);
    if (added)
        *added = node == nullptr;
    if (!node) {
        Check(name);
        if (std::optional<std::string> deep = NewChildTooDeep(design_, parent, name))
            Fail(std::move(*deep));
        // The node is listed in its parent's leaf list too: that entry must fit.
        if (!Storable(MakeLeafEntry(name, classIndex)))
            Fail(TooLongMessage(name));
        node = changes_.AddChild(parent, name, classIndex);
    }
    return node;
}

void ReportReader::PartitionLine() {
    if (!sc_.ReadUntil(line_, ':'))
        Fail("\":\" expected");
    sc_.Advance(1);
    sc_.SkipSpaces(line_);
    if (sc_.Current(line_) != '\\')
        Fail("Error with partition name");
    sc_.Advance(1);
    sc_.SkipSpaces(line_);
    sc_.Reset(false);
    std::string name;
    if (!sc_.ReadUntil(line_, '\\')) {
        name = kRootName; // only the tree name: the root partition
    } else {
        sc_.Advance(1);
        ObjectNode* node = design_.Root();
        while (!sc_.AtEnd(line_)) {
            sc_.Reset(false);
            if (!sc_.ReadUntil(line_, '='))
                Fail("Error with partition name");
            std::string type = sc_.Token();
            sc_.Advance(1);
            sc_.Reset(false);
            bool cn = type == "CN";
            if (cn)
                sc_.ReadRest(line_, false);
            else
                sc_.ReadUntil(line_, '\\');
            const std::string& value = sc_.Token();
            int cls = ContainerPrefixClass(type);
            if (cls < 0) {
                if (cn)
                    cls = 6; // SAS:SECURITY
                else if (type == "SU")
                    cls = 40; // SLP SCOPE UNIT
                else
                    Fail("Error with partition name");
            }
            if (value.empty())
                Fail("Error with partition name");
            Check(value);
            node = FindOrAdd(node, value, cls);
            if (!cn)
                sc_.Advance(1);
        }
        changes_.SetPartitionMark(node, kPartitionRootMark);
        name = design_.FullContext(node);
    }
    if (design_.partitions.FindFirst(name) >= 0) {
        // A partition that was read already: its whole section is passed over.
        duplicatePartition_ = true;
        SkipLine();
        return;
    }
    Check(name);
    duplicatePartition_ = false;
    partition_ = design_.partitions.Append(name);
    havePartition_ = true;
    partitionName_ = std::move(name);
    state_ = State::SeekReplicaHeader;
}

void ReportReader::ServerNameField() {
    const bool rings = kind_ == Kind::ReplicaRings;
    if (sc_.Current(line_) != '\\')
        Fail("Error with server name");
    sc_.Advance(1);
    sc_.Reset(false);
    if (!sc_.ReadUntil(line_, '\\'))
        Fail("Error with server name");
    sc_.Advance(1);
    ObjectNode* node = design_.Root();
    for (;;) {
        sc_.Reset(false);
        if (!sc_.ReadUntil(line_, '='))
            Fail("Error with server name");
        std::string type = sc_.Token();
        sc_.Advance(1);
        sc_.Reset(false);
        bool cn = type == "CN";
        if (!cn) {
            if (!sc_.ReadUntil(line_, '\\'))
                Fail("Error with Server Name");
            sc_.Advance(1);
        } else if (rings) {
            if (!sc_.ReadUntil(line_, ' '))
                Fail("Error with server name");
        } else {
            sc_.ReadRest(line_, false);
            if (sc_.Token().empty())
                Fail("Error with server name.");
        }
        std::string value = sc_.Token();
        int cls = ContainerPrefixClass(type);
        if (cls < 0) {
            if (!cn)
                Fail("Error with server name");
            cls = kClassServer;
        }
        if (value.empty())
            Fail("Error with server name");
        Check(value);
        bool added = false;
        node = FindOrAdd(node, value, cls, &added);
        if (cn) {
            newServerNode_ = added;
            serverNode_ = node;
            serverName_ = std::move(value);
            return;
        }
    }
}

void ReportReader::RecordReplica() {
    int si = design_.servers.FindFirst(serverName_);
    std::size_t server;
    if (si >= 0)
        server = static_cast<std::size_t>(si);
    else
        server = AppendServer(design_, serverName_, {}, "DS VERSION:0", {"IPX:00000000"});
    if (type_.empty() || !havePartition_)
        return;
    std::string partitionEntry = partitionName_ + type_;
    ReplicaList& list = design_.servers.Entries(server);
    if (FindEntryExact(list, partitionEntry) >= 0)
        return;
    std::string serverEntry = serverName_ + type_;
    Check(partitionEntry);
    Check(serverEntry);
    list.push_back(std::move(partitionEntry));
    design_.partitions.Entries(partition_).push_back(std::move(serverEntry));
}

void ReportReader::UpdateServer() {
    const std::string& n = serverName_;
    const std::string& a = address_;
    const bool tcpip = a.find('.') != std::string::npos;
    std::string versionText = "DS VERSION:" + objectVersion_;
    std::string tcpipText = "TCPIP:" + a;
    std::string ipxText = "IPX:" + a;
    Check(versionText);
    Check(tcpip ? tcpipText : ipxText);
    int si = design_.servers.FindFirst(n);
    if (si >= 0 && !newServerNode_) {
        std::size_t i = static_cast<std::size_t>(si);
        while (design_.attributes.Size() <= i)
            design_.attributes.Append("DS VERSION:0", {"IPX:00000000"});
        design_.attributes.Rename(i, versionText);
        ReplicaList& addresses = design_.attributes.Entries(i);
        if (tcpip) {
            if (FindEntryExact(addresses, tcpipText) < 0)
                addresses.push_back(tcpipText);
        } else if (addresses.empty()) {
            addresses.push_back(ipxText);
        } else {
            addresses[0] = ipxText;
        }
        return;
    }
    if (si >= 0) {
        // The design has this server in another container: the report's one
        // is kept under a new name. A name already in use is not given twice.
        std::string renamed;
        do {
            ++renameCounter_;
            renamed = n + "_RENAME_" + std::to_string(renameCounter_);
        } while (design_.servers.FindFirst(renamed) >= 0);
        if (!Storable(MakeLeafEntry(renamed, kClassServer)))
            Fail(TooLongMessage(renamed));
        design_.ui().Information("FATAL ERROR, TREE INTEGRITY HAS BEEN COMPROMISED!\r" + n +
                                 " is a duplicate server name!!" + "\r" +
                                 "File: " + std::string(LastPathComponent(fileName_)) +
                                 " is either not consistent with the tree view" + "\r" +
                                 "OR there could be duplicate NCP Server objects in the tree." +
                                 "\r" + "Quorvane will rename " + n + " to \"" + renamed + ".");
        changes_.RenameNode(serverNode_, renamed);
        ReplicaList addresses{"IPX:00000000"};
        if (tcpip)
            addresses.push_back(tcpipText);
        else if (a.find("IPX") != std::string::npos)
            addresses[0] = ipxText;
        AppendServer(design_, std::move(renamed), {}, versionText, std::move(addresses));
        return;
    }
    ReplicaList addresses{"IPX:00000000"};
    if (tcpip)
        addresses.push_back(tcpipText);
    else
        addresses[0] = ipxText;
    AppendServer(design_, n, {}, versionText, std::move(addresses));
}

void ReportReader::AddRootPartition() {
    design_.ui().Information(kNoRootPartitionMessage);
    ObjectNode* root = design_.Root();
    std::string name = "TMP_ORG";
    int counter = 0;
    // Each child met under the candidate name extends it by the next number;
    // passes repeat until no child of the root carries the name.
    for (bool clash = true; clash;) {
        clash = false;
        for (std::size_t i = 0; i < root->ChildCount(); ++i) {
            if (root->Child(i)->Name() == name) {
                ++counter;
                name += std::to_string(counter);
                clash = true;
            }
        }
    }
    ObjectNode* org = design_.AddChild(root, name, kClassOrganization);
    design_.AddChild(org, "ROOT_SRV", kClassServer);
    AppendServer(design_, "ROOT_SRV", {MakeReplicaEntry(kRootName, kMaster)}, "DS VERSION:0",
                 {"IPX:00000000"});
    design_.partitions.Append(kRootName, {MakeReplicaEntry("ROOT_SRV", kMaster)});
}

void ReportReader::Complete() {
    Progress& progress = design_.progress();
    design_.view().SetObjectLabelsVisible(true);
    progress.Show(ProgressChannel::Import, "  Re-sorting objects....");
    progress.Pump();
    progress.Show(ProgressChannel::Import, "");
    // A ring report builds a new design; the DS versions change an open one.
    DesignChange change(design_, kTouchAll);
    if (ringMode_)
        change.Loading();
    if (design_.partitions.FindFirst(kRootName) < 0)
        AddRootPartition();
    design_.AddSubordinateEntries(design_.Root());
    change.Refresh().Commit();
}

} // namespace

bool ReadReportText(TreeDesign& design, std::string_view text, const std::string& fileName,
                    bool replicaRingMode) {
    ReportReader reader(design, text, fileName, replicaRingMode);
    return reader.Run();
}

bool ReadReport(TreeDesign& design, const std::string& path, bool replicaRingMode,
                ReportReadOutcome* outcome) {
    Result<std::string> text = ReadWholeFile(path, kMaxDsdiagReportBytes);
    if (!text) {
        design.ui().Error(text.error());
        if (outcome)
            outcome->ioError = true;
        return false;
    }
    return ReadReportText(design, *text, path, replicaRingMode);
}

} // namespace qv
