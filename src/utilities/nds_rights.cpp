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

bool WriteRightsBatch(const std::string& folder, std::string_view text, std::string& error) {
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + kRightsBatchFile;
    // Replaced as a whole, never written in place: a link is followed to its
    // file, and a FIFO, device or folder of that name is refused.
    return ReplaceFileAtomically(path, text, error);
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

bool ParseNDSRightsReportText(std::string_view text, std::string_view context, std::string& error,
                              std::vector<SourceRights>& sources) {
    // The utility found no rights to report: its line is the error.
    if (IsNoRightsInformation(text)) {
        error = std::string(text.substr(0, text.find_first_of("\r\n")));
        return false;
    }
    ReportReader reader(text);
    State state = State::How;
    State previous = State::How;
    bool propertyMode = false;
    bool direct = false;
    int source = -1;
    bool madeList = false;
    bool addedTrustee = false;
    std::string message;

    auto trustee = [&]() -> TrusteeRights& {
        return sources[static_cast<std::size_t>(source)].trustees.back();
    };
    auto withContext = [&](const std::string& name) {
        return context.empty() ? name : name + "." + std::string(context);
    };

    bool reinterpret = false;
    while (message.empty()) {
        const char* keyword = Keyword(state);
        if (keyword) {
            const std::string& token = reader.NextToken();
            if (token.empty()) {
                if (reader.Exhausted())
                    break;
                continue;
            }
            if (token != keyword) {
                message = std::string(keyword) + " expected.";
                break;
            }
            State left = state;
            switch (state) {
            case State::How:
                propertyMode = false;
                state = State::Object;
                break;
            case State::Got:
                state = State::Rights;
                break;
            case State::Rights:
                if (previous == State::Got) {
                    state = State::To;
                } else if (previous == State::Inherited) {
                    state = State::Filter;
                } else if (previous == State::Effective) {
                    auto [first, second] = reader.RightsPair();
                    TrusteeRights& t = trustee();
                    if (propertyMode) {
                        if (!t.properties.empty())
                            t.properties.back().effective = first | second;
                    } else if (!t.paths.empty()) {
                        t.paths.back().effectiveObject = first;
                        t.paths.back().effectiveProperty = second;
                    }
                    reader.MoveOn();
                    state = State::Rows;
                } else { // after "SELECTED PROPERTY"
                    propertyMode = true;
                    state = State::Rows;
                }
                break;
            case State::To:
                state = State::Trustee;
                break;
            case State::Inherited:
                state = State::Rights;
                break;
            case State::Filter: {
                auto [first, second] = reader.RightsPair();
                trustee().paths.back().filterObject = first;
                trustee().paths.back().filterProperty = second;
                state = State::Inherits;
                break;
            }
            case State::Inherits:
                state = State::From;
                break;
            case State::From:
                state = State::Above;
                break;
            case State::Above: {
                auto [first, second] = reader.RightsPair();
                trustee().paths.back().inheritedObject = first;
                trustee().paths.back().inheritedProperty = second;
                state = State::Assignments;
                break;
            }
            case State::Effective:
                state = State::Rights;
                break;
            case State::Property:
                state = State::Rights;
                break;
            case State::EquivTo:
                direct = false;
                state = State::AssignmentRow;
                break;
            default:
                break;
            }
            previous = left;
            continue;
        }

        switch (state) {
        case State::Object: {
            std::size_t at = reader.Find(kGotRightsTo);
            std::string name =
                Trimmed(at == std::string_view::npos ? reader.Rest() : reader.UpTo(at + 1));
            source = FindSource(sources, name);
            if (source < 0) {
                message = "Cannot generate report for : " + name;
                break;
            }
            previous = state;
            state = State::Got;
            break;
        }
        case State::Trustee: {
            std::string name = ResolveName(Trimmed(reader.Rest()), context);
            SourceRights& s = sources[static_cast<std::size_t>(source)];
            if (!s.hasTrustees) {
                s.hasTrustees = true;
                madeList = true;
            }
            s.trustees.push_back(TrusteeRights{name, {}, {}});
            addedTrustee = true;
            reader.SkipTableHeader();
            previous = state;
            state = State::Rows;
            break;
        }
        case State::Rows: {
            const std::string& token = reader.NextToken();
            if (token.empty())
                goto done;
            if (propertyMode) {
                trustee().properties.push_back(
                    PropertyRights{Trimmed(reader.TokenAndRest()), 0, {}});
                previous = state;
                state = State::Assignments;
            } else if (token.size() >= 75 && token[74] == '_') {
                reader.PassOverLine();
            } else if (token == "SELECTED") {
                previous = state;
                state = State::Property;
            } else {
                std::string name = ResolveName(Trimmed(reader.TokenAndRest()), context);
                trustee().paths.push_back(PathEntry{name, 0, 0, 0, 0, 0, 0, {}});
                previous = state;
                state = State::Inherited;
            }
            break;
        }
        case State::Assignments: {
            const std::string& token = reader.NextToken();
            if (token.empty())
                goto done;
            previous = state;
            if (token == "______________" || token == "_______") {
                state = State::Effective;
            } else if (token == "EQUIVALENT") {
                state = State::EquivTo;
            } else {
                direct = true;
                reinterpret = true;
                state = State::AssignmentRow;
            }
            break;
        }
        case State::AssignmentRow: {
            std::string raw = reinterpret ? reader.FromTokenStartUpTo(kNameEndColumn + 1)
                                          : reader.UpTo(kNameEndColumn + 1);
            reinterpret = false;
            std::string name = Trimmed(raw);
            Assignment a;
            a.direct = direct;
            a.name = direct ? withContext(name) : ResolveName(name, context);
            auto [first, second] = reader.RightsPair();
            a.objectRights = first;
            a.propertyRights = second;
            TrusteeRights& t = trustee();
            if (propertyMode)
                t.properties.back().assignments.push_back(std::move(a));
            else
                t.paths.back().assignments.push_back(std::move(a));
            previous = state;
            state = State::Assignments;
            break;
        }
        default:
            break;
        }
    }
done:
    if (message.empty() && state != State::Rows)
        message = "Missing Object Name or Property Name.";
    if (message.empty())
        return true;
    error = "Error on line : " + std::to_string(reader.LineNumber()) + "\r" + message;
    if (source >= 0) {
        SourceRights& s = sources[static_cast<std::size_t>(source)];
        if (addedTrustee)
            s.trustees.pop_back();
        if (madeList) {
            s.trustees.clear();
            s.hasTrustees = false;
        }
    }
    return false;
}

bool ParseNDSRightsReport(const std::string& path, std::string_view context, std::string& error,
                          std::vector<SourceRights>& sources) {
    std::string text, why;
    if (!ReadWholeFile(path, text, why, kMaxRightsReportBytes)) {
        error = "Error on line : 0\rCould not open file.";
        return false;
    }
    return ParseNDSRightsReportText(text, context, error, sources);
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
