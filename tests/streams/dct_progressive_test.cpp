// Progressive and multi-scan JPEG against the reference codec: files written by cjpeg and
// jpegtran (restart markers, unusual scan orders, successive approximation), extended
// sequential frames, bad scan parameters, cut-off and damaged data.
#include <gtest/gtest.h>

#include "core/report_error.h"
#include "dct_test_support.h"
#include "decoder_fixture.h"
#include "streams/dct_decoder.h"
#include "support/jpeg_reference.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

const char* const kProgressiveFixtures[] = {"dct-prog-cjpeg.jpg", "dct-prog-gray.jpg", "dct-prog-restart.jpg",
                                            "dct-prog-order.jpg", "dct-seq-scans.jpg"};

TEST(DctProgressive, FixturesMatchTheReference) {
    for (const char* name : kProgressiveFixtures) {
        SCOPED_TRACE(name);
        const std::string jpeg = fixture(name);
        expectMatchesReference(jpeg);
        // Read in odd pieces, and read again after a rewind: the same bytes.
        Stream* s = makeDecoder("DCTDecode", jpeg);
        std::string first = readAll(s);
        std::string second = readAll(s);
        EXPECT_EQ(first, second);
        EXPECT_EQ(decodeBlocks("DCTDecode", jpeg), first);
        s->decRef();
    }
}

TEST(DctProgressive, EncodedLayoutsMatchTheReference) {
    JpegOptions o;
    o.width = 203, o.height = 77;  // partial MCUs on both edges
    o.progressive = true;
    int hv[4][6] = {{2, 2, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}, {2, 1, 1, 1, 1, 1}, {1, 2, 1, 1, 1, 1}};
    for (auto& layout : hv) {
        for (int c = 0; c < 3; ++c) o.h[c] = layout[2 * c], o.v[c] = layout[2 * c + 1];
        SCOPED_TRACE(testing::Message() << o.h[0] << "x" << o.v[0]);
        expectMatchesReference(encodeJpeg(o));
    }
    o.restartInterval = 2;
    expectMatchesReference(encodeJpeg(o));
    o.restartInterval = 0;
    o.space = JpegSpace::Ycck;
    o.h[0] = o.v[0] = 1;
    expectMatchesReference(encodeJpeg(o));
    o.space = JpegSpace::Gray;
    o.width = 1, o.height = 1;
    expectMatchesReference(encodeJpeg(o));
}

TEST(DctProgressive, ExtendedSequentialFrameDecodesLikeBaseline) {
    JpegOptions o;
    o.width = 50, o.height = 30;
    std::string baseline = encodeJpeg(o);
    std::string extended = baseline;
    extended[findFrame(extended) + 1] = static_cast<char>(0xC1);
    std::vector<std::string> messages;
    EXPECT_EQ(decodeWithMessages(extended, &messages), decode("DCTDecode", baseline));
    EXPECT_TRUE(messages.empty());
}

TEST(DctProgressive, BadScanParametersAreRefused) {
    const std::string good = fixture("dct-prog-cjpeg.jpg");
    const size_t firstAc = findMarker(good, 0xDA, findMarker(good, 0xDA) + 2);
    ASSERT_EQ(good[firstAc + 4], 1);  // cjpeg's second scan: one component's AC band
    struct Patch {
        size_t at;
        int value;
    } patches[] = {
        {findMarker(good, 0xDA) + 5 + 2 * 3, 1},   // DC scan whose band ends at 1
        {firstAc + 5 + 2, 0x40},                   // band start above band end
        {firstAc + 5 + 3, 64},                     // band past the last coefficient
        {firstAc + 5 + 4, 0xE0},                   // approximation bit 14
    };
    for (const Patch& p : patches) {
        SCOPED_TRACE(p.at);
        std::string bad = good;
        bad[p.at] = static_cast<char>(p.value);
        std::vector<std::string> messages;
        std::string out = decodeWithMessages(bad, &messages);
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(messages.back(), "Bad DCT scan info block");
        // A bad first scan gives nothing; a later one leaves the picture of earlier scans.
        EXPECT_EQ(out.size(), p.at < firstAc ? 0u : 204u * 103 * 3);
    }
}

TEST(DctProgressive, CutOffFileShowsTheWholePictureLessSharp) {
    const std::string good = fixture("dct-prog-cjpeg.jpg");
    const std::string full = decode("DCTDecode", good);
    ASSERT_EQ(full.size(), 204u * 103 * 3);
    // Cut inside the fifth scan (the luminance's high band): every pixel is served, as the
    // reference codec serves it from the same data, and the loss is reported.
    size_t fifth = 0;
    for (int i = 0; i < 5; ++i) fifth = findMarker(good, 0xDA, fifth + 2);
    ASSERT_GT(findMarker(good, 0xC4, fifth) - fifth, 1000u);
    std::vector<std::string> messages;
    std::string out = decodeWithMessages(good.substr(0, fifth + 600), &messages);
    ASSERT_EQ(out.size(), full.size());
    EXPECT_NE(out, full);
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT data: end of data in scan"});
    JpegImage ref = decodeJpeg(good.substr(0, fifth + 600));
    ASSERT_TRUE(ref.ok);
    EXPECT_GE(maxDifference(out, ref.samples), 0);
    EXPECT_LE(maxDifference(out, ref.samples), 3);
    // Cut between scans: the end of data stands in for the end-of-image marker.
    out = decodeWithMessages(good.substr(0, fifth), &messages);
    EXPECT_EQ(out.size(), full.size());
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT trailer"});
}

TEST(DctProgressive, WrongRestartMarkerKeepsEarlierScans) {
    std::string bad = fixture("dct-prog-restart.jpg");
    size_t lastScan = bad.rfind(std::string("\xFF\xDA", 2));
    size_t rst = findMarker(bad, 0xD1, lastScan);
    ASSERT_NE(rst, std::string::npos);
    bad[rst + 1] = static_cast<char>(0xD4);
    std::vector<std::string> messages;
    std::string out = decodeWithMessages(bad, &messages);
    EXPECT_EQ(out.size(), 201u * 201 * 3);
    EXPECT_EQ(messages, std::vector<std::string>{"Bad DCT data: incorrect restart marker"});
}

TEST(DctProgressive, HugeFrameIsRefusedBeforeAllocating) {
    std::string jpeg = fixture("dct-prog-gray.jpg");
    size_t sof = findFrame(jpeg);
    for (int i = 5; i <= 8; ++i) jpeg[sof + i] = static_cast<char>(0xFF);  // 65535 x 65535
    std::vector<std::string> messages;
    EXPECT_EQ(decodeWithMessages(jpeg, &messages), "");
    EXPECT_EQ(messages, std::vector<std::string>{"DCT image too large"});
}

TEST(DctProgressive, DamagedDataEndsCleanly) {
    for (const char* name : kProgressiveFixtures) {
        SCOPED_TRACE(name);
        decodeDamaged("DCTDecode", fixture(name), "", 220 * 220 * 3, 64);
    }
}

}  // namespace
}  // namespace qm::test
