// quorvane-cmd: started by the program with its whole command line as the
// process title ("coMMand.coM /C NLIST ... > DEFSRV.TXT"), in the folder the
// output files go to, with no terminal.
#include "platform/utility_settings.h"
#include "utilities/interpreter.h"

#include <climits>
#include <string>
#include <unistd.h>

namespace {

std::string ProgramFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

} // namespace

int main(int argc, char** argv) {
    // The command line is the title; a second argument is accepted as well,
    // so the interpreter can be tried by hand: quorvane-cmd "x /C NLIST ...".
    std::string line = argc >= 2 ? argv[1] : (argc >= 1 && argv[0] ? argv[0] : "");
    qv::UtilitySettings settings = qv::UtilitySettingsStore().Read().value_or({});
    std::vector<std::string> folders = settings.utilityPath;
    if (folders.empty())
        folders = qv::utilities::DefaultUtilityFolders(ProgramFolder());
    qv::utilities::ProcessInterpreterHost host(folders, qv::utilities::kInterpreterLog);
    return qv::utilities::RunCommandLine(line, host) == 0 ? 0 : 1;
}
