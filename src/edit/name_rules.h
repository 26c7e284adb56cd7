// Input rules of the editing dialogs: the rule every typed object name goes
// through, and the checks of the address and version edit boxes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Longest name a design file can store.
inline constexpr std::size_t kMaxTypedName = 255;

// Upper case as the dialogs' edit boxes type it: ASCII letters and the
// accented Latin-1 letters.
std::string UpperCaseTyped(std::string_view text);

// The name rule of every name input: upper case, trimmed (blanks and control
// characters at both ends), each ".", "/", "=" and backslash replaced by "_".
std::string CleanTypedName(std::string_view typed);

// Why a cleaned name cannot be taken: empty, a control character in it, or
// too long to be stored; with the object's class, also a leaf entry (name,
// two marks and the class number) too long to be stored. Nothing when the
// name is fine.
std::optional<std::string> TypedNameProblem(std::string_view cleaned, int classIndex = -1);

// ED_ADDR of TAddEditDLg (IPX address and DS version): OK is enabled exactly
// when the text is not empty and every character is a digit or "A" to "F".
bool IsAddressInputValid(std::string_view text);
// ED_ADDR takes at most this many characters.
inline constexpr std::size_t kAddressInputMax = 8;

// An octet edit: not empty, digits only, at most three characters, and at most
// 255 when it has three digits.
bool IsOctetValid(std::string_view text);
// An octet edit takes at most this many characters.
inline constexpr std::size_t kOctetInputMax = 3;

} // namespace qv
