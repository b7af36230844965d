// The JPEG 2000 decoder: lossless fixtures in gray, RGB and RGB with alpha (JP2 files and bare
// codestreams) against their source pictures, the colour space taken from the codestream,
// alpha left out with and without SMaskInData, the corpus image, and damaged data.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "decoder_fixture.h"
#include "streams/file_stream.h"
#include "streams/filter_chain.h"
#include "streams/jpx_decoder.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

// A JPX decoder over `data` whose stream dictionary holds `dictText` (PDF dictionary text).
JpxDecoder* jpxDecoder(const std::string& data, const std::string& dictText = "<< >>") {
    auto* file = new FileStream(sharedMemoryFile(data), 0, -1, parseParams(dictText));
    Stream* s = makeFilter(file, "JPXDecode", PdfObject::makeNull());
    EXPECT_EQ(s->kind(), StreamKind::Jpx);
    return static_cast<JpxDecoder*>(s);
}

struct Decoded {
    std::string samples;
    int width = 0, height = 0, components = 0;
    std::string space;
    bool alpha = false;
    std::vector<std::string> messages;
};

Decoded decodeJpx(const std::string& data, const std::string& dictText = "<< >>") {
    ErrorCapture errors;
    JpxDecoder* s = jpxDecoder(data, dictText);
    Decoded d;
    if (s->decodeImage()) {
        d.width = s->width(), d.height = s->height(), d.components = s->components();
        d.space = s->colorSpaceName();
        d.alpha = s->hasAlpha();
    }
    d.samples = readAll(s);
    s->decRef();
    d.messages = errors.messages();
    return d;
}

TEST(JpxDecoder, LosslessFixturesGiveBackTheirPictures) {
    struct Case {
        const char* file;
        const char* ref;
        const char* space;
        bool alpha;
    } cases[] = {
        {"jpx-gray.jp2", "jpx-gray.ref", "DeviceGray", false},
        {"jpx-rgb.j2k", "jpx-rgb.ref", "DeviceRGB", false},
        // The JP2 file marks its fourth component as alpha: left out of the samples.
        {"jpx-rgba.jp2", "jpx-rgb.ref", "DeviceRGB", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Decoded d = decodeJpx(fixture(c.file));
        EXPECT_TRUE(d.messages.empty()) << d.messages[0];
        EXPECT_EQ(d.width, 61);
        EXPECT_EQ(d.height, 43);
        EXPECT_EQ(d.space, c.space);
        EXPECT_EQ(d.alpha, c.alpha);
        EXPECT_TRUE(d.samples == fixture(c.ref));
    }
}

TEST(JpxDecoder, SoftMaskInDataDecidesAnUnmarkedFourthComponent) {
    // A bare codestream has no alpha marks: four components are CMYK unless the dictionary
    // says the data carries the soft mask.
    const std::string j2k = fixture("jpx-rgba.j2k");
    Decoded cmyk = decodeJpx(j2k);
    EXPECT_EQ(cmyk.space, "DeviceCMYK");
    EXPECT_EQ(cmyk.samples.size(), 61u * 43 * 4);
    Decoded rgb = decodeJpx(j2k, "<< /SMaskInData 1 >>");
    EXPECT_EQ(rgb.space, "DeviceRGB");
    EXPECT_TRUE(rgb.alpha);
    EXPECT_TRUE(rgb.samples == fixture("jpx-rgb.ref"));
}

TEST(JpxDecoder, RewindServesTheSameSamplesAndCloseLetsGo) {
    JpxDecoder* s = jpxDecoder(fixture("jpx-rgb.j2k"));
    EXPECT_EQ(s->describeFilter(0), nullptr);
    std::string first = readAll(s);  // reset, read, close
    ASSERT_EQ(first.size(), 61u * 43 * 3);
    s->reset();
    unsigned char block[1000];
    EXPECT_EQ(s->readBlock(block, 1000), 1000);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 1000), first.substr(0, 1000));
    s->close();
    EXPECT_EQ(s->readByte(), -1);
    EXPECT_EQ(readAll(s), first);
    s->decRef();
    EXPECT_EQ(decodeBlocks("JPXDecode", fixture("jpx-rgb.j2k")), first);
}

TEST(JpxDecoder, CorpusImageDecodes) {
    // The JPEG 2000 image of the corpus file, taken out of its PDF by its object's offsets.
    const std::string pdf = fixture("../corpus/img-jpx-large-page.pdf");
    size_t jp2 = pdf.find(std::string("\0\0\0\x0cjP  ", 8));
    ASSERT_NE(jp2, std::string::npos);
    size_t end = pdf.find("endstream", jp2);
    Decoded d = decodeJpx(pdf.substr(jp2, end - jp2));
    EXPECT_TRUE(d.messages.empty()) << d.messages[0];
    EXPECT_EQ(d.width, 2717);
    EXPECT_EQ(d.height, 3701);
    EXPECT_EQ(d.space, "DeviceRGB");
    EXPECT_EQ(d.samples.size(), 2717u * 3701 * 3);
}

TEST(JpxDecoder, BadDataGivesAMessageAndNoSamples) {
    for (const std::string& bad : {std::string(), std::string("plain text"), fixture("jpx-rgb.j2k").substr(0, 40),
                                   fixture("jpx-gray.jp2").substr(0, 120)}) {
        Decoded d = decodeJpx(bad);
        EXPECT_EQ(d.samples, "");
        EXPECT_FALSE(d.messages.empty());
    }
    // A codestream cut after its first tile's header: a message, never more than the picture.
    const std::string rgb = fixture("jpx-rgb.j2k");
    Decoded cut = decodeJpx(rgb.substr(0, rgb.size() / 2));
    EXPECT_FALSE(cut.messages.empty());
    EXPECT_LE(cut.samples.size(), 61u * 43 * 3);

    // A header claiming 2^30 x 2^30 pixels is refused before decoding.
    std::string huge = rgb;
    size_t siz = huge.find(std::string("\xFF\x51", 2));
    ASSERT_NE(siz, std::string::npos);
    huge[siz + 6] = 0x40;  // Xsiz
    huge[siz + 10] = 0x40;  // Ysiz
    Decoded big = decodeJpx(huge);
    EXPECT_EQ(big.samples, "");
    ASSERT_FALSE(big.messages.empty());

    for (const char* name : {"jpx-gray.jp2", "jpx-rgb.j2k", "jpx-rgba.jp2"}) {
        SCOPED_TRACE(name);
        decodeDamaged("JPXDecode", fixture(name), "", 61 * 43 * 4, 48);
    }
}

}  // namespace
}  // namespace qm::test
