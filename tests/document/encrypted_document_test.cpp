// Encrypted documents opened through the whole stack: table, security handler, parser and
// file streams. Fixtures were made with an independent writer (see tests/data/encryption).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_document.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::string path(const std::string& name) { return std::string(QM_TEST_DATA_DIR) + "/" + name; }

std::unique_ptr<PdfDocument> open(const std::string& name, const char* owner, const char* user) {
    PdfString o(owner ? owner : ""), u(user ? user : "");
    return std::make_unique<PdfDocument>(PdfString(path(name).c_str()), owner ? &o : nullptr, user ? &u : nullptr);
}

std::string fetchString(PdfDocument& doc, int num, const char* key) {
    PdfObject o = doc.xref()->fetch(num, 0).dictLookup(key);
    return o.isString() ? std::string(o.getString()->view()) : "<" + std::string(o.kindName()) + ">";
}

std::string run(const std::string& args) {
    std::string cmd = std::string(QM_BINARY_DIR) + "/quillmark-inspect " + args + " 2>&1";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace

TEST(EncryptedDocuments, Revision2EmptyUserPasswordOpensWithoutPasswords) {
    auto doc = open("encryption/r2-40-empty-user.pdf", nullptr, nullptr);
    ASSERT_TRUE(doc->isOk());
    EXPECT_TRUE(doc->xref()->isEncrypted());
    EXPECT_FALSE(doc->xref()->ownerPasswordAccepted());
    EXPECT_EQ(doc->pageCount(), 1);
    EXPECT_EQ(fetchString(*doc, 4, "Title"), "Hello");
}

TEST(EncryptedDocuments, Revision3WithOwnerOrUserPasswordOnly) {
    auto byOwner = open("encryption/r3-128-rc4.pdf", "owner128", nullptr);
    ASSERT_TRUE(byOwner->isOk());
    EXPECT_TRUE(byOwner->xref()->ownerPasswordAccepted());
    auto byUser = open("encryption/r3-128-rc4.pdf", nullptr, "user128");
    ASSERT_TRUE(byUser->isOk());
    EXPECT_FALSE(byUser->xref()->ownerPasswordAccepted());
    EXPECT_EQ(fetchString(*byUser, 4, "Title"), "Hello");
    PdfObject action = byUser->xref()->fetch(6, 0).dictLookup("A");
    ASSERT_TRUE(action.dictLookup("URI").isString());
    EXPECT_EQ(action.dictLookup("URI").getString()->view(), "https://example.org/");
}

TEST(EncryptedDocuments, WrongPasswordsAndUnsupportedMethods) {
    {
        ErrorCapture errors;
        auto doc = open("encryption/r3-128-rc4.pdf", nullptr, "wrong");
        EXPECT_FALSE(doc->isOk());
        EXPECT_TRUE(errors.contains("Incorrect password"));
    }
    {
        ErrorCapture errors;
        auto doc = open("encryption/r3-128-rc4.pdf", nullptr, nullptr);
        EXPECT_FALSE(doc->isOk());
        EXPECT_TRUE(errors.contains("Incorrect password"));
    }
    {
        ErrorCapture errors;
        auto doc = open("encryption/r3-128-empty-user.pdf", "not-the-owner", nullptr);
        ASSERT_TRUE(doc->isOk());
        EXPECT_FALSE(doc->xref()->ownerPasswordAccepted());
        EXPECT_TRUE(errors.contains("Incorrect owner password"));
        EXPECT_EQ(fetchString(*doc, 4, "Title"), "Hello");
    }
    {
        auto doc = open("encryption/aes128.pdf", nullptr, "user");
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(fetchString(*doc, 4, "Title"), "Hello");
    }
}

TEST(EncryptedDocuments, DecryptedStreamsEqualTheOriginal) {
    std::string plain = run("--stream 4 " + path("encryption/plain.pdf"));
    ASSERT_NE(plain.find("Hello from Quillmark"), std::string::npos);
    EXPECT_EQ(run("--stream 7 " + path("encryption/r2-40-empty-user.pdf")), plain);
    EXPECT_EQ(run("--user-password user128 --stream 7 " + path("encryption/r3-128-rc4.pdf")), plain);
    EXPECT_EQ(run("--owner-password owner128 --stream 7 " + path("encryption/r3-128-rc4.pdf")), plain);
    std::string refused = run("--user-password nope " + path("encryption/r3-128-rc4.pdf"));
    EXPECT_NE(refused.find("Incorrect password"), std::string::npos) << refused;
}

TEST(EncryptedDocuments, CorpusFilesWithTheirPasswords) {
    struct Case {
        const char* file;
        const char* user;
        int pages;
    } cases[] = {
        {"enc-rc4-40-pw.pdf", "baz", 1},
        {"enc-rc4-128-pw.pdf", "openpassword", 1},
        {"enc-rc4-128-empty.pdf", nullptr, 1},
        {"enc-rc4-40-empty-30p.pdf", nullptr, 30},
    };
    for (const auto& c : cases) {
        auto doc = open(std::string("corpus/") + c.file, nullptr, c.user);
        ASSERT_TRUE(doc->isOk()) << c.file;
        EXPECT_EQ(doc->pageCount(), c.pages) << c.file;
    }
    auto wrong = open("corpus/enc-rc4-40-pw.pdf", nullptr, "bar");
    EXPECT_FALSE(wrong->isOk());
}
