#include "utilities/file_rights.h"

#include "core/ascii_text.h"

#include "files/file_access.h"
#include "files/line_scanner.h"
#include "files/text_report.h"
#include "utilities/nds_rights.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace qv::utilities {

namespace {

// A RIGHTS report is a few lines per folder level; anything far larger is
// not one.
constexpr std::uint64_t kMaxReportBytes = 16u << 20;

std::string Cut(std::string text) {
    if (text.size() > kMaxFileRightsName)
        text.resize(kMaxFileRightsName);
    return text;
}

std::string TrimBlanks(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && s[b] == ' ')
        ++b;
    while (e > b && s[e - 1] == ' ')
        --e;
    return std::string(s.substr(b, e - b));
}

// The states of the reader. Rights1 is "RIGHTS" after "INHERITED", Rights2
// "RIGHTS" after "EFFECTIVE".
enum class State {
    Name,
    Rows,
    Inherited,
    Rights1,
    Filter,
    Inherits,
    From,
    Above,
    Effective,
    Rights2
};

const char* Keyword(State s) {
    switch (s) {
    case State::Name:
        return "NAME";
    case State::Inherited:
        return "INHERITED";
    case State::Rights1:
    case State::Rights2:
        return "RIGHTS";
    case State::Filter:
        return "FILTER";
    case State::Inherits:
        return "INHERITS";
    case State::From:
        return "FROM";
    case State::Above:
        return "ABOVE";
    default:
        return nullptr;
    }
}

struct Rejected {
    std::string message;
};

class ReportParser {
public:
    explicit ReportParser(std::string_view text) : cursor_(text, false) {}

    void Run(FileRightsReport& report);
    std::uint64_t LineNumber() const { return cursor_.LineNumber(); }

private:
    void NextLine();
    // Reads the next line without counting it and leaves it unread from
    // column 1 (dropLine) or read to its end (pass over).
    void ReadUncounted(bool keepForScanning);
    std::uint8_t RightsColumn();
    FilePathEntry& Current(FileRightsReport& report) {
        if (report.entries.empty())
            report.entries.emplace_back();
        return report.entries.back();
    }

    TextReportCursor cursor_;
    LineScanner& sc_ = cursor_.Scanner();
    std::string_view line_;
    bool haveLine_ = false;
    bool end_ = false;
};

void ReportParser::NextLine() {
    if (haveLine_ && !sc_.AtEnd(line_) && !line_.empty()) {
        sc_.SkipSpaces(line_);
        sc_.Reset(false);
    } else {
        cursor_.ReadLine({.counted = true, .skipEmpty = true, .trim = false});
        line_ = cursor_.Line();
        haveLine_ = true;
        sc_.SkipSpaces(line_);
    }
    end_ = cursor_.AtLastLine();
}

void ReportParser::ReadUncounted(bool keepForScanning) {
    cursor_.ReadLine({.counted = false, .skipEmpty = false, .trim = false});
    line_ = cursor_.Line();
    haveLine_ = true;
    if (!keepForScanning)
        sc_.ReadRest(line_, true);
}

std::uint8_t ReportParser::RightsColumn() {
    sc_.SetPosition(68);
    std::string letters;
    for (std::size_t col = 68; col <= 77 && col <= line_.size(); ++col)
        letters += line_[col - 1];
    sc_.ReadRest(line_, true);
    return FileRightsByte(letters);
}

void ReportParser::Run(FileRightsReport& report) {
    State state = State::Name;
    while (!end_) {
        NextLine();
        const char* keyword = Keyword(state);
        if (keyword)
            sc_.ReadWord(line_);
        else
            sc_.ReadToSpace(line_);
        const std::string token = sc_.Token();
        if (token.empty()) {
            // A character that is no letter where a keyword is due is a
            // different token; a blank rest of a line is passed over.
            if (keyword && !sc_.AtEnd(line_))
                throw Rejected{std::string(keyword) + " expected."};
            sc_.ReadRest(line_, true);
            continue;
        }
        if (keyword && token != keyword)
            throw Rejected{std::string(keyword) + " expected."};
        switch (state) {
        case State::Name: {
            if (sc_.Current(line_) != '=')
                throw Rejected{"\"=\" expected."};
            sc_.Advance(1);
            sc_.SkipSpaces(line_);
            sc_.ReadRest(line_, true);
            report.objectName = Cut(TrimBlanks(sc_.Token()));
            ReadUncounted(false);
            ReadUncounted(false);
            state = State::Rows;
            break;
        }
        case State::Rows: {
            sc_.ReadRest(line_, false);
            FilePathEntry e;
            e.text = Cut(TrimBlanks(sc_.Token()));
            report.entries.push_back(std::move(e));
            state = State::Inherited;
            break;
        }
        case State::Inherited:
            state = State::Rights1;
            break;
        case State::Rights1:
            state = State::Filter;
            break;
        case State::Filter:
            Current(report).filter = RightsColumn();
            state = State::Inherits;
            break;
        case State::Inherits:
            state = State::From;
            break;
        case State::From:
            state = State::Above;
            break;
        case State::Above:
            Current(report).inherited = RightsColumn();
            state = State::Effective;
            break;
        case State::Effective:
            if (token == "EQUIVALENT" || token == "----------") {
                ReadUncounted(true);
                break;
            }
            if (token != "EFFECTIVE")
                throw Rejected{"EFFECTIVE expected."};
            state = State::Rights2;
            break;
        case State::Rights2:
            Current(report).effective = RightsColumn();
            ReadUncounted(false);
            state = State::Rows;
            break;
        }
    }
    if (state != State::Rows)
        throw Rejected{"Unexpected end of file"};
}

std::string ErrorText(std::uint64_t line, std::string_view message) {
    return "Error on line : " + std::to_string(line) + "\r" + std::string(message);
}

} // namespace

std::uint8_t FileRightsByte(std::string_view letters) {
    std::uint8_t bits = 0;
    for (char c : letters) {
        std::size_t i = kFileRightsLetters.find(c);
        if (i != std::string_view::npos)
            bits = static_cast<std::uint8_t>(bits | (1u << i));
    }
    return bits;
}

std::string FileRightsText(std::uint8_t rights) {
    std::string out(8, '-');
    for (std::size_t i = 0; i < 8; ++i)
        if (rights & (1u << i))
            out[i] = kFileRightsLetters[i];
    return out;
}

std::string DirectoryWithoutDrive(std::string_view directory) {
    std::size_t colon = directory.find(':');
    std::string_view rest =
        colon == std::string_view::npos ? directory : directory.substr(colon + 1);
    if (!rest.empty() && rest.front() == '\\')
        rest.remove_prefix(1);
    return std::string(rest);
}

std::string FileRightsReportName(std::size_t n) {
    return std::string(kFileRightsPrefix) + std::to_string(n) + ".TXT";
}

std::string FileRightsBatchText(std::string_view context, char drive, std::string_view directory,
                                const std::vector<std::string>& leaves) {
    const std::string_view eol = "\r\n";
    std::string out = "CX \".";
    if (context != "[ROOT]")
        out += context;
    out += "\"";
    out += eol;
    out += drive;
    out += ":";
    out += eol;
    out += "CD \"\\" + DirectoryWithoutDrive(directory) + "\"";
    out += eol;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        out += "RIGHTS . /I /NAME=\"" + leaves[i] + "\" > " + FileRightsReportName(i + 1);
        out += eol;
    }
    return out;
}

Result<void> WriteFileRightsBatch(const std::string& folder, std::string_view text) {
    const std::string path =
        (std::filesystem::path(folder.empty() ? std::string(".") : folder) / kFileRightsBatch)
            .string();
    // Replaced as a whole, never written in place: a link is followed to its
    // file, and a FIFO, device or folder of that name is refused.
    if (Result<FileIdentity> written = ReplaceFileAtomically(path, text); !written)
        return Failed(written.error());
    return {};
}

int DeleteOldFileRightsReports(const std::string& folder) {
    return DeleteReportFiles(folder, kFileRightsPrefix);
}

Result<void> ParseFileRightsReportText(std::string_view text, FileRightsReports& reports) {
    // The utility found no rights to report: its line is the error.
    if (IsNoRightsInformation(text))
        return Failed(std::string(text.substr(0, text.find_first_of("\r\n"))));
    ReportParser parser(text);
    FileRightsReport report;
    try {
        parser.Run(report);
    } catch (const Rejected& r) {
        return Failed(ErrorText(parser.LineNumber(), r.message));
    }
    reports.push_back(std::move(report));
    return {};
}

Result<void> ParseFileRightsReport(const std::string& path, FileRightsReports& reports) {
    Result<std::string> bytes = ReadWholeFile(path, kMaxReportBytes);
    if (!bytes)
        return Failed(ErrorText(0, "Could not open file."));
    return ParseFileRightsReportText(*bytes, reports);
}

std::vector<std::string> FileRightsHierarchy(const FileRightsReport& first) {
    std::vector<std::string> chain;
    if (first.entries.empty())
        return chain;
    chain.push_back(first.entries.front().text);
    for (std::size_t i = 1; i < first.entries.size(); ++i) {
        std::string prefix = first.entries[i - 1].text;
        if (i > 1)
            prefix += '\\';
        const std::string& text = first.entries[i].text;
        chain.push_back(text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size())
                                                                    : text);
    }
    return chain;
}

std::string FileRightsNodePath(const std::vector<std::string>& chain, std::size_t depth) {
    if (chain.empty())
        return {};
    if (depth == 0)
        return chain.front();
    std::string path = chain.front();
    if (!path.empty())
        path.pop_back();
    for (std::size_t i = 1; i <= depth && i < chain.size(); ++i)
        path += "\\" + chain[i];
    return path;
}

const FilePathEntry* FindFilePathEntry(const FileRightsReport& report, std::string_view path) {
    for (const FilePathEntry& e : report.entries)
        if (e.text == path)
            return &e;
    return nullptr;
}

std::uint8_t FileRightsRowByte(const FilePathEntry& entry, int row) {
    switch (row) {
    case 0:
        return entry.filter;
    case 1:
        return entry.inherited;
    default:
        return entry.effective;
    }
}

FileRightsMarksView FileRightsMarksFor(const FileRightsReport& report,
                                       const std::vector<std::string>& chain, std::size_t depth,
                                       int row) {
    FileRightsMarksView view;
    if (row < 0 || row > 2)
        row = 0;
    view.label = std::string(kFileRightsRows[static_cast<std::size_t>(row)]) + ":";
    const FilePathEntry* entry = FindFilePathEntry(report, FileRightsNodePath(chain, depth));
    if (!entry)
        return view;
    view.found = true;
    const std::uint8_t bits = FileRightsRowByte(*entry, row);
    for (std::size_t i = 0; i < kFileRightsMarks.size(); ++i)
        view.enabled[i] = (bits & kFileRightsMarks[i].bit) != 0;
    return view;
}

} // namespace qv::utilities
