#include "utilities/nds_rights.h"

#include "core/ascii_text.h"

#include "files/file_access.h"
#include "files/line_scanner.h"
#include "files/text_report.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace qv::utilities {

namespace {

// A DSRIGHTS report is a few lines per level of the tree; anything far larger
// is not one.
constexpr std::uint64_t kMaxRightsReportBytes = std::uint64_t{16} << 20;

std::string Trimmed(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string RightsText(std::uint8_t rights, const char* letters, const std::uint8_t* bits) {
    std::string out;
    for (int i = 0; i < 5; ++i)
        out.push_back(rights & bits[i] ? letters[i] : '-');
    return out;
}

} // namespace

std::uint8_t RightsFromLetters(std::string_view text) {
    std::uint8_t bits = 0;
    for (char c : text) {
        switch (UpperAscii(c)) {
        case 'S':
            bits |= kRightS;
            break;
        case 'B':
            bits |= kRightB;
            break;
        case 'C':
            bits |= kRightC;
            break;
        case 'D':
            bits |= kRightD;
            break;
        case 'R':
            bits |= kRightR;
            break;
        case 'W':
            bits |= kRightW;
            break;
        case 'A':
            bits |= kRightA;
            break;
        default:
            break;
        }
    }
    return bits;
}

std::string ObjectRightsText(std::uint8_t rights) {
    static const std::uint8_t bits[] = {kRightS, kRightB, kRightC, kRightD, kRightR};
    return RightsText(rights, "SBCDR", bits);
}

std::string PropertyRightsText(std::uint8_t rights) {
    static const std::uint8_t bits[] = {kRightS, kRightC, kRightR, kRightW, kRightA};
    return RightsText(rights, "SCRWA", bits);
}

// ---- the batch file ----

std::string ItemName(std::string_view item) {
    std::size_t star = item.find('*');
    std::string_view rest = star == std::string_view::npos ? item : item.substr(star + 1);
    std::size_t sep = rest.find('\xBF');
    return std::string(sep == std::string_view::npos ? rest : rest.substr(0, sep));
}

std::string DottedContext(std::string_view fullContext) {
    if (fullContext.empty() || fullContext == "[ROOT]")
        return {};
    return "." + std::string(fullContext);
}

std::string RightsReportName(int n) {
    return std::string(kRightsReportPrefix) + std::to_string(n) + ".TXT";
}

std::string BuildRightsBatch(std::string_view designContext, std::string_view containerContext,
                             const std::vector<std::string>& leaves,
                             const std::vector<std::string>& targets) {
    std::string out = "CX \"" + DottedContext(designContext) + "\"\r\n";
    const std::string c2 = DottedContext(containerContext);
    int n = 0;
    for (const std::string& leaf : leaves)
        for (const std::string& target : targets) {
            out += "DSRIGHTS \"" + leaf + "\" \"." + target + c2 + "\" > " + RightsReportName(++n) +
                   "\r\n";
        }
    return out;
}

Result<void> WriteRightsBatch(const std::string& folder, std::string_view text) {
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + kRightsBatchFile;
    // Replaced as a whole, never written in place: a link is followed to its
    // file, and a FIFO, device or folder of that name is refused.
    if (Result<FileIdentity> written = ReplaceFileAtomically(path, text); !written)
        return Failed(written.error());
    return {};
}

// ---- ResolveName ----

std::string ResolveName(std::string_view name, std::string_view context) {
    if (name.empty())
        return {};
    if (context.empty() || EqualNoCase(name, "[PUBLIC]") || EqualNoCase(name, "[ROOT]"))
        return std::string(name);
    if (name.find('.') == std::string_view::npos)
        return std::string(name) + "." + std::string(context);
    std::size_t k = 0;
    while (k < name.size() && name[name.size() - 1 - k] == '.')
        ++k;
    if (k == 0)
        return std::string(name) + "." + std::string(context);
    std::string_view bare = name.substr(0, name.size() - k);
    std::string_view rest = context;
    std::size_t consumed = 0;
    while (consumed < k) {
        std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos)
            break;
        rest.remove_prefix(dot + 1);
        ++consumed;
    }
    if (consumed == k)
        return std::string(bare) + "." + std::string(rest);
    return std::string(bare);
}

// ---- the report reader ----

namespace {

enum class State {
    How, // 0
    Object,
    Got,    // 1
    Rights, // 2
    To,     // 3
    Trustee,
    Inherited, // 4
    Filter,    // 5
    From,      // 6
    Above,     // 7
    Effective, // 9
    Property,  // 11
    Inherits,  // 12
    EquivTo,   // 13
    Rows,
    Assignments,
    AssignmentRow,
};

const char* Keyword(State s) {
    switch (s) {
    case State::How:
        return "HOW";
    case State::Got:
        return "GOT";
    case State::Rights:
        return "RIGHTS";
    case State::To:
        return "TO";
    case State::Inherited:
        return "INHERITED";
    case State::Filter:
        return "FILTER";
    case State::From:
        return "FROM";
    case State::Above:
        return "ABOVE";
    case State::Effective:
        return "EFFECTIVE";
    case State::Property:
        return "PROPERTY";
    case State::Inherits:
        return "INHERITS";
    case State::EquivTo:
        return "TO";
    default:
        return nullptr;
    }
}

constexpr std::size_t kRightsColumn = 65;
constexpr std::size_t kSecondRightsColumn = 72;
constexpr std::size_t kRightsEnd = 79;
constexpr std::size_t kNameEndColumn = 64;
constexpr std::string_view kGotRightsTo = " got rights to ";

class ReportReader {
public:
    explicit ReportReader(std::string_view text) : cursor_(text, false) {}

    // The next non-empty line becomes the current one, at column 1.
    bool ReadLine(bool counted) {
        const bool read = cursor_.ReadLine({.counted = counted, .skipEmpty = true, .trim = false});
        line_ = cursor_.Line();
        return read;
    }

    // The next blank-delimited word, upper-cased; empty at the end of the file.
    const std::string& NextToken() {
        scanner_.Reset(false);
        for (;;) {
            scanner_.SkipSpaces(line_);
            if (!scanner_.AtEnd(line_))
                break;
            if (!ReadLine(true))
                return scanner_.Token();
        }
        tokenStart_ = scanner_.Position();
        scanner_.ReadToSpace(line_);
        return scanner_.Token();
    }

    // The token plus the rest of the line.
    std::string TokenAndRest() {
        scanner_.ReadRest(line_, false);
        return scanner_.Token();
    }
    std::string Rest() {
        scanner_.ReadRest(line_, true);
        return scanner_.Token();
    }
    // From the current position up to column (exclusive), upper-cased.
    std::string UpTo(std::size_t column) {
        scanner_.Reset(false);
        scanner_.ReadToColumn(line_, column);
        return scanner_.Token();
    }
    std::string FromTokenStartUpTo(std::size_t column) {
        scanner_.SetPosition(tokenStart_);
        return UpTo(column);
    }
    std::size_t Find(std::string_view text) const { return line_.find(text); }

    void PassOverLine() { scanner_.SetPosition(line_.size() + 1); }

    // Columns 65 to 71 and 72 to 78, then the rest of the line passed over.
    std::pair<std::uint8_t, std::uint8_t> RightsPair() {
        scanner_.SetPosition(kRightsColumn);
        scanner_.Reset(false);
        scanner_.ReadToColumn(line_, kSecondRightsColumn);
        std::uint8_t first = RightsFromLetters(scanner_.Token());
        scanner_.SetPosition(kSecondRightsColumn);
        scanner_.Reset(false);
        scanner_.ReadToColumn(line_, kRightsEnd);
        std::uint8_t second = RightsFromLetters(scanner_.Token());
        PassOverLine();
        return {first, second};
    }

    // The table header: four lines, not counted; the fourth is the current one.
    void SkipTableHeader() {
        for (int i = 0; i < 4; ++i)
            if (!ReadLine(false))
                return;
    }
    void MoveOn() { ReadLine(false); }

    std::uint64_t LineNumber() const { return cursor_.LineNumber(); }
    bool Exhausted() const { return cursor_.AtLastLine(); }

private:
    TextReportCursor cursor_;
    LineScanner& scanner_ = cursor_.Scanner();
    std::string_view line_;
    std::size_t tokenStart_ = 1;
};

} // namespace

std::string NoRightsInformationText(std::string_view profile) {
    return "This directory holds no rights information (profile " + std::string(profile) + ").";
}

bool IsNoRightsInformation(std::string_view text) {
    return text.rfind("This directory holds no rights information", 0) == 0;
}

namespace {

// Reads a rights report into the sources' trustees, one state at a time.
class RightsParser {
public:
    RightsParser(std::string_view text, std::string_view context,
                 std::vector<SourceRights>& sources)
        : reader_(text), context_(context), sources_(sources) {}

    // False, with the error naming the line, when the report is refused;
    // the trustees of this report are then taken back.
    Result<void> Run();

private:
    // Reads what the current state expects; false when the report ends.
    bool Step();
    // The keyword the state expects, and the state that follows it.
    bool ReadKeyword(const char* keyword);
    void AfterKeyword();
    // The effective rights line of the current path or property.
    void TakeEffectiveRights();
    void ReadObjectName();
    void ReadTrustee();
    bool ReadRow();
    bool ReadAssignments();
    void ReadAssignmentRow();
    void TakeBack();

    TrusteeRights& Trustee() { return sources_[static_cast<std::size_t>(source_)].trustees.back(); }
    std::string WithContext(const std::string& name) const {
        return context_.empty() ? name : name + "." + std::string(context_);
    }

    ReportReader reader_;
    std::string_view context_;
    std::vector<SourceRights>& sources_;
    State state_ = State::How;
    State previous_ = State::How;
    bool propertyMode_ = false;
    bool direct_ = false;
    int source_ = -1;
    bool madeList_ = false;
    bool addedTrustee_ = false;
    // The assignment row starts at the token already read.
    bool reinterpret_ = false;
    std::string message_;
};

Result<void> RightsParser::Run() {
    while (message_.empty() && Step()) {
    }
    if (message_.empty() && state_ != State::Rows)
        message_ = "Missing Object Name or Property Name.";
    if (message_.empty())
        return {};
    std::string error = "Error on line : " + std::to_string(reader_.LineNumber()) + "\r" + message_;
    TakeBack();
    return Failed(std::move(error));
}

bool RightsParser::Step() {
    if (const char* keyword = Keyword(state_))
        return ReadKeyword(keyword);
    switch (state_) {
    case State::Object:
        ReadObjectName();
        return true;
    case State::Trustee:
        ReadTrustee();
        return true;
    case State::Rows:
        return ReadRow();
    case State::Assignments:
        return ReadAssignments();
    case State::AssignmentRow:
        ReadAssignmentRow();
        return true;
    default:
        return true;
    }
}

bool RightsParser::ReadKeyword(const char* keyword) {
    const std::string& token = reader_.NextToken();
    if (token.empty())
        return !reader_.Exhausted();
    if (token != keyword) {
        message_ = std::string(keyword) + " expected.";
        return false;
    }
    State left = state_;
    AfterKeyword();
    previous_ = left;
    return true;
}

void RightsParser::AfterKeyword() {
    switch (state_) {
    case State::How:
        propertyMode_ = false;
        state_ = State::Object;
        break;
    case State::Got:
        state_ = State::Rights;
        break;
    case State::Rights:
        if (previous_ == State::Got) {
            state_ = State::To;
        } else if (previous_ == State::Inherited) {
            state_ = State::Filter;
        } else if (previous_ == State::Effective) {
            TakeEffectiveRights();
            state_ = State::Rows;
        } else { // after "SELECTED PROPERTY"
            propertyMode_ = true;
            state_ = State::Rows;
        }
        break;
    case State::To:
        state_ = State::Trustee;
        break;
    case State::Inherited:
        state_ = State::Rights;
        break;
    case State::Filter: {
        auto [first, second] = reader_.RightsPair();
        Trustee().paths.back().filterObject = first;
        Trustee().paths.back().filterProperty = second;
        state_ = State::Inherits;
        break;
    }
    case State::Inherits:
        state_ = State::From;
        break;
    case State::From:
        state_ = State::Above;
        break;
    case State::Above: {
        auto [first, second] = reader_.RightsPair();
        Trustee().paths.back().inheritedObject = first;
        Trustee().paths.back().inheritedProperty = second;
        state_ = State::Assignments;
        break;
    }
    case State::Effective:
    case State::Property:
        state_ = State::Rights;
        break;
    case State::EquivTo:
        direct_ = false;
        state_ = State::AssignmentRow;
        break;
    default:
        break;
    }
}

void RightsParser::TakeEffectiveRights() {
    auto [first, second] = reader_.RightsPair();
    TrusteeRights& t = Trustee();
    if (propertyMode_) {
        if (!t.properties.empty())
            t.properties.back().effective = first | second;
    } else if (!t.paths.empty()) {
        t.paths.back().effectiveObject = first;
        t.paths.back().effectiveProperty = second;
    }
    reader_.MoveOn();
}

void RightsParser::ReadObjectName() {
    std::size_t at = reader_.Find(kGotRightsTo);
    std::string name =
        Trimmed(at == std::string_view::npos ? reader_.Rest() : reader_.UpTo(at + 1));
    source_ = FindSource(sources_, name);
    if (source_ < 0) {
        message_ = "Cannot generate report for : " + name;
        return;
    }
    previous_ = state_;
    state_ = State::Got;
}

void RightsParser::ReadTrustee() {
    std::string name = ResolveName(Trimmed(reader_.Rest()), context_);
    SourceRights& s = sources_[static_cast<std::size_t>(source_)];
    if (!s.hasTrustees) {
        s.hasTrustees = true;
        madeList_ = true;
    }
    s.trustees.push_back(TrusteeRights{name, {}, {}});
    addedTrustee_ = true;
    reader_.SkipTableHeader();
    previous_ = state_;
    state_ = State::Rows;
}

// A row of the table: a property, a path, or the line before the property
// table; false at the end of the file.
bool RightsParser::ReadRow() {
    const std::string& token = reader_.NextToken();
    if (token.empty())
        return false;
    if (propertyMode_) {
        Trustee().properties.push_back(PropertyRights{Trimmed(reader_.TokenAndRest()), 0, {}});
        previous_ = state_;
        state_ = State::Assignments;
    } else if (token.size() >= 75 && token[74] == '_') {
        reader_.PassOverLine();
    } else if (token == "SELECTED") {
        previous_ = state_;
        state_ = State::Property;
    } else {
        std::string name = ResolveName(Trimmed(reader_.TokenAndRest()), context_);
        Trustee().paths.push_back(PathEntry{name, 0, 0, 0, 0, 0, 0, {}});
        previous_ = state_;
        state_ = State::Inherited;
    }
    return true;
}

// What follows an assignment: the effective rights' rule, the equivalences,
// or another direct assignment; false at the end of the file.
bool RightsParser::ReadAssignments() {
    const std::string& token = reader_.NextToken();
    if (token.empty())
        return false;
    previous_ = state_;
    if (token == "______________" || token == "_______") {
        state_ = State::Effective;
    } else if (token == "EQUIVALENT") {
        state_ = State::EquivTo;
    } else {
        direct_ = true;
        reinterpret_ = true;
        state_ = State::AssignmentRow;
    }
    return true;
}

void RightsParser::ReadAssignmentRow() {
    std::string raw = reinterpret_ ? reader_.FromTokenStartUpTo(kNameEndColumn + 1)
                                   : reader_.UpTo(kNameEndColumn + 1);
    reinterpret_ = false;
    std::string name = Trimmed(raw);
    Assignment a;
    a.direct = direct_;
    a.name = direct_ ? WithContext(name) : ResolveName(name, context_);
    auto [first, second] = reader_.RightsPair();
    a.objectRights = first;
    a.propertyRights = second;
    TrusteeRights& t = Trustee();
    if (propertyMode_)
        t.properties.back().assignments.push_back(std::move(a));
    else
        t.paths.back().assignments.push_back(std::move(a));
    previous_ = state_;
    state_ = State::Assignments;
}

void RightsParser::TakeBack() {
    if (source_ < 0)
        return;
    SourceRights& s = sources_[static_cast<std::size_t>(source_)];
    if (addedTrustee_)
        s.trustees.pop_back();
    if (madeList_) {
        s.trustees.clear();
        s.hasTrustees = false;
    }
}

} // namespace

Result<void> ParseNDSRightsReportText(std::string_view text, std::string_view context,
                                      std::vector<SourceRights>& sources) {
    // The utility found no rights to report: its line is the error.
    if (IsNoRightsInformation(text))
        return Failed(std::string(text.substr(0, text.find_first_of("\r\n"))));
    return RightsParser(text, context, sources).Run();
}

Result<void> ParseNDSRightsReport(const std::string& path, std::string_view context,
                                  std::vector<SourceRights>& sources) {
    Result<std::string> text = ReadWholeFile(path, kMaxRightsReportBytes);
    if (!text)
        return Failed("Error on line : 0\rCould not open file.");
    return ParseNDSRightsReportText(*text, context, sources);
}

// ---- the report windows ----

int FindSource(const std::vector<SourceRights>& sources, std::string_view name) {
    for (std::size_t i = 0; i < sources.size(); ++i)
        if (EqualNoCase(sources[i].name, name))
            return static_cast<int>(i);
    return -1;
}

const TrusteeRights* FindTrustee(const SourceRights& source, std::string_view fullName) {
    for (const TrusteeRights& t : source.trustees)
        if (EqualNoCase(t.name, fullName))
            return &t;
    return nullptr;
}

const PathEntry* FindPath(const TrusteeRights& trustee, std::string_view fullName) {
    for (const PathEntry& p : trustee.paths)
        if (EqualNoCase(p.name, fullName))
            return &p;
    return nullptr;
}

std::optional<PathEntry> PathEntryForNode(const TrusteeRights& trustee,
                                          const std::vector<std::string>& chain) {
    for (std::size_t i = 0; i < chain.size(); ++i) {
        const PathEntry* found = FindPath(trustee, chain[i]);
        if (!found)
            continue;
        if (i == 0)
            return *found;
        PathEntry made;
        made.name = chain[0];
        made.filterObject = found->filterObject;
        made.filterProperty = found->filterProperty;
        made.inheritedObject = made.effectiveObject = found->effectiveObject;
        made.inheritedProperty = made.effectiveProperty = found->effectiveProperty;
        return made;
    }
    return std::nullopt;
}

std::vector<std::string> RightsRows(const PathEntry& entry) {
    std::vector<std::string> rows{std::string(kRowFilter), std::string(kRowInherited)};
    for (const Assignment& a : entry.assignments)
        rows.push_back(a.name);
    rows.emplace_back(kRowEffective);
    return rows;
}

std::pair<std::uint8_t, std::uint8_t> RowRights(const PathEntry& entry, std::size_t row) {
    const std::size_t last = entry.assignments.size() + 2;
    if (row == 0)
        return {entry.filterObject, entry.filterProperty};
    if (row == 1)
        return {entry.inheritedObject, entry.inheritedProperty};
    if (row >= last)
        return {entry.effectiveObject, entry.effectiveProperty};
    const std::string& name = entry.assignments[row - 2].name;
    for (const Assignment& a : entry.assignments)
        if (a.name == name)
            return {a.objectRights, a.propertyRights};
    return {0, 0};
}

std::vector<std::string> PropertyRows(const PropertyRights& property) {
    std::vector<std::string> rows;
    for (const Assignment& a : property.assignments)
        rows.push_back(a.name);
    rows.emplace_back(kRowEffective);
    return rows;
}

std::uint8_t PropertyRowRights(const PropertyRights& property, std::size_t row) {
    if (row >= property.assignments.size())
        return property.effective;
    const std::string& name = property.assignments[row].name;
    for (const Assignment& a : property.assignments)
        if (a.name == name)
            return a.propertyRights;
    return 0;
}

const std::vector<RightsMark>& RightsMarks() {
    static const std::vector<RightsMark> marks{
        {"Object Rights:", "Supervisor", kRightS, false},
        {"Object Rights:", "Browse", kRightB, false},
        {"Object Rights:", "Create", kRightC, false},
        {"Object Rights:", "Delete", kRightD, false},
        {"Object Rights:", "Rename", kRightR, false},
        {"Property Rights:", "Supervisor", kRightS, true},
        {"Property Rights:", "Compare", kRightC, true},
        {"Property Rights:", "Read", kRightR, true},
        {"Property Rights:", "Write", kRightW, true},
        {"Property Rights:", "Add Self", kRightA, true},
    };
    return marks;
}

std::string ReportFailedText(std::string_view targetFullName) {
    return "The NDS rights report generation for : " + std::string(targetFullName) + "\r" +
           "failed.";
}

std::string NoReportsText(std::string_view objectText) {
    return "The NDS rights report generation for : \r" + std::string(objectText) + " failed.";
}

} // namespace qv::utilities
