// Documents encrypted with AES-128 (revision 4, and revision 4 with RC4 crypt filters) and
// AES-256 (revisions 5 and 6) by an independent writer (tools/encryption-fixtures), compared
// with their plain original: same pages, same decoded content streams, same strings.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/md5.h"
#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::unique_ptr<PdfDocument> open(const std::string& name, const char* owner, const char* user) {
    std::string path = std::string(QM_TEST_DATA_DIR) + "/" + name;
    PdfString o(owner ? owner : ""), u(user ? user : "");
    return std::make_unique<PdfDocument>(PdfString(path.c_str()), owner ? &o : nullptr, user ? &u : nullptr);
}

std::string text(const PdfObject& o) {
    return o.isString() ? std::string(o.getString()->view()) : "<" + std::string(o.kindName()) + ">";
}

std::string pageContents(PdfDocument& doc, int n) {
    PdfObject contents = doc.catalog()->page(n)->contents().resolve(doc.xref());
    return contents.isStream() ? test::readAll(contents) : "<" + std::string(contents.kindName()) + ">";
}

// Messages other than the header's version warning.
std::vector<std::string> decryptionMessages(const ErrorCapture& errors) {
    std::vector<std::string> out;
    for (const auto& m : errors.messages())
        if (m.rfind("PDF version", 0) != 0) out.push_back(m);
    return out;
}

// What a reader takes from a document: the decoded page contents and the strings and
// metadata around them.
struct Content {
    int pages = 0;
    std::vector<std::string> contents;
    std::string title, outline, metadata;
    bool operator==(const Content&) const = default;
};

Content contentOf(PdfDocument& doc) {
    Content c;
    c.pages = doc.pageCount();
    XrefTable* xref = doc.xref();
    for (int n = 1; n <= c.pages; ++n) c.contents.push_back(pageContents(doc, n));
    c.title = text(xref->trailer().dictLookup("Info").dictLookup("Title"));
    PdfObject root = xref->fetch(xref->rootNumber(), xref->rootGeneration());
    c.outline = text(root.dictLookup("Outlines").dictLookup("First").dictLookup("Title"));
    PdfObject metadata = root.dictLookup("Metadata");
    c.metadata = metadata.isStream() ? test::readAll(metadata) : "<none>";
    return c;
}

const Content& plain() {
    static const Content c = [] {
        auto doc = open("encryption/rich.pdf", nullptr, nullptr);
        EXPECT_TRUE(doc->isOk());
        return contentOf(*doc);
    }();
    return c;
}

struct Case {
    const char* file;
    const char* owner;  // null: opened with the user password only
    const char* user;
};

// Every AES fixture: its passwords and how it was written.
const Case kProtected[] = {
    {"aes128-user.pdf", "owner", "user"},
    {"aes128-clear-metadata.pdf", "owner", "user"},
    {"r4-rc4.pdf", "owner", "user"},
    {"aes256-user.pdf", "owner", "user"},
    {"aes256-clear-metadata.pdf", "owner", "user"},
    {"aes256-r5.pdf", "owner", "user"},
    {"aes256-utf8.pdf", "Eigent\xc3\xbcmer", "p\xc3\xa4ssw\xc3\xb6rd"},
    {"aes256-object-streams.pdf", "owner", "user"},
};

}  // namespace

TEST(AesDocuments, PlainOriginalReadsAsWritten) {
    const Content& c = plain();
    ASSERT_EQ(c.pages, 2);
    EXPECT_NE(c.contents[0].find("(Encrypted hello) Tj"), std::string::npos);
    EXPECT_EQ(c.title, "Rich fixture");
    EXPECT_EQ(c.outline, "Outline \xe9t\xe9");
    EXPECT_NE(c.metadata.find("Rich fixture"), std::string::npos);
}

TEST(AesDocuments, UserOrOwnerPasswordGivesTheOriginalBack) {
    for (const auto& c : kProtected) {
        SCOPED_TRACE(c.file);
        std::string name = std::string("encryption/") + c.file;
        ErrorCapture errors;
        auto byUser = open(name, nullptr, c.user);
        ASSERT_TRUE(byUser->isOk());
        EXPECT_TRUE(byUser->xref()->isEncrypted());
        EXPECT_FALSE(byUser->xref()->ownerPasswordAccepted());
        EXPECT_EQ(contentOf(*byUser), plain());
        auto byOwner = open(name, c.owner, nullptr);
        ASSERT_TRUE(byOwner->isOk());
        EXPECT_TRUE(byOwner->xref()->ownerPasswordAccepted());
        EXPECT_EQ(contentOf(*byOwner), plain());
        // Nothing about decryption, keys or permissions was reported.
        EXPECT_EQ(decryptionMessages(errors), std::vector<std::string>{});
    }
}

TEST(AesDocuments, WrongPasswordsAreRefusedWithAClearMessage) {
    for (const auto& c : kProtected) {
        SCOPED_TRACE(c.file);
        std::string name = std::string("encryption/") + c.file;
        for (const char* wrong : {"", "User", "owner2", "usera"}) {
            ErrorCapture errors;
            auto doc = open(name, nullptr, wrong);
            EXPECT_FALSE(doc->isOk()) << wrong;
            EXPECT_TRUE(errors.contains("Incorrect password"));
            EXPECT_TRUE(errors.contains("Couldn't read xref table"));
        }
        // A wrong owner password with the right user password opens, and says so.
        ErrorCapture errors;
        auto doc = open(name, "not-the-owner", c.user);
        ASSERT_TRUE(doc->isOk());
        EXPECT_FALSE(doc->xref()->ownerPasswordAccepted());
        EXPECT_EQ(decryptionMessages(errors), std::vector<std::string>{"Incorrect owner password"});
    }
}

TEST(AesDocuments, EmptyUserPasswordOpensWithoutPasswords) {
    for (const char* file : {"aes128-empty.pdf", "aes256-empty.pdf"}) {
        SCOPED_TRACE(file);
        auto doc = open(std::string("encryption/") + file, nullptr, nullptr);
        ASSERT_TRUE(doc->isOk());
        EXPECT_FALSE(doc->xref()->ownerPasswordAccepted());
        EXPECT_EQ(contentOf(*doc), plain());
        auto owner = open(std::string("encryption/") + file, "owner", nullptr);
        ASSERT_TRUE(owner->isOk());
        EXPECT_TRUE(owner->xref()->ownerPasswordAccepted());
    }
}

TEST(AesDocuments, Utf8PasswordsAreTakenByteForByte) {
    // The Latin-1 spelling of the same password is another password.
    auto latin1 = open("encryption/aes256-utf8.pdf", nullptr, "p\xe4ssw\xf6rd");
    EXPECT_FALSE(latin1->isOk());
}

TEST(AesDocuments, CorpusFilesOpenWithTheirPasswords) {
    struct CorpusCase {
        const char* file;
        const char* user;
        int pages;
        const char* firstPageMd5;  // of the decoded content, as another reader gives it
    } cases[] = {
        {"enc-aes128-pw.pdf", "baz", 1, "bc665e4a1af35efbcbd9941034228ae2"},
        {"enc-aes128-empty-30p.pdf", nullptr, 30, "22575fcef68e95547969056c94dab7a5"},
        // Its page content is the initialisation vector alone: empty.
        {"enc-aes256-r6-empty.pdf", nullptr, 1, "d41d8cd98f00b204e9800998ecf8427e"},
        {"enc-aes256-r6-pw.pdf", "usersecret", 1, "998303371b18fb061c8cc3d84c8f31a6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ErrorCapture errors;
        auto doc = open(std::string("corpus/") + c.file, nullptr, c.user);
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->pageCount(), c.pages);
        std::string first = pageContents(*doc, 1);
        uint8_t digest[16];
        Md5::digest(first.data(), first.size(), digest);
        char hex[33];
        for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
        EXPECT_STREQ(hex, c.firstPageMd5);
        for (int n = 2; n <= c.pages; ++n) EXPECT_NE(pageContents(*doc, n)[0], '<') << n;
        EXPECT_EQ(decryptionMessages(errors), std::vector<std::string>{});
        if (c.user) {
            auto wrong = open(std::string("corpus/") + c.file, nullptr, "wrong");
            EXPECT_FALSE(wrong->isOk());
        }
    }
}
