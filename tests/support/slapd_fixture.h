// A private OpenLDAP server for one test program: its own temporary folder,
// slapd.conf from a template (Quorvane's schema, sizelimit unlimited, maxsize
// raised, dbnosync), the data loaded with slapadd -q, a free loopback port,
// -d none, the open-files limit at 1024, the parent-death signal set so that a
// crashed test leaves no server behind; SIGINT and a wait on Stop.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace qv::test {

struct SlapdDatabase {
    std::string suffix;      // "cn=CORP_TREE"
    std::string ldifPath;    // loaded with slapadd -q
    std::string extraConfig; // further lines of the database's section
};

class SlapdServer {
public:
    SlapdServer() = default;
    ~SlapdServer();
    SlapdServer(const SlapdServer&) = delete;
    SlapdServer& operator=(const SlapdServer&) = delete;

    // Starts the server; false with a reason in error. With tls, the server
    // also answers ldaps:// on a second port and StartTLS on the first, with a
    // self-signed certificate for 127.0.0.1 made by openssl (see CaFile).
    // globalConfig: further lines of slapd.conf's global section.
    bool Start(const std::vector<SlapdDatabase>& databases, std::string& error, bool tls = false,
               const std::string& globalConfig = {});
    void Stop();
    // Ends the server at once (SIGKILL), as a crash would.
    void Kill();
    // Stops the server answering (SIGSTOP) or lets it go on (SIGCONT).
    void Pause(bool paused);
    bool Running() const { return pid_ > 0; }
    int Port() const { return port_; }
    // "ldap://127.0.0.1:PORT/" + base.
    std::string Url(const std::string& base) const;
    // "ldaps://127.0.0.1:TLSPORT/" + base (a server started with tls).
    std::string TlsUrl(const std::string& base) const;
    // The server's certificate, which is its own authority.
    std::string CaFile() const { return dir_ + "/cert.pem"; }
    const std::string& Folder() const { return dir_; }

private:
    std::string dir_;
    pid_t pid_ = -1;
    int port_ = 0;
    int tlsPort_ = 0;
};

} // namespace qv::test
