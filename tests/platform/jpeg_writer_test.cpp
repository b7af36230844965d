#include "platform/jpeg/jpeg_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "core/report_error.h"
#include "platform/canvas/canvas.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::TempFolder;

struct Decoded {
    int width = 0, height = 0, components = 0;
    std::vector<uint8_t> samples;
};

// Decodes with libjpeg-turbo's reader, independent of the writer's code.
Decoded decode(const std::string& path) {
    Decoded out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, f);
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.components = info.output_components;
    out.samples.resize(static_cast<size_t>(out.width) * out.height * out.components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.samples.data() + static_cast<size_t>(info.output_scanline) * out.width * out.components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(f);
    return out;
}

// A page with smooth areas and hard edges: a gradient, a red box and a blue line.
void drawTestPage(Bitmap& page) {
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) page.setPixel(x, y, makeColorRef(x * 2, y * 3, 128));
    Canvas canvas(page);
    canvas.fillRegion(Region::rectangle(20, 10, 60, 40), makeColorRef(220, 30, 30));
    canvas.drawLine(0, 70, 120, 70, Pen{4, false, makeColorRef(0, 0, 200)});
}

double meanError(const Bitmap& page, const Decoded& d) {
    double sum = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const ColorRef c = page.pixel(x, y);
            const uint8_t* s = &d.samples[(static_cast<size_t>(y) * d.width + x) * 3];
            sum += std::abs(s[0] - int(redOf(c))) + std::abs(s[1] - int(greenOf(c))) + std::abs(s[2] - int(blueOf(c)));
        }
    return sum / (3.0 * d.width * d.height);
}

off_t fileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

TEST(JpegWriter, DecodesToTheSourceWithinTheUsualQualityLoss) {
    TempFolder dir;
    Bitmap page(120, 80);
    drawTestPage(page);
    ASSERT_TRUE(writeJpeg(page, dir / "q90.jpg", 90, false));
    ASSERT_TRUE(writeJpeg(page, dir / "q10.jpg", 10, false));
    ASSERT_TRUE(writeJpeg(page, dir / "default.jpg", 0, false));  // outside 1..100: default
    const Decoded high = decode(dir / "q90.jpg");
    ASSERT_EQ(high.width, 120);
    ASSERT_EQ(high.height, 80);
    ASSERT_EQ(high.components, 3);
    EXPECT_LT(meanError(page, high), 3.0);
    const Decoded low = decode(dir / "q10.jpg");
    EXPECT_LT(meanError(page, low), 12.0);
    EXPECT_GT(meanError(page, low), meanError(page, high));
    EXPECT_LT(fileSize(dir / "q10.jpg"), fileSize(dir / "default.jpg"));
    EXPECT_LT(fileSize(dir / "default.jpg"), fileSize(dir / "q90.jpg"));
    // The encoder's default is quality 75.
    ASSERT_TRUE(writeJpeg(page, dir / "q75.jpg", 75, false));
    EXPECT_EQ(fileSize(dir / "q75.jpg"), fileSize(dir / "default.jpg"));
}

TEST(JpegWriter, GrayscaleGivesOneComponentOfTheLuminance) {
    TempFolder dir;
    Bitmap page(64, 32);
    Canvas(page).fillRegion(Region::rectangle(0, 0, 32, 32), makeColorRef(255, 0, 0));
    ASSERT_TRUE(writeJpeg(page, dir / "g.jpg", 95, true));
    const Decoded d = decode(dir / "g.jpg");
    ASSERT_EQ(d.components, 1);
    EXPECT_NEAR(d.samples[16 * 64 + 8], 76, 3);    // red: 0.299 * 255
    EXPECT_NEAR(d.samples[16 * 64 + 56], 255, 3);  // white
}

TEST(JpegWriter, FailuresAreReportedAndLeaveNoFile) {
    TempFolder dir;
    Bitmap page(8, 8);
    ErrorCapture errors;
    EXPECT_FALSE(writeJpeg(page, dir / "missing/a.jpg", 75, false));
    EXPECT_EQ(errors.messages(),
              (std::vector<std::string>{"Couldn't create JPEG file '" + dir / "missing/a.jpg" + "': No such file or directory"}));
    Bitmap none(0, 8);
    errors.clear();
    EXPECT_FALSE(writeJpeg(none, dir / "none.jpg", 75, false));
    EXPECT_FALSE(isRegularFile(dir / "none.jpg"));
    EXPECT_EQ(errors.messages().back(), "No bitmap to write as JPEG file '" + dir / "none.jpg" + "'");
    struct stat st;
    if (::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode)) {
        errors.clear();
        EXPECT_FALSE(writeJpeg(page, "/dev/full", 75, false));
        EXPECT_EQ(errors.messages().size(), 1u);
    }
}

}  // namespace
}  // namespace qm
