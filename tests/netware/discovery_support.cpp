#include "discovery_support.h"

#include "files/design_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace qv::test {

namespace {

// The edge cases: the root is the only partition; one of its replicas is a
// subordinate reference and one has a type without a marker; FS9 holds a
// replica before it is listed; FS2 has an IPX and two IP addresses, FS3 no
// address; BIG holds more objects than one listing chunk takes.
std::string EdgeLdif() {
    std::string s = "dn: cn=EDGE_TREE\n"
                    "objectClass: qvContainer\n"
                    "cn: EDGE_TREE\n"
                    "qvBaseClass: Top\n"
                    "qvPartitionRoot: TRUE\n"
                    "qvReplica: 0#1#cn=FS9,ou=Late,o=Acme,cn=EDGE_TREE\n"
                    "qvReplica: 3#2#cn=FS3,o=Acme,cn=EDGE_TREE\n"
                    "qvReplica: 7#3#cn=FS2,o=Acme,cn=EDGE_TREE\n"
                    "qvReplica: 1#4#cn=FS2,o=Acme,cn=EDGE_TREE\n"
                    "qvReplica: 2#5#cn=Elsewhere,cn=OTHER\n"
                    "\n"
                    "dn: o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvContainer\n"
                    "o: Acme\n"
                    "qvBaseClass: Organization\n"
                    "\n"
                    "dn: cn=FS2,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvObject\n"
                    "cn: FS2\n"
                    "qvBaseClass: NCP Server\n"
                    "qvNetworkAddress: IP:10.0.0.2\n"
                    "qvNetworkAddress: IPX:0102ABCD:000000000001:0451\n"
                    "qvNetworkAddress: IP:192.168.7.20\n"
                    "qvNetworkAddress: APPLETALK:1\n"
                    "qvDSRevision: 711\n"
                    "qvVersion: NetWare 5.1\n"
                    "\n"
                    "dn: cn=FS3,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvObject\n"
                    "cn: FS3\n"
                    "qvBaseClass: NCP Server\n"
                    "\n"
                    "dn: ou=Late,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvContainer\n"
                    "ou: Late\n"
                    "qvBaseClass: Organizational Unit\n"
                    "\n"
                    "dn: cn=FS9,ou=Late,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvObject\n"
                    "cn: FS9\n"
                    "qvBaseClass: NCP Server\n"
                    "qvDSRevision: 599\n"
                    "qvDSRevision: 600\n"
                    "\n"
                    "dn: cn=Gadget,ou=Late,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvObject\n"
                    "cn: Gadget\n"
                    "qvBaseClass: Widget Class\n"
                    "\n"
                    "dn: ou=Big,o=Acme,cn=EDGE_TREE\n"
                    "objectClass: qvContainer\n"
                    "ou: Big\n"
                    "qvBaseClass: Organizational Unit\n";
    for (int i = 0; i < 150; ++i)
        s += "\ndn: cn=USER_WITH_A_LONGISH_NAME_" + std::to_string(i) +
             ",ou=Big,o=Acme,cn=EDGE_TREE\nobjectClass: qvObject\ncn: USER_WITH_A_LONGISH_NAME_" +
             std::to_string(i) + "\nqvBaseClass: User\n";
    return s;
}

std::string TempFile(const std::string& name, const std::string& text) {
    std::string dir = ::testing::TempDir();
    std::string path = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + "qv_" +
                       std::to_string(::getpid()) + "_" + name;
    std::ofstream(path, std::ios::binary) << text;
    // The files go when the test program ends.
    static struct Remover {
        std::vector<std::string> paths;
        ~Remover() {
            for (const std::string& p : paths)
                std::remove(p.c_str());
        }
    } remover;
    remover.paths.push_back(path);
    return path;
}

} // namespace

// The edge cases and two wide containers, which the server hands out in
// several parts: HALF (500 users) within the server's size limit of 600,
// WIDE (700 users) beyond it.
const std::string& PagedLdifPath() {
    static const std::string path = [] {
        std::string text = EdgeLdif();
        for (const auto& [ou, users] : {std::pair{"Half", 500}, std::pair{"Wide", 700}}) {
            const std::string dn = std::string("ou=") + ou + ",o=Acme,cn=EDGE_TREE";
            text += "\ndn: " + dn + "\nobjectClass: qvContainer\nou: " + ou +
                    "\nqvBaseClass: Organizational Unit\n";
            for (int i = 0; i < users; ++i) {
                const std::string cn = std::string(ou) + "USER" + std::to_string(i);
                text += "\ndn: cn=" + cn + "," + dn + "\nobjectClass: qvObject\ncn: " + cn +
                        "\nqvBaseClass: User\n";
            }
        }
        for (std::size_t at; (at = text.find("EDGE_TREE")) != std::string::npos;)
            text.replace(at, 9, "PAGED_TREE");
        return TempFile("paged_tree.ldif", text);
    }();
    return path;
}

const std::string& EdgeLdifPath() {
    static const std::string path = TempFile("edge_tree.ldif", EdgeLdif());
    return path;
}

std::string CorpLdifPath() {
    return std::string(QV_SOURCE_DIR) + "/examples/corp_tree.ldif";
}

SlapdServer& Directory() {
    static std::unique_ptr<SlapdServer> server;
    if (!server) {
        server = std::make_unique<SlapdServer>();
        std::string error;
        // PAGED_TREE answers an anonymous search with at most 600 entries,
        // unless the paged-results control is used.
        if (!server->Start({{"cn=CORP_TREE", CorpLdifPath(), ""},
                            {"cn=EDGE_TREE", EdgeLdifPath(), ""},
                            {"cn=PAGED_TREE", PagedLdifPath(),
                             "limits anonymous size.soft=600 size.hard=600 size.pr=unlimited "
                             "size.prtotal=unlimited\n"}},
                           error))
            ADD_FAILURE() << error;
        // Stopped at exit: SIGINT and a wait.
        std::atexit([] { server.reset(); });
    }
    return *server;
}

std::string BackendName(Backend b) {
    return b == Backend::Ldif ? "Ldif" : "Ldap";
}

nds::TreeConnection Connection(Backend b, const std::string& tree) {
    nds::TreeConnection c;
    c.name = tree;
    if (b == Backend::Ldif)
        c.address = "ldif:" + (tree == "CORP_TREE" ? CorpLdifPath() : EdgeLdifPath());
    else
        c.address = Directory().Url("cn=" + tree);
    if (b == Backend::Ldif && tree == "PAGED_TREE")
        c.address = "ldif:" + PagedLdifPath();
    return c;
}

Discovery::Discovery(const std::string& tree) {
    design.SetHosts(&progress, &ui);
    NewDesign(design, 1);
    host.tree = tree;
    display.search = &search;
    search.logFileName = ::testing::TempDir() + "/DSSEARCH_" + std::to_string(::getpid()) + ".ERR";
}

bool Discovery::Run() {
    kept = DiscoverTree(design, search, host);
    return kept;
}

bool Discovery::Logged(const std::string& line) const {
    return std::find(search.log.begin(), search.log.end(), line) != search.log.end();
}

std::string DesignText(TreeDesign& d) {
    std::string out;
    d.Walk(d.Root(), [&](ObjectNode* n) {
        out += std::string(static_cast<std::size_t>(n->Level()) * 2, ' ') + n->Name() + " <" +
               std::to_string(n->ClassIndex()) + "> " + std::to_string(n->PartitionMark()) + "\n";
        if (n->Leaves())
            for (const std::string& l : *n->Leaves())
                out += std::string(static_cast<std::size_t>(n->Level()) * 2 + 2, ' ') + "- " +
                       std::string(LeafName(l)) + " " + std::to_string(LeafClassIndex(l)) + "\n";
        return true;
    });
    for (const char* title : {"partitions", "servers", "attributes"}) {
        const ItemTable& t = std::string(title) == "partitions" ? d.partitions
                             : std::string(title) == "servers"  ? d.servers
                                                                : d.attributes;
        out += std::string(title) + ":\n";
        for (const TableItem& item : t) {
            out += "  " + item.name + "\n";
            for (const std::string& e : item.entries)
                out += "    " + e + "\n";
        }
    }
    return out;
}

std::string Discovery::Text() const {
    return DesignText(const_cast<TreeDesign&>(design));
}

} // namespace qv::test
