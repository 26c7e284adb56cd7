// quorvane-cli trees [add|remove|prefer]: the tree connections of the workstation.
#include "cli/cli.h"

#include "netware/directory_profile.h"
#include "platform/tree_connections.h"

#include <algorithm>
#include <iostream>

namespace qv::cli {
namespace {

int List(const StoredTreeConnections& s) {
    std::vector<const nds::TreeConnection*> order;
    for (const auto& t : s.trees)
        if (t.name == s.preferred)
            order.push_back(&t);
    for (const auto& t : s.trees)
        if (t.name != s.preferred)
            order.push_back(&t);
    std::vector<std::string> lines;
    for (const auto* t : order) {
        std::string line = (t->name == s.preferred ? "* " : "  ") + t->name + " " + t->address;
        if (!t->bindDn.empty())
            line += " bind-dn=" + t->bindDn;
        if (!t->passwordFile.empty())
            line += " password-file=" + t->passwordFile;
        if (t->startTls)
            line += " starttls";
        if (t->timeoutSeconds != nds::kDefaultTimeoutSeconds)
            line += " timeout=" + std::to_string(t->timeoutSeconds);
        line += " profile=" + (t->profile.empty() ? std::string("auto") : t->profile);
        lines.push_back(std::move(line));
    }
    return PrintLines(lines);
}

int Run(const Command& self, const CommandArguments& args) {
    TreeConnectionStore store;
    Result<StoredTreeConnections> read = store.Read();
    if (!read) {
        PrintBox(read.error());
        return kExitFailed;
    }
    StoredTreeConnections s = std::move(*read);
    if (!s.trees.empty() &&
        std::none_of(s.trees.begin(), s.trees.end(),
                     [&](const nds::TreeConnection& t) { return t.name == s.preferred; }))
        s.preferred = s.trees.front().name;
    if (args.empty())
        return List(s);
    auto find = [&](const std::string& name) {
        return std::find_if(s.trees.begin(), s.trees.end(),
                            [&](const nds::TreeConnection& t) { return t.name == name; });
    };
    const std::string& verb = args[0];
    if (verb == "add") {
        if (args.size() < 3)
            return UsageError(self, "add expects NAME and ADDRESS");
        nds::TreeConnection c;
        c.name = args[1];
        c.address = args[2];
        if (c.name.empty() || c.name.size() > nds::kMaxTreeName)
            return UsageError(self, "a tree name has 1 to 32 characters");
        if (c.address.rfind("ldap://", 0) != 0 && c.address.rfind("ldaps://", 0) != 0 &&
            c.address.rfind("ldif:", 0) != 0)
            return UsageError(self, "the address starts with ldap://, ldaps:// or ldif:");
        for (std::size_t i = 3; i < args.size(); ++i) {
            const bool valued = args[i] == "--timeout" || args[i] == "--profile" ||
                                args[i] == "--bind-dn" || args[i] == "--password-file";
            if (valued && i + 1 >= args.size())
                return UsageError(self, args[i] + " needs a value");
            if (args[i] == "--starttls") {
                c.startTls = true;
            } else if (args[i] == "--timeout" && i + 1 < args.size()) {
                const std::string& v = args[++i];
                int seconds = 0;
                for (char ch : v)
                    seconds = ch >= '0' && ch <= '9' && seconds <= 100000
                                  ? seconds * 10 + (ch - '0')
                                  : -1;
                if (v.empty() || seconds < 1 || seconds > 86400)
                    return UsageError(self, "--timeout needs SECONDS from 1 to 86400");
                c.timeoutSeconds = seconds;
            } else if (args[i] == "--profile" && i + 1 < args.size()) {
                c.profile = args[++i];
                if (!nds::IsProfileChoice(c.profile))
                    return UsageError(self, "--profile is auto, quorvane, standard or ndsldap");
            } else if ((args[i] == "--bind-dn" || args[i] == "--password-file") &&
                       i + 1 < args.size()) {
                (args[i] == "--bind-dn" ? c.bindDn : c.passwordFile) = args[i + 1];
                ++i;
            } else {
                return UsageError(self, "unknown option '" + args[i] + "'");
            }
        }
        auto it = find(c.name);
        if (it != s.trees.end())
            *it = c;
        else
            s.trees.push_back(c);
        if (s.preferred.empty())
            s.preferred = c.name;
    } else if (verb == "remove" || verb == "prefer") {
        if (args.size() != 2)
            return UsageError(self, verb + " expects NAME");
        auto it = find(args[1]);
        if (it == s.trees.end()) {
            std::cerr << "quorvane-cli trees: no tree connection named " << args[1] << "\n";
            return kExitFailed;
        }
        if (verb == "prefer") {
            s.preferred = args[1];
        } else {
            s.trees.erase(it);
            if (s.preferred == args[1])
                s.preferred = s.trees.empty() ? std::string() : s.trees.front().name;
        }
    } else {
        return UsageError(self, "unknown verb " + verb);
    }
    if (Result<void> written = store.Write(s); !written) {
        std::cerr << "quorvane-cli trees: cannot write " << store.path() << "\n";
        PrintBox(written.error());
        return kExitFailed;
    }
    return kExitOk;
}

const Registration kRegistration(
    {"trees",
     "[add NAME ADDRESS [--bind-dn DN] [--password-file FILE] [--starttls] [--timeout SECONDS] "
     "[--profile auto|quorvane|standard|ndsldap] | remove NAME | prefer NAME]",
     "list or change the tree connections that Search NDS Tree offers",
     "Without arguments every connection is listed as NAME ADDRESS, the preferred tree\n"
     "first and marked *. ADDRESS is ldap://HOST:PORT/BASE-DN, ldaps://HOST:PORT/BASE-DN\n"
     "or ldif:PATH[?BASE-DN] (a directory read from an LDIF file; without BASE-DN the\n"
     "entry with the shortest DN is the tree root). NAME has at most 32 characters.\n"
     "--profile says how entries become containers, classes, partitions and servers:\n"
     "quorvane (our schema), standard (the standard LDAP schemas), ndsldap (an NDS\n"
     "tree through its LDAP interface) or auto (the default: decided from the\n"
     "directory; the discovery log names the profile used).\n"
     "A bind DN is used with the password read from --password-file (the first line);\n"
     "passwords are never stored. --timeout bounds connecting and each wait for the\n"
     "server's next answer (default 30 seconds); a server that stays silent longer\n"
     "is taken as lost. The first tree added becomes the preferred one.\n"
     "The store is $XDG_CONFIG_HOME/Quorvane/Quorvane.ini (~/.config when unset).\n",
     Run});

} // namespace
} // namespace qv::cli
