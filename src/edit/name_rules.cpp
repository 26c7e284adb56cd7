#include "edit/name_rules.h"

#include "core/entries.h"

namespace qv {

std::string UpperCaseTyped(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'a' && c <= 'z')
            ch = static_cast<char>(c - 32);
        else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
            ch = static_cast<char>(c - 32);
    }
    return out;
}

std::string CleanTypedName(std::string_view typed) {
    std::string out = UpperCaseTyped(TrimText(typed));
    for (char& ch : out)
        if (ch == '.' || ch == '/' || ch == '=' || ch == '\\')
            ch = '_';
    return out;
}

std::optional<std::string> TypedNameProblem(std::string_view cleaned) {
    if (cleaned.empty())
        return std::string("Enter in a name.");
    if (cleaned.size() > kMaxTypedName)
        return "A name cannot be longer than " + std::to_string(kMaxTypedName) + " characters.";
    return std::nullopt;
}

bool IsAddressInputValid(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

bool IsOctetValid(std::string_view text) {
    if (text.empty() || text.size() > kOctetInputMax)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    if (text.size() == 3 && (text[0] - '0') * 100 + (text[1] - '0') * 10 + (text[2] - '0') > 255)
        return false;
    return true;
}

} // namespace qv
