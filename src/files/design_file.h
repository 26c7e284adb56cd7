// The design file (*.qvd): a binary file with a 24-byte header and four
// sections (objects, partitions, servers, server attributes). New, Open, Save
// and Save As of a design.
#pragma once

#include "core/result.h"
#include "core/tree_design.h"
#include "files/file_access.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::uint32_t kDesignMagic1 = 1227723; // 0x0012BBCB
inline constexpr std::uint32_t kDesignMagic2 = 814923;  // 0x000C6F4B

// One object record as stored.
struct ObjectRecord {
    std::string name;
    std::string parentName;
    std::uint8_t classIndex = 0;
    std::uint8_t partitionMark = 255;
    std::uint8_t parentLevel = 0;
    bool hasLeaves = false; // LeafCount was not 0
    LeafList leaves;
};

// The contents of a design file, checked for structure but not yet applied to
// a design (used by Open and by the merge of a second design).
struct DesignFileContents {
    std::uint32_t magic1 = 0;
    std::uint32_t magic2 = 0;
    std::vector<ObjectRecord> objects;
    std::vector<TableItem> partitions;
    std::vector<TableItem> servers;
    std::vector<TableItem> attributes;
};

enum class ParseStatus {
    Ok,
    BadMagic, // magic numbers wrong (or the file is shorter than they are)
    Broken,   // lengths or offsets do not describe a well-formed file
};

// Parses a whole file image. Never reads outside the buffer and never
// allocates more than the buffer can describe. magic1/magic2 are filled
// whenever the file holds at least 8 bytes.
ParseStatus ParseDesignFile(std::string_view bytes, DesignFileContents& out);

// Serializes a design as the writer stores it. A failure, with the reason,
// when the file would not read back as this design: a name or entry longer
// than 255 bytes, an object more than 255 levels below [ROOT], an object
// named [ROOT] below the root, or sections that pass the 32-bit offsets.
Result<std::string> SerializeDesign(TreeDesign& design);

// The questions of Open and Save about other programs: the file is locked by
// another program; another program saved the file since this design read or
// wrote it.
inline constexpr std::string_view kFileChangedQuestionStart =
    "Another program changed the file since it was opened or saved here:";
std::string FileInUseQuestion(const std::string& path);
std::string FileChangedQuestion(const std::string& path);
// HardLinksQuestion and ReadOnlyQuestion: files/file_access.h.

// The message shown for a file that is not a design file or is damaged.
std::string IllegalFormatMessage(const std::string& path);

// The save dialog of Save As.
FileDialogRequest DesignSaveDialogRequest();
// The open dialog of Open.
FileDialogRequest DesignOpenDialogRequest();

void NewDesign(TreeDesign& design, int untitledNumber);
// Open also takes an advisory lock on the file for as long as the design
// keeps it (another program's lock is a question), and notes its size and
// time; Write compares them before replacing the file.
// Without lock (a reader that never writes the design back) neither.
bool OpenDesign(TreeDesign& design, const std::string& path, bool lock = true);
bool ReadDesignFile(TreeDesign& design, const std::string& path);
// Applies parsed contents to a design whose tree holds only the root.
// False (nothing shown) when a record's parent is not on the ancestor path,
// or when an object would lie more than 255 levels below [ROOT] (the parent
// level is one byte): then the message says which object (else it is empty).
Result<void> ApplyDesignContents(TreeDesign& design, DesignFileContents& contents);
bool SaveDesign(TreeDesign& design);
bool SaveDesignAs(TreeDesign& design);
bool WriteDesignFile(TreeDesign& design);

} // namespace qv
