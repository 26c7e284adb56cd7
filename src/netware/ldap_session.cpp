#include "netware/ldap_session.h"

#include "files/file_access.h"

#include <algorithm>
#include <csignal>
#include <mutex>
#include <string_view>

namespace qv::nds {

Status FromLdap(int rc) {
    switch (rc) {
    case LDAP_SUCCESS:
        return kOk;
    case LDAP_NO_SUCH_OBJECT:
        return kErrNoSuchEntry;
    case LDAP_INVALID_DN_SYNTAX:
        return kErrIllegalName;
    case LDAP_INVALID_CREDENTIALS:
    case LDAP_INAPPROPRIATE_AUTH:
    case LDAP_STRONG_AUTH_REQUIRED:
        return kErrFailedAuthentication;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_TIMEOUT:
    case LDAP_UNAVAILABLE:
    case LDAP_BUSY:
        return kErrTransportFailure;
    case LDAP_NO_MEMORY:
        return kErrNotEnoughMemory;
    default:
        return kErrSystemFailure;
    }
}

std::string DirectoryWords(int rc, const char* diagnostic) {
    std::string words = std::string(ldap_err2string(rc)) + " (" + std::to_string(rc) + ")";
    if (diagnostic && *diagnostic && std::string_view(diagnostic) != "(unknown error code)")
        words += ": " + std::string(diagnostic);
    return words;
}

std::string SessionWords(LDAP* ld, int rc) {
    char* diagnostic = nullptr;
    if (ld)
        ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &diagnostic);
    std::string words = DirectoryWords(rc, diagnostic);
    if (diagnostic)
        ldap_memfree(diagnostic);
    return words;
}

namespace {

// libldap sends requests with write(): once a server has closed the session
// (shut down, or too many requests waiting), the next request would end the
// whole program with SIGPIPE. Ignored, the failure comes back as a status.
// A program that chose its own handling keeps it; children started later
// reset it (the command runner does).
void KeepBrokenSessionsFromEndingTheProgram() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
            std::signal(SIGPIPE, SIG_IGN);
    });
}

} // namespace

Status ConnectLdap(const TreeConnection& c, LDAP*& ld, std::string& baseDn, bool baseRequired,
                   std::string* words) {
    ld = nullptr;
    auto said = [&](int rc) {
        if (words)
            *words = SessionWords(ld, rc);
        return FromLdap(rc);
    };
    KeepBrokenSessionsFromEndingTheProgram();
    LDAPURLDesc* url = nullptr;
    if (ldap_url_parse(c.address.c_str(), &url) != LDAP_URL_SUCCESS || !url)
        return kErrTransportFailure;
    std::string uri = std::string(url->lud_scheme ? url->lud_scheme : "ldap") + "://" +
                      (url->lud_host ? url->lud_host : "");
    if (url->lud_port)
        uri += ":" + std::to_string(url->lud_port);
    baseDn = url->lud_dn ? url->lud_dn : "";
    ldap_free_urldesc(url);
    std::vector<Rdn> base;
    if (baseRequired && (!ParseDn(baseDn, base) || base.empty()))
        return kErrIllegalName;
    if (ldap_initialize(&ld, uri.c_str()) != LDAP_SUCCESS || !ld)
        return kErrTransportFailure;
    int version = LDAP_VERSION3;
    ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    // Connecting and each synchronous answer (StartTLS, the bind) are bounded.
    struct timeval timeout = {c.timeoutSeconds > 0 ? c.timeoutSeconds : kDefaultTimeoutSeconds, 0};
    ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    ldap_set_option(ld, LDAP_OPT_TIMEOUT, &timeout);
    if (c.startTls) {
        int rc = ldap_start_tls_s(ld, nullptr, nullptr);
        if (rc != LDAP_SUCCESS) {
            said(rc);
            return kErrTransportFailure;
        }
    }
    std::string password = c.password;
    if (!c.bindDn.empty() && password.empty() && !c.passwordFile.empty()) {
        Result<std::string> line = ReadFirstLine(c.passwordFile, kMaxPasswordFileBytes);
        if (!line)
            return kErrFailedAuthentication;
        password = std::move(*line);
    }
    struct berval cred;
    cred.bv_val = password.data();
    cred.bv_len = c.bindDn.empty() ? 0 : password.size();
    int rc = ldap_sasl_bind_s(ld, c.bindDn.empty() ? nullptr : c.bindDn.c_str(), LDAP_SASL_SIMPLE,
                              &cred, nullptr, nullptr, nullptr);
    std::fill(password.begin(), password.end(), '\0');
    if (rc == LDAP_TIMEOUT && words)
        *words =
            "No answer from the directory server within " + std::to_string(timeout.tv_sec) + " s";
    else if (rc != LDAP_SUCCESS)
        return said(rc);
    return FromLdap(rc);
}

struct berval* PagedResultsCookie(LDAP* ld, LDAPControl** returned) {
    LDAPControl* resp = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, returned, nullptr);
    if (!resp)
        return nullptr;
    ber_int_t estimate = 0;
    struct berval c = {0, nullptr};
    struct berval* cookie = nullptr;
    if (ldap_parse_pageresponse_control(ld, resp, &estimate, &c) == LDAP_SUCCESS && c.bv_len > 0)
        cookie = ber_bvdup(&c);
    ber_memfree(c.bv_val);
    return cookie;
}

} // namespace qv::nds
