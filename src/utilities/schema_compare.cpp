#include "utilities/schema_compare.h"

#include "core/ascii_text.h"

#include "core/entries.h"
#include "core/tree_design.h"
#include "files/file_access.h"
#include "files/line_scanner.h"
#include "files/text_report.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>
#include <system_error>

namespace qv::utilities {

namespace {

std::string PadTo(std::string text, std::size_t width) {
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

} // namespace

// ---- choosing the servers ----

std::vector<std::string> SchemaDistributionList(TreeDesign& design, const std::string& server) {
    std::vector<std::string> work{server};
    const int level = design.ServerMinLevel(server);
    if (level == -1)
        return {};
    design.progress().Show(ProgressChannel::Status, "  Finding Distribution List..");
    const ReplicaList* own = design.servers.EntriesOf(server);
    if (!own)
        return work;
    const ReplicaList mine = *own;
    for (const std::string& entry : mine) {
        design.progress().Pump();
        const std::string_view partition = EntryName(entry);
        for (std::size_t p = 0; p < design.partitions.Size(); ++p) {
            if (design.partitions.Name(p) != partition)
                continue;
            const ReplicaList replicas = design.partitions[p].entries;
            for (const std::string& replica : replicas) {
                if (EntryType(replica) == kSubRef)
                    continue;
                const std::string name(EntryName(replica));
                if (name == server || std::find(work.begin(), work.end(), name) != work.end())
                    continue;
                if (design.ServerMinLevel(name) >= level)
                    work.push_back(name);
                design.progress().Pump();
            }
        }
    }
    return work;
}

std::string SchemaRunningText(int count) {
    return "There are " + std::to_string(count) + " of SCHRPT.EXE running.\r" +
           std::string(kSchemaRunningFormat);
}

bool SchemaRunsIdle(const Census& census, Interaction& ui, WorkingFolderLock* lock) {
    const int n = census();
    if (n == 0 && (!lock || lock->Acquire(".")))
        return true;
    ui.Information(SchemaRunningText(n == 0 ? 1 : n));
    return false;
}

std::vector<std::string> SchemaRunProblems(const SchemaReportRun& run,
                                           const InterpreterLogWatch& log) {
    if (run.StartFailed())
        return {LastStartFailure()};
    if (run.GaveUp())
        return {GaveUpMessage("SCHCMP.EXE", run.TickLimit())};
    return log.NewLines();
}

bool EnoughServers(std::size_t chosen, Interaction& ui) {
    if (chosen >= 2)
        return true;
    ui.Information(kTwoServersNeeded);
    return false;
}

std::vector<std::string> DistributionListOrNotice(TreeDesign& design, const std::string& server,
                                                  Interaction& ui) {
    std::vector<std::string> list = SchemaDistributionList(design, server);
    if (list.size() >= 2)
        return list;
    ui.Information(kNoDistributionList);
    return {};
}

std::vector<std::string> SortServers(std::vector<std::string> servers) {
    std::stable_sort(servers.begin(), servers.end(),
                     [](const std::string& a, const std::string& b) {
                         const std::string ua = UpperAscii(a), ub = UpperAscii(b);
                         return ua != ub ? ua < ub : a < b;
                     });
    return servers;
}

std::string SchemaReportFileName(int pair) {
    return "SRD" + std::to_string(pair) + ".TXT";
}

std::vector<std::string> BuildSchemaCommands(const std::vector<std::string>& sortedServers) {
    std::vector<std::string> items;
    int pair = 0;
    for (std::size_t i = 0; i < sortedServers.size(); ++i)
        for (std::size_t j = i + 1; j < sortedServers.size(); ++j) {
            ++pair;
            items.push_back(std::string(kSchemaMarker) + " /C SCHCMP.EXE " + sortedServers[i] +
                            " " + sortedServers[j] + " > " + SchemaReportFileName(pair) +
                            kSchemaSep + sortedServers[i] + "," + sortedServers[j]);
        }
    return items;
}

std::string CommandLineOf(std::string_view item) {
    return std::string(item.substr(0, item.find(kSchemaSep)));
}

std::string PairNamesOf(std::string_view item) {
    const std::size_t at = item.find(kSchemaSep);
    return at == std::string_view::npos ? std::string() : std::string(item.substr(at + 1));
}

int DeleteOldSchemaReports(const std::string& folder) {
    return DeleteReportFiles(folder, "SRD");
}

// ---- the report parser ----

namespace {

enum Keyword {
    kNone = 0,
    kComparing = 1,
    kWith,
    kClasses,
    kUnique,
    kTo,
    kNoneWord,
    kAttributes,
    kSyntaxes,
    kDefinition,
    kDifferences,
    kFor,
    kDefinitions,
    kAttribute,
    kClass,
};

constexpr const char* kKeywords[] = {
    "",           "COMPARING", "WITH",       "CLASSES",     "UNIQUE", "TO",          "NONE",
    "ATTRIBUTES", "SYNTAXES",  "DEFINITION", "DIFFERENCES", "FOR",    "DEFINITIONS", "ATTRIBUTE",
    "CLASS"};

int KeywordOf(const std::string& token) {
    for (int k = 1; k <= kClass; ++k)
        if (token == kKeywords[k])
            return k;
    return kNone;
}

// States 1 to 14 expect their keyword; the others follow.
enum State { kReportServer = 100, kSectionHeader, kNameList, kDefinitionFor };

class ReportParser {
public:
    ReportParser(std::string_view text, TSchCmpClass& pair) : cursor_(text, false), pair_(pair) {}

    bool Run(std::string& message);
    std::uint64_t LineNumber() const { return cursor_.LineNumber(); }
    std::size_t Column() const { return scanner_.Position(); }

private:
    bool NextLine();
    bool NextToken(std::string& token);
    std::string RestOfLine();
    // After the keyword the state expected: the state that follows it.
    void AfterKeyword();
    // The states that read what follows a keyword; false (message set)
    // when the report is refused.
    bool OnServerName(const std::string& token, std::string& message);
    bool OnSectionHeader(int keyword, std::string& message);
    bool OnNameList(const std::string& token, int keyword, std::string& message);
    void OnDefinitionFor(int keyword);
    bool Fail(std::string& message, std::string text) {
        message = std::move(text);
        return false;
    }

    TextReportCursor cursor_;
    LineScanner& scanner_ = cursor_.Scanner();
    std::string_view line_;
    bool haveLine_ = false;
    bool prefix_ = true;
    TSchCmpClass& pair_;
    // Where the parse is: the state, the keyword state before it, the
    // section letter names are kept under, the list they go to.
    int state_ = kComparing;
    int previous_ = 0;
    char section_ = 'C';
    std::vector<std::string>* current_ = nullptr;
    SchemaSide* definitionSide_ = nullptr;
};

bool ReportParser::NextLine() {
    // Lines are trimmed until the definition lists begin, whose lines keep
    // their leading tabs.
    haveLine_ = cursor_.ReadLine({.counted = true, .skipEmpty = true, .trim = prefix_});
    line_ = cursor_.Line();
    return haveLine_;
}

bool ReportParser::NextToken(std::string& token) {
    for (;;) {
        if (haveLine_) {
            scanner_.SkipSpaces(line_);
            if (!scanner_.AtEnd(line_) && scanner_.Current(line_) != '\0') {
                scanner_.Reset(false);
                scanner_.ReadToSpace(line_);
                token = scanner_.Token();
                return true;
            }
        }
        if (!NextLine())
            return false;
    }
}

std::string ReportParser::RestOfLine() {
    scanner_.Reset(false);
    scanner_.ReadRest(line_, true);
    return scanner_.Token();
}

bool ReportParser::Run(std::string& message) {
    state_ = kComparing;
    previous_ = 0;
    section_ = 'C';
    current_ = nullptr;
    definitionSide_ = nullptr;
    std::string token;
    while (NextToken(token)) {
        const int keyword = KeywordOf(token);
        if (state_ >= kComparing && state_ <= kClass) {
            if (keyword != state_)
                return Fail(message, std::string("\"") + kKeywords[state_] + "\" expected.");
            AfterKeyword();
            continue;
        }
        bool ok = true;
        switch (state_) {
        case kReportServer:
            ok = OnServerName(token, message);
            break;
        case kSectionHeader:
            ok = OnSectionHeader(keyword, message);
            break;
        case kNameList:
            ok = OnNameList(token, keyword, message);
            break;
        case kDefinitionFor:
            OnDefinitionFor(keyword);
            break;
        default:
            break;
        }
        if (!ok)
            return false;
    }
    if (state_ == kNameList || state_ == kSectionHeader)
        return true;
    return Fail(message, "Unexpected end of file.");
}

void ReportParser::AfterKeyword() {
    switch (state_) {
    case kComparing:
    case kWith:
        previous_ = state_;
        state_ = kReportServer;
        break;
    case kClasses:
        previous_ = kClasses;
        state_ = kUnique;
        break;
    case kUnique:
        if (previous_ == kClasses)
            section_ = 'C';
        else if (previous_ == kAttributes)
            section_ = 'A';
        else if (previous_ == kSyntaxes)
            section_ = 'S';
        else if (previous_ == kDefinition)
            section_ = 'D';
        state_ = kTo;
        break;
    case kTo:
        previous_ = kTo;
        state_ = kReportServer;
        break;
    case kAttributes:
        section_ = 'A';
        previous_ = kAttributes;
        state_ = kUnique;
        break;
    case kSyntaxes:
        section_ = 'S';
        previous_ = kSyntaxes;
        state_ = kUnique;
        break;
    case kDefinition:
        section_ = 'D';
        previous_ = kDefinition;
        state_ = kDifferences;
        break;
    case kDifferences:
        previous_ = kDifferences;
        state_ = kFor;
        break;
    case kFor:
        previous_ = kFor;
        state_ = kReportServer;
        break;
    case kDefinitions:
        previous_ = kDefinitions;
        state_ = kNameList;
        break;
    default: // NONE, ATTRIBUTE and CLASS are never expected on their own
        state_ = kSectionHeader;
        break;
    }
}

bool ReportParser::OnServerName(const std::string& token, std::string& message) {
    std::string name = token;
    if (const std::size_t dots = name.find("..."); dots != std::string::npos)
        name.erase(dots);
    if (previous_ == kComparing) {
        pair_.first.items.push_back(name);
        state_ = kWith;
        return true;
    }
    if (previous_ == kWith) {
        pair_.second.items.push_back(name);
        state_ = kSectionHeader;
        return true;
    }
    SchemaSide* side = nullptr;
    if (pair_.first.items.size() >= 3 && name == pair_.first.items[2])
        side = &pair_.first;
    else if (pair_.second.items.size() >= 3 && name == pair_.second.items[2])
        side = &pair_.second;
    if (!side)
        return Fail(message, "Server name expected.");
    current_ = &side->items;
    if (previous_ == kFor) {
        definitionSide_ = side;
        state_ = kDefinitionFor;
    } else {
        state_ = kNameList;
    }
    return true;
}

bool ReportParser::OnSectionHeader(int keyword, std::string& message) {
    if (keyword == kClasses || keyword == kAttributes || keyword == kSyntaxes) {
        section_ = keyword == kClasses ? 'C' : keyword == kAttributes ? 'A' : 'S';
        state_ = kUnique;
    } else if (keyword == kDefinition) {
        section_ = 'D';
        state_ = kDifferences;
    } else {
        return Fail(message, "Expecting \"Class\", \"Attributes\", \"Syntax\", or "
                             "\"Definition\".");
    }
    return true;
}

bool ReportParser::OnNameList(const std::string& token, int keyword, std::string& message) {
    if (keyword == kClasses || keyword == kAttributes || keyword == kSyntaxes) {
        previous_ = keyword;
        state_ = kUnique;
    } else if (keyword == kNoneWord) {
        state_ = kSectionHeader;
    } else if (keyword == kDefinition) {
        state_ = kDifferences;
    } else if (keyword == kClass || keyword == kAttribute) {
        if (!definitionSide_)
            return Fail(message, "Unknown Identifier.");
        current_ = keyword == kClass ? &definitionSide_->classes : &definitionSide_->attrs;
        state_ = kDefinitions;
    } else if (keyword == kNone) {
        std::string entry = token + RestOfLine();
        if (previous_ == kDefinitions)
            prefix_ = false;
        if (prefix_)
            entry = std::string(1, section_) + kSchemaSep + entry;
        if (current_)
            current_->push_back(std::move(entry));
    } else {
        return Fail(message, "Unknown Identifier.");
    }
    return true;
}

void ReportParser::OnDefinitionFor(int keyword) {
    if (keyword == kNoneWord) {
        state_ = kSectionHeader;
    } else if (keyword == kClass || keyword == kAttribute) {
        current_ = keyword == kClass ? &definitionSide_->classes : &definitionSide_->attrs;
        state_ = kDefinitions;
    }
}

// SCHCMP.EXE reports a few lines per schema element; anything far larger is
// not one.
constexpr std::uint64_t kMaxSchemaReportBytes = std::uint64_t{256} << 20;

void AddFailure(std::vector<std::string>& memo, const std::string& pairNames,
                const std::string& fileName, const std::string& message, std::uint64_t line,
                std::size_t column) {
    memo.push_back("Error parsing report for : " + pairNames);
    memo.push_back("FileName :" + fileName);
    memo.push_back(message);
    memo.push_back("Line :" + std::to_string(line) + " Column : " + std::to_string(column));
    memo.push_back("");
}

} // namespace

bool ParseSchemaReportText(std::string_view text, const std::string& fileName,
                           const std::string& pairNames, TSchCmpClass& pair,
                           std::vector<std::string>& memo) {
    ReportParser parser(text, pair);
    std::string message;
    if (!parser.Run(message)) {
        AddFailure(memo, pairNames, fileName, message, parser.LineNumber(), parser.Column());
        return false;
    }
    memo.push_back("Successfully parsed file : " + fileName);
    memo.push_back("");
    return true;
}

bool ParseSchemaReportPath(const std::string& path, const std::string& fileName,
                           const std::string& pairNames, TSchCmpClass& pair,
                           std::vector<std::string>& memo) {
    Result<std::string> text = ReadWholeFile(path, kMaxSchemaReportBytes);
    if (!text) {
        AddFailure(memo, pairNames, fileName, "Cannot open file.", 0, 1);
        return false;
    }
    return ParseSchemaReportText(*text, fileName, pairNames, pair, memo);
}

bool ParseSchemaReport(int n, const std::vector<std::string>& commands,
                       std::vector<TSchCmpClass>& results, std::vector<std::string>& memo,
                       const std::string& folder) {
    if (n < 1 || static_cast<std::size_t>(n) > results.size() ||
        static_cast<std::size_t>(n) > commands.size())
        return false;
    const std::string name = SchemaReportFileName(n);
    return ParseSchemaReportPath((std::filesystem::path(folder) / name).string(), name,
                                 PairNamesOf(commands[n - 1]), results[n - 1], memo);
}

bool ParseAllSchemaReports(const std::vector<std::string>& commands,
                           std::vector<TSchCmpClass>& results, std::vector<std::string>& memo,
                           const std::string& folder, int* parsed) {
    bool failed = false;
    int ok = 0;
    for (std::size_t n = 1; n <= commands.size(); ++n) {
        if (ParseSchemaReport(static_cast<int>(n), commands, results, memo, folder))
            ++ok;
        else
            failed = true;
    }
    if (parsed)
        *parsed = ok;
    return failed;
}

// ---- waiting for the runs ----

SchemaReportRun::Starter SchemaReportRun::InterpreterStarter() {
    return [](const std::string& line) {
        // marker " /C " text " > " file
        const std::string head = std::string(kSchemaMarker) + " /C ";
        std::string text = line.rfind(head, 0) == 0 ? line.substr(head.size()) : line;
        std::string file;
        if (const std::size_t at = text.rfind(" > "); at != std::string::npos) {
            file = text.substr(at + 3);
            text.erase(at);
        }
        StartExternalCommand(kSchemaMarker, text, file);
    };
}

SchemaReportRun::SchemaReportRun(std::vector<std::string> commands, Census census, Starter start,
                                 Interaction& ui, std::string folder)
    : commands_(std::move(commands)), census_(std::move(census)), start_(std::move(start)), ui_(ui),
      folder_(std::move(folder)) {}

void SchemaReportRun::Show() {
    results_.assign(commands_.size(), TSchCmpClass{});
    memo_.clear();
    completed_ = false;
    failed_ = false;
    parsed_ = 0;
    closed_ = false;
    buttonText_ = "&Abort";
    timer_ = true;
    step_ = 0;
    next_ = 1;
    busy_ = 0;
    startFailed_ = false;
    gaveUp_ = false;
    ClearStartFailure();
}

void SchemaReportRun::Tick() {
    if (!timer_ || closed_)
        return;
    static const char* const kLabels[] = {
        "Generating Schema Reports.", "Generating Schema Reports..", "Generating Schema Reports...",
        "Generating Schema Reports"};
    label_ = kLabels[step_];
    step_ = step_ == 3 ? 0 : step_ + 1;
    if (census_() != 0) {
        if (next_ > 1 && ++busy_ > tickLimit_) {
            timer_ = false;
            gaveUp_ = true;
            completed_ = false;
            closed_ = true;
            EndStartedCommands(kSchemaMarker);
        }
        return;
    }
    busy_ = 0;
    if (next_ <= PairCount()) {
        start_(CommandLineOf(commands_[next_ - 1]));
        if (!LastStartFailure().empty()) {
            timer_ = false;
            startFailed_ = true;
            completed_ = false;
            closed_ = true;
            return;
        }
    }
    ++next_;
    if (next_ >= PairCount() + 10)
        timer_ = false;
    if (!timer_)
        TimerStopped();
}

void SchemaReportRun::TimerStopped() {
    failed_ = ParseAllSchemaReports(commands_, results_, memo_, folder_, &parsed_);
    completed_ = true;
    if (failed_) {
        if (ui_.AskYesNo(kNotAllReports)) {
            buttonText_ = "Continue";
        } else {
            completed_ = false;
            closed_ = true;
        }
    } else {
        closed_ = true;
    }
}

void SchemaReportRun::Button() {
    if (closed_)
        return;
    if (timer_) {
        timer_ = false;
        if (!ui_.AskYesNo(kAbortSchemaRuns)) {
            timer_ = true;
            return;
        }
        completed_ = false;
        results_.clear();
        closed_ = true;
        return;
    }
    closed_ = true;
}

// ---- the report dialog ----

DefinitionNode BuildDefinitionTree(const std::string& rootText,
                                   const std::vector<std::string>& lines) {
    DefinitionNode root{rootText, {}};
    for (const std::string& line : lines) {
        std::size_t tabs = 0;
        while (tabs < line.size() && line[tabs] == '\t')
            ++tabs;
        std::string text = line.substr(tabs);
        DefinitionNode* parent = &root;
        if (tabs >= 1 && !root.children.empty()) {
            parent = &root.children.back();
            if (tabs >= 2 && !parent->children.empty())
                parent = &parent->children.back();
        }
        parent->children.push_back({std::move(text), {}});
    }
    return root;
}

std::string DefinitionLabel(int depth, const DefinitionNode& node) {
    const std::string count = std::to_string(node.children.size());
    switch (depth) {
    case 0:
        return "Total " + node.text + " : " + count;
    case 1:
        return "Total Rules : " + count;
    case 2:
        return "Total Differences : " + count;
    default:
        return "";
    }
}

SchemaReportBrowser::SchemaReportBrowser(const std::vector<TSchCmpClass>& results,
                                         std::vector<std::string> servers)
    : results_(results), servers_(SortServers(std::move(servers))) {}

Result<std::string> SchemaReportBrowser::SelectServer(const std::string& server) {
    selected_ = server;
    reports_.clear();
    current_ = 0;
    for (std::size_t i = 0; i < results_.size(); ++i) {
        const TSchCmpClass& r = results_[i];
        if (r.first.items.size() < 3)
            continue;
        if (EqualNoCase(r.first.ServerName(), server) || EqualNoCase(r.second.ServerName(), server))
            reports_.push_back(i);
    }
    if (reports_.empty())
        return Failed(std::string(kNoReportsForServer) + server);
    current_ = 1;
    if (reports_.size() > kMaxReportsPerServer)
        return "There are " + std::to_string(reports_.size()) +
               " schema reports for server : " + server + ", more than " +
               std::to_string(kMaxReportsPerServer) + ".\rAll of them are listed.";
    return std::string();
}

std::string SchemaReportBrowser::CounterText() const {
    if (current_ == 0)
        return "";
    return " " + std::to_string(current_) + " of " + std::to_string(reports_.size());
}

bool SchemaReportBrowser::SpinUp() {
    if (current_ <= 1)
        return false;
    --current_;
    return true;
}

bool SchemaReportBrowser::SpinDown() {
    if (current_ == 0 || current_ >= reports_.size())
        return false;
    ++current_;
    return true;
}

SchemaSideView SchemaReportBrowser::View(bool left) const {
    SchemaSideView view;
    if (current_ == 0)
        return view;
    const TSchCmpClass& r = results_[reports_[current_ - 1]];
    const bool firstIsLeft = EqualNoCase(r.first.ServerName(), selected_);
    const SchemaSide& side = (left == firstIsLeft) ? r.first : r.second;
    view.server = side.ServerName();
    for (std::size_t i = 3; i < side.items.size(); ++i) {
        const std::string& item = side.items[i];
        const std::size_t at = item.find(kSchemaSep);
        const std::string name = at == std::string::npos ? item : item.substr(at + 1);
        const char letter = item.empty() ? '\0' : item[0];
        if (letter == 'C')
            view.classes.push_back(name);
        else if (letter == 'A')
            view.attributes.push_back(name);
        else if (letter == 'S')
            view.syntaxes.push_back(name);
    }
    view.classLines = &side.classes;
    view.attrLines = &side.attrs;
    return view;
}

SchemaSideView SchemaReportBrowser::Left() const {
    return View(true);
}
SchemaSideView SchemaReportBrowser::Right() const {
    return View(false);
}

std::vector<std::string> SchemaReportBrowser::PrintLines() const {
    if (current_ == 0)
        return {};
    return BuildSchemaPrintLines(Left(), Right());
}

namespace {

std::string PrintEntry(const std::string& text) {
    std::size_t tabs = 0;
    while (tabs < text.size() && text[tabs] == '\t')
        ++tabs;
    if (tabs == 0)
        return "  " + text;
    const std::string trimmed(TrimText(text));
    return (tabs == 1 ? "    " : "      ") + trimmed;
}

std::size_t NameCount(const std::vector<std::string>& lines) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(),
                      [](const std::string& l) { return l.empty() || l[0] != '\t'; }));
}

} // namespace

std::vector<std::string> BuildSchemaPrintLines(const SchemaSideView& left,
                                               const SchemaSideView& right) {
    static const std::vector<std::string> kEmpty;
    struct Section {
        const char* title;
        const std::vector<std::string>& l;
        const std::vector<std::string>& r;
        bool definitions;
    };
    const Section sections[] = {
        {"Unique Classes", left.classes, right.classes, false},
        {"Unique Attributes", left.attributes, right.attributes, false},
        {"Unique Syntaxes", left.syntaxes, right.syntaxes, false},
        {"Class Definition Differences", left.classLines ? *left.classLines : kEmpty,
         right.classLines ? *right.classLines : kEmpty, true},
        {"Attribute Definition Differences", left.attrLines ? *left.attrLines : kEmpty,
         right.attrLines ? *right.attrLines : kEmpty, true},
    };
    std::vector<std::string> out;
    out.push_back(PadTo(left.server, 50) + right.server);
    bool firstSection = true;
    for (const Section& s : sections) {
        if (!firstSection)
            out.push_back("");
        firstSection = false;
        out.push_back(s.title);
        const std::size_t rows = std::max(s.l.size(), s.r.size());
        for (std::size_t i = 0; i < rows; ++i) {
            const std::string l = i < s.l.size() ? PrintEntry(s.l[i]) : std::string();
            const std::string r = i < s.r.size() ? PrintEntry(s.r[i]) : std::string();
            out.push_back(PadTo(l, 50) + r);
        }
        const std::size_t lc = s.definitions ? NameCount(s.l) : s.l.size();
        const std::size_t rc = s.definitions ? NameCount(s.r) : s.r.size();
        out.push_back(PadTo("Total : " + std::to_string(lc), 50) + "Total : " + std::to_string(rc));
    }
    return out;
}

} // namespace qv::utilities
