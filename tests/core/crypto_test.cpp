#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/md5.h"
#include "core/rc4.h"
#include "core/security_handler.h"

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
