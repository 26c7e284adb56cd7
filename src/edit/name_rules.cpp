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

std::optional<std::string> TypedNameProblem(std::string_view cleaned, int classIndex) {
    if (cleaned.empty())
        return std::string("Enter in a name.");
    for (char ch : cleaned) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            static constexpr char kHex[] = "0123456789ABCDEF";
            return std::string("A name cannot contain a control character (\\x") + kHex[c >> 4] +
                   kHex[c & 0xF] + ").";
        }
    }
    if (cleaned.size() > kMaxTypedName)
        return "A name cannot be longer than " + std::to_string(kMaxTypedName) + " characters.";
    if (classIndex >= 0 && MakeLeafEntry(cleaned, classIndex).size() > kMaxStoredText)
        return "The name is too long for this class: the object's leaf entry (the name, two "
               "marks and the class number " +
               std::to_string(classIndex) + ") would be longer than " +
               std::to_string(kMaxStoredText) + " characters.";
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
