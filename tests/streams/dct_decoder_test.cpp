// The DCT decoder against the reference codec: layouts, colour transforms, restart markers,
// header errors with their messages, real images from the corpus and damaged data.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/report_error.h"
#include "dct_test_support.h"
#include "decoder_fixture.h"
#include "streams/dct_decoder.h"
#include "support/jpeg_reference.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

TEST(DctDecoder, BaselineLayoutsMatchTheReference) {
    JpegOptions o;
    o.width = 203, o.height = 77;  // partial MCUs on both edges
    for (int layout = 0; layout < 5; ++layout) {
        SCOPED_TRACE(layout);
        int hv[5][6] = {{2, 2, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 1, 1},
                        {1, 2, 1, 1, 1, 1}, {2, 1, 2, 1, 2, 1}};
        for (int c = 0; c < 3; ++c) o.h[c] = hv[layout][2 * c], o.v[c] = hv[layout][2 * c + 1];
        expectMatchesReference(encodeJpeg(o));
    }
    JpegOptions gray;
    gray.space = JpegSpace::Gray;
    gray.h[0] = gray.v[0] = 2;  // factors of a lone component do not matter
    expectMatchesReference(encodeJpeg(gray));
}

TEST(DctDecoder, LayoutsWhereLuminanceIsNotTheTallest) {
    // Luminance sampled below the largest vertical factor is replicated vertically too; the
    // pixel-pair path must not read its rows as if it were not. Odd sizes leave partial MCUs.
    const int hv[][6] = {{2, 1, 1, 2, 1, 2}, {1, 1, 1, 2, 1, 2}, {2, 1, 1, 2, 2, 2}, {1, 1, 2, 2, 1, 1},
                         {2, 1, 1, 1, 1, 2}, {1, 1, 2, 2, 2, 2}, {2, 1, 1, 2, 1, 1}};
    for (const auto& layout : hv) {
        for (int size : {16, 37}) {
            SCOPED_TRACE(std::to_string(layout[0]) + std::to_string(layout[1]) + std::to_string(layout[2]) +
                         std::to_string(layout[3]) + " " + std::to_string(size));
            JpegOptions o;
            o.width = size + 3, o.height = size;
            for (int c = 0; c < 3; ++c) o.h[c] = layout[2 * c], o.v[c] = layout[2 * c + 1];
            std::string jpeg = encodeJpeg(o);
            ASSERT_FALSE(jpeg.empty());
            expectMatchesReference(jpeg);
        }
    }
}

TEST(DctDecoder, SixteenSquareSubsampledImage) {
    JpegOptions o;
    o.width = o.height = 16;
    std::string jpeg = encodeJpeg(o);
    ASSERT_FALSE(jpeg.empty());
    Stream* s = makeDecoder("DCTDecode", jpeg);
    std::string out = readAll(s);
    EXPECT_EQ(out.size(), 768u);
    auto* dct = static_cast<DctDecoder*>(s);
    EXPECT_EQ(dct->width(), 16);
    EXPECT_EQ(dct->components(), 3);
    EXPECT_TRUE(dct->colorTransform());
    EXPECT_EQ(s->describeFilter(0)->view(), "<< >> /DCTDecode filter\n");
    EXPECT_EQ(decodeBlocks("DCT", jpeg), out);
    s->decRef();
    expectMatchesReference(jpeg);
}

TEST(DctDecoder, RestartMarkersDecodeLikeNone) {
    JpegOptions o;
    o.width = 120, o.height = 50;
    std::string plain = encodeJpeg(o);
    o.restartInterval = 2;
    std::string restarts = encodeJpeg(o);
    ASSERT_NE(findMarker(restarts, 0xD7), std::string::npos);  // the numbers wrap
    EXPECT_EQ(decode("DCTDecode", restarts), decode("DCTDecode", plain));
    expectMatchesReference(restarts);

    // A wrong marker ends the data after the rows already served.
    std::string wrong = restarts;
    size_t rst1 = findMarker(wrong, 0xD1, findMarker(wrong, 0xDA));
    wrong[rst1 + 1] = static_cast<char>(0xD5);
    std::vector<std::string> messages;
    std::string out = decodeWithMessages(wrong, &messages);
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT data: incorrect restart marker"});
    std::string full = decode("DCTDecode", plain);
    // Two MCUs per interval: the marker sits inside the first MCU row, so nothing is served.
    EXPECT_TRUE(out.empty());
    o.width = 16, o.height = 80;  // one MCU per MCU row: four whole MCU rows before RST1
    std::string narrow = encodeJpeg(o);
    narrow[findMarker(narrow, 0xD1, findMarker(narrow, 0xDA)) + 1] = static_cast<char>(0xD3);
    out = decodeWithMessages(narrow, &messages);
    EXPECT_EQ(out.size(), 16u * 3 * 16 * 4);
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT data: incorrect restart marker"});
}

TEST(DctDecoder, ColourTransformRules) {
    JpegOptions o;
    o.width = 40, o.height = 24;
    o.h[0] = o.v[0] = 1;
    // RGB stored as such: component identifiers R, G, B, no Adobe marker: served unchanged.
    o.space = JpegSpace::Rgb;
    o.adobeMarker = false;
    o.jfifMarker = false;
    std::string rgb = encodeJpeg(o);
    Stream* s = makeDecoder("DCTDecode", rgb);
    s->reset();
    EXPECT_FALSE(static_cast<DctDecoder*>(s)->colorTransform());
    s->decRef();
    expectMatchesReference(rgb);
    // The same with an Adobe marker of transform 0.
    o.adobeMarker = true;
    expectMatchesReference(encodeJpeg(o));
    // YCbCr with Adobe transform 1 and identifiers 1, 2, 3.
    o.space = JpegSpace::YCbCr;
    expectMatchesReference(encodeJpeg(o));
    // CMYK stored as YCCK (transform 2): inverted RGB plus K.
    o.space = JpegSpace::Ycck;
    std::string ycck = encodeJpeg(o);
    s = makeDecoder("DCTDecode", ycck);
    s->reset();
    EXPECT_TRUE(static_cast<DctDecoder*>(s)->colorTransform());
    EXPECT_EQ(static_cast<DctDecoder*>(s)->components(), 4);
    s->decRef();
    expectMatchesReference(ycck);
    // CMYK stored plainly (transform 0): served as decoded.
    o.space = JpegSpace::Cmyk;
    expectMatchesReference(encodeJpeg(o));
}

TEST(DctDecoder, UnsupportedAndBadHeaders) {
    JpegOptions o;
    o.width = o.height = 16;
    std::vector<std::string> messages;
    const std::string good = encodeJpeg(o);

    EXPECT_EQ(decodeWithMessages("", &messages), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT header"});
    EXPECT_EQ(decodeWithMessages("no marker at all", &messages), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT header"});
    EXPECT_EQ(decodeWithMessages(good.substr(0, 300), &messages), "");
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT header"});

    struct Patch {
        int marker;
        size_t offset;  // from the marker's 0xFF
        int value;
        const char* message;
    } patches[] = {
        {0xC0, 4, 12, "Bad DCT precision 12"},
        {0xC0, 9, 5, "Bad DCT header"},  // five components
        {0xC4, 4, 0x20, "Bad DCT Huffman table"},
        {0xC4, 4, 0x04, "Bad DCT Huffman table"},
        {0xDB, 4, 0x10, "Bad DCT quantization table"},
        {0xDA, 3, 13, "Bad DCT scan info block"},
        {0xDA, 5, 9, "Bad DCT component ID in scan info block"},
    };
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.message);
        std::string bad = good;
        size_t at = findMarker(bad, p.marker);
        ASSERT_NE(at, std::string::npos);
        bad[at + p.offset] = static_cast<char>(p.value);
        EXPECT_EQ(decodeWithMessages(bad, &messages), "");
        EXPECT_EQ(messages, std::vector<std::string>{p.message});
    }
    // Segments inserted after SOI: a DRI of the wrong length, a foreign APP14, a lossless
    // and an arithmetic-coded frame.
    struct Insert {
        std::string bytes;
        const char* message;
    } inserts[] = {
        {std::string("\xFF\xDD\x00\x05\x00\x01\x00", 7), "Bad DCT restart interval"},
        {std::string("\xFF\xEE\x00\x0EPhotoshop\0\0\0", 16), "Bad DCT Adobe APP14 marker"},
        {std::string("\xFF\xEE\x00\x08" "Adobe\0", 10), "Bad DCT Adobe APP14 marker"},
        {std::string("\xFF\xC3\x00\x02", 4), "Unknown DCT marker <c3>"},
        {std::string("\xFF\xC9\x00\x02", 4), "Unknown DCT marker <c9>"},
    };
    for (const Insert& in : inserts) {
        SCOPED_TRACE(in.message);
        EXPECT_EQ(decodeWithMessages(good.substr(0, 2) + in.bytes + good.substr(2), &messages), "");
        EXPECT_EQ(messages, std::vector<std::string>{in.message});
    }
    // Comments and other APPn segments are skipped.
    std::string comment = good.substr(0, 2) + std::string("\xFF\xFE\x00\x05hi!", 7) + good.substr(2);
    EXPECT_EQ(decode("DCTDecode", comment), decode("DCTDecode", good));
}

TEST(DctDecoder, DamagedEntropyDataEndsCleanly) {
    JpegOptions o;
    o.width = 64, o.height = 64;
    const std::string good = encodeJpeg(o);
    const size_t sos = findMarker(good, 0xDA);
    std::vector<std::string> messages;

    // A marker in the middle of the entropy-coded data.
    std::string marker = good;
    size_t at = sos + 40;
    marker[at] = static_cast<char>(0xFF);
    marker[at + 1] = static_cast<char>(0xC8);
    std::string out = decodeWithMessages(marker, &messages);
    EXPECT_LT(out.size(), 64u * 64 * 3);
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT data: missing 00 after ff"});

    // Data cut short: the rows decoded so far, then the end.
    out = decodeWithMessages(good.substr(0, good.size() - 200), &messages);
    EXPECT_EQ(out.size() % (64 * 3 * 16), 0u);
    EXPECT_LT(out.size(), 64u * 64 * 3);

    // No EOI: all data served, then the trailer complaint.
    out = decodeWithMessages(good.substr(0, good.size() - 2), &messages);
    EXPECT_EQ(out, decode("DCTDecode", good));
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT trailer"});

    // A Huffman table with no codes at all cannot decode anything.
    std::string empty = good;
    size_t dht = findMarker(empty, 0xC4);
    for (int i = 0; i < 16; ++i) empty[dht + 5 + i] = 0;
    empty[dht + 3] = 19;  // length of a table without symbols
    empty.erase(dht + 21, static_cast<size_t>(static_cast<unsigned char>(good[dht + 3])) - 19);
    out = decodeWithMessages(empty, &messages);
    EXPECT_EQ(out, "");
    EXPECT_EQ(messages, std::vector<std::string>{"Bad Huffman code in DCT stream"});

    decodeDamaged("DCTDecode", good, "", 64 * 64 * 3, 96);
    o.restartInterval = 3;
    decodeDamaged("DCTDecode", encodeJpeg(o), "", 64 * 64 * 3, 96);
}

TEST(DctDecoder, HugeDimensionsStayBounded) {
    JpegOptions o;
    o.width = o.height = 16;
    std::string jpeg = encodeJpeg(o);
    size_t sof = findMarker(jpeg, 0xC0);
    for (int i = 5; i <= 8; ++i) jpeg[sof + i] = static_cast<char>(0xFF);  // 65535 x 65535
    std::vector<std::string> messages;
    std::string out = decodeWithMessages(jpeg, &messages);
    // The few real MCUs decode; the rest of the first MCU row runs out of data.
    EXPECT_TRUE(out.empty());
}

TEST(DctDecoder, CorpusImagesMatchTheReference) {
    for (const char* name : {"dct-adobe-restart-420.jpg", "dct-adobe-restart-odd.jpg", "dct-adobe-444.jpg",
                             "dct-gray.jpg", "dct-ycc-420.jpg", "dct-word.jpg", "dct-small.jpg",
                             "dct-progressive.jpg"}) {
        SCOPED_TRACE(name);
        expectMatchesReference(fixture(name));
    }
}

TEST(DctDecoder, DamagedCorpusImagesEndCleanly) {
    for (const char* name : {"dct-adobe-restart-odd.jpg", "dct-small.jpg", "dct-adobe-444.jpg"}) {
        SCOPED_TRACE(name);
        decodeDamaged("DCTDecode", fixture(name), "", 713 * 298 * 3, 48);
    }
}

}  // namespace
}  // namespace qm::test
