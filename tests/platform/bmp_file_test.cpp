#include "platform/canvas/bmp_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "core/report_error.h"
#include "platform/canvas/canvas.h"
#include "platform/canvas/packed_dib.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::readFileText;
using test::TempFolder;

uint32_t le32(const std::string& s, size_t at) { return loadLe32(reinterpret_cast<const uint8_t*>(s.data() + at)); }

// What an independent reader (Pillow) makes of an image file: "width height mode" and the
// listed pixels as r,g,b. Empty when python3 or Pillow is missing.
std::string readWithPillow(const TempFolder& dir, const std::string& image, const std::string& points) {
    const std::string script = dir / "read.py";
    test::writeFileText(script,
                        "import sys\n"
                        "try:\n    from PIL import Image\nexcept ImportError:\n    sys.exit(3)\n"
                        "im = Image.open(sys.argv[1]).convert('RGB')\n"
                        "out = ['%d %d' % im.size]\n"
                        "for p in sys.argv[2:]:\n"
                        "    x, y = map(int, p.split(','))\n"
                        "    out.append('%d,%d,%d' % im.getpixel((x, y)))\n"
                        "print(' '.join(out))\n");
    // Debian's own interpreter, where the python3-pil package puts Pillow.
    const char* python = isRegularFile("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
    const std::string cmd = std::string(python) + " '" + script + "' '" + image + "' " + points + " 2>/dev/null";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return "";
    char line[512] = {0};
    const bool got = std::fgets(line, sizeof line, p) != nullptr;
    const int status = ::pclose(p);
    if (!got || status != 0) return "";
    std::string s(line);
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

TEST(BmpFile, AWhitePageSavesWithTheExactHeaderLayout) {
    TempFolder dir;
    Bitmap page(612, 792);
    ASSERT_TRUE(saveBitmapAsBmp(page, dir / "page.bmp"));
    const std::string file = readFileText(dir / "page.bmp");
    const size_t image = 1836 * 792;
    ASSERT_EQ(file.size(), 54 + image);
    uint8_t expected[54] = {'B', 'M'};
    storeLe32(expected + 2, static_cast<uint32_t>(54 + image));
    storeLe32(expected + 10, 54);
    storeLe32(expected + 14, 40);
    storeLe32(expected + 18, 612);
    storeLe32(expected + 22, 792);
    storeLe16(expected + 26, 1);
    storeLe16(expected + 28, 24);
    storeLe32(expected + 34, static_cast<uint32_t>(image));
    storeLe32(expected + 38, 3780);
    storeLe32(expected + 42, 3780);
    EXPECT_EQ(std::memcmp(file.data(), expected, 54), 0);
    EXPECT_EQ(file.find_first_not_of('\xFF', 54), std::string::npos);
}

TEST(BmpFile, PillowReadsTheSamePixels) {
    TempFolder dir;
    Bitmap page(612, 792);
    page.setPixel(0, 0, makeColorRef(255, 0, 0));
    page.setPixel(611, 791, makeColorRef(0, 0, 255));
    page.setPixel(300, 400, makeColorRef(255, 255, 250));
    Bitmap odd(5, 3);  // rows need padding
    odd.setPixel(4, 2, makeColorRef(1, 2, 3));
    ASSERT_TRUE(saveBitmapAsBmp(page, dir / "page.bmp"));
    ASSERT_TRUE(saveBitmapAsBmp(odd, dir / "odd.bmp"));
    const std::string seen = readWithPillow(dir, dir / "page.bmp", "0,0 611,791 300,400 1,1");
    if (seen.empty()) GTEST_SKIP() << "python3 with PIL is not available";
    EXPECT_EQ(seen, "612 792 255,0,0 0,0,255 255,255,250 255,255,255");
    EXPECT_EQ(readWithPillow(dir, dir / "odd.bmp", "4,2 0,0"), "5 3 1,2,3 255,255,255");
}

TEST(BmpFile, SaveFailuresAreReported) {
    TempFolder dir;
    Bitmap page(4, 4);
    ErrorCapture errors;
    EXPECT_FALSE(saveBitmapAsBmp(page, dir / "missing/page.bmp"));
    EXPECT_EQ(errors.messages(), (std::vector<std::string>{"Couldn't create bitmap file '" + dir / "missing/page.bmp" +
                                                           "': No such file or directory"}));
    // A device that is always full fails the writes.
    struct stat st;
    if (::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode)) {
        errors.clear();
        EXPECT_FALSE(saveBitmapAsBmp(page, "/dev/full"));
        EXPECT_EQ(errors.messages().size(), 1u);
    }
    Bitmap none(0, 0);
    EXPECT_FALSE(saveBitmapAsBmp(none, dir / "none.bmp"));
    EXPECT_FALSE(isRegularFile(dir / "none.bmp"));
}

uint8_t* makePacked8(int width, int height) {
    const size_t bytes = 40 + 1024 + BitmapInfoHeader::rowStride(width, 8) * static_cast<size_t>(height);
    uint8_t* block = allocPackedDib(bytes);
    BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = 8;
    h.writeTo(block);
    for (int i = 0; i < 256; ++i) {
        block[40 + 4 * i] = static_cast<uint8_t>(i);  // blue = index
        block[40 + 4 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    return block;
}

TEST(BmpFile, PackedDibsWriteTheirPaletteAndImageSize) {
    TempFolder dir;
    uint8_t* block = makePacked8(3, 2);
    block[40 + 1024 + 2] = 7;  // bottom row (stored first), third pixel
    ASSERT_TRUE(writePackedDibAsBmp(block, (dir / "p8.bmp").c_str()));
    const std::string file = readFileText(dir / "p8.bmp");
    EXPECT_EQ(file.size(), 1078u + 8u);
    EXPECT_EQ(le32(file, 2), 1086u);
    EXPECT_EQ(le32(file, 10), 1078u);  // 14 + 40 + 1,024
    EXPECT_EQ(le32(file, 14 + 20), 8u);  // image size written back ...
    EXPECT_EQ(loadLe32(block + 20), 8u);  // ... into the block as well
    const std::string seen = readWithPillow(dir, dir / "p8.bmp", "2,1 0,0");
    if (!seen.empty()) {
        EXPECT_EQ(seen, "3 2 248,0,7 255,0,0");
    }
    freePackedDib(block);

    // The page read-out packs to a 24-bit block without a table.
    Bitmap page(2, 2);
    page.setPixel(1, 0, makeColorRef(9, 8, 7));
    uint8_t* packed = packDib(page);
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(packedDibSize(packed), 40u + 16u);
    EXPECT_EQ(packed[40 + 8 + 3], 7);  // top row is the second one; blue first
    ASSERT_TRUE(writePackedDibAsBmp(packed, (dir / "p24.bmp").c_str()));
    EXPECT_EQ(le32(readFileText(dir / "p24.bmp"), 10), 54u);
    freePackedDib(packed);
    freePackedDib(nullptr);
}

TEST(BmpFile, PackedDibsThatLieAboutTheirSizeAreRefused) {
    TempFolder dir;
    uint8_t* block = makePacked8(3, 2);
    storeLe32(block + 8, 5000);  // taller than the block
    ErrorCapture errors;
    EXPECT_FALSE(writePackedDibAsBmp(block, (dir / "a.bmp").c_str()));
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Bitmap header claims 21064 bytes but the block holds 1072"}));
    EXPECT_FALSE(isRegularFile(dir / "a.bmp"));
    storeLe32(block + 8, 2);
    storeLe32(block, 12);  // the old core header is not written
    EXPECT_FALSE(writePackedDibAsBmp(block, (dir / "b.bmp").c_str()));
    storeLe32(block, 40);
    EXPECT_FALSE(writePackedDibAsBmp(block, ""));
    EXPECT_FALSE(writePackedDibAsBmp(nullptr, (dir / "c.bmp").c_str()));
    errors.clear();
    EXPECT_FALSE(writePackedDibAsBmp(block, (dir / "no/such/d.bmp").c_str()));
    EXPECT_EQ(errors.messages().size(), 1u);
    freePackedDib(block);
}

}  // namespace
}  // namespace qm
