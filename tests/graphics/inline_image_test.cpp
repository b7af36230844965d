// Inline images whose decoders read ahead of what the image needs: the data ends where the
// decoder's data ends, the operators after "EI" all run, and the device gets every image.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "fonts/global_settings.h"
#include "graphics/content_interpreter.h"
#include "graphics/image_color_map.h"
#include "recording_device.h"
#include "streams/stream.h"
#include "support/jpeg_reference.h"
#include "support/pdf_builder.h"

using namespace qm;
using test::encodeJpeg;
using test::JpegOptions;
using test::JpegSpace;

namespace {

std::string zlibCompress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), 9);
    out.resize(size);
    return out;
}

// Literal codes only, with a clear code often enough that the code width stays at 9 bits.
std::string lzwEncode(const std::string& data) {
    std::string out;
    unsigned long bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits = (bits << 9) | static_cast<unsigned>(code);
        count += 9;
        while (count >= 8) {
            out += static_cast<char>((bits >> (count - 8)) & 0xFF);
            count -= 8;
        }
    };
    put(256);
    for (size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && i % 200 == 0) put(256);
        put(static_cast<unsigned char>(data[i]));
    }
    put(257);
    if (count > 0) out += static_cast<char>((bits << (8 - count)) & 0xFF);
    return out;
}

// Reads inline image data the way a drawing device does (exactly the rows, no more) and
// logs the bytes it got.
class ReadingDevice : public test::RecordingDevice {
public:
    void drawImage(GraphicsState&, const PdfRef*, Stream* stream, int width, int height, ImageColorMap& colorMap,
                   const int*, bool inlineImage) override {
        long rowBytes = (static_cast<long>(width) * colorMap.componentCount() * colorMap.bits() + 7) / 8;
        std::string data(static_cast<size_t>(rowBytes * height), '\0');
        stream->reset();
        int got = stream->readBlock(reinterpret_cast<unsigned char*>(data.data()), static_cast<int>(data.size()));
        stream->close();
        data.resize(got > 0 ? static_cast<size_t>(got) : 0);
        images.push_back(data);
        log(std::string("image") + (inlineImage ? " inline" : ""));
    }
    std::vector<std::string> images;
};

struct ContentRun {
    explicit ContentRun(const std::string& content) {
        test::PdfBuilder b;
        b.object("<< >>");
        b.stream("", content);
        xref = std::make_unique<test::TestResolver>(b.bytes());
        xref->addAll(b, b.nextNumber());
        PdfObject res = xref->fetch(1, 0);
        ContentInterpreter interp(xref.get(), &device, 1, res.getDict(), 72, PageBox{0, 0, 612, 792}, false,
                                  PageBox{0, 0, 612, 792}, 0, false);
        interp.run(xref->fetch(2, 0));
    }
    std::unique_ptr<test::TestResolver> xref;
    ReadingDevice device;
};

std::string pixels(int count, int seed) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>((i * 37 + seed * 11) & 0xFF);
    return s;
}

// Operators after the image: a stroke whose coordinates tell the images apart.
std::string after(int k) {
    return " " + std::to_string(k) + " 0 m 1 1 l S";
}

}  // namespace

TEST(InlineImages, DecodersThatReadAheadLeaveTheFollowingOperators) {
    // Enough data after each image that a decoder reading a whole block would swallow it.
    std::string filler;
    for (int i = 0; i < 400; ++i) filler += " 0.5 w";
    const std::string gray = pixels(24 * 20, 1);
    JpegOptions o;
    o.width = 24, o.height = 20;
    o.space = JpegSpace::Gray;
    std::string jpeg = encodeJpeg(o);
    ASSERT_FALSE(jpeg.empty());
    struct Case {
        const char* what;
        std::string filter;
        std::string data;
    } cases[] = {
        {"flate", "/F /Fl", zlibCompress(gray)},
        {"lzw", "/F /LZW", lzwEncode(gray)},
        {"dct", "/F /DCT", jpeg},
        {"ascii85 then flate", "/F [/A85 /Fl]", ""},
        {"flate then flate", "/F [/Fl /Fl]", zlibCompress(zlibCompress(gray))},
        {"unfiltered", "", gray},
        {"run length without its end marker", "/F /RL", ""},
    };
    // Literal runs of 120 bytes and no end-of-data byte: nothing may read on into "EI".
    for (size_t i = 0; i < gray.size(); i += 120) cases[6].data += static_cast<char>(119) + gray.substr(i, 120);
    // ASCII85 of the compressed bytes, by hand: four bytes to five characters.
    {
        std::string z = zlibCompress(gray), a;
        for (size_t i = 0; i < z.size(); i += 4) {
            unsigned long v = 0;
            size_t n = std::min<size_t>(4, z.size() - i);
            for (size_t k = 0; k < 4; ++k) v = v * 256 + (k < n ? static_cast<unsigned char>(z[i + k]) : 0);
            char c[5];
            for (int k = 4; k >= 0; --k, v /= 85) c[k] = static_cast<char>('!' + v % 85);
            a.append(c, n + 1);
        }
        cases[3].data = a + "~>";
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string content;
        for (int k = 1; k <= 3; ++k)
            content += "BI /W 24 /H 20 /BPC 8 /CS /G " + c.filter + " ID\n" + c.data + "\nEI" + after(k) + filler + "\n";
        ErrorCapture errors;
        ContentRun run(content);
        EXPECT_EQ(run.device.count("image inline"), 3);
        EXPECT_EQ(run.device.matching("stroke"),
                  (std::vector<std::string>{"stroke [1,0 1,1]", "stroke [2,0 1,1]", "stroke [3,0 1,1]"}));
        for (const auto& image : run.device.images) {
            ASSERT_EQ(image.size(), gray.size());
            if (std::string(c.what) != "dct") {
                EXPECT_EQ(image, gray);
            }
        }
        EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
    }
}

TEST(InlineImages, ImagesSharingOneReadAheadBlock) {
    // Several small Flate images in a row: the second's data lies in what the first read.
    std::string content;
    for (int k = 1; k <= 20; ++k)
        content += "BI /W 4 /H 2 /BPC 8 /CS /G /F /Fl ID " + zlibCompress(pixels(8, k)) + " EI" + after(k) + "\n";
    ErrorCapture errors;
    ContentRun run(content);
    ASSERT_EQ(run.device.images.size(), 20u);
    for (int k = 1; k <= 20; ++k) EXPECT_EQ(run.device.images[static_cast<size_t>(k - 1)], pixels(8, k));
    EXPECT_EQ(run.device.count("stroke"), 20);
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
}

TEST(InlineImages, DamagedDataStillFindsTheEnd) {
    // Data that is not zlib, data holding fewer pixels than the image needs, and an image
    // the interpreter refuses before any device reads it: the operators after EI run in
    // every case.
    std::string z = zlibCompress(pixels(64, 3));
    std::string content = "BI /W 8 /H 8 /BPC 8 /CS /G /F /Fl ID\nnot zlib data at all\nEI" + after(1) +
                          "\nBI /W 8 /H 8 /BPC 8 /CS /G /F /Fl ID\n" + zlibCompress(pixels(20, 3)) + "\nEI" +
                          after(2) + "\nBI /W 8 /H 8 /BPC 8 /CS /G /F /Fl /D 5 ID\n" + z + "\nEI" + after(3) + "\n";
    ErrorCapture errors;
    ContentRun run(content);
    ASSERT_EQ(run.device.images.size(), 2u);
    EXPECT_EQ(run.device.images[1], pixels(20, 3));
    EXPECT_EQ(run.device.matching("stroke"),
              (std::vector<std::string>{"stroke [1,0 1,1]", "stroke [2,0 1,1]", "stroke [3,0 1,1]"}));
    EXPECT_TRUE(errors.contains("Unknown compression method in flate stream"));
    EXPECT_TRUE(errors.contains("Bad image parameters"));
}

TEST(InlineImages, EveryImageOfTheCorpusPageReachesTheDevice) {
    createGlobalSettings("config.lst");
    {
        ErrorCapture quiet;
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/ghostscript-inline-images.pdf").c_str()),
                        nullptr, nullptr);
        ASSERT_TRUE(doc.isOk());
        const PdfPage* page = doc.catalog()->page(1);
        const PdfRect& box = page->pageBox();
        test::RecordingDevice device;
        const PageBox pageBox{box.x1, box.y1, box.x2, box.y2};
        ContentInterpreter interp(doc.xref(), &device, 1, page->resources(), 72, pageBox, false, pageBox, 0, false);
        interp.run(page->contents().resolve(doc.xref()));
        int inlineImages = 0;
        for (const auto& call : device.calls)
            if (call.rfind("drawImage", 0) == 0 && call.find(" inline") != std::string::npos) ++inlineImages;
        EXPECT_EQ(inlineImages, 1071);
    }
    destroyGlobalSettings();
}
