// The cryptographic primitives against their published vectors (MD5, RC4, SHA-2, AES) and
// the object keys and decryptors built on them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/aes.h"
#include "core/aes256_keys.h"
#include "core/aes_cbc_decryptor.h"
#include "core/encryption_dict.h"
#include "core/md5.h"
#include "core/pdf_parser.h"
#include "core/rc4.h"
#include "core/security_handler.h"
#include "core/sha2.h"
#include "core/standard_cipher.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

std::string hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::string md5hex(const std::string& s) {
    uint8_t d[16];
    Md5::digest(s.data(), s.size(), d);
    return hex(d, 16);
}

std::string rc4hex(const std::string& key, const std::string& plain) {
    std::string buf = plain;
    Rc4 rc4(reinterpret_cast<const uint8_t*>(key.data()), static_cast<int>(key.size()));
    rc4.apply(reinterpret_cast<uint8_t*>(buf.data()), buf.size());
    return hex(reinterpret_cast<const uint8_t*>(buf.data()), buf.size());
}

std::vector<uint8_t> unhex(const std::string& h) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(h.substr(i, 2), nullptr, 16)));
    return out;
}

std::string sha256(const std::string& s) {
    uint8_t d[32];
    Sha256::digest(s.data(), s.size(), d);
    return hex(d, 32);
}

std::string sha512(Sha512::Variant v, const std::string& s) {
    uint8_t d[64];
    Sha512::digest(v, s.data(), s.size(), d);
    return hex(d, v == Sha512::Variant::Sha384 ? 48 : 64);
}

const std::string kTwoBlock256 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string kTwoBlock512 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
    "nopqrstu";

// The CBC examples of SP 800-38A (F.2): one plaintext, two keys.
const char* kCbcIv = "000102030405060708090a0b0c0d0e0f";
const char* kCbcPlain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e5130c81c46a35ce411e5fbc1191a0a52ef"
    "f69f2445df4f9b17ad2b417be66c3710";

std::string decryptInChunks(AesCbcDecryptor& d, const std::vector<uint8_t>& data, const std::vector<int>& chunks) {
    std::string out;
    size_t pos = 0;
    d.reset();
    for (size_t i = 0; pos < data.size() || i == 0; ++i) {
        int n = chunks[i % chunks.size()];
        if (pos + static_cast<size_t>(n) > data.size()) n = static_cast<int>(data.size() - pos);
        bool last = pos + static_cast<size_t>(n) == data.size();
        std::vector<uint8_t> buf(static_cast<size_t>(n) + StreamDecryptor::kMaxExtraOutput);
        int got = d.decrypt(data.data() + pos, n, buf.data(), last);
        EXPECT_LE(got, n + StreamDecryptor::kMaxExtraOutput);
        out.append(reinterpret_cast<char*>(buf.data()), static_cast<size_t>(got));
        pos += static_cast<size_t>(n);
        if (last) break;
    }
    return out;
}

// An object as a writer encrypts it: IV, then the padded plain text in CBC.
std::vector<uint8_t> encryptObject(const uint8_t* key, int keyLength, const std::string& plain, uint8_t ivByte) {
    std::vector<uint8_t> out(16, ivByte);
    const size_t pad = 16 - plain.size() % 16;
    std::vector<uint8_t> body(plain.begin(), plain.end());
    body.insert(body.end(), pad, static_cast<uint8_t>(pad));
    uint8_t iv[16];
    std::memcpy(iv, out.data(), 16);
    Aes(key, keyLength).encryptCbc(body.data(), body.size() / 16, iv);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

TEST(Md5Digest, PublishedTestSuite) {
    EXPECT_EQ(md5hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5Digest, PiecewiseUpdatesMatchOneShot) {
    std::string text(1000, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(i * 7);
    Md5 m;
    for (size_t i = 0; i < text.size(); i += 13) m.update(text.data() + i, std::min<size_t>(13, text.size() - i));
    uint8_t a[16], b[16];
    m.finish(a);
    Md5::digest(text.data(), text.size(), b);
    EXPECT_EQ(hex(a, 16), hex(b, 16));
}

TEST(Rc4Cipher, PublishedVectors) {
    EXPECT_EQ(rc4hex("Key", "Plaintext"), "bbf316e8d940af0ad3");
    EXPECT_EQ(rc4hex("Wiki", "pedia"), "1021bf0420");
    EXPECT_EQ(rc4hex("Secret", "Attack at dawn"), "45a01f645fc35b383552544b9bf5");
    // RFC 6229, 40-bit key 0102030405: the first keystream bytes.
    EXPECT_EQ(rc4hex(std::string("\x01\x02\x03\x04\x05", 5), std::string(8, '\0')), "b2396305f03dc027");
}

TEST(PasswordPadding, ShortLongAndAbsent) {
    uint8_t a[32], b[32];
    padPassword(nullptr, a);
    padPassword("", b);
    EXPECT_EQ(hex(a, 32), hex(b, 32));
    EXPECT_EQ(hex(a, 4), "28bf4e5e");
    padPassword("ab", b);
    EXPECT_EQ(b[0], 'a');
    EXPECT_EQ(b[2], 0x28);
    padPassword(std::string(40, 'z').c_str(), b);
    EXPECT_EQ(b[31], 'z');
}

TEST(ObjectKeys, ObjectNumberEntersTheKeyAndResetReplays) {
    uint8_t fileKey[5] = {1, 2, 3, 4, 5};
    ObjectDecryptor d1(fileKey, 5, 1, 0), d2(fileKey, 5, 2, 0);
    const uint8_t nines[4] = {9, 9, 9, 9};
    uint8_t x[4], y[4];
    EXPECT_EQ(d1.decrypt(nines, 4, x, false), 4);
    d2.decrypt(nines, 4, y, false);
    EXPECT_NE(hex(x, 4), hex(y, 4));
    uint8_t again[4];
    d1.reset();
    d1.decrypt(nines, 4, again, true);
    EXPECT_EQ(hex(x, 4), hex(again, 4));
    // A 16-byte file key gives a 16-byte object key, never more.
    uint8_t longKey[16] = {};
    ObjectDecryptor d3(longKey, 16, 70000, 2);
    EXPECT_EQ(d3.decryptByte(0), ObjectDecryptor(longKey, 16, 70000, 2).decryptByte(0));
}

TEST(FileKeys, ShortEncryptStringsAreRefused) {
    StandardEncryption enc;
    enc.owner = "short";
    enc.user = std::string(32, 'u');
    uint8_t key[16];
    bool owner = true;
    EXPECT_FALSE(computeFileKey(enc, nullptr, nullptr, key, &owner));
    EXPECT_FALSE(owner);
}


TEST(Sha2Digests, PublishedExamples) {
    EXPECT_EQ(sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256(kTwoBlock256), "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    using V = Sha512::Variant;
    EXPECT_EQ(sha512(V::Sha384, "abc"),
              "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7");
    EXPECT_EQ(sha512(V::Sha384, kTwoBlock512),
              "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039");
    EXPECT_EQ(sha512(V::Sha512, "abc"),
              "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd"
              "454d4423643ce80e2a9ac94fa54ca49f");
    EXPECT_EQ(sha512(V::Sha512, kTwoBlock512),
              "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433a"
              "c7d329eeb6dd26545e96e55b874be909");
}

TEST(Sha2Digests, MillionAsFedInUnevenPieces) {
    // Pieces that straddle block boundaries exercise the buffering of both sizes.
    const std::string piece(997, 'a');
    Sha256 h256;
    Sha512 h384(Sha512::Variant::Sha384), h512;
    size_t left = 1000000;
    while (left) {
        size_t n = left < piece.size() ? left : piece.size();
        h256.update(piece.data(), n);
        h384.update(piece.data(), n);
        h512.update(piece.data(), n);
        left -= n;
    }
    uint8_t d[64];
    h256.finish(d);
    EXPECT_EQ(hex(d, 32), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    h384.finish(d);
    EXPECT_EQ(hex(d, 48),
              "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985");
    h512.finish(d);
    EXPECT_EQ(hex(d, 64),
              "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31b"
              "eb009c5c2c49aa2e4eadb217ad8cc09b");
}

TEST(AesBlocks, Fips197Examples) {
    const auto plain = unhex("00112233445566778899aabbccddeeff");
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& c : cases) {
        auto key = unhex(c.key);
        Aes aes(key.data(), static_cast<int>(key.size()));
        uint8_t out[16], back[16];
        aes.encryptBlock(plain.data(), out);
        EXPECT_EQ(hex(out, 16), c.cipher) << c.key;
        aes.decryptBlock(out, back);
        EXPECT_EQ(hex(back, 16), hex(plain.data(), 16)) << c.key;
    }
}

TEST(AesBlocks, Sp80038aCbcExamples) {
    struct Case {
        const char* key;
        const char* cipher;
    } cases[] = {
        {"2b7e151628aed2a6abf7158809cf4f3c",
         "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b273bed6b8e3c1743b7116e69e22229516"
         "3ff1caa1681fac09120eca307586e1a7"},
        {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4",
         "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d39f23369a9d9bacfa530e26304231461"
         "b2eb05e2c39be9fcda6c19078c6a9d1b"},
    };
    for (const auto& c : cases) {
        auto key = unhex(c.key);
        Aes aes(key.data(), static_cast<int>(key.size()));
        auto data = unhex(kCbcPlain);
        auto iv = unhex(kCbcIv);
        aes.encryptCbc(data.data(), 4, iv.data());
        EXPECT_EQ(hex(data.data(), data.size()), c.cipher);
        iv = unhex(kCbcIv);
        aes.decryptCbc(data.data(), 4, iv.data());
        EXPECT_EQ(hex(data.data(), data.size()), kCbcPlain);
        // As an object: IV first, no padding block (the last plain block does not read as
        // padding, so it is kept whole), fed in every kind of chunk.
        auto object = unhex(std::string(kCbcIv) + c.cipher);
        AesCbcDecryptor d(key.data(), static_cast<int>(key.size()));
        const std::string plain(reinterpret_cast<const char*>(unhex(kCbcPlain).data()), 64);
        for (const std::vector<int>& chunks : std::vector<std::vector<int>>{{80}, {16}, {1}, {7, 33}, {15, 2}, {256}})
            EXPECT_EQ(decryptInChunks(d, object, chunks), plain) << chunks[0];
    }
}

TEST(AesObjects, PaddingIsRemovedWhereverTheChunksEnd) {
    uint8_t key[16];
    for (int i = 0; i < 16; ++i) key[i] = static_cast<uint8_t>(i * 7);
    AesCbcDecryptor d(key, 16);
    for (size_t length : {0, 1, 15, 16, 17, 255, 256, 1000}) {
        std::string plain;
        for (size_t i = 0; i < length; ++i) plain += static_cast<char>('a' + i % 26);
        auto object = encryptObject(key, 16, plain, 0x5a);
        for (const std::vector<int>& chunks : std::vector<std::vector<int>>{{4096}, {256}, {16}, {1}, {9, 23}, {32, 3}})
            EXPECT_EQ(decryptInChunks(d, object, chunks), plain) << length << " in chunks of " << chunks[0];
        // Stray bytes after the last block (a Length that counts the end-of-line) are dropped.
        object.push_back('\r');
        object.push_back('\n');
        EXPECT_EQ(decryptInChunks(d, object, {256}), plain) << length;
    }
    // Damaged data: the IV alone, a part of it, a last block that does not end in padding.
    EXPECT_EQ(decryptInChunks(d, std::vector<uint8_t>(16, 1), {16}), "");
    EXPECT_EQ(decryptInChunks(d, std::vector<uint8_t>(5, 1), {16}), "");
    uint8_t iv[16] = {};
    std::vector<uint8_t> plainBlock(16, 'x');
    plainBlock[15] = 0;  // 0 is never padding
    std::vector<uint8_t> cipher = plainBlock;
    Aes(key, 16).encryptCbc(cipher.data(), 1, iv);
    cipher.insert(cipher.begin(), 16, 0);
    EXPECT_EQ(decryptInChunks(d, cipher, {32}), std::string(reinterpret_cast<char*>(plainBlock.data()), 16));
}

TEST(AesObjects, StreamsAndStringsOfOneObjectThroughTheParser) {
    // An AES-256 document: one key for every object, strings and streams alike.
    uint8_t key[32];
    for (int i = 0; i < 32; ++i) key[i] = static_cast<uint8_t>(255 - i);
    std::string content;
    for (int i = 0; i < 100; ++i) content += std::to_string(i) + " 0 m " + std::to_string(i) + " 9 l S\n";
    ASSERT_GT(content.size(), 512u);
    std::string streamBytes = [&] {
        auto v = encryptObject(key, 32, content, 3);
        return std::string(v.begin(), v.end());
    }();
    auto stringBytes = encryptObject(key, 32, "Title text", 9);
    std::string hexString = "<" + hex(stringBytes.data(), stringBytes.size()) + ">";
    std::string metadata = "<x:xmpmeta/>";
    test::PdfBuilder b;
    b.object("<< /Title " + hexString + " >>");
    // A Length that also counts the end-of-line, as rebuilt files have it.
    b.object("<< /Length " + std::to_string(streamBytes.size() + 1) + " >>\nstream\n" + streamBytes + "\n\nendstream");
    b.stream("/Type /Metadata /Subtype /XML", metadata);
    b.stream("/Filter /Crypt /DecodeParms << /Name /Identity >>", "clear text");
    std::string file = b.finish("/Root 1 0 R");
    test::TestResolver xref(file);
    xref.addAll(b, 4);
    CryptFilters filters;
    filters.strings = filters.streams = CryptMethod::AesV3;
    filters.named.emplace_back("StdCF", CryptMethod::AesV3);
    StandardObjectCipher cipher(key, 32, filters, false);
    auto parse = [&](int n) {
        PdfParser p(&xref, std::make_unique<PdfLexer>(&xref, test::memoryStream(file.substr(static_cast<size_t>(b.offsetOf(n))))));
        p.readObject();
        p.readObject();
        p.readObject();
        return p.readObject(&cipher, n, 0);
    };
    PdfObject info = parse(1);
    ASSERT_TRUE(info.dictLookup("Title").isString());
    EXPECT_EQ(info.dictLookup("Title").getString()->view(), "Title text");
    PdfObject stream = parse(2);
    EXPECT_EQ(test::readAll(stream), content);
    EXPECT_EQ(test::readAll(stream), content);  // reset starts the chain again from the IV
    // Metadata left in the clear (EncryptMetadata false) and a stream with the Identity filter.
    EXPECT_EQ(test::readAll(parse(3)), metadata);
    EXPECT_EQ(test::readAll(parse(4)), "clear text");
}

TEST(Aes256Passwords, Revision6HashCountsOnly127BytesAndChecksPerms) {
    const uint8_t salt[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    std::string pw(130, 'p');
    uint8_t h127[32], h130[32], h126[32];
    aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(pw.data()), 127, salt, nullptr, h127);
    aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(pw.data()), 130, salt, nullptr, h130);
    aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(pw.data()), 126, salt, nullptr, h126);
    EXPECT_EQ(hex(h127, 32), hex(h130, 32));
    EXPECT_NE(hex(h127, 32), hex(h126, 32));
    // Revision 5 is one SHA-256 over password and salt.
    uint8_t h5[32], direct[32];
    aes256PasswordHash(5, reinterpret_cast<const uint8_t*>("pw"), 2, salt, nullptr, h5);
    std::string input = std::string("pw") + std::string(reinterpret_cast<const char*>(salt), 8);
    Sha256::digest(input.data(), input.size(), direct);
    EXPECT_EQ(hex(h5, 32), hex(direct, 32));

    // A user entry made for a 130-byte password opens with its first 127 bytes, and the file
    // key comes back from UE.
    StandardEncryption enc;
    enc.version = 5;
    enc.revision = 6;
    enc.permissions = -3904;
    uint8_t fileKey[32];
    for (int i = 0; i < 32; ++i) fileKey[i] = static_cast<uint8_t>(i + 100);
    const uint8_t keySalt[8] = {9, 9, 9, 9, 8, 8, 8, 8};
    uint8_t hash[32];
    aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(pw.data()), pw.size(), salt, nullptr, hash);
    enc.user = std::string(reinterpret_cast<char*>(hash), 32) + std::string(reinterpret_cast<const char*>(salt), 8) +
               std::string(reinterpret_cast<const char*>(keySalt), 8);
    aes256PasswordHash(6, reinterpret_cast<const uint8_t*>(pw.data()), pw.size(), keySalt, nullptr, hash);
    uint8_t wrapped[32], iv[16] = {};
    std::memcpy(wrapped, fileKey, 32);
    Aes(hash, 32).encryptCbc(wrapped, 2, iv);
    enc.userKey = std::string(reinterpret_cast<char*>(wrapped), 32);
    enc.owner = std::string(48, 'o');
    enc.ownerKey = std::string(32, 'k');
    uint8_t perms[16] = {0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff, 'T', 'a', 'd', 'b', 0, 0, 0, 0};
    for (int i = 0; i < 4; ++i) perms[i] = static_cast<uint8_t>(static_cast<uint32_t>(enc.permissions) >> (8 * i));
    Aes(fileKey, 32).encryptBlock(perms, perms);
    enc.perms = std::string(reinterpret_cast<char*>(perms), 16);

    uint8_t key[32];
    bool owner = true;
    ASSERT_TRUE(computeAes256FileKey(enc, nullptr, pw.substr(0, 127).c_str(), key, &owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(hex(key, 32), hex(fileKey, 32));
    EXPECT_TRUE(computeAes256FileKey(enc, "nope", pw.c_str(), key, &owner));
    EXPECT_FALSE(computeAes256FileKey(enc, nullptr, pw.substr(0, 126).c_str(), key, &owner));
    EXPECT_FALSE(computeAes256FileKey(enc, nullptr, nullptr, key, &owner));
    EXPECT_TRUE(aes256PermsMatch(enc, fileKey));
    enc.permissions = -4;  // P edited after the file was written
    EXPECT_FALSE(aes256PermsMatch(enc, fileKey));
    // Entries too short for their salts are refused, never read past.
    enc.user.resize(40);
    EXPECT_FALSE(computeAes256FileKey(enc, nullptr, pw.c_str(), key, &owner));
}

TEST(CryptFilters, KeyLengthsMethodsAndDefaults) {
    auto dictOf = [](const std::string& text) {
        PdfParser p(nullptr, std::make_unique<PdfLexer>(nullptr, test::memoryStream(text)));
        return p.readObject();
    };
    const PdfObject trailer = dictOf("<< /ID [(0123456789abcdef) (x)] >>");
    const std::string ou = "/O <" + std::string(64, '0') + "> /U <" + std::string(64, '1') + "> /P -4";
    struct Case {
        std::string encrypt;
        int keyLength;
        CryptMethod streams, strings;
    } cases[] = {
        // CF lengths come in bytes or in bits; the top-level Length counts when CF has none.
        {"/V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 16 >> >> /StmF /StdCF /StrF /StdCF", 16, CryptMethod::Rc4,
         CryptMethod::Rc4},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /V2 /Length 40 >> >> /StmF /StdCF /StrF /StdCF", 5, CryptMethod::Rc4,
         CryptMethod::Rc4},
        {"/V 4 /R 4 /Length 56 /CF << /StdCF << /CFM /V2 >> >> /StmF /StdCF /StrF /StdCF", 7, CryptMethod::Rc4,
         CryptMethod::Rc4},
        // AES-128 always has a 16-byte key, whatever Length says.
        {"/V 4 /R 4 /Length 40 /CF << /StdCF << /CFM /AESV2 /Length 5 >> >> /StmF /StdCF /StrF /StdCF", 16,
         CryptMethod::AesV2, CryptMethod::AesV2},
        // Missing StmF or StrF means Identity; a None method too.
        {"/V 4 /R 4 /CF << /StdCF << /CFM /AESV2 >> /Off << /CFM /None >> >> /StmF /StdCF /StrF /Off", 16,
         CryptMethod::AesV2, CryptMethod::Identity},
        {"/V 4 /R 4 /CF << /StdCF << /CFM /AESV2 >> >> /StrF /StdCF", 16, CryptMethod::Identity, CryptMethod::AesV2},
        {"/V 2 /R 3 /Length 128", 16, CryptMethod::Rc4, CryptMethod::Rc4},
        {"/V 1 /R 2", 5, CryptMethod::Rc4, CryptMethod::Rc4},
    };
    for (const auto& c : cases) {
        EncryptionSetup setup;
        ASSERT_TRUE(readEncryptDict(dictOf("<< /Filter /Standard " + ou + " " + c.encrypt + " >>"), trailer, &setup))
            << c.encrypt;
        EXPECT_EQ(setup.enc.keyLength, c.keyLength) << c.encrypt;
        EXPECT_EQ(setup.filters.streams, c.streams) << c.encrypt;
        EXPECT_EQ(setup.filters.strings, c.strings) << c.encrypt;
        EXPECT_EQ(setup.enc.fileId, "0123456789abcdef");
    }
    EncryptionSetup setup;
    ASSERT_TRUE(readEncryptDict(dictOf("<< /Filter /Standard " + ou +
                                       " /V 4 /R 4 /EncryptMetadata false /CF << /A << /CFM /AESV2 >> /B << /CFM /V2 >> >>"
                                       " /StmF /A /StrF /A >>"),
                                trailer, &setup));
    EXPECT_FALSE(setup.enc.encryptMetadata);
    ASSERT_NE(setup.filters.find("B"), nullptr);
    EXPECT_EQ(*setup.filters.find("B"), CryptMethod::Rc4);
    EXPECT_EQ(*setup.filters.find("Identity"), CryptMethod::Identity);
    EXPECT_EQ(setup.filters.find("C"), nullptr);
}
