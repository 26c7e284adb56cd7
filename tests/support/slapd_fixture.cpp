#include "support/slapd_fixture.h"

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qv::test {

namespace {

std::string Program(const char* name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/usr/local/sbin/"}) {
        std::string p = std::string(dir) + name;
        if (::access(p.c_str(), X_OK) == 0)
            return p;
    }
    return name;
}

// Starts argv with stdout and stderr into log; the child dies with us.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& log) {
    pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent)
        ::_exit(127);
    struct rlimit lim {
        1024, 1024
    };
    ::setrlimit(RLIMIT_NOFILE, &lim);
    int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd >= 0) {
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        ::close(fd);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
}

int FreePort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(s);
    return port;
}

bool Accepts(int port) {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(s);
    return ok;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

bool SlapdServer::Start(const std::vector<SlapdDatabase>& databases, std::string& error, bool tls,
                        const std::string& globalConfig) {
    char tmpl[] = "/tmp/qv_slapd_XXXXXX";
    if (!::mkdtemp(tmpl)) {
        error = "cannot make a temporary folder";
        return false;
    }
    dir_ = tmpl;
    std::string conf = dir_ + "/slapd.conf";
    std::string log = dir_ + "/slapd.log";
    if (tls) {
        pid_t req =
            Spawn({Program("openssl"), "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days",
                   "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                   "-keyout", dir_ + "/key.pem", "-out", CaFile()},
                  log);
        int status = 0;
        ::waitpid(req, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            error = "openssl could not make a certificate: " + ReadAll(log);
            return false;
        }
    }
    {
        std::ofstream out(conf);
        out << "include /etc/ldap/schema/core.schema\n"
            << "include " << QV_SOURCE_DIR << "/data/quorvane.schema\n"
            << "pidfile " << dir_ << "/slapd.pid\n"
            << "modulepath /usr/lib/ldap\n"
            << "moduleload back_mdb\n"
            << "sizelimit unlimited\n"
            << globalConfig;
        if (tls)
            out << "TLSCertificateFile " << CaFile() << "\n"
                << "TLSCertificateKeyFile " << dir_ << "/key.pem\n";
        for (std::size_t i = 0; i < databases.size(); ++i) {
            std::string db = dir_ + "/db" + std::to_string(i);
            std::filesystem::create_directories(db);
            out << "\ndatabase mdb\n"
                << "suffix \"" << databases[i].suffix << "\"\n"
                << "rootdn \"cn=admin," << databases[i].suffix << "\"\n"
                << "rootpw secret\n"
                << "directory " << db << "\n"
                << "maxsize 4294967296\n"
                << "dbnosync\n"
                << databases[i].extraConfig;
        }
    }
    for (const SlapdDatabase& d : databases) {
        pid_t add =
            Spawn({Program("slapadd"), "-q", "-f", conf, "-b", d.suffix, "-l", d.ldifPath}, log);
        int status = 0;
        ::waitpid(add, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            error = "slapadd failed: " + ReadAll(log);
            return false;
        }
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FreePort();
        std::string urls = "ldap://127.0.0.1:" + std::to_string(port_) + "/";
        if (tls) {
            do
                tlsPort_ = FreePort();
            while (tlsPort_ == port_);
            urls += " ldaps://127.0.0.1:" + std::to_string(tlsPort_) + "/";
        }
        pid_ = Spawn({Program("slapd"), "-f", conf, "-h", urls, "-d", "none"}, log);
        for (int i = 0; i < 200; ++i) {
            if (Accepts(port_) && (!tls || Accepts(tlsPort_)))
                return true;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Stop();
    }
    error = "slapd did not start: " + ReadAll(log);
    return false;
}

SlapdServer::~SlapdServer() {
    Stop();
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
}

void SlapdServer::Kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

void SlapdServer::Pause(bool paused) {
    if (pid_ > 0)
        ::kill(pid_, paused ? SIGSTOP : SIGCONT);
}

void SlapdServer::Stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGCONT);
        ::kill(pid_, SIGINT);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

std::string SlapdServer::Url(const std::string& base) const {
    return "ldap://127.0.0.1:" + std::to_string(port_) + "/" + base;
}

std::string SlapdServer::TlsUrl(const std::string& base) const {
    return "ldaps://127.0.0.1:" + std::to_string(tlsPort_) + "/" + base;
}

} // namespace qv::test
