// Documents whose RC4 key is shorter than 128 bits: writers of revision 4 complete the key
// with zeros to 16 bytes before making each object's key, older revisions hash it as it is,
// and a file that follows the other rule than its revision suggests still opens.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/md5.h"
#include "core/pdf_dict.h"
#include "core/rc4.h"
#include "core/report_error.h"
#include "core/security_handler.h"
#include "support/pdf_builder.h"
#include "support/table_fixture.h"

namespace qm::test {
namespace {

const char* const kContent = "BT /F1 12 Tf 72 700 Td (Short keys still open) Tj ET\n";

std::string hex(const std::string& bytes) {
    std::string out = "<";
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out + ">";
}

// A zlib stream of one stored block: valid Flate without needing a compressor.
std::string storedZlib(const std::string& data) {
    std::string out = "\x78\x01\x01";
    const auto n = static_cast<uint16_t>(data.size());
    out += static_cast<char>(n & 0xff);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xff);
    out += static_cast<char>((~n >> 8) & 0xff);
    out += data;
    uint32_t a = 1, b = 0;
    for (unsigned char c : data) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    const uint32_t adler = (b << 16) | a;
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((adler >> shift) & 0xff);
    return out;
}

// Encrypts as a writer of the standard security handler does, with an empty user password,
// choosing the revision, the key length and the rule for object keys independently.
class Rc4Writer {
public:
    Rc4Writer(int revision, int keyBytes, bool zeroExtended)
        : revision_(revision), n_(keyBytes), zeroExtended_(zeroExtended) {
        uint8_t padded[32];
        padPassword("owner", padded);
        uint8_t d[16];
        Md5::digest(padded, 32, d);
        if (revision_ >= 3)
            for (int i = 0; i < 50; ++i) Md5::digest(d, 16, d);
        uint8_t o[32];
        padPassword(nullptr, o);
        rounds(d, o, 32);
        owner_.assign(reinterpret_cast<char*>(o), 32);

        padPassword(nullptr, padded);
        Md5 md5;
        md5.update(padded, 32);
        md5.update(owner_.data(), 32);
        const uint8_t p[4] = {0xfc, 0xff, 0xff, 0xff};  // -4
        md5.update(p, 4);
        md5.update(id_.data(), id_.size());
        md5.finish(key_);
        if (revision_ >= 3)
            for (int i = 0; i < 50; ++i) Md5::digest(key_, static_cast<size_t>(n_), key_);
        std::memset(key_ + n_, 0, static_cast<size_t>(16 - n_));

        Md5 check;
        check.update(padded, 32);
        check.update(id_.data(), id_.size());
        uint8_t u[32] = {};
        check.finish(u);
        rounds(key_, u, 16);
        user_.assign(reinterpret_cast<char*>(u), 32);
    }

    std::string encrypt(int number, const std::string& plain) const {
        const int used = zeroExtended_ ? 16 : n_;
        uint8_t material[21];
        std::memcpy(material, key_, static_cast<size_t>(used));
        const uint8_t tail[5] = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                 static_cast<uint8_t>(number >> 16), 0, 0};
        std::memcpy(material + used, tail, 5);
        uint8_t objectKey[16];
        Md5::digest(material, static_cast<size_t>(used + 5), objectKey);
        std::string out = plain;
        Rc4(objectKey, used + 5 > 16 ? 16 : used + 5).apply(reinterpret_cast<uint8_t*>(out.data()), out.size());
        return out;
    }

    // A one-page document whose content stream is compressed and whose Info title is a
    // string, both encrypted; `encrypt` is the Encrypt dictionary's entries after O and U.
    std::string document(const std::string& encryptEntries) const {
        PdfBuilder b;
        b.object("<< /Type /Catalog /Pages 2 0 R >>");
        b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
        b.stream("/Filter /FlateDecode", encrypt(4, storedZlib(kContent)));
        b.object("<< /Title " + hex(encrypt(5, "Short key")) + " >>");
        b.object("<< /Filter /Standard /O " + hex(owner_) + " /U " + hex(user_) + " /P -4 " + encryptEntries + " >>");
        return b.finish("/Root 1 0 R /Info 5 0 R /Encrypt 6 0 R /ID [" + hex(id_) + " " + hex(id_) + "]");
    }

private:
    // RC4 with the key, then (revision 3 on) 19 more passes with the key XOR 1..19.
    void rounds(const uint8_t* key, uint8_t* data, size_t length) const {
        Rc4(key, n_).apply(data, length);
        if (revision_ < 3) return;
        uint8_t round[16];
        for (int i = 1; i <= 19; ++i) {
            for (int k = 0; k < n_; ++k) round[k] = static_cast<uint8_t>(key[k] ^ i);
            Rc4(round, n_).apply(data, length);
        }
    }

    int revision_;
    int n_;
    bool zeroExtended_;
    std::string id_ = "\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\xcc\xdd\xee\xff\x01";
    uint8_t key_[16];
    std::string owner_, user_;
};

const char* const kR4Rc4Filter48 =
    "/V 4 /R 4 /Length 48 /CF << /StdCF << /CFM /V2 /Length 6 >> >> /StmF /StdCF /StrF /StdCF";

struct Opened {
    bool ok = false;
    std::string title, content;
};

Opened open(const std::string& file) {
    Table t(file);
    Opened out;
    out.ok = t->isOk();
    if (!out.ok) return out;
    PdfObject title = t->fetch(5, 0).dictLookup("Title");
    if (title.isString()) out.title = std::string(title.getString()->view());
    out.content = readAll(t->fetch(4, 0));
    return out;
}

TEST(ShortRc4Keys, FortyEightBitCryptFilterOpensUnderEitherRuleForObjectKeys) {
    struct Case {
        const char* what;
        int revision;
        bool zeroExtended;
        std::string entries;
    } cases[] = {
        // How revision 4 writers make object keys from a 6-byte key.
        {"revision 4, zero-extended", 4, true, kR4Rc4Filter48},
        // A revision 4 writer that hashed the short key as it is.
        {"revision 4, short key hashed as it is", 4, false, kR4Rc4Filter48},
        // Revision 3 keeps hashing the short key; its Length in bits or in bytes.
        {"revision 3, bits", 3, false, "/V 2 /R 3 /Length 48"},
        {"revision 3, bytes", 3, false, "/V 2 /R 3 /Length 6"},
        // The filter's Length alone, in bytes.
        {"revision 4, filter length only", 4, true, "/V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 6 >> >> "
                                                    "/StmF /StdCF /StrF /StdCF"},
    };
    for (const auto& c : cases) {
        Rc4Writer writer(c.revision, 6, c.zeroExtended);
        Opened opened = open(writer.document(c.entries));
        ASSERT_TRUE(opened.ok) << c.what;
        EXPECT_EQ(opened.title, "Short key") << c.what;
        EXPECT_EQ(opened.content, kContent) << c.what;
    }
}

TEST(ShortRc4Keys, AWrongRuleIsNotChosenWhenTheFileHasNoCompressedStreamToTell) {
    // Nothing to probe: the revision's own rule stands, and strings decrypt by it.
    Rc4Writer writer(4, 6, true);
    std::string file = writer.document(kR4Rc4Filter48);
    // Drop the Filter of the content stream: a stored zlib stream read as plain bytes.
    const size_t at = file.find("/Filter /FlateDecode");
    file.replace(at, 20, std::string(20, ' '));
    Opened opened = open(file);
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.title, "Short key");
}

}  // namespace
}  // namespace qm::test
