#include "streams/flate_decoder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "streams/embed_stream.h"
#include "streams/filter_chain.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

// Writes a deflate bit stream: values least significant bit first, Huffman codes most
// significant bit first.
class BitWriter {
public:
    void bits(unsigned value, int n) {
        for (int i = 0; i < n; ++i) bit((value >> i) & 1);
    }
    void code(unsigned value, int n) {
        for (int i = n - 1; i >= 0; --i) bit((value >> i) & 1);
    }
    // A symbol of the fixed literal/length code.
    void fixedLiteral(int sym) {
        if (sym < 144)
            code(0x30 + sym, 8);
        else if (sym < 256)
            code(0x190 + sym - 144, 9);
        else if (sym < 280)
            code(sym - 256, 7);
        else
            code(0xC0 + sym - 280, 8);
    }
    void alignToByte() {
        while (count_ != 0) bit(0);
    }
    void byte(int b) { bits(static_cast<unsigned>(b), 8); }
    std::string finish() {
        alignToByte();
        return out_;
    }

private:
    void bit(unsigned b) {
        if (count_ == 0) out_.push_back('\0');
        out_.back() = static_cast<char>(out_.back() | (b << count_));
        count_ = (count_ + 1) & 7;
    }
    std::string out_;
    int count_ = 0;
};

const std::string kHeader = "\x78\x9c";

Stream* flate(const std::string& data, const char* params = nullptr) {
    PdfObject dict = PdfObject::makeDict(nullptr);
    if (params) {
        // Parameters as a parsed dictionary, the way a stream dictionary would carry them.
        PdfObject p = PdfObject::makeDict(nullptr);
        std::string text = params;
        size_t pos = 0;
        while ((pos = text.find('/', pos)) != std::string::npos) {
            size_t space = text.find(' ', pos);
            std::string key = text.substr(pos + 1, space - pos - 1);
            int value = std::stoi(text.substr(space + 1));
            p.getDict()->add(key.c_str(), PdfObject::makeInt(value));
            pos = space;
        }
        return new FlateDecoder(memoryStream(data), p.getDict());
    }
    return new FlateDecoder(memoryStream(data), nullptr);
}

std::string decode(const std::string& data, const char* params = nullptr) {
    Stream* s = flate(data, params);
    std::string out = readAll(s);
    s->decRef();
    return out;
}

std::string zlibCompress(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), level);
    out.resize(size);
    return out;
}

// Text like a page's content stream, so that matches of every length and distance occur.
std::string contentLike(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out;
    const char* ops[] = {" Td\n", " Tf\n", " re f\n", " m ", " l S\n", " cm\n", " TJ\n"};
    while (out.size() < size) {
        out += std::to_string(rng() % 2000) + "." + std::to_string(rng() % 100) + " ";
        out += std::to_string(rng() % 800) + ops[rng() % 7];
        if (rng() % 5 == 0) {
            out += '(';
            out.append(rng() % 40, static_cast<char>('a' + rng() % 26));
            out += ") Tj\n";
        }
    }
    out.resize(size);
    return out;
}

TEST(FlateDecoder, EmptyStoredFixedAndDynamicBlocks) {
    // Header plus one final fixed block holding only the end-of-block code.
    EXPECT_EQ(decode(kHeader + std::string("\x03\x00", 2)), "");

    // Stored blocks longer than the window arrive whole.
    std::string data = contentLike(70000, 1);
    BitWriter w;
    w.bits(0, 3);  // stored, not final
    w.alignToByte();
    std::string stored = w.finish();
    stored += std::string("\xff\xff\x00\x00", 4) + data.substr(0, 65535);
    stored += std::string("\x01\x71\x11\x8e\xee", 5) + data.substr(65535);  // final, LEN 4465
    EXPECT_EQ(decode(kHeader + stored), data);

    // Fixed codes: a literal then distance 1, length 258 repeats it.
    BitWriter f;
    f.bits(1, 1);
    f.bits(1, 2);
    f.fixedLiteral('a');
    f.fixedLiteral(285);
    f.code(0, 5);  // distance code 0 = distance 1
    f.fixedLiteral('b');
    f.fixedLiteral(256);
    EXPECT_EQ(decode(kHeader + f.finish()), "a" + std::string(258, 'a') + "b");

    // Dynamic codes from a real encoder, over more than one window of data.
    std::string big = contentLike(300000, 2);
    EXPECT_EQ(decode(zlibCompress(big, 9)), big);
    EXPECT_EQ(decode(zlibCompress(big, 1)), big);
}

TEST(FlateDecoder, ByteReadsBlockReadsAndResetAgree) {
    std::string big = contentLike(100000, 3);
    std::string z = zlibCompress(big, 6);
    Stream* s = flate(z);
    s->reset();
    std::string bytes;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(s->peekByte(), static_cast<unsigned char>(big[bytes.size()]));
        bytes += static_cast<char>(s->readByte());
    }
    // Odd-sized block reads through the window's wrap.
    unsigned char buf[7777];
    for (int n; (n = s->readBlock(buf, sizeof buf)) > 0;) bytes.append(reinterpret_cast<char*>(buf), n);
    EXPECT_EQ(bytes, big);
    EXPECT_EQ(s->readByte(), -1);
    EXPECT_EQ(readAll(s), big);  // reset starts over
    s->decRef();
}

TEST(FlateDecoder, BadHeadersGiveEmptyStreams) {
    struct Case {
        std::string header;
        const char* message;
    } cases[] = {
        {"\x77\x9c", "Unknown compression method in flate stream"},
        {"\x78\x9d", "Bad FCHECK in flate stream"},
        {"\x78\xbb", "FDICT bit set in flate stream"},
    };
    for (const auto& c : cases) {
        ErrorCapture capture;
        EXPECT_EQ(decode(c.header + std::string("\x03\x00", 2)), "") << c.message;
        EXPECT_EQ(capture.messages(), std::vector<std::string>{c.message});
    }
    ErrorCapture capture;
    EXPECT_EQ(decode(""), "");
    EXPECT_EQ(decode("\x78"), "");
    EXPECT_TRUE(capture.messages().empty());
}

TEST(FlateDecoder, DamageEndsTheDataAfterWhatWasDecoded) {
    std::string big = contentLike(50000, 4);
    std::string z = zlibCompress(big, 6);
    {
        ErrorCapture capture;
        std::string out = decode(z.substr(0, z.size() / 2));
        EXPECT_GT(out.size(), 1000u);
        EXPECT_EQ(out, big.substr(0, out.size()));
        EXPECT_EQ(capture.messages(), std::vector<std::string>{"Unexpected end of file in flate stream"});
    }
    {
        // Whatever follows the final block (checksum or junk) is never read.
        ErrorCapture capture;
        EXPECT_EQ(decode(z + "garbage after the end"), big);
        EXPECT_EQ(decode(z.substr(0, z.size() - 4)), big);
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        ErrorCapture capture;
        BitWriter w;
        w.bits(7, 3);  // final, type 3
        EXPECT_EQ(decode(kHeader + w.finish()), "");
        EXPECT_EQ(capture.messages(), std::vector<std::string>{"Bad block header in flate stream"});
    }
    {
        // A stored header whose NLEN is wrong goes on with LEN; a cut-off one ends the data.
        ErrorCapture capture;
        EXPECT_EQ(decode(kHeader + std::string("\x01\x03\x00\x00\x00", 5) + "abcdef"), "abc");
        EXPECT_EQ(decode(kHeader + std::string("\x01\x03\x00", 3)), "");
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Bad uncompressed block length in flate stream",
                                                                "Bad block header in flate stream"}));
    }
    {
        // A stored block cut short yields what is there.
        ErrorCapture capture;
        EXPECT_EQ(decode(kHeader + std::string("\x01\x10\x00\xef\xff", 5) + "abc"), "abc");
        EXPECT_TRUE(capture.messages().empty());
    }
    {
        ErrorCapture capture;
        BitWriter w;
        w.bits(1, 1);
        w.bits(2, 2);
        w.bits(0, 5);
        w.bits(31, 5);  // HDIST 32
        w.bits(0, 4);
        EXPECT_EQ(decode(kHeader + w.finish()), "");
        EXPECT_EQ(capture.messages(), std::vector<std::string>{"Bad dynamic code table in flate stream"});
    }
    {
        // Distance codes 30 and 31 do not exist; the search gives up after 15 bits.
        ErrorCapture capture;
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        w.fixedLiteral('x');
        w.fixedLiteral(257);
        w.code(0x1e, 5);
        w.code(0, 10);
        w.fixedLiteral(256);
        EXPECT_EQ(decode(kHeader + w.finish()), "x");
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Bad code (7800) in flate stream",
                                                                "Unexpected end of file in flate stream"}));
    }
}

TEST(FlateDecoder, DynamicTableRepeatsAreChecked) {
    // HLIT 257, HDIST 1, code-length code: only symbol 18 (length 1) and 16 (length 1).
    BitWriter w;
    w.bits(1, 1);
    w.bits(2, 2);
    w.bits(0, 5);
    w.bits(0, 5);
    w.bits(0, 4);  // HCLEN 4: lengths for 16, 17, 18, 0
    w.bits(1, 3);
    w.bits(0, 3);
    w.bits(1, 3);
    w.bits(0, 3);
    // Codes: 16 -> 0, 18 -> 1. Zeros 138 + 118 = 256, then 16 repeating past the end.
    w.code(1, 1);
    w.bits(127, 7);
    w.code(1, 1);
    w.bits(107, 7);
    w.code(0, 1);
    w.bits(3, 2);
    ErrorCapture capture;
    EXPECT_EQ(decode(kHeader + w.finish()), "");
    EXPECT_EQ(capture.messages(), std::vector<std::string>{"Bad dynamic code table in flate stream"});
}

TEST(FlateDecoder, PredictorAndFilterChain) {
    // Three PNG rows of 3 bytes: None, Sub, Up.
    std::string raw = std::string("\x00\x01\x02\x03", 4) + std::string("\x01\x01\x01\x01", 4) +
                      std::string("\x02\x01\x01\x01", 4);
    std::string z = zlibCompress(raw, 6);
    EXPECT_EQ(decode(z, "/Predictor 12 /Columns 3"), std::string("\x01\x02\x03\x01\x02\x03\x02\x03\x04", 9));

    PdfObject dict = PdfObject::makeDict(nullptr);
    dict.getDict()->add("Filter", PdfObject::makeName("Fl"));
    Stream* s = addFilters(memoryStream(zlibCompress("chained", 6)), dict.getDict());
    EXPECT_EQ(s->kind(), StreamKind::Flate);
    EXPECT_EQ(s->describeFilter(0), nullptr);
    EXPECT_EQ(readAll(s), "chained");
    s->decRef();
}

TEST(FlateDecoder, HostileInputNeverCrashes) {
    std::mt19937 rng(5);
    std::string good = zlibCompress(contentLike(20000, 6), 6);
    for (int round = 0; round < 300; ++round) {
        std::string data = good;
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) data[2 + rng() % (data.size() - 2)] = static_cast<char>(rng());
        if (round % 3 == 0) data.resize(2 + rng() % (data.size() - 2));
        ErrorCapture capture;
        std::string out = decode(data);
        EXPECT_LE(out.size(), 20000u * 50);
    }
}

}  // namespace
}  // namespace qm::test

namespace qm::test {
namespace {

// Bytes of `s` until its end.
std::string rest(Stream* s) {
    std::string out;
    for (int c; (c = s->readByte()) >= 0;) out += static_cast<char>(c);
    return out;
}

}  // namespace

// Whatever the decoder read past the end of its data (the checksum and what follows) comes
// back to the inline image source, in order, whether the reader stopped at the last byte,
// read on to the end, or read nothing; with stored blocks and compressed ones alike.
TEST(FlateDecoder, BytesReadPastTheEndAreHandedBack) {
    const std::string data = contentLike(20000, 7);
    const std::string tail = "\nEI 0 0 m 1 1 l S\n" + std::string(9000, 'x');
    for (int level : {0, 1, 9}) {
        const std::string z = zlibCompress(data, level);
        const std::string checksum = z.substr(z.size() - 4);
        for (int mode = 0; mode < 3; ++mode) {
            SCOPED_TRACE(std::to_string(level) + " " + std::to_string(mode));
            Stream* outer = memoryStream(z + tail);
            outer->reset();
            auto* source = new EmbedStream(outer, PdfObject::makeNull());
            Stream* flate = makeFilter(source, "FlateDecode", PdfObject::makeNull());
            if (mode > 0) {
                flate->reset();
                std::string got(data.size(), '\0');
                ASSERT_EQ(flate->readBlock(reinterpret_cast<unsigned char*>(got.data()), static_cast<int>(got.size())),
                          static_cast<int>(data.size()));
                EXPECT_EQ(got, data);
                if (mode == 2) {
                    EXPECT_EQ(flate->readByte(), -1);
                }
            }
            source->finishChain(flate);
            EXPECT_EQ(rest(source), checksum + tail);
            flate->decRef();
            outer->decRef();
        }
    }
}

TEST(FlateDecoder, HandedBackBytesComeBeforeTheOuterStream) {
    Stream* outer = memoryStream("XYZ");
    outer->reset();
    EmbedStream e(outer, PdfObject::makeNull());
    const unsigned char first[] = {'a', 'b', 'c'}, second[] = {'1', '2'};
    e.giveBack(first, 3);
    EXPECT_EQ(e.readByte(), 'a');
    // A second hand-back goes in front of what is left of the first.
    e.giveBack(second, 2);
    EXPECT_EQ(e.peekByte(), '1');
    EXPECT_EQ(rest(&e), "12bcXYZ");
    e.giveBack(first, 3);
    EXPECT_EQ(e.readByte(), 'a');
    std::vector<unsigned char> unread = e.takeUnread();
    EXPECT_EQ(std::string(unread.begin(), unread.end()), "bc");
    EXPECT_EQ(e.readByte(), -1);
    outer->decRef();
}

}  // namespace qm::test
