#include "files/design_file.h"

#include "core/synthetic_design.h"
#include "support/scripted.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

namespace qv {
namespace {

using test::Fixture;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::string U32(std::uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// Writes a design to a fresh file and returns the path.
std::string Save(TreeDesign& d, const std::string& dir, const std::string& name) {
    d.designFileName = dir + "/" + name;
    EXPECT_TRUE(WriteDesignFile(d));
    return d.designFileName;
}

void ExpectSameModel(TreeDesign& a, TreeDesign& b) {
    std::vector<std::string> wa, wb;
    auto collect = [](TreeDesign& d, std::vector<std::string>& out) {
        d.WalkSubtree(d.Root(), [&](ObjectNode* n) {
            std::string line = d.FullContext(n) + "|" + std::to_string(n->ClassIndex()) + "|" +
                               std::to_string(n->PartitionMark()) + "|";
            if (n->Leaves())
                for (const auto& e : *n->Leaves())
                    line += e + ",";
            else
                line += "<none>";
            out.push_back(line);
            return true;
        });
    };
    collect(a, wa);
    collect(b, wb);
    EXPECT_EQ(wa, wb);
    auto table = [](const ItemTable& t) {
        std::vector<std::pair<std::string, ReplicaList>> v;
        for (const auto& i : t)
            v.emplace_back(i.name, i.entries);
        return v;
    };
    EXPECT_EQ(table(a.partitions), table(b.partitions));
    EXPECT_EQ(table(a.servers), table(b.servers));
    EXPECT_EQ(table(a.attributes), table(b.attributes));
}

TEST(NewDesign, GivesTheDefaultDesign) {
    Fixture f;
    NewDesign(f.design, 3);
    TreeDesign& d = f.design;
    EXPECT_EQ(d.designFileName, "UNTITLED3.qvd");
    EXPECT_FALSE(d.Flags().modified);
    EXPECT_TRUE(d.Flags().neverSaved);
    EXPECT_EQ(*d.partitions.EntriesOf("[ROOT]"), ReplicaList{"SERVER*MASTER*"});
    EXPECT_EQ(*d.servers.EntriesOf("SERVER"), ReplicaList{"[ROOT]*MASTER*"});
    ASSERT_EQ(d.attributes.Size(), 1u);
    EXPECT_EQ(d.attributes.Name(0), "DS VERSION:0");
    EXPECT_EQ(d.attributes.Entries(0), ReplicaList{"IPX:00000000"});
    EXPECT_EQ(*d.Root()->Leaves(), LeafList{MakeLeafEntry("ORGANIZATION", 1)});
    EXPECT_EQ(*d.Root()->Child(0)->Leaves(), LeafList{MakeLeafEntry("SERVER", 3)});
}

TEST(NewDesign, FileBytesAreExactlyTheFormat) {
    Fixture f;
    NewDesign(f.design, 1);
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    std::string root = std::string("\x06\x00\x00\x04", 4) + "[ROOT]" + '\0' + U32(1) + '\x0f' +
                       "ORGANIZATION\xBF\xBC" + "1";
    std::string org = std::string("\x0c\x06\x01\xff", 4) + "ORGANIZATION" + "[ROOT]" + '\0' +
                      U32(1) + '\x09' + "SERVER\xBF\xBC" + "3";
    std::string srv =
        std::string("\x06\x0c\x03\xff", 4) + "SERVER" + "ORGANIZATION" + '\x01' + U32(0);
    std::string objects = root + org + srv;
    std::string parts = U32(1) + U32(6) + "[ROOT]" + '\x0e' + "SERVER*MASTER*";
    std::string servers = U32(1) + U32(6) + "SERVER" + '\x0e' + "[ROOT]*MASTER*";
    std::string attrs = U32(1) + U32(12) + "DS VERSION:0" + '\x0c' + "IPX:00000000";
    std::uint32_t oe = 24 + static_cast<std::uint32_t>(objects.size());
    std::uint32_t pe = oe + static_cast<std::uint32_t>(parts.size());
    std::uint32_t se = pe + static_cast<std::uint32_t>(servers.size());
    std::string expected = U32(kDesignMagic1) + U32(kDesignMagic2) + U32(0) + U32(oe) + U32(pe) +
                           U32(se) + objects + parts + servers + attrs;
    EXPECT_EQ(bytes, expected);
}

TEST(DesignFile, RoundTripKeepsEverythingButSubRefs) {
    std::string dir = TempDir();
    Fixture f;
    SyntheticOptions o;
    o.containers = 60;
    o.servers = 12;
    o.partitions = 15;
    o.leaves = 3000;
    GenerateSyntheticDesign(f.design, o);
    std::string path = Save(f.design, dir, "a.qvd");
    EXPECT_FALSE(f.design.Flags().modified);

    Fixture g;
    ASSERT_TRUE(OpenDesign(g.design, path));
    EXPECT_FALSE(g.design.Flags().modified);
    ExpectSameModel(f.design, g.design);
    // Save As of an opened file gives the same bytes.
    std::string again = Save(g.design, dir, "b.qvd");
    EXPECT_EQ(ReadFile(path), ReadFile(again));

    // SUB/REF entries are written but dropped when read.
    g.design.EnsureAllSubRefs();
    std::string withRefs = Save(g.design, dir, "c.qvd");
    EXPECT_NE(ReadFile(withRefs).find("*SUB/REF*"), std::string::npos);
    Fixture h;
    ASSERT_TRUE(OpenDesign(h.design, withRefs));
    ExpectSameModel(f.design, h.design);
}

TEST(DesignFile, ParentsAreFoundOnTheAncestorPathByNameAndLevel) {
    std::string dir = TempDir();
    Fixture f;
    TreeDesign& d = f.design;
    test::MakeEmpty(d);
    ObjectNode* a = d.AddChild(d.Root(), "A", 1);
    ObjectNode* b = d.AddChild(d.Root(), "B", 1);
    d.AddChild(d.AddChild(a, "SAME", 2), "X", 2);
    d.AddChild(d.AddChild(b, "SAME", 2), "Y", 2, kPartitionRootMark);
    d.AddSubordinateEntries(d.Root());
    std::string path = Save(d, dir, "t.qvd");
    Fixture g;
    ASSERT_TRUE(OpenDesign(g.design, path));
    ObjectNode* y = g.design.FindNodeByContext("Y.SAME.B");
    ASSERT_NE(y, nullptr);
    EXPECT_TRUE(y->IsPartitionRoot());
    EXPECT_NE(g.design.FindNodeByContext("X.SAME.A"), nullptr);
    // A node without subordinates is stored with no list and read back without one.
    EXPECT_FALSE(y->Leaves());
    EXPECT_FALSE(g.design.FindNodeByContext("X.SAME.A")->PartitionMark() == kPartitionRootMark);
}

TEST(DesignFile, StatusTexts) {
    std::string dir = TempDir();
    Fixture f;
    NewDesign(f.design, 1);
    std::string path = Save(f.design, dir, "s.qvd");
    EXPECT_TRUE(f.progress.Saw("Writing Object: ORGANIZATION"));
    EXPECT_TRUE(f.progress.Saw("Writing Partitions.."));
    EXPECT_TRUE(f.progress.Saw("Writing Servers.."));
    EXPECT_TRUE(f.progress.Saw("Writing Versions and Addresses of Servers.."));
    Fixture g;
    ASSERT_TRUE(OpenDesign(g.design, path));
    EXPECT_TRUE(g.progress.Saw("  Configuring Object: SERVER.ORGANIZATION"));
    EXPECT_TRUE(g.progress.Saw("  Configuring Partition: [ROOT]"));
    EXPECT_TRUE(g.progress.Saw("  Configuring Server: SERVER"));
    EXPECT_TRUE(g.progress.Saw("  Configuring Server Addresses and DS Versions: 1"));
    EXPECT_TRUE(g.progress.Saw("  Re-sorting objects...."));
    EXPECT_EQ(g.progress.shown.back().text, "");
}

// Builds a file by hand: objects given as raw records, plus empty tables.
std::string FileWithObjects(const std::string& objects, const std::string& tables = "") {
    std::uint32_t oe = 24 + static_cast<std::uint32_t>(objects.size());
    std::uint32_t end = oe + static_cast<std::uint32_t>(tables.size());
    return U32(kDesignMagic1) + U32(kDesignMagic2) + U32(0) + U32(oe) + U32(end) + U32(end) +
           objects + tables;
}

std::string Record(const std::string& name, const std::string& parent, std::uint8_t cls,
                   std::uint8_t mark, std::uint8_t parentLevel, const LeafList& leaves) {
    std::string r;
    r.push_back(static_cast<char>(name.size()));
    r.push_back(static_cast<char>(parent.size()));
    r.push_back(static_cast<char>(cls));
    r.push_back(static_cast<char>(mark));
    r += name + parent;
    r.push_back(static_cast<char>(parentLevel));
    r += U32(static_cast<std::uint32_t>(leaves.size()));
    for (const auto& e : leaves) {
        r.push_back(static_cast<char>(e.size()));
        r += e;
    }
    return r;
}

TEST(OpenDesign, RepairsFilesOfEarlierReleases) {
    std::string dir = TempDir();
    // The root has no leaf list: it is rebuilt and the design counts as modified.
    std::string path = dir + "/old1.qvd";
    WriteFile(path, FileWithObjects(Record("[ROOT]", "", 0, 4, 0, {}) +
                                    Record("ACME", "[ROOT]", 1, 255, 0, {})));
    Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, path));
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_EQ(*f.design.Root()->Leaves(), LeafList{MakeLeafEntry("ACME", 1)});
    // A stored mark of 255 reads back as no mark.
    EXPECT_FALSE(f.design.Root()->Child(0)->IsPartitionRoot());

    // An ORGANIZATION entry of the root without such a child is removed.
    path = dir + "/old2.qvd";
    WriteFile(path,
              FileWithObjects(Record("[ROOT]", "", 0, 4, 0,
                                     {MakeLeafEntry("ORGANIZATION", 1), MakeLeafEntry("ACME", 1)}) +
                              Record("ACME", "[ROOT]", 1, 255, 0, {})));
    Fixture g;
    ASSERT_TRUE(OpenDesign(g.design, path));
    EXPECT_TRUE(g.design.Flags().modified);
    EXPECT_EQ(*g.design.Root()->Leaves(), LeafList{MakeLeafEntry("ACME", 1)});

    // A sound file is not modified.
    path = dir + "/ok.qvd";
    WriteFile(path, FileWithObjects(Record("[ROOT]", "", 0, 4, 0, {MakeLeafEntry("ACME", 1)}) +
                                    Record("ACME", "[ROOT]", 1, 255, 0, {})));
    Fixture h;
    ASSERT_TRUE(OpenDesign(h.design, path));
    EXPECT_FALSE(h.design.Flags().modified);
    EXPECT_EQ(h.design.designFileName, path);
}

TEST(OpenDesign, MissingAttributeItemsAreFilledIn) {
    std::string dir = TempDir();
    std::string path = dir + "/attrs.qvd";
    std::string objects = Record("[ROOT]", "", 0, 4, 0, {MakeLeafEntry("FS1", 3)}) +
                          Record("FS1", "[ROOT]", 3, 255, 0, {});
    std::string parts = U32(1) + U32(6) + "[ROOT]" + '\x0b' + "FS1*MASTER*";
    std::string servers = U32(1) + U32(3) + "FS1" + '\x0e' + "[ROOT]*MASTER*";
    std::uint32_t oe = 24 + static_cast<std::uint32_t>(objects.size());
    std::uint32_t pe = oe + static_cast<std::uint32_t>(parts.size());
    std::uint32_t se = pe + static_cast<std::uint32_t>(servers.size());
    WriteFile(path, U32(kDesignMagic1) + U32(kDesignMagic2) + U32(0) + U32(oe) + U32(pe) + U32(se) +
                        objects + parts + servers);
    Fixture f;
    ASSERT_TRUE(OpenDesign(f.design, path));
    ASSERT_EQ(f.design.attributes.Size(), 1u);
    EXPECT_EQ(f.design.attributes.Name(0), "DS VERSION:0");
    EXPECT_TRUE(f.design.Flags().modified);
}

TEST(OpenDesign, RejectsWrongMagicNumbers) {
    std::string dir = TempDir();
    std::string path = dir + "/bad.qvd";
    WriteFile(path, U32(kDesignMagic1) + U32(12345) + U32(0) + U32(24) + U32(24) + U32(24));
    Fixture f;
    EXPECT_FALSE(OpenDesign(f.design, path));
    EXPECT_EQ(f.ui.Texts("information"),
              std::vector<std::string>{"Illegal file format on file: " + path});
    WriteFile(path, "hello");
    Fixture g;
    EXPECT_FALSE(OpenDesign(g.design, path));
    EXPECT_EQ(g.ui.Texts("information").size(), 1u);
}

TEST(OpenDesign, MissingFileShowsTheSystemError) {
    Fixture f;
    EXPECT_FALSE(OpenDesign(f.design, "/nonexistent/dir/x.qvd"));
    ASSERT_EQ(f.ui.Texts("error").size(), 1u);
    EXPECT_NE(f.ui.Texts("error")[0].find("No such file or directory"), std::string::npos);
}

TEST(OpenDesign, RejectsEveryTruncationAndBrokenStructure) {
    Fixture f;
    SyntheticOptions o;
    o.containers = 12;
    o.servers = 4;
    o.partitions = 4;
    o.leaves = 40;
    GenerateSyntheticDesign(f.design, o);
    std::string bytes;
    const Result<std::string> serialized = SerializeDesign(f.design);
    ASSERT_TRUE(serialized);
    bytes = serialized.value_or("");
    std::string dir = TempDir();
    std::string path = dir + "/t.qvd";
    // Every proper prefix is either rejected or (where it ends on a record of
    // the attribute section) read; it never crashes.
    for (std::size_t len = 0; len < bytes.size(); ++len) {
        DesignFileContents c;
        ParseStatus st = ParseDesignFile(std::string_view(bytes).substr(0, len), c);
        std::uint32_t serversEnd = 0;
        if (len >= 24)
            std::memcpy(&serversEnd, bytes.data() + 20, 4);
        if (len < serversEnd) {
            EXPECT_NE(st, ParseStatus::Ok) << len;
        }
    }
    WriteFile(path, bytes.substr(0, bytes.size() / 2));
    Fixture g;
    EXPECT_FALSE(OpenDesign(g.design, path));
    EXPECT_EQ(g.ui.Texts("information"),
              std::vector<std::string>{"Illegal file format on file: " + path});

    auto broken = [&](const std::string& b) {
        DesignFileContents c;
        if (ParseDesignFile(b, c) != ParseStatus::Ok)
            return true;
        TreeDesign d;
        d.ClearTree();
        return !ApplyDesignContents(d, c);
    };
    auto patched = [&](std::size_t at, std::uint32_t v) {
        std::string b = bytes;
        std::string le = U32(v);
        b.replace(at, 4, le);
        return b;
    };
    // End offsets out of order or past the end.
    EXPECT_TRUE(broken(patched(12, 10)));
    EXPECT_TRUE(broken(patched(12, static_cast<std::uint32_t>(bytes.size() + 1))));
    EXPECT_TRUE(broken(patched(16, 30)));
    EXPECT_TRUE(broken(patched(20, static_cast<std::uint32_t>(bytes.size() + 100))));
    // An object section that does not end exactly at ObjectsEnd.
    std::uint32_t oe = 0;
    std::memcpy(&oe, bytes.data() + 12, 4);
    EXPECT_TRUE(broken(patched(12, oe - 1)));
    // A huge leaf count must be rejected, not allocated.
    EXPECT_TRUE(broken(
        FileWithObjects(std::string("\x06\x00\x00\x04", 4) + "[ROOT]" + '\0' + U32(0xFFFFFFF0u))));
    // A huge entry count in a table.
    EXPECT_TRUE(broken(FileWithObjects("", U32(0xFFFFFFFFu) + U32(1) + "A")));
    // A table name over 255 bytes.
    EXPECT_TRUE(broken(FileWithObjects("", U32(0) + U32(256) + std::string(256, 'N'))));
    // A parent that is not on the ancestor path.
    EXPECT_TRUE(broken(FileWithObjects(Record("[ROOT]", "", 0, 4, 0, {}) +
                                       Record("A", "[ROOT]", 1, 255, 0, {}) +
                                       Record("B", "NOWHERE", 1, 255, 0, {}))));
    // The right name at the wrong level is not the parent either.
    EXPECT_TRUE(broken(
        FileWithObjects(Record("A", "[ROOT]", 1, 255, 0, {}) + Record("B", "A", 1, 255, 5, {}))));
}

TEST(SaveDesign, NewDesignsAskForAPath) {
    std::string dir = TempDir();
    Fixture f;
    NewDesign(f.design, 1);
    f.design.MarkChanged();
    // Cancelled: nothing is written and the design stays modified.
    EXPECT_FALSE(SaveDesign(f.design));
    ASSERT_TRUE(f.ui.lastRequest);
    EXPECT_EQ(f.ui.lastRequest->filter,
              "Design Files *.qvd|*.qvd|Delimited File *.dlm|*.dlm|Rich Edit  *.rtf|*.rtf|Any "
              "File *.*|*.*");
    EXPECT_TRUE(f.ui.lastRequest->overwritePrompt);
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_EQ(f.design.designFileName, "UNTITLED1.qvd");

    f.ui.files = {dir + "/UNTITLED1.qvd"};
    EXPECT_TRUE(SaveDesign(f.design));
    EXPECT_FALSE(f.design.Flags().modified);
    EXPECT_EQ(f.design.designFileName, dir + "/UNTITLED1.qvd");
    // Once written, Save writes in place without asking, even under an UNTITLED name.
    f.ui.lastRequest.reset();
    f.design.MarkChanged();
    EXPECT_TRUE(SaveDesign(f.design));
    EXPECT_FALSE(f.ui.lastRequest);
}

TEST(WriteDesignFile, FailureKeepsTheOldFileAndTheModifiedFlag) {
    std::string dir = TempDir();
    Fixture f;
    NewDesign(f.design, 1);
    std::string path = Save(f.design, dir, "keep.qvd");
    std::string before = ReadFile(path);
    chmod(path.c_str(), 0640);

    f.design.RenameNode(f.design.Root()->Child(0), std::string(300, 'L'));
    f.design.MarkChanged();
    EXPECT_FALSE(WriteDesignFile(f.design));
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_EQ(ReadFile(path), before);
    ASSERT_EQ(f.ui.Texts("error").size(), 1u);

    // A folder that does not exist: the system's error text, nothing written.
    f.design.RenameNode(f.design.Root()->Child(0), "ORGANIZATION");
    f.design.designFileName = dir + "/missing/x.qvd";
    EXPECT_FALSE(WriteDesignFile(f.design));
    EXPECT_TRUE(f.design.Flags().modified);
    EXPECT_NE(f.ui.Texts("error").back().find("No such file or directory"), std::string::npos);

    // A successful write replaces the file and keeps its permissions; no temporary file is left.
    f.design.designFileName = path;
    EXPECT_TRUE(WriteDesignFile(f.design));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::system(("test $(ls -A " + dir + " | wc -l) -eq 1").c_str()), 0);
}

} // namespace
} // namespace qv
