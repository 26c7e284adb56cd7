// The whole directory as plain entries, from the example LDIF and from the
// private directory server holding the same tree.
#include "discovery_support.h"
#include "netware/directory_entries.h"

#include <gtest/gtest.h>

using namespace qv;
using namespace qv::nds;

namespace {

void ExpectCorpTree(const DirectoryEntries& d) {
    ASSERT_GT(d.Size(), 10u);
    EXPECT_EQ(d.At(0).fullName, "");
    EXPECT_EQ(d.At(0).rdnValue, "CORP_TREE");
    std::int32_t sales = d.FindByFullName(".sales.corp");
    ASSERT_GE(sales, 0);
    EXPECT_TRUE(d.At(sales).container);
    EXPECT_EQ(d.At(sales).baseClass, "Organizational Unit");
    std::int32_t js = d.FindByFullName("JSMITH.SALES.CORP");
    ASSERT_GE(js, 0);
    EXPECT_EQ(d.At(js).parent, sales);
    EXPECT_FALSE(d.At(js).container);
    EXPECT_EQ(d.At(js).First("SN"), "Smith");
    std::int32_t server = d.FindByDn(d.At(js).First("qvDefaultServer"));
    ASSERT_GE(server, 0);
    EXPECT_EQ(d.At(server).fullName, "FS2.SALES.CORP");
    EXPECT_EQ(d.FindByFullName("[Root]"), 0);
    EXPECT_EQ(d.FindByFullName("NOBODY.CORP"), -1);
    EXPECT_EQ(d.At(d.FindByFullName("EVERYONE.CORP")).Values("member").size(), 3u);
    bool listed = false;
    for (std::int32_t c : d.At(sales).children)
        listed = listed || c == js;
    EXPECT_TRUE(listed);
}

} // namespace

TEST(DirectoryEntries, ReadsTheExampleThroughBothBackends) {
    for (test::Backend b : {test::Backend::Ldif, test::Backend::Ldap}) {
        SCOPED_TRACE(test::BackendName(b));
        DirectoryEntries d;
        ASSERT_EQ(d.Load(test::Connection(b, "CORP_TREE")), kOk);
        ExpectCorpTree(d);
    }
}

TEST(DirectoryEntries, VolumeFoldersOfAnLdifFileAreRelativeToIt) {
    DirectoryEntries d;
    ASSERT_EQ(d.Load(test::Connection(test::Backend::Ldif, "CORP_TREE")), kOk);
    std::string path = d.At(d.FindByFullName("FS1_SYS.CORP")).First("qvVolumePath");
    EXPECT_EQ(path,
              test::CorpLdifPath().substr(0, test::CorpLdifPath().rfind('/')) + "/volumes/FS1_SYS");
}

TEST(DirectoryEntries, RefusesWhatIsNotADirectory) {
    DirectoryEntries d;
    EXPECT_NE(d.LoadLdif(""), kOk);
    EXPECT_NE(d.LoadLdif("not ldif at all\n"), kOk);
    EXPECT_NE(d.LoadLdif(":x\n"), kOk);
    // What OpenLDAP's parser crashed on, and values by URL that are no
    // bounded regular file (a device would be read for ever).
    EXPECT_NE(d.LoadLdif("dn: o=A\n-\n"), kOk);
    EXPECT_NE(d.LoadLdif("dn: o=A\no: A\njpegPhoto:< file:///dev/zero\n"), kOk);
    EXPECT_NE(d.LoadLdif("dn: o=A\no: A\njpegPhoto:< http://example.com/x\n"), kOk);
    ASSERT_EQ(d.LoadLdif("dn: o=A\no: A\ndescription:< file://" + test::CorpLdifPath() + "\n"),
              kOk);
    EXPECT_EQ(d.At(0).First("description"), test::ReadFile(test::CorpLdifPath()));
    TreeConnection c;
    c.address = "ftp://nowhere";
    EXPECT_EQ(d.Load(c), kErrNoSuchTree);
    c.address = "ldif:/no/such/file.ldif";
    EXPECT_EQ(d.Load(c), kErrTransportFailure);
    // Entries outside the root and repeated DNs are left out.
    ASSERT_EQ(d.LoadLdif("dn: o=A\no: A\n\ndn: ou=B,o=A\nou: B\n\ndn: ou=C,o=Z\nou: C\n\n"
                         "dn: ou=B,o=A\nou: B\n"),
              kOk);
    EXPECT_EQ(d.Size(), 2u);
    EXPECT_EQ(d.At(1).fullName, "B");
}
