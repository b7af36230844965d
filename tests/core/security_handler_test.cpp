#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "core/pdf_dict.h"
#include "core/pdf_parser.h"
#include "core/security_handler.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::string fixture(const std::string& name) {
    std::ifstream in(std::string(QM_TEST_DATA_DIR) + "/encryption/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Locates "N 0 obj" headers by scanning, which is all these small fixtures need.
struct Fixture {
    explicit Fixture(const std::string& name) : bytes(fixture(name)), xref(bytes) {
        for (int n = 1; n < 20; ++n) {
            std::string header = "\n" + std::to_string(n) + " 0 obj";
            size_t at = bytes.find(header);
            if (at != std::string::npos) xref.add(n, static_cast<long>(at + 1));
        }
        size_t t = bytes.rfind("trailer");
        PdfParser p(&xref, std::make_unique<PdfLexer>(&xref, test::memoryStream(bytes.substr(t + 7))));
        trailer = p.readObject();
        PdfObject e = trailer.dictLookup("Encrypt");
        enc.version = e.dictLookup("V").getInt();
        enc.revision = e.dictLookup("R").getInt();
        enc.keyLength = e.dictLookup("Length").isInt() ? e.dictLookup("Length").getInt() / 8 : 5;
        enc.owner = std::string(e.dictLookup("O").getString()->view());
        enc.user = std::string(e.dictLookup("U").getString()->view());
        enc.permissions = e.dictLookup("P").getInt();
        enc.fileId = std::string(trailer.dictLookup("ID").arrayGet(0).getString()->view());
    }
    // Object n parsed with the decryptor of the given file key.
    PdfObject decrypted(int n, const uint8_t* key) {
        Rc4ObjectCipher cipher(key, enc.keyLength);
        std::string at = bytes.substr(static_cast<size_t>(bytes.find("\n" + std::to_string(n) + " 0 obj") + 1));
        PdfParser p(&xref, std::make_unique<PdfLexer>(&xref, test::memoryStream(at)));
        p.readObject();
        p.readObject();
        p.readObject();
        return p.readObject(&cipher, n, 0);
    }
    std::string bytes;
    test::TestResolver xref;
    PdfObject trailer;
    StandardEncryption enc;
};

}  // namespace

TEST(StandardSecurity, Revision2EmptyUserPasswordOpensWithoutPasswords) {
    Fixture f("r2-40-empty-user.pdf");
    ASSERT_EQ(f.enc.revision, 2);
    ASSERT_EQ(f.enc.keyLength, 5);
    uint8_t key[16];
    bool owner = true;
    ASSERT_TRUE(computeFileKey(f.enc, nullptr, nullptr, key, &owner));
    EXPECT_FALSE(owner);
    EXPECT_TRUE(computeFileKey(f.enc, "owner40", nullptr, key, &owner));
    EXPECT_TRUE(owner);
    // A wrong owner password still opens through the empty user password.
    EXPECT_TRUE(computeFileKey(f.enc, "wrong", nullptr, key, &owner));
    EXPECT_FALSE(owner);
    // The writer renumbered the objects: 4 is the outline item, 6 the link, 7 the content.
    PdfObject title = f.decrypted(4, key).dictLookup("Title");
    ASSERT_TRUE(title.isString());
    EXPECT_EQ(title.getString()->view(), "Hello");
}

TEST(StandardSecurity, Revision3OwnerOrUserPasswordButNotAWrongOne) {
    Fixture f("r3-128-rc4.pdf");
    ASSERT_EQ(f.enc.revision, 3);
    ASSERT_EQ(f.enc.keyLength, 16);
    uint8_t byOwner[16], byUser[16], key[16];
    bool owner = false;
    ASSERT_TRUE(computeFileKey(f.enc, "owner128", nullptr, byOwner, &owner));
    EXPECT_TRUE(owner);
    ASSERT_TRUE(computeFileKey(f.enc, nullptr, "user128", byUser, &owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(byOwner), 16), std::string(reinterpret_cast<char*>(byUser), 16));
    EXPECT_FALSE(computeFileKey(f.enc, nullptr, "user12", key, &owner));
    EXPECT_FALSE(computeFileKey(f.enc, "owner", "nope", key, &owner));
    EXPECT_FALSE(computeFileKey(f.enc, nullptr, nullptr, key, &owner));

    std::string plain = fixture("plain.pdf");
    size_t s = plain.find("stream\n") + 7;
    std::string content = plain.substr(s, plain.find("\nendstream") - s);
    PdfObject stream = f.decrypted(7, byUser);
    ASSERT_TRUE(stream.isStream());
    EXPECT_EQ(test::readAll(stream), content);
    EXPECT_EQ(test::readAll(stream), content);  // reset re-keys the decryptor
    PdfObject uri = f.decrypted(6, byUser).dictLookup("A").dictLookup("URI");
    ASSERT_TRUE(uri.isString());
    EXPECT_EQ(uri.getString()->view(), "https://example.org/");
}
