// quorvane-cli utilities [map|unmap|path]: what the workstation keeps for the
// console utilities: the drive mappings File Rights offers and the folders
// quorvane-cmd searches for utilities.
#include "cli/cli.h"

#include "platform/utility_settings.h"

#include <cctype>
#include <iostream>

namespace qv::cli {
namespace {

int List(const UtilitySettings& s) {
    std::vector<std::string> lines;
    if (s.utilityPath.empty()) {
        lines.push_back("path (the stand-ins installed with the program)");
    } else {
        for (const std::string& folder : s.utilityPath)
            lines.push_back("path " + folder);
    }
    for (const auto& [letter, volume] : s.drives)
        lines.push_back(std::string(1, letter) + ": " + volume);
    return PrintLines(lines);
}

// "F", "f" or "F:" as the upper-case letter; 0 for anything else.
char DriveLetter(const std::string& text) {
    if ((text.size() == 1 || (text.size() == 2 && text[1] == ':')) &&
        std::isalpha(static_cast<unsigned char>(text[0])) &&
        static_cast<unsigned char>(text[0]) < 0x80)
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return 0;
}

int Run(const Command& self, const CommandArguments& args) {
    UtilitySettingsStore store;
    Result<UtilitySettings> read = store.Read();
    if (!read) {
        PrintBox(read.error());
        return kExitFailed;
    }
    UtilitySettings s = std::move(*read);
    if (args.empty())
        return List(s);
    const std::string& verb = args[0];
    if (verb == "map") {
        if (args.size() != 3)
            return UsageError(self, "map expects LETTER and VOLUME");
        char letter = DriveLetter(args[1]);
        if (!letter)
            return UsageError(self, "a drive is one letter, A to Z");
        std::string volume = args[2];
        if (!volume.empty() && volume.front() == '.')
            volume.erase(0, 1);
        if (volume.empty())
            return UsageError(self, "name the volume object, e.g. FS1_SYS.CORP");
        s.drives[letter] = volume;
    } else if (verb == "unmap") {
        if (args.size() != 2 || !DriveLetter(args[1]))
            return UsageError(self, "unmap expects LETTER");
        if (!s.drives.erase(DriveLetter(args[1]))) {
            std::cerr << "quorvane-cli utilities: drive " << DriveLetter(args[1])
                      << ": is not mapped\n";
            return kExitFailed;
        }
    } else if (verb == "path") {
        s.utilityPath.assign(args.begin() + 1, args.end());
        for (const std::string& folder : s.utilityPath)
            if (folder.empty() || folder.find(':') != std::string::npos)
                return UsageError(self, "a folder of the path is not empty and has no ':'");
    } else {
        return UsageError(self, "unknown verb " + verb);
    }
    if (Result<void> written = store.Write(s); !written) {
        std::cerr << "quorvane-cli utilities: cannot write the settings\n";
        PrintBox(written.error());
        return kExitFailed;
    }
    return kExitOk;
}

const Registration kRegistration(
    {"utilities", "[map LETTER VOLUME | unmap LETTER | path [FOLDER...]]",
     "list or change the drive mappings and the utility path of the console utilities",
     "Without arguments the utility path and the drive mappings are listed. A drive maps\n"
     "a letter to a volume object, named by its typeless full name (FS1_SYS.CORP); File\n"
     "Rights offers the mapped drives and RIGHTS reads the volume's folder and trustees\n"
     "from the directory of the preferred tree connection. The utility path is the list\n"
     "of folders in which quorvane-cmd looks for NLIST, SCHCMP, DSRIGHTS and RIGHTS;\n"
     "'path' without folders goes back to the stand-ins installed with the program.\n"
     "The store is $XDG_CONFIG_HOME/Quorvane/Quorvane.ini (~/.config when unset).\n",
     Run});

} // namespace
} // namespace qv::cli
