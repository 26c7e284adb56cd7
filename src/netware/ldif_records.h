// Checks and rewrites of one LDIF record before OpenLDAP's parser sees it,
// shared by the readers of LDIF directories.
#pragma once

#include "core/result.h"

#include <optional>
#include <string>
#include <string_view>

namespace qv::nds {

// OpenLDAP's record parser takes a line with an empty attribute type
// (":value", also behind white space of any kind, also on a line continued
// onto the next) for a named one and fails or crashes on it, and reads a "-"
// line outside a change record as the end of a modification that never
// began (and crashes when it follows the dn line); such records are refused
// first.
bool LdifRecordWellFormed(const char* record);

// The bytes in base64, as an LDIF value after "::".
std::string Base64(std::string_view bytes);

// Values given by URL ("jpegPhoto:< file:///path") are read here rather than
// by OpenLDAP's LDIF functions, which would open anything (a device, a FIFO)
// and read it without bound: only file URLs of this host, only regular files
// of at most 64 MB. The value goes back into the record in base64 ("::").
// firstLine is the line number of the record's first line. Gives the record
// so rewritten, or nothing when it has no value given by URL; a failure, with
// the reason naming the line, when a value cannot be read so.
Result<std::optional<std::string>> ResolveLdifUrlValues(const char* record,
                                                        unsigned long firstLine);

} // namespace qv::nds
