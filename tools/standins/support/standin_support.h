// What every stand-in utility shares: the directory of the preferred tree
// connection and the state the command interpreter hands down from its batch
// file (the CX context, the drive and its current directory).
#pragma once

#include "core/result.h"
#include "netware/directory_entries.h"

#include <string>

namespace qv::standins {

// Environment through which the interpreter passes CX, the drive line and CD.
inline constexpr const char* kContextVariable = "QUORVANE_CONTEXT";
inline constexpr const char* kDriveVariable = "QUORVANE_DRIVE";
inline constexpr const char* kDirectoryVariable = "QUORVANE_DIRECTORY";

// Loads the directory of the preferred tree connection of the settings.
// A failure with a one-line text when there is none or it cannot be read.
Result<void> LoadDirectory(nds::DirectoryEntries& directory);

// The current context: typeless, no leading dot, empty for the root.
std::string CurrentContext();
// The current drive letter (upper case, 0 when none) and its directory
// ("\" for the volume root; backslashes between the folders).
char CurrentDrive();
std::string CurrentDirectory();

} // namespace qv::standins
