// The LDIF the directory export writes (generate --ldif): every value that is
// not a safe string as it stands goes in base64, and every name comes back
// whole through our LDIF reader, in its container.
#include "netware/directory_backend.h"
#include "netware/directory_entries.h"
#include "netware/directory_export.h"
#include "support/scripted.h"

#include "core/class_table.h"
#include "core/entries.h"

#include <gtest/gtest.h>

#include <sstream>

namespace qv::test {
namespace {

// The names RFC 2849 and RFC 4514 treat specially: a leading space, colon
// or "<", a trailing space, the DN specials, "#" first, the 8-bit range
// (Latin-1 in the model, UTF-8 in the directory), DEL and the other
// controls the model can hold.
const char* const kNames[] = {
    " leading space", "trailing space ", ":colon first", "<less first", "a,comma",      "a+plus",
    "a=equals",       "a\\backslash",    "a\"quote",     "#hash first", "a;semicolon",  "a<b>c",
    "caf\xE9",        "\xFF\xFE",        "del\x7F",      "tab\there",   "colon:inside", "plain",
};

TEST(DirectoryExport, EveryNameComesBackWholeInItsContainer) {
    Fixture f;
    TreeDesign& d = f.design;
    MakeEmpty(d);
    ObjectNode* org = d.AddChild(d.Root(), "ACME", kClassOrganization);
    for (const char* name : kNames) {
        ObjectNode* ou = d.AddChild(org, name, kClassOrgUnit);
        d.AppendLeaf(ou, MakeLeafEntry(name, kClassUser));
    }
    std::ostringstream ldif;
    ASSERT_TRUE(nds::WriteDesignLdif(d, "EXPORT_TREE", ldif));

    nds::DirectoryEntries back;
    ASSERT_EQ(back.LoadLdif(ldif.str()), nds::kOk) << ldif.str();
    // The tree root, ACME, and for every name its unit and its user.
    EXPECT_EQ(back.Size(), 2 + 2 * std::size(kNames));
    const std::int32_t acme = back.FindByFullName("ACME");
    ASSERT_GE(acme, 0);
    for (const char* name : kNames) {
        const std::string utf8 = nds::ModelNameToUtf8(name);
        std::int32_t unit = -1, user = -1;
        for (std::size_t i = 0; i < back.Size(); ++i) {
            const nds::DirectoryEntry& e = back.At(i);
            if (e.rdnValue != utf8)
                continue;
            (e.parent == acme ? unit : user) = static_cast<std::int32_t>(i);
        }
        ASSERT_GE(unit, 0) << name;
        ASSERT_GE(user, 0) << name;
        EXPECT_EQ(back.At(static_cast<std::size_t>(user)).parent, unit) << name;
        EXPECT_EQ(back.At(static_cast<std::size_t>(unit)).baseClass, "Organizational Unit");
        EXPECT_EQ(back.At(static_cast<std::size_t>(user)).baseClass, "User");
    }
}

// Which values are written as they are: a table over every byte value in
// the first, a middle and the last place.
TEST(DirectoryExport, UnsafeValuesAreWrittenInBase64) {
    for (int c = 1; c < 256; ++c) {
        const std::string ch(1, static_cast<char>(c));
        for (int place = 0; place < 3; ++place) {
            const std::string name = place == 0 ? ch + "x" : place == 1 ? "x" + ch + "x" : "x" + ch;
            Fixture f;
            TreeDesign& d = f.design;
            MakeEmpty(d);
            d.AddChild(d.Root(), name, kClassOrganization);
            std::ostringstream ldif;
            ASSERT_TRUE(nds::WriteDesignLdif(d, "T", ldif));
            const std::string text = ldif.str();
            // A safe string: no NUL, LF, CR or byte over 0x7F anywhere, no
            // space, colon or "<" first, no space last.
            const bool safe = c != '\n' && c != '\r' && c < 0x80 &&
                              !(place == 0 && (c == ' ' || c == ':' || c == '<')) &&
                              !(place == 2 && c == ' ');
            const bool plain = text.find("\no: " + name + "\n") != std::string::npos;
            const bool encoded = text.find("\no:: ") != std::string::npos;
            EXPECT_EQ(plain, safe) << c << " at " << place << "\n" << text;
            EXPECT_EQ(encoded, !safe) << c << " at " << place << "\n" << text;
        }
    }
}

} // namespace
} // namespace qv::test
