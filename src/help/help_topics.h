// The contents of the help window (TFM_HELP): a fixed tree of topics named
// after the program's menu commands, and the text of each topic. Group
// entries (File, Search, Tree, View, Replica, Options, Display Rights) have no
// text of their own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr const char* kHelpCaption = "Quorvane Help";
inline constexpr const char* kHelpLabel =
    "Novell, INC. is not affiliated with Quorvane in any way, shape, or form.";

struct HelpTopic {
    enum Kind { Group, Short, Long };
    std::string name;
    int level; // 0 top-level entry, 1 its child, 2 a child of Display Rights
    Kind kind;
    std::string text; // the one line (Short) or the whole text (Long); empty for a group
};

// Every entry of the topic tree in display order (a pre-order walk).
const std::vector<HelpTopic>& HelpTopics();

// The topic at a position of HelpTopics() with that name, or nullptr.
const HelpTopic* FindHelpTopic(std::string_view name);

// What RE_HELP shows for the topic: no lines for a group entry or an unknown
// name, the one line of a short topic, the lines of a long topic.
std::vector<std::string> HelpTextLines(std::string_view topic);

// The topic F1 opens on each page of a design window (tree page, partition
// grid, object grid, reports, suggestions).
std::string_view HelpTopicForPage(int page);

} // namespace qv
