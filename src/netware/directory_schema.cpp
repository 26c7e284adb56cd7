// Our schema in the directory: how entries become listed objects and how
// attribute values become the records the attribute calls hand out.
#include "core/ascii_text.h"
#include "netware/directory_backend.h"
#include "netware/directory_profile.h"
#include "netware/object_path.h"

#include <ldap.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

namespace qv::nds {

namespace {

void PutU32(std::string& out, std::uint32_t v) {
    char b[4];
    WriteU32(b, 0, v);
    out.append(b, 4);
}

bool ParseHex(std::string_view s, std::uint8_t* out, std::size_t bytes) {
    if (s.size() != bytes * 2)
        return false;
    for (std::size_t i = 0; i < bytes; ++i) {
        unsigned v = 0;
        auto r = std::from_chars(s.data() + 2 * i, s.data() + 2 * i + 2, v, 16);
        if (r.ec != std::errc() || r.ptr != s.data() + 2 * i + 2)
            return false;
        out[i] = static_cast<std::uint8_t>(v);
    }
    return true;
}

template <typename T> bool ParseDecimal(std::string_view s, T& out) {
    if (s.empty())
        return false;
    auto r = std::from_chars(s.data(), s.data() + s.size(), out, 10);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string AddressRecord(std::uint32_t type, const std::uint8_t* bytes, std::size_t n) {
    std::string rec;
    PutU32(rec, type);
    PutU32(rec, static_cast<std::uint32_t>(n));
    PutU32(rec, static_cast<std::uint32_t>(kNetAddressFixed));
    rec.append(reinterpret_cast<const char*>(bytes), n);
    return rec;
}

bool NetAddressRecord(std::string_view v, std::string& record) {
    if (v.substr(0, 4) == "IPX:") {
        // IPX:NNNNNNNN[:NODE12HEX:SOCKET4HEX]
        std::uint8_t bytes[12] = {};
        std::string_view rest = v.substr(4);
        if (rest.size() == 8) {
            if (!ParseHex(rest, bytes, 4))
                return false;
        } else if (rest.size() == 8 + 1 + 12 + 1 + 4 && rest[8] == ':' && rest[21] == ':') {
            if (!ParseHex(rest.substr(0, 8), bytes, 4) ||
                !ParseHex(rest.substr(9, 12), bytes + 4, 6) ||
                !ParseHex(rest.substr(22, 4), bytes + 10, 2))
                return false;
        } else {
            return false;
        }
        record = AddressRecord(kAddressIpx, bytes, 12);
        return true;
    }
    if (v.substr(0, 3) == "IP:") {
        std::uint8_t bytes[6] = {};
        std::string_view rest = v.substr(3);
        for (int part = 0; part < 4; ++part) {
            std::size_t dot = part < 3 ? rest.find('.') : rest.size();
            if (dot == std::string_view::npos || dot == 0 || dot > 3)
                return false;
            unsigned n = 0;
            if (!ParseDecimal(rest.substr(0, dot), n) || n > 255)
                return false;
            bytes[2 + part] = static_cast<std::uint8_t>(n);
            rest = part < 3 ? rest.substr(dot + 1) : std::string_view();
        }
        record = AddressRecord(kAddressIp, bytes, 6);
        return true;
    }
    return false;
}

// The NDS string form of a network address (taggedData): the transport type
// in decimal, "#", and the address bytes as they are (no escaping): 0 IPX
// (network, node, socket: 12 bytes), 8 UDP and 9 TCP (port, IPv4 address: 6
// bytes), 1 IP (the IPv4 address alone: 4 bytes).
bool TaggedNetAddressRecord(std::string_view v, std::string& record) {
    std::size_t hash = v.find('#');
    std::uint32_t type = 0;
    if (hash == std::string_view::npos || !ParseDecimal(v.substr(0, hash), type))
        return false;
    std::string_view bytes = v.substr(hash + 1);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (type == 0 && bytes.size() == 12) {
        record = AddressRecord(kAddressIpx, data, 12);
        return true;
    }
    if ((type == 8 || type == 9) && bytes.size() == 6) {
        record = AddressRecord(kAddressIp, data, 6);
        return true;
    }
    if (type == 1 && bytes.size() == 4) {
        std::uint8_t withPort[6] = {0, 0, data[0], data[1], data[2], data[3]};
        record = AddressRecord(kAddressIp, withPort, 6);
        return true;
    }
    return false;
}

// The NDS binary form of a replica pointer (ndsReplicaPointer, read with
// OpenLDAP's BER decoder): SEQUENCE { serverName LDAPDN, replicaType,
// replicaState, replicaRootID, replicaNumber, replicaAddressHint SEQUENCE
// OF { transportType, addressValue } }. The hints are not needed: the server
// object's own addresses are read.
bool BerReplicaPointer(std::string_view value, std::string& serverDn, std::uint32_t& type,
                       std::uint32_t& number) {
    if (value.empty() || value.size() > std::numeric_limits<ber_len_t>::max())
        return false;
    berval bv{static_cast<ber_len_t>(value.size()), const_cast<char*>(value.data())};
    BerElement* ber = ber_init(&bv);
    if (!ber)
        return false;
    berval server{};
    ber_int_t t = -1, state = 0, root = 0, n = -1;
    bool ok = ber_scanf(ber, "{miiii", &server, &t, &state, &root, &n) != LBER_ERROR;
    if (ok) {
        serverDn.assign(server.bv_val ? server.bv_val : "", server.bv_len);
        ok = t >= 0 && t <= 0xFFFF && n >= 0 && !serverDn.empty();
    }
    ber_free(ber, 1);
    if (!ok)
        return false;
    type = static_cast<std::uint32_t>(t);
    number = static_cast<std::uint32_t>(n);
    return true;
}

} // namespace

std::uint32_t ReadU32(const void* record, std::size_t offset) {
    const auto* p = static_cast<const std::uint8_t*>(record) + offset;
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteU32(void* record, std::size_t offset, std::uint32_t value) {
    auto* p = static_cast<std::uint8_t*>(record) + offset;
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
    p[3] = static_cast<std::uint8_t>(value >> 24);
}

namespace {

// All the values of one parsed RDN; false when one has no type.
bool TakeRdn(LDAPRDN parsed, Rdn& rdn) {
    if (!parsed || !parsed[0])
        return false;
    rdn.more.clear();
    for (int k = 0; parsed[k]; ++k) {
        LDAPAVA* ava = parsed[k];
        if (ava->la_attr.bv_len == 0)
            return false;
        std::string type(ava->la_attr.bv_val, ava->la_attr.bv_len);
        std::string value(ava->la_value.bv_val ? ava->la_value.bv_val : "", ava->la_value.bv_len);
        if (k == 0) {
            rdn.type = std::move(type);
            rdn.value = std::move(value);
        } else {
            rdn.more.push_back({std::move(type), std::move(value)});
        }
    }
    return true;
}

} // namespace

bool ParseDn(std::string_view dn, std::vector<Rdn>& rdns) {
    rdns.clear();
    if (dn.empty())
        return true;
    struct berval bv;
    bv.bv_val = const_cast<char*>(dn.data());
    bv.bv_len = dn.size();
    LDAPDN parsed = nullptr;
    if (ldap_bv2dn(&bv, &parsed, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    bool ok = parsed != nullptr;
    for (int i = 0; ok && parsed[i]; ++i) {
        Rdn rdn;
        ok = TakeRdn(parsed[i], rdn);
        if (ok)
            rdns.push_back(std::move(rdn));
    }
    ldap_dnfree(parsed);
    return ok;
}

bool ParseFirstRdn(std::string_view dn, Rdn& rdn) {
    struct berval bv;
    bv.bv_val = const_cast<char*>(dn.data());
    bv.bv_len = dn.size();
    LDAPRDN parsed = nullptr;
    char* next = nullptr;
    if (dn.empty() || ldap_bv2rdn(&bv, &parsed, &next, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS)
        return false;
    bool ok = TakeRdn(parsed, rdn);
    ldap_rdnfree(parsed);
    return ok;
}

namespace {

void AppendDnValue(std::string& out, const std::string& v) {
    for (std::size_t k = 0; k < v.size(); ++k) {
        char c = v[k];
        if (c == '\0') {
            out += "\\00";
            continue;
        }
        bool escape = std::strchr(",+\"\\<>;=", c) != nullptr ||
                      (k == 0 && (c == ' ' || c == '#')) || (k + 1 == v.size() && c == ' ');
        if (escape)
            out += '\\';
        out += c;
    }
}

} // namespace

std::string FormatDn(const std::vector<Rdn>& rdns) {
    std::string out;
    for (std::size_t i = 0; i < rdns.size(); ++i) {
        if (i)
            out += ',';
        out += rdns[i].type;
        out += '=';
        AppendDnValue(out, rdns[i].value);
        for (const Ava& a : rdns[i].more) {
            out += '+';
            out += a.type;
            out += '=';
            AppendDnValue(out, a.value);
        }
    }
    return out;
}

std::string NormalizedRdn(const Rdn& rdn) {
    std::string first = LowerAscii(rdn.type) + "=" + LowerAscii(rdn.value);
    if (rdn.more.empty())
        return first;
    // The values of a multi-valued RDN have no order: "cn=a+sn=b" is "sn=b+cn=a".
    std::vector<std::string> parts = {std::move(first)};
    for (const Ava& a : rdn.more)
        parts.push_back(LowerAscii(a.type) + "=" + LowerAscii(a.value));
    std::sort(parts.begin(), parts.end());
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i)
            out += '+';
        // A "+" or "\\" inside a value is escaped so that values cannot run together.
        for (char c : parts[i]) {
            if (c == '+' || c == '\\')
                out += '\\';
            out += c;
        }
    }
    return out;
}

std::string NormalizedDn(const std::vector<Rdn>& rdns) {
    std::string out;
    for (std::size_t i = 0; i < rdns.size(); ++i) {
        if (i)
            out += ',';
        out += NormalizedRdn(rdns[i]);
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (len == 2 && i + 1 < s.size() && c <= 0xC3 &&
            (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
            out += static_cast<char>(((c & 0x1F) << 6) |
                                     (static_cast<unsigned char>(s[i + 1]) & 0x3F));
        } else {
            out += '?';
        }
        i += std::min(len, s.size() - i);
    }
    return out;
}

std::string Latin1ToUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80             ? 1
                          : (c & 0xE0) == 0xC0 ? 2
                          : (c & 0xF0) == 0xE0 ? 3
                          : (c & 0xF8) == 0xF0 ? 4
                                               : 0;
        if (len == 0 || i + len > s.size() || (len == 2 && c < 0xC2) || (len == 4 && c > 0xF4))
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        if (len == 3) {
            auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0))
                return false;
        } else if (len == 4) {
            auto c1 = static_cast<unsigned char>(s[i + 1]);
            if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
                return false;
        }
        i += len;
    }
    return true;
}

std::string ModelNameToUtf8(std::string_view name) {
    return IsValidUtf8(name) ? std::string(name) : Latin1ToUtf8(name);
}

std::string ListedName(const Rdn& rdn) {
    if (rdn.more.empty())
        return UpperAscii(rdn.type) + "=" + EscapePathValue(rdn.value);
    // Servers hand out the values of a multi-valued RDN in an order of their
    // own: the name puts them in the order of their types, so that every
    // server gives the same name.
    std::vector<Ava> avas = {{rdn.type, rdn.value}};
    avas.insert(avas.end(), rdn.more.begin(), rdn.more.end());
    std::stable_sort(avas.begin(), avas.end(), [](const Ava& a, const Ava& b) {
        return LowerAscii(a.type) < LowerAscii(b.type);
    });
    std::string out;
    for (const Ava& a : avas)
        out += (out.empty() ? "" : "+") + UpperAscii(a.type) + "=" + EscapePathValue(a.value);
    return out;
}

bool PathToRdns(std::string_view path, std::string_view tree, std::vector<Rdn>& below) {
    below.clear();
    if (path.substr(0, 3) != "\\T=")
        return false;
    std::vector<std::string_view> parts = SplitPath(path);
    if (parts.empty() || !EqualNoCase(parts[0].substr(2), tree))
        return false;
    for (std::size_t p = 1; p < parts.size(); ++p) {
        Rdn rdn;
        std::vector<std::string_view> avas = SplitComponent(parts[p]);
        for (std::size_t k = 0; k < avas.size(); ++k) {
            std::size_t eq = avas[k].find('=');
            if (eq == std::string_view::npos || eq == 0)
                return false;
            std::string type = LowerAscii(avas[k].substr(0, eq));
            std::string value = UnescapePathValue(avas[k].substr(eq + 1));
            if (k == 0) {
                rdn.type = std::move(type);
                rdn.value = std::move(value);
            } else {
                rdn.more.push_back({std::move(type), std::move(value)});
            }
        }
        below.push_back(std::move(rdn));
    }
    return true;
}

const std::vector<AttributeMapping>& AttributeMappings() {
    return QuorvaneProfile().attributes;
}

const AttributeMapping* FindMappingByNds(std::string_view ndsName) {
    for (const AttributeMapping& m : AttributeMappings())
        if (EqualNoCase(m.ndsName, ndsName))
            return &m;
    return nullptr;
}

const AttributeMapping* FindMappingByLdap(std::string_view ldapName) {
    for (const AttributeMapping& m : AttributeMappings())
        if (EqualNoCase(m.ldapName, ldapName))
            return &m;
    return nullptr;
}

bool TreeNaming::DnToPath(std::string_view dn, std::string& path) const {
    std::vector<Rdn> rdns;
    if (!ParseDn(dn, rdns) || rdns.size() <= base.size())
        return false;
    std::size_t extra = rdns.size() - base.size();
    for (std::size_t i = 0; i < base.size(); ++i)
        if (NormalizedRdn(rdns[extra + i]) != NormalizedRdn(base[i]))
            return false;
    path = "\\T=" + tree;
    for (std::size_t i = extra; i-- > 0;) {
        path += '\\';
        path += ListedName(rdns[i]);
    }
    return true;
}

bool ValueRecord(const AttributeMapping& mapping, std::string_view value, const TreeNaming& naming,
                 std::string& record) {
    record.clear();
    switch (mapping.syntax) {
    case kSyntaxInteger: {
        std::int32_t n = 0;
        if (!ParseDecimal(value, n))
            return false;
        PutU32(record, static_cast<std::uint32_t>(n));
        return true;
    }
    case kSyntaxNetAddress:
        return mapping.form == "tagged" ? TaggedNetAddressRecord(value, record)
                                        : NetAddressRecord(value, record);
    case kSyntaxReplicaPointer: {
        std::uint32_t type = 0, number = 0;
        std::string serverDn;
        if (mapping.form == "ber") {
            if (!BerReplicaPointer(value, serverDn, type, number))
                return false;
        } else {
            // TYPE#NUMBER#SERVER-DN
            std::size_t h1 = value.find('#');
            if (h1 == std::string_view::npos)
                return false;
            std::size_t h2 = value.find('#', h1 + 1);
            if (h2 == std::string_view::npos)
                return false;
            if (!ParseDecimal(value.substr(0, h1), type) ||
                !ParseDecimal(value.substr(h1 + 1, h2 - h1 - 1), number))
                return false;
            serverDn = std::string(value.substr(h2 + 1));
        }
        std::string path;
        if (!naming.DnToPath(serverDn, path))
            return false;
        PutU32(record, static_cast<std::uint32_t>(kReplicaFixed));
        PutU32(record, type);
        PutU32(record, number);
        PutU32(record, 0);
        record += path;
        record += '\0';
        return true;
    }
    default:
        record = std::string(value);
        record += '\0';
        return true;
    }
}

Status OpenBackend(const TreeConnection& connection, std::unique_ptr<DirectoryBackend>& out,
                   std::string& words) {
    words.clear();
    const std::string& a = connection.address;
    if (a.rfind("ldif:", 0) == 0)
        return OpenLdifBackend(connection, out, words);
    if (a.rfind("ldap://", 0) == 0 || a.rfind("ldaps://", 0) == 0)
        return OpenLdapBackend(connection, out, words);
    return kErrTransportFailure;
}

} // namespace qv::nds
