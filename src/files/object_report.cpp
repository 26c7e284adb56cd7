#include "files/object_report.h"

#include "core/depth_limit.h"
#include "core/design_change.h"

#include "files/design_file.h"
#include "files/import_support.h"
#include "files/line_scanner.h"
#include "files/text_report.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qv {

namespace {

// The reader's states, in the order a context block is read.
enum class State {
    Current,     // "CURRENT" of "Current context:"
    Context,     // "CONTEXT:"
    ContextDN,   // the context's name
    Partial,     // the column header: "Partial"
    Name,        // "Name"
    Object,      // "Object" (its column is the class column)
    Class,       // "Class"
    Dashes,      // the line of dashes under the header
    ObjectName,  // an object's name, or the context's total line
    ObjectClass, // the object's class on the same line
};

std::string UpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return out;
}

class ObjectReportReader {
public:
    ObjectReportReader(TreeDesign& design, std::string_view text, std::string_view name)
        : design_(design), cursor_(text, true), changes_(design, true), name_(name) {}

    bool Run();

private:
    void Act();
    ObjectNode* EnsureContextPath(std::string_view context);
    void AddObject(const std::string& name, int classIndex);
    [[noreturn]] static void Fail(std::string message) {
        TextReportCursor::Fail(std::move(message));
    }
    static void Check(std::string_view text) { TextReportCursor::CheckStorable(text); }
    void Finish() {
        design_.view().SetObjectLabelsVisible(true);
        design_.progress().Show(ProgressChannel::Import, "");
    }

    TreeDesign& design_;
    TextReportCursor cursor_; // lines upper-cased as read
    ImportChanges changes_;
    LineScanner& sc_ = cursor_.Scanner();
    std::string_view line_;
    bool lastLine_ = false;
    State state_ = State::Current;
    std::size_t classColumn_ = 0;
    ObjectNode* context_ = nullptr;
    int contextLevel_ = 0;
    std::string objectName_;
    std::string name_;        // the report's file name, for messages
    bool sawContext_ = false; // a "Current context:" line was read
};

bool ObjectReportReader::Run() {
    DesignChange operation(design_, "Import Object Report");
    design_.view().SetObjectLabelsVisible(false);
    try {
        // A header line with trailing spaces: the dash line comes next.
        while (cursor_.Advance(state_ == State::Dashes)) {
            line_ = cursor_.Line();
            lastLine_ = cursor_.OnlyEmptyLinesLeft();
            design_.progress().Pump();
            cursor_.ShowLineCaption(design_.progress(), "Importing Line: ");
            Act();
        }
        if (state_ != State::Current)
            Fail("Unexpected end of file.");
        if (!sawContext_)
            Fail((name_.empty() ? std::string("The input") : "\"" + name_ + "\"") +
                 " is not an object report: it has no \"Current context:\" line.");
    } catch (const ReportRejected& r) {
        changes_.Rollback();
        design_.ui().Information("Error on line: " + std::to_string(cursor_.LineNumber()) + "." +
                                 "\r" + r.message);
        Finish();
        return false;
    }
    Finish();
    DesignChange(design_, kTouchAll).Refresh().Commit();
    return true;
}

void ObjectReportReader::Act() {
    switch (state_) {
    case State::Current:
        if (lastLine_) {
            // What follows the last context (a grand total) is not examined.
            sc_.ReadRest(line_, false);
            break;
        }
        sc_.ReadWord(line_);
        if (sc_.Token() != "CURRENT")
            Fail(" 'CURRENT' expected.");
        state_ = State::Context;
        break;
    case State::Context:
        sc_.ReadWord(line_);
        if (sc_.Token() != "CONTEXT")
            Fail(" 'CONTEXT' expected.");
        if (sc_.Current(line_) != ':')
            Fail(" ':' expected.");
        sc_.Advance(1);
        state_ = State::ContextDN;
        break;
    case State::ContextDN: {
        sc_.ReadRest(line_, true);
        std::string_view context = TrimText(sc_.Token());
        if (context.empty())
            Fail("Context DN expected.");
        context_ = EnsureContextPath(context);
        changes_.EnsureLeaves(context_);
        sawContext_ = true;
        state_ = State::Partial;
        break;
    }
    case State::Partial:
        sc_.ReadWord(line_);
        if (sc_.Token().empty())
            Fail(" 'PARTIAL' expected.");
        state_ = State::Name;
        break;
    case State::Name:
        sc_.ReadWord(line_);
        if (sc_.Token().empty())
            Fail(" 'NAME' expected.");
        state_ = State::Object;
        break;
    case State::Object: {
        std::size_t column = sc_.Position();
        sc_.ReadWord(line_);
        if (sc_.Token().empty())
            Fail(" 'OBJECT' expected.");
        classColumn_ = column;
        state_ = State::Class;
        break;
    }
    case State::Class:
        sc_.ReadWord(line_);
        if (sc_.Token().empty())
            Fail(" 'CLASS' expected.");
        state_ = State::Dashes;
        break;
    case State::Dashes:
        sc_.Advance(1);
        if (sc_.Current(line_) != '-')
            Fail(" '-' expected.");
        sc_.ReadRest(line_, false);
        state_ = State::ObjectName;
        break;
    case State::ObjectName: {
        // The context's total line is known by its phrase anywhere in the
        // line: with 100 objects and more it reaches past the class column.
        if (line_.find("FOUND IN THIS CONTEXT", sc_.Position() - 1) != std::string_view::npos) {
            sc_.ReadRest(line_, false);
            state_ = State::Current;
            break;
        }
        sc_.ReadToColumn(line_, classColumn_);
        std::string_view name = TrimText(sc_.Token());
        if (name.empty())
            Fail("Object RDN expected.");
        // The class belongs on the same line as the name.
        if (sc_.AtEnd(line_))
            Fail("Object Class expected.");
        objectName_ = std::string(name);
        state_ = State::ObjectClass;
        break;
    }
    case State::ObjectClass: {
        sc_.ReadRest(line_, true);
        std::string_view cls = TrimText(sc_.Token());
        if (cls.empty())
            Fail("Object Class expected.");
        AddObject(objectName_, ObjectReportClassIndex(cls));
        state_ = State::ObjectName;
        break;
    }
    }
}

ObjectNode* ObjectReportReader::EnsureContextPath(std::string_view context) {
    ObjectNode* node = design_.Root();
    contextLevel_ = 0;
    if (context == node->Name())
        return node;
    // Components are taken from the right: the top of the tree first.
    std::vector<std::string_view> parts;
    for (std::size_t from = 0;;) {
        std::size_t dot = context.find('.', from);
        parts.push_back(context.substr(from, dot == std::string_view::npos ? dot : dot - from));
        if (dot == std::string_view::npos)
            break;
        from = dot + 1;
    }
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        std::string_view part = *it;
        if (part.empty())
            Fail("Context DN expected.");
        Check(part);
        if (++contextLevel_ > kMaxObjectLevel)
            Fail(TooDeepMessage(
                std::string(context.substr(static_cast<std::size_t>(part.data() - context.data()))),
                contextLevel_));
        ObjectNode* child = changes_.FindChild(node, part);
        if (!child) {
            int cls = kClassNoDef;
            int at = changes_.FindLeaf(node, part);
            if (at >= 0) {
                long long c = LeafClassIndex((*node->Leaves())[static_cast<std::size_t>(at)]);
                if (c >= 0 && c < kClassCount)
                    cls = static_cast<int>(c);
            } else {
                std::string entry = MakeLeafEntry(part, kClassNoDef);
                if (!Storable(entry))
                    Fail(TooLongMessage(part));
                changes_.AppendLeaf(node, std::move(entry));
                design_.NoteClass(kClassNoDef);
            }
            std::string name(part);
            child = node->ChildCount() ? changes_.InsertFirstChild(node, std::move(name), cls)
                                       : changes_.AddChild(node, std::move(name), cls);
        }
        node = child;
    }
    return node;
}

void ObjectReportReader::AddObject(const std::string& name, int classIndex) {
    ObjectNode* x = context_;
    Check(name);
    if (changes_.FindLeaf(x, name) >= 0)
        return;
    design_.NoteClass(classIndex);
    if (classIndex == kClassServer && design_.servers.FindFirst(name) >= 0)
        return;
    if (IsContainerClass(classIndex) && changes_.FindChild(x, name))
        return;
    std::string entry = MakeLeafEntry(name, classIndex);
    if (!Storable(entry))
        Fail(TooLongMessage(name));
    if (IsNodeClass(classIndex) && contextLevel_ + 1 > kMaxObjectLevel)
        Fail(TooDeepMessage(name + "." + design_.FullContext(x), contextLevel_ + 1));
    changes_.AppendLeaf(x, std::move(entry));
    if (IsNodeClass(classIndex))
        changes_.AddChild(x, name, classIndex);
    if (classIndex == kClassServer)
        AppendServer(design_, name, {}, "DS VERSION:0", {"IPX:00000000"});
}

} // namespace

int ObjectReportClassIndex(std::string_view classText) {
    static const std::unordered_map<std::string, int> byPrefix = [] {
        std::unordered_map<std::string, int> m;
        for (int i = 0; i < kClassCount; ++i) {
            std::string_view name = ClassName(i);
            m[std::string(TrimText(name.substr(0, 19)))] = i; // the last match counts
        }
        return m;
    }();
    std::string_view text = TrimText(classText);
    std::string key = UpperCase(text);
    if (key == "PRINT QUEUE")
        key = "QUEUE";
    auto it = byPrefix.find(key);
    return it == byPrefix.end() ? kClassNoDef : it->second;
}

bool ReadObjectReportText(TreeDesign& design, std::string_view text, std::string_view name) {
    ObjectReportReader reader(design, text, name);
    return reader.Run();
}

bool ReadObjectReport(TreeDesign& design, const std::string& path) {
    Result<std::string> text = ReadWholeFile(path, kMaxObjectReportBytes);
    if (!text) {
        design.ui().Information(std::string("Error on line: 0.") + "\r" + "Problem Opening File. " +
                                text.error());
        return false;
    }
    return ReadObjectReportText(design, *text, path);
}

} // namespace qv
