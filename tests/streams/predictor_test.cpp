#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "streams/filter_stream.h"
#include "streams/image_sample_reader.h"
#include "streams/predictor.h"
#include "support/pdf_builder.h"

using namespace qm;

namespace {

// Serves the bytes below as raw (pre-prediction) data, as the Flate and LZW decoders do.
class RawSource : public FilterStream {
public:
    explicit RawSource(const std::string& bytes) : FilterStream(test::memoryStream(bytes)) { below_->reset(); }
    StreamKind kind() const override { return StreamKind::Flate; }
    void reset() override { below_->reset(); }
    int readByte() override { return below_->readByte(); }
    int peekByte() override { return below_->peekByte(); }
    int getRawChar() override { return below_->readByte(); }
    bool isBinaryData(bool) override { return true; }
};

std::vector<int> decode(const std::string& raw, int predictor, int columns, int colors, int bits) {
    RawSource src(raw);
    PredictorReader reader(&src, predictor, columns, colors, bits);
    std::vector<int> out;
    for (int c; (c = reader.readByte()) >= 0 && out.size() < 10000;) out.push_back(c);
    return out;
}

std::string bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

}  // namespace

TEST(PngPredictor, EachRowByItsOwnTag) {
    // Columns 3, one 8-bit component: tag 0 (None), 1 (Sub), 2 (Up), 3 (Average), 4 (Paeth).
    std::string raw = bytes({0, 10, 20, 30,  //
                             1, 1, 2, 3,     //
                             2, 5, 5, 5,     //
                             3, 4, 4, 4,     //
                             4, 1, 1, 1});
    auto out = decode(raw, 12, 3, 1, 8);
    std::vector<int> expected = {10, 20, 30,  //
                                 1, 3, 6,     //
                                 6, 8, 11,    //
                                 7, 11, 15,   // (0+6)/2+4=7, (7+8)/2+4=11, (11+11)/2+4=15
                                 8, 12, 16};  // Paeth: left 0/up 7 -> 7+1; then 8+? see below
    // Paeth row, by hand: i0 left 0 up 7 ul 0 -> p=7, pa=7 pb=0 -> up 7 => 8
    //                     i1 left 8 up 11 ul 7 -> p=12, pa=4 pb=1 pc=5 -> up 11 => 12
    //                     i2 left 12 up 15 ul 11 -> p=16, pa=4 pb=1 pc=5 -> up 15 => 16
    EXPECT_EQ(out, expected);
}

TEST(PngPredictor, MultiByteUpperLeftAndShortRows) {
    // Two 16-bit components: 4 bytes per pixel, upper-left looks 4 bytes back in the old row.
    std::string raw = bytes({0, 1, 2, 3, 4, 5, 6, 7, 8,  //
                             4, 0, 0, 0, 0, 0, 0, 0, 0});
    auto out = decode(raw, 14, 2, 2, 16);
    ASSERT_EQ(out.size(), 16u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[8 + i], i + 1);  // Paeth picks up every time
    // Data ending exactly at a row boundary ends there; a short last row keeps old bytes.
    EXPECT_EQ(decode(bytes({0, 9, 9, 9}), 10, 3, 1, 8).size(), 3u);
    EXPECT_EQ(decode(bytes({0, 1, 2, 3, 2, 1}), 10, 3, 1, 8), (std::vector<int>{1, 2, 3, 2, 2, 3}));
    EXPECT_TRUE(decode(bytes({}), 15, 3, 1, 8).empty());
}

TEST(TiffPredictor, EightAndOneBit) {
    EXPECT_EQ(decode(bytes({1, 2, 3, 10, 10, 10}), 2, 2, 3, 8), (std::vector<int>{1, 2, 3, 11, 12, 13}));
    EXPECT_EQ(decode(bytes({250, 10}), 2, 2, 1, 8), (std::vector<int>{250, 4}));
    // 24 one-bit pixels in 3 bytes: a single set bit toggles every following pixel.
    auto out = decode(bytes({0x40, 0x00, 0x01}), 2, 24, 1, 1);
    EXPECT_EQ(out, (std::vector<int>{0x7F, 0xFF, 0xFE}));
    // Two components: each bit is relative to the bit two places back.
    EXPECT_EQ(decode(bytes({0x80}), 2, 4, 2, 1), (std::vector<int>{0xAA}));
}

TEST(TiffPredictor, FourAndSixteenBitComponents) {
    EXPECT_EQ(decode(bytes({0x12, 0x3F}), 2, 4, 1, 4), (std::vector<int>{0x13, 0x65}));
    EXPECT_EQ(decode(bytes({0x00, 0x01, 0xFF, 0xFF}), 2, 2, 1, 16), (std::vector<int>{0, 1, 0, 0}));
}

TEST(PredictorParameters, HostileValuesYieldNoData) {
    ErrorCapture errors;
    EXPECT_TRUE(decode("abc", 12, 0, 1, 8).empty());
    EXPECT_TRUE(decode("abc", 12, 2000000000, 4, 16).empty());
    EXPECT_TRUE(decode("abc", 12, 3, 1, 7).empty());
    EXPECT_EQ(errors.count("Bad predictor parameters"), 3);
}

TEST(ImageSamples, UnpacksEveryWidthAndPadsTheEndWithOnes) {
    auto* s = test::memoryStream(bytes({0xA5, 0x1B}));
    {
        ImageSampleReader r(s, 3, 1, 4);
        r.reset();
        unsigned char v[1];
        std::vector<int> got;
        for (int i = 0; i < 6; ++i) {
            r.nextPixel(v);
            got.push_back(v[0]);
        }
        EXPECT_EQ(got, (std::vector<int>{0xA, 0x5, 0x1, 0xF, 0xF, 0xF}));
    }
    {
        ImageSampleReader r(s, 10, 1, 1);
        r.reset();
        const unsigned char* line = r.nextLine();
        std::vector<int> got(line, line + 10);
        EXPECT_EQ(got, (std::vector<int>{1, 0, 1, 0, 0, 1, 0, 1, 0, 0}));
    }
    {
        ImageSampleReader r(s, 1, 2, 8);
        r.reset();
        unsigned char v[2];
        r.nextPixel(v);
        EXPECT_EQ(v[0], 0xA5);
        EXPECT_EQ(v[1], 0x1B);
        r.nextPixel(v);
        EXPECT_EQ(v[0], 0xFF);
    }
    ErrorCapture errors;
    ImageSampleReader bad(s, -5, 1, 8);
    EXPECT_FALSE(bad.isOk());
    unsigned char v[1];
    EXPECT_FALSE(bad.nextPixel(v));
    s->decRef();
}
