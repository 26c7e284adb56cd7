#include "utilities/default_servers.h"

#include "core/ascii_text.h"

#include "core/entries.h"
#include "files/file_access.h"
#include "files/import_support.h"
#include "files/line_scanner.h"
#include "files/text_report.h"
#include "utilities/nlist_report.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace qv::utilities {

namespace {

// NLIST output can be long, but not this long.
constexpr std::uint64_t kMaxDefaultServerFileBytes = std::uint64_t{1} << 30;

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(UpperAscii(x)) <
               static_cast<unsigned char>(UpperAscii(y));
    });
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

enum class State {
    ExpectObject,
    ExpectCurrent,
    ExpectContext,
    ExpectUser,
    ExpectLast,
    ExpectName,
    ExpectServer,
    ExpectValue,
    AfterLastName,
};

// The parser of NLIST's "User SHOW "Default Server", "Last Name"" listing.
class Parser {
public:
    Parser(std::string_view text, DefaultServerContexts& contexts)
        : contexts_(contexts), cursor_(text, false) {}

    // Empty on success, else the failure message.
    std::string Run() {
        if (!ReadLine())
            return EndCheck();
        for (;;) {
            if (!NextToken())
                return EndCheck();
            if (Contains(line_, "in this context"))
                state_ = State::ExpectValue;
            std::string failure = Act();
            if (!failure.empty())
                return failure;
        }
    }

    std::uint64_t LineNumber() const { return cursor_.LineNumber(); }
    std::size_t Column() const { return scanner_.Position(); }

private:
    // Reads the next non-empty line. False when the line read is the last
    // line of the file: it is then left to the end check.
    bool ReadLine() {
        for (;;) {
            const bool read = cursor_.ReadLine({.counted = true, .skipEmpty = false, .trim = true});
            line_ = cursor_.Line();
            if (!read || cursor_.AtLastLine())
                return false;
            if (!line_.empty())
                return true;
        }
    }

    bool NextToken() {
        scanner_.Reset(false);
        scanner_.SkipSpaces(line_);
        if (scanner_.AtEnd(line_) && !ReadLine())
            return false;
        scanner_.ReadToSpace(line_);
        return true;
    }

    void SkipRest() { scanner_.SetPosition(line_.size() + 1); }
    std::string TokenAndRest() {
        scanner_.ReadRest(line_, false);
        return scanner_.Token();
    }

    std::string Keyword(std::string_view keyword, State previous, State next) {
        if (scanner_.Token() != keyword)
            return "\"" + std::string(keyword) + "\" expected.";
        previous_ = previous;
        state_ = next;
        return {};
    }

    void AppendUser(std::string name) {
        if (!contexts_.empty())
            contexts_.back().users.push_back(std::move(name));
        state_ = State::ExpectLast;
        previous_ = State::ExpectUser;
    }

    // AfterLastName, and the value after "Last Name:" (value: a token other
    // than USER: or DEFAULT passes the line over instead of failing).
    std::string UserOrDefault(bool value) {
        const std::string& token = scanner_.Token();
        if (token == "USER:") {
            scanner_.ReadRest(line_, true);
            AppendUser(std::string(TrimText(scanner_.Token())));
        } else if (token == "DEFAULT") {
            state_ = State::ExpectServer;
            previous_ = State::AfterLastName;
        } else if (value) {
            SkipRest();
            state_ = State::AfterLastName;
            previous_ = State::ExpectValue;
        } else {
            return "Expecting \"USER\" or \"DEFAULT\"";
        }
        return {};
    }

    std::string Value() {
        if (Contains(line_, "in this context.")) {
            SkipRest();
            state_ = State::ExpectObject;
            return {};
        }
        switch (previous_) {
        case State::ExpectContext: {
            if (scanner_.Token().empty())
                return "Context name expected.";
            contexts_.push_back({TokenAndRest(), {}, false});
            state_ = State::ExpectUser;
            previous_ = State::ExpectValue;
            return {};
        }
        case State::ExpectUser:
            AppendUser(std::string(TrimText(TokenAndRest())));
            return {};
        case State::ExpectName:
            return UserOrDefault(true);
        case State::ExpectServer: {
            std::string server = TokenAndRest();
            if (!contexts_.empty() && !contexts_.back().users.empty()) {
                std::string& last = contexts_.back().users.back();
                last.push_back(kServerSeparator);
                last += server;
            }
            state_ = State::ExpectUser;
            previous_ = State::ExpectValue;
            return {};
        }
        default:
            return {};
        }
    }

    std::string Act() {
        switch (state_) {
        case State::ExpectObject: {
            std::string failure = Keyword("OBJECT", State::ExpectObject, State::ExpectCurrent);
            if (failure.empty())
                SkipRest();
            return failure;
        }
        case State::ExpectCurrent:
            return Keyword("CURRENT", State::ExpectCurrent, State::ExpectContext);
        case State::ExpectContext:
            return Keyword("CONTEXT:", State::ExpectContext, State::ExpectValue);
        case State::ExpectUser:
            return Keyword("USER:", State::ExpectUser, State::ExpectValue);
        case State::ExpectLast:
            return Keyword("LAST", State::ExpectLast, State::ExpectName);
        case State::ExpectName: {
            std::string failure = Keyword("NAME:", State::ExpectName, State::AfterLastName);
            if (failure.empty())
                SkipRest();
            return failure;
        }
        case State::ExpectServer:
            return Keyword("SERVER:", State::ExpectServer, State::ExpectValue);
        case State::ExpectValue:
            return Value();
        case State::AfterLastName:
            return UserOrDefault(false);
        }
        return {};
    }

    std::string EndCheck() const {
        if (Contains(line_, "found.") && state_ == State::ExpectObject)
            return {};
        return "Unexpected end of file.";
    }

    DefaultServerContexts& contexts_;
    TextReportCursor cursor_;
    LineScanner& scanner_ = cursor_.Scanner();
    std::string_view line_;
    State state_ = State::ExpectObject;
    State previous_ = State::ExpectObject;
};

void Failed(std::string_view fileName, const std::string& message, std::uint64_t line,
            std::size_t column, DefaultServerContexts& contexts, std::vector<std::string>& memo) {
    memo.push_back("Error parsing file : " + std::string(fileName));
    memo.push_back(message);
    memo.push_back("Line :" + std::to_string(line) + " Column : " + std::to_string(column));
    memo.emplace_back();
    contexts.clear();
}

std::string PadTo35(std::string_view text) {
    std::string out(text);
    if (out.size() < 35)
        out.append(35 - out.size(), ' ');
    return out;
}

// Pre-order positions of the nodes of the tree.
void WalkPreOrder(ObjectNode* root, const std::function<bool(ObjectNode*, int)>& visit) {
    if (!root)
        return;
    std::vector<ObjectNode*> stack{root};
    int index = 0;
    while (!stack.empty()) {
        ObjectNode* node = stack.back();
        stack.pop_back();
        if (!visit(node, index++))
            return;
        for (std::size_t i = node->ChildCount(); i-- > 0;)
            stack.push_back(node->Child(i));
    }
}

} // namespace

std::string DefaultServerCommandText(std::string_view contextText) {
    return "NLIST User SHOW \"Default Server\", \"Last Name\" /s /co " + std::string(contextText);
}

std::string DefaultServerContextText(const TreeDesign& design, const ObjectNode* node) {
    return "." + design.FullContext(node);
}

bool ParseDefaultServerText(std::string_view text, std::string_view fileName,
                            DefaultServerContexts& contexts, std::vector<std::string>& memo) {
    contexts.clear();
    // NLIST on a directory that holds no default servers says so instead of
    // listing users: that line is what the report shows.
    if (text.substr(0, std::strlen(kNoDefaultServerLead)) == kNoDefaultServerLead) {
        memo.emplace_back(text.substr(0, text.find_first_of("\r\n")));
        return false;
    }
    Parser parser(text, contexts);
    std::string failure = parser.Run();
    if (!failure.empty()) {
        Failed(fileName, failure, parser.LineNumber(), parser.Column(), contexts, memo);
        return false;
    }
    memo.emplace_back();
    memo.push_back("Successfully parsed file : " + std::string(fileName));
    return true;
}

bool ParseDefaultServerFile(const std::string& path, DefaultServerContexts& contexts,
                            std::vector<std::string>& memo) {
    Result<std::string> text = ReadWholeFile(path, kMaxDefaultServerFileBytes);
    if (!text) {
        Failed(path, "Cannot open file.", 0, 1, contexts, memo);
        return false;
    }
    return ParseDefaultServerText(*text, path, contexts, memo);
}

bool ParseDefaultServerFile(DefaultServerContexts& contexts, std::vector<std::string>& memo) {
    return ParseDefaultServerFile(kDefaultServerFile, contexts, memo);
}

// ---------------------------------------------------------------- waiting

namespace {
int tickBase = 0;
constexpr std::array<const char*, 4> kLabels = {
    "Generating Default Server Report.", "Generating Default Server Report..",
    "Generating Default Server Report...", "Generating Default Server Report"};
} // namespace

DefaultServerWait::DefaultServerWait(Census census, std::function<void()> startCommand)
    : census_(std::move(census)), start_(std::move(startCommand)),
      label_("Generating Default Server Report") {}

int DefaultServerWait::TickBase() {
    return tickBase;
}

void DefaultServerWait::Start() {
    launch_ = 0;
    step_ = 0;
    busy_ = 0;
    running_ = true;
    startFailed_ = false;
    gaveUp_ = false;
    ClearStartFailure();
}

bool DefaultServerWait::Tick() {
    if (!running_)
        return false;
    label_ = kLabels[static_cast<std::size_t>(step_)];
    step_ = (step_ + 1) % 4;
    if (census_() != 0) {
        if (launch_ > 0 && ++busy_ > tickLimit_) {
            running_ = false;
            gaveUp_ = true;
            EndStartedCommands(kDefaultServerMarker);
            return true;
        }
        return false;
    }
    if (launch_ == 0) {
        start_();
        launch_ = 1;
        tickBase = 0;
        if (!LastStartFailure().empty()) {
            running_ = false;
            startFailed_ = true;
            return true;
        }
        return false;
    }
    if (tickBase == 0)
        tickBase = launch_;
    ++launch_;
    if (launch_ > tickBase + 10) {
        running_ = false;
        return true;
    }
    return false;
}

bool DefaultServerWait::Abort(const std::function<bool(std::string_view)>& askYesNo) {
    if (!running_)
        return true;
    running_ = false;
    if (askYesNo(kDefaultServerAbortQuestion))
        return true;
    running_ = true;
    return false;
}

void DeleteOldDefaultServerReport(const std::string& folder) {
    const std::string path =
        (folder.empty() ? std::string(".") : folder) + "/" + kDefaultServerFile;
    struct stat st {};
    if (lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
        unlink(path.c_str());
}

std::vector<std::string> DefaultServerRunProblems(const DefaultServerWait& wait,
                                                  const InterpreterLogWatch& log) {
    if (wait.StartFailed())
        return {LastStartFailure()};
    if (wait.GaveUp()) {
        // Memo lines: the message's lines one by one.
        std::vector<std::string> lines;
        const std::string text = GaveUpMessage("NLIST", wait.TickLimit());
        std::size_t start = 0;
        for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1)
            lines.push_back(text.substr(start, cr - start));
        lines.push_back(text.substr(start));
        return lines;
    }
    return log.NewLines();
}

// ---------------------------------------------------------------- locating

ObjectNode* NodeAtAbsoluteIndex(const TreeDesign& design, int index) {
    ObjectNode* found = nullptr;
    if (index < 0)
        return nullptr;
    WalkPreOrder(design.Root(), [&](ObjectNode* node, int i) {
        if (i == index)
            found = node;
        return found == nullptr;
    });
    return found;
}

int AbsoluteIndexOf(const TreeDesign& design, const ObjectNode* node) {
    int found = -1;
    WalkPreOrder(design.Root(), [&](ObjectNode* n, int i) {
        if (n == node)
            found = i;
        return found == -1;
    });
    return found;
}

namespace {
int FindPartitionNoCase(const TreeDesign& design, std::string_view name) {
    for (std::size_t i = 0; i < design.partitions.Size(); ++i)
        if (EqualNoCase(design.partitions.Name(i), name))
            return static_cast<int>(i);
    return -1;
}
} // namespace

std::vector<LocatedContext> LocateContexts(TreeDesign& design,
                                           const DefaultServerContexts& contexts) {
    std::vector<LocatedContext> located(contexts.size());
    std::unordered_map<const ObjectNode*, int> positions;
    WalkPreOrder(design.Root(), [&](ObjectNode* node, int i) {
        positions[node] = i;
        return true;
    });
    for (std::size_t c = 0; c < contexts.size(); ++c) {
        LocatedContext& out = located[c];
        if (c >= kMaxLocatedContexts) {
            out.beyondLimit = true;
            continue;
        }
        std::string_view name = contexts[c].name;
        ObjectNode* node = design.FindNodeByNameOrContext(name, true);
        bool shortened = false;
        while (!node) {
            std::size_t dot = name.find('.');
            if (dot == std::string_view::npos)
                break;
            name.remove_prefix(dot + 1);
            shortened = true;
            node = design.FindNodeByNameOrContext(name, true);
        }
        if (!node)
            continue;
        ObjectNode* root = node;
        while (root && !root->IsPartitionRoot())
            root = root->Parent();
        if (!root || FindPartitionNoCase(design, design.FullContext(root)) < 0)
            continue;
        out.image = shortened ? kShortenedContextImage : node->ClassIndex();
        out.rootIndex = positions[root];
    }
    return located;
}

std::vector<std::string> RecommendedServers(const TreeDesign& design, const ObjectNode* root) {
    std::vector<std::string> servers;
    int p = FindPartitionNoCase(design, design.FullContext(root));
    if (p < 0)
        return servers;
    for (const std::string& replica : design.partitions.Entries(static_cast<std::size_t>(p))) {
        if (Contains(replica, "*SUB/REF*") || Contains(replica, "*READ/ONLY*"))
            continue;
        servers.push_back(replica.substr(0, replica.find('*')));
    }
    std::stable_sort(servers.begin(), servers.end(), LessNoCase);
    return servers;
}

// ---------------------------------------------------------------- users

void SortUsers(DefaultServerContext& context) {
    if (context.sorted)
        return;
    std::stable_sort(context.users.begin(), context.users.end(), LessNoCase);
    context.sorted = true;
}

std::string UserName(std::string_view item) {
    return std::string(item.substr(0, item.find(kServerSeparator)));
}

std::string DefaultServerShortName(std::string_view item) {
    std::size_t sep = item.find(kServerSeparator);
    if (sep == std::string_view::npos)
        return "NONE";
    std::string_view server = item.substr(sep + 1);
    return std::string(server.substr(0, server.find('.')));
}

int FindUserItem(const DefaultServerContext& context, std::string_view user) {
    std::string_view wanted = user.substr(0, std::min<std::size_t>(user.size(), 80));
    for (std::size_t i = 0; i < context.users.size(); ++i) {
        std::string name = UserName(context.users[i]);
        if (std::string_view(name).substr(0, std::min<std::size_t>(name.size(), 80)) == wanted)
            return static_cast<int>(i);
    }
    return -1;
}

std::vector<std::string> BuildDefaultServerSummary(const DefaultServerContext& context,
                                                   std::string_view partitionRoot,
                                                   const std::vector<std::string>& recommended) {
    std::vector<std::string> lines;
    lines.push_back("Context                         : " + context.name);
    lines.push_back("Partition Root                  : " + std::string(partitionRoot));
    lines.push_back("Recommended Default Server List :");
    for (const std::string& server : recommended)
        lines.push_back("  Server : " + server);
    lines.emplace_back();
    lines.push_back(PadTo35("USERS") + "DEFAULT SERVERS");
    lines.emplace_back();
    for (const std::string& item : context.users) {
        std::string shortName = DefaultServerShortName(item);
        std::string line = PadTo35(UserName(item)) + shortName;
        bool listed = item.find(kServerSeparator) != std::string::npos &&
                      std::any_of(recommended.begin(), recommended.end(),
                                  [&](const std::string& s) { return EqualNoCase(s, shortName); });
        if (!listed)
            line += ", WARNING!";
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string SummaryAsRichText(const std::vector<std::string>& lines) {
    static const char* const kHex = "0123456789abcdef";
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fmodern\\fcharset0 "
                      "Courier New;}}\r\n\\f0\\fs16 ";
    for (const std::string& line : lines) {
        for (char c : line) {
            auto u = static_cast<unsigned char>(c);
            if (c == '\\' || c == '{' || c == '}') {
                out.push_back('\\');
                out.push_back(c);
            } else if (u >= 0x80 || u < 0x20) {
                out += "\\'";
                out.push_back(kHex[u >> 4]);
                out.push_back(kHex[u & 15]);
            } else {
                out.push_back(c);
            }
        }
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

std::string CannotLocateMessage(std::string_view context) {
    return "Could not locate partition root for : " + std::string(context) + "." + "\r" +
           "The Tree Design is not consistent with the report.";
}

std::string BeyondLimitMessage(std::size_t contextCount) {
    if (contextCount <= kMaxLocatedContexts)
        return {};
    const std::string limit = std::to_string(kMaxLocatedContexts);
    return "The report lists " + std::to_string(contextCount) + " contexts. The first " + limit +
           " are located in the design; the contexts after the " + limit +
           "th are listed but not located.";
}

} // namespace qv::utilities
