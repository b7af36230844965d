// Partly transparent marks through the document functions: a recorded page replayed onto a
// canvas gives the pixels the page bitmap has, records made elsewhere stay opaque where their
// fields are 0, and bad opacity data in a record is not trusted.
#include <gtest/gtest.h>

#include "../platform/temp_folder.h"
#include "render/replay.h"
#include "convert_test_support.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/packed_dib.h"
#include "support/colour_match.h"
#include "support/pdf_builder.h"

namespace qm {
namespace {

using namespace std::string_literals;
using test::nearColour;

std::string corpus(const char* name) { return std::string(QM_TEST_DATA_DIR) + "/corpus/" + name; }

// A 200 x 100 point page with `content` and the graphics states /Half (0.5 both), /Quarter
// (fill 0.25) and /Stroke (stroke 0.5).
std::string pageWith(const std::string& content) {
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R /Resources << /ExtGState << "
             "/Half << /ca 0.5 /CA 0.5 >> /Quarter << /ca 0.25 >> /Stroke << /CA 0.5 >> >> >> >>");
    b.stream("", content);
    return b.finish("/Root 1 0 R");
}

// The page drawn straight into a bitmap and the page recorded and replayed, side by side.
struct BothWays {
    std::unique_ptr<Bitmap> replayed;
    std::vector<uint8_t> drawn;  // packed bitmap block
    std::optional<DibView> drawnView;
};

BothWays drawBothWays(const std::string& pdfPath, int zoom, int page = 1) {
    BothWays out;
    PdfHandle* pdf = PDF_Open(pdfPath.c_str(), nullptr, nullptr, zoom);
    EXPECT_NE(pdf, nullptr);
    if (!pdf) return out;
    if (void* block = PDF_GetPageBmp(pdf, page)) {
        const uint8_t* bytes = static_cast<const uint8_t*>(block);
        out.drawn.assign(bytes, bytes + packedDibSize(bytes));
        PDF_DestroyPageBmp(block);
        out.drawnView = DibView::fromPacked(out.drawn.data(), out.drawn.size());
    }
    if (PageObject* recorded = PDF_GetPageObject(pdf, page)) {
        out.replayed = std::make_unique<Bitmap>(recorded->width, recorded->height);
        Canvas canvas(*out.replayed);
        replayDisplayList(canvas, *recorded);
        PDF_DestroyPageObject(recorded);
    }
    PDF_Close(pdf);
    return out;
}


TEST(OpacityReplay, RecordedHalfMarksReplayAsTheBitmapDrawsThem) {
    test::TempFolder folder;
    const std::string path = folder / "half.pdf";
    // Over a red page: a blue half fill, a bent half stroke, a half image with a soft edge
    // (soft mask 0, 128, 255), a half image mask, and two quarter fills over each other.
    test::writeFileText(path, pageWith(
        "1 0 0 rg 0 0 200 100 re f "
        "q /Half gs 0 0 1 rg 10 60 30 30 re f 0 G 6 w 50 60 m 90 60 l 90 90 l S Q "
        "q /Half gs 60 0 0 30 100 60 cm BI /W 3 /H 1 /CS /G /BPC 8 ID \x00\x00\x00 EI Q "s
        "q /Half gs 0 0 1 rg 30 0 0 30 10 10 cm BI /W 1 /H 1 /IM true /D [1 0] ID \xFF EI Q "s
        "q /Quarter gs 0 1 0 rg 50 10 40 30 re f 60 10 40 30 re f Q "
        "q /Stroke gs 0 0 1 RG 4 w [6 3] 0 d 110 20 m 190 20 l S Q"));
    BothWays both = drawBothWays(path, 72);
    ASSERT_TRUE(both.drawnView.has_value());
    ASSERT_NE(both.replayed, nullptr);
    const DibView& drawn = *both.drawnView;
    ASSERT_EQ(drawn.width(), both.replayed->width());
    ASSERT_EQ(drawn.height(), both.replayed->height());
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            ASSERT_EQ(both.replayed->pixel(x, y), drawn.pixel(x, y)) << x << "," << y;
    EXPECT_TRUE(nearColour(drawn.pixel(25, 25), makeColorRef(127, 0, 128)));  // the fill
    EXPECT_TRUE(nearColour(drawn.pixel(70, 40), makeColorRef(127, 0, 0)));    // the stroke
    EXPECT_TRUE(nearColour(drawn.pixel(89, 39), makeColorRef(127, 0, 0)));    // its corner
    EXPECT_TRUE(nearColour(drawn.pixel(120, 25), makeColorRef(127, 0, 0)));   // the image
    EXPECT_TRUE(nearColour(drawn.pixel(25, 75), makeColorRef(127, 0, 128)));  // the mask
    EXPECT_TRUE(nearColour(drawn.pixel(55, 75), makeColorRef(191, 64, 0)));   // one quarter fill
    EXPECT_TRUE(nearColour(drawn.pixel(70, 75), makeColorRef(143, 112, 0)));  // two
}

TEST(OpacityReplay, SoftMaskFadesKeepTheirShadesWhenRecorded) {
    test::TempFolder folder;
    const std::string path = folder / "fade.pdf";
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 4 0 R "
             "/Resources << /XObject << /Im 5 0 R >> >> >>");
    b.stream("", "1 0 0 rg 0 0 200 100 re f q 200 0 0 100 0 0 cm /Im Do Q");
    b.stream("/Type /XObject /Subtype /Image /Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8 "
             "/SMask 6 0 R",
             "\x00\x00\x00\x00"s);
    b.stream("/Type /XObject /Subtype /Image /Width 4 /Height 1 /ColorSpace /DeviceGray /BitsPerComponent 8",
             "\x20\x60\xA0\xE0"s);
    test::writeFileText(path, b.finish("/Root 1 0 R"));
    BothWays both = drawBothWays(path, 72);
    ASSERT_TRUE(both.drawnView.has_value());
    ASSERT_NE(both.replayed, nullptr);
    const unsigned shades[4] = {0xDF, 0x9F, 0x5F, 0x1F};  // red left by each opacity
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(nearColour(both.replayed->pixel(25 + 50 * i, 50), makeColorRef(shades[i], 0, 0))) << i;
        EXPECT_EQ(both.replayed->pixel(25 + 50 * i, 50), both.drawnView->pixel(25 + 50 * i, 50)) << i;
    }
}

TEST(OpacityReplay, TcpdfSquaresAndPhotoShowThroughEachOther) {
    BothWays both = drawBothWays(corpus("tcpdf-alpha-smask.pdf"), 100);
    ASSERT_TRUE(both.drawnView.has_value());
    ASSERT_NE(both.replayed, nullptr);
    // Red under half green; red, green and half blue; the photo under the half gradient;
    // half green alone; red alone.
    struct Spot {
        int x, y;
        ColorRef colour;
    } spots[] = {{265, 316, makeColorRef(128, 128, 0)},
                 {330, 330, makeColorRef(64, 64, 128)},
                 {250, 420, makeColorRef(128, 255, 128)},
                 {150, 250, makeColorRef(255, 0, 0)}};
    for (const Spot& s : spots) {
        EXPECT_TRUE(nearColour(both.drawnView->pixel(s.x, s.y), s.colour, 3)) << s.x << "," << s.y;
        EXPECT_TRUE(nearColour(both.replayed->pixel(s.x, s.y), s.colour, 3)) << s.x << "," << s.y;
    }
}

TEST(OpacityReplay, RecordsFromElsewhereAreOpaqueAndBadPlanesAreNotTrusted) {
    PageObjectPtr page = test::emptyPage(40, 10);
    QmPoint left[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    QmPoint middle[] = {{10, 0}, {20, 0}, {20, 10}, {10, 10}};
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(left, 4, QM_FILL_WINDING, 0xFF0000));
    appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(middle, 4, QM_FILL_WINDING, 0xFF0000));
    page->items[0].record.polygon->reserved1 = -40;   // below 0: opaque
    page->items[1].record.polygon->reserved1 = 4000;  // beyond 255: nothing shows
    // A 1 x 1 black image whose opacity plane is one byte short of a padded row.
    QmBitmapInfoHeader h{};
    h.size = 40;
    h.width = 1;
    h.height = 1;
    h.planes = 1;
    h.bitCount = 32;
    const uint8_t black[4] = {0, 0, 0, 0};
    const uint8_t plane[3] = {0, 0, 0};
    appendPageItem(*page, QM_ITEM_IMAGE, makeImageItem(h, nullptr, 0, 20, 0, 10, 10, black, 4, plane, 3));
    ASSERT_EQ(page->items[2].record.image->extra1Size, 3u);
    Bitmap bitmap(40, 10);
    Canvas canvas(bitmap);
    replayDisplayList(canvas, *page);
    EXPECT_EQ(bitmap.pixel(5, 5), makeColorRef(0, 0, 255));
    EXPECT_EQ(bitmap.pixel(15, 5), kWhite);
    EXPECT_EQ(bitmap.pixel(25, 5), kBlack);
    // Filtering the page keeps the plane with its image and frees the others' records.
    filterPageItems(*page, [](const PageItem& item) { return item.kind == QM_ITEM_IMAGE; });
    ASSERT_EQ(page->itemCount, 1);
    EXPECT_EQ(page->items[0].record.image->extra1[0], 0);
}

}  // namespace
}  // namespace qm
