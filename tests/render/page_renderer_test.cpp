#include "render/page_renderer.h"

#include <gtest/gtest.h>

#include "core/report_error.h"
#include "platform/canvas/packed_dib.h"
#include "platform/canvas/dib.h"
#include "render_test_support.h"

namespace qm::test {
namespace {

RenderSettings settings;

using namespace std::string_literals;

bool hasMessage(const ErrorCapture& capture, const std::string& text) {
    for (const auto& m : capture.messages())
        if (m.find(text) != std::string::npos) return true;
    return false;
}

TEST(PageRenderer, BlankPageIsWhiteAtItsSizeAndPacksBottomUp) {
    auto doc = onePage("", "", {}, "", 612, 792);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    ASSERT_NE(r->bitmap(), nullptr);
    EXPECT_EQ(r->bitmap()->width(), 612);
    EXPECT_EQ(r->bitmap()->height(), 792);
    for (int y = 0; y < 792; y += 37)
        for (int x = 0; x < 612; x += 41) ASSERT_EQ(r->bitmap()->pixel(x, y), kWhite);
    uint8_t* block = r->packedPage();
    ASSERT_NE(block, nullptr);
    auto view = DibView::fromPacked(block, packedDibSize(block));
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->width(), 612);
    EXPECT_EQ(view->bitCount(), 24);
    freePackedDib(block);
    // At 100 dpi a 612-point page is 850 pixels wide.
    drawOne(*doc, 100, r);
    EXPECT_EQ(r->pageWidth(), 850);
    EXPECT_EQ(r->pageHeight(), 1100);
}

TEST(PageRenderer, RectangleFillGivesOnePolygonAndItsOutline) {
    auto doc = onePage("1 0 0 rg 10 10 50 30 re f");
    PageObjectPtr page = recordOne(*doc, 72);
    ASSERT_EQ(countItems(*page, QM_ITEM_POLYGON), 1);
    EXPECT_EQ(countItems(*page, QM_ITEM_LINE), 4);
    for (int32_t i = 0; i < page->itemCount; ++i) {
        const PageItem& item = page->items[i];
        if (item.kind == QM_ITEM_POLYGON) {
            EXPECT_EQ(item.record.polygon->colour, 0x0000FFu);
            EXPECT_EQ(item.record.polygon->fillMode, QM_FILL_WINDING);
            EXPECT_EQ(item.record.polygon->points[0].x, 10);
            EXPECT_EQ(item.record.polygon->points[0].y, 90);  // y grows downwards
        } else if (item.kind == QM_ITEM_LINE) {
            EXPECT_EQ(item.record.line->colour, 0x0000FFu);
            EXPECT_EQ(item.record.line->penWidth, 1);
        }
    }
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(30, 80), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(5, 80), kWhite);
}

TEST(PageRenderer, NestedSubpathsKeepTheirHolesInFillsAndClips) {
    // An outer square with an inner one running the same way: even-odd leaves a hole, and
    // so does a nonzero fill of an inner square running the other way.
    const char* square = "10 10 m 90 10 l 90 90 l 10 90 l h 30 30 m 70 30 l 70 70 l 30 70 l h";
    const char* reversed = "10 10 m 90 10 l 90 90 l 10 90 l h 30 30 m 30 70 l 70 70 l 70 30 l h";
    for (const std::string& content : {std::string(square) + " f*", std::string(reversed) + " f",
                                       std::string(square) + " W* n 0 0 200 100 re f"}) {
        auto doc = onePage(content);
        std::unique_ptr<ConversionRenderer> r;
        drawOne(*doc, 72, r);
        SCOPED_TRACE(content);
        EXPECT_EQ(r->bitmap()->pixel(20, 50), kBlack);
        EXPECT_EQ(r->bitmap()->pixel(50, 50), kWhite);  // the hole
        EXPECT_EQ(r->bitmap()->pixel(150, 50), kWhite);
    }
    // The same square with nonzero winding fills the hole.
    auto doc = onePage(std::string(square) + " f");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kBlack);
}

TEST(PageRenderer, StrokesUseWidthColourAndDashes) {
    auto doc = onePage("0 0 1 RG 4 w 10 50 m 190 50 l S [3 2] 0 d 10 20 m 190 20 l S");
    PageObjectPtr page = recordOne(*doc, 72);
    std::vector<const LineItem*> lines;
    for (int32_t i = 0; i < page->itemCount; ++i)
        if (page->items[i].kind == QM_ITEM_LINE) lines.push_back(page->items[i].record.line);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]->penStyle, QM_PEN_SOLID);
    EXPECT_EQ(lines[1]->penStyle, QM_PEN_DASHED);
    EXPECT_EQ(lines[0]->penWidth, 4);
    EXPECT_EQ(lines[0]->colour, 0xFF0000u);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(0, 0, 255));
    // A dashed line has gaps along it.
    int gaps = 0;
    for (int x = 12; x < 188; ++x) gaps += r->bitmap()->pixel(x, 80) == kWhite;
    EXPECT_GT(gaps, 10);
    EXPECT_LT(gaps, 120);
}

TEST(PageRenderer, ClipsLimitFillsAndImagesAndAreRecorded) {
    auto doc = onePage("q 50 0 100 100 re W n 0 0 200 100 re f "
                       "q 200 0 0 100 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q Q 0 1 0 rg 0 0 10 10 re f");
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(10, 50), kWhite);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(128, 128, 128));  // the image over the fill
    EXPECT_EQ(r->bitmap()->pixel(180, 50), kWhite);
    EXPECT_EQ(r->bitmap()->pixel(5, 95), makeColorRef(0, 255, 0));  // after Q the clip is gone
    PageObjectPtr page = recordOne(*doc, 72);
    // Page start, the clip, and the restore of each q.
    EXPECT_EQ(countItems(*page, QM_ITEM_CLIP), 4);
    EXPECT_EQ(countItems(*page, QM_ITEM_IMAGE), 1);
}

// An image of the given samples (RGB, 8 bits) over a black page.
std::unique_ptr<ConversionRenderer> imageOverBlack(const std::string& samples, int width, const std::string& extra) {
    std::string content = "0 0 200 100 re f q 200 0 0 100 0 0 cm BI /W " + std::to_string(width) +
                          " /H 1 /CS /RGB /BPC 8 " + extra + " ID " + samples + " EI Q";
    auto doc = onePage(content);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    return r;
}

TEST(PageRenderer, WhiteImagePixelsCoverThePageAndKeyedPixelsDoNot) {
    auto r = imageOverBlack(std::string("\xFF\xFF\xFF\x10\x20\x30", 6), 2, "");
    EXPECT_EQ(r->bitmap()->pixel(50, 50), makeColorRef(255, 255, 250));
    EXPECT_EQ(r->bitmap()->pixel(150, 50), makeColorRef(0x10, 0x20, 0x30));
    // A colour-key range leaves its pixels out: the page shows through.
    r = imageOverBlack(std::string("\x10\x20\x30\x90\x90\x90", 6), 2, "/Mask [16 16 0 40 48 48]");
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), makeColorRef(0x90, 0x90, 0x90));
}

TEST(PageRenderer, ImageMasksPaintOnlyTheirMarkedPixels) {
    // Mask samples 0 paint; 1 leave the page.
    std::string content = "1 0 0 rg q 200 0 0 100 0 0 cm BI /W 2 /H 1 /IM true ID \x40 EI Q";
    auto doc = onePage(content);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(50, 50), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(150, 50), kWhite);
    // Decode [1 0] turns it round; a white mask paints near-white so it still shows.
    doc = onePage("0 0 200 100 re f 1 g q 200 0 0 100 0 0 cm BI /W 2 /H 1 /IM true /D [1 0] ID \x40 EI Q");
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(50, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(150, 50), 0xF0FFFFu);
}

TEST(PageRenderer, TurnedImagesFollowTheTransform) {
    // Two pixels, red then blue, turned by 90 degrees: red ends at the bottom.
    auto doc = onePage("q 0 100 -100 0 150 0 cm BI /W 2 /H 1 /CS /RGB /BPC 8 ID \xFF\x00\x00\x00\x00\xFF EI Q"s);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 90), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(100, 10), makeColorRef(0, 0, 255));
    // Skewed by 45 degrees: corners outside the image stay white.
    doc = onePage("q 50 50 -50 50 100 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x00 EI Q"s);
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), kBlack);
    EXPECT_EQ(r->bitmap()->pixel(52, 2), kWhite);
}

TEST(PageRenderer, SingularImageIsSkippedWithItsMessageAndTheContentGoesOn) {
    auto doc = onePage("q 100 0 0 0 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x00 EI Q 0 0 10 10 re f"s);
    ErrorCapture capture;
    PageObjectPtr page = recordOne(*doc, 72);
    EXPECT_TRUE(hasMessage(capture, "Singular CTM in drawImage"));
    EXPECT_EQ(countItems(*page, QM_ITEM_IMAGE), 0);
    EXPECT_EQ(countItems(*page, QM_ITEM_POLYGON), 1);  // the data was consumed up to EI
}

TEST(PageRenderer, LinksAreOutlinedAndRecordedWithTheirTargets) {
    auto doc = onePage("", "", {"<< /S /URI /URI (http://example.com/) >>"},
                       "/Annots [<< /Subtype /Link /Rect [10 10 60 40] /Border [0 0 2] /Dest [7 0 R /Fit] >> "
                       "<< /Subtype /Link /Rect [100 80 120 90] /Border [0 0 0] /A 5 0 R >> "
                       "<< /Subtype /Link /Rect [0 0 5 5] /A << /S /Launch /F (run.sh) >> >>]",
                       200, 100, 3);
    std::unique_ptr<ConversionRenderer> r;
    PageObjectPtr page = recordOne(*doc, 72, &r);
    ASSERT_EQ(r->links().size(), 3u);
    EXPECT_EQ(r->links()[0].target, "actionGoTo:3");
    EXPECT_EQ(r->links()[0].left, 10);
    EXPECT_EQ(r->links()[0].right, 60);
    EXPECT_EQ(r->links()[0].top, 60);
    EXPECT_EQ(r->links()[0].bottom, 90);
    EXPECT_EQ(r->links()[1].target, "actionURI:http://example.com/");
    EXPECT_EQ(r->links()[2].target, "actionLaunch:run.sh");
    // Only the bordered link is outlined: four edges of width 2.
    ASSERT_EQ(countItems(*page, QM_ITEM_LINE), 4);
    HtmlLinkListPtr list = newHtmlLinkList();
    r->copyLinks(*list);
    ASSERT_EQ(list->count, 3);
    EXPECT_STREQ(list->links[0].target, "actionGoTo:3");
    // Drawing again starts a fresh list.
    r->drawPage(1, 72);
    EXPECT_EQ(r->links().size(), 3u);
}

const char* kFont = "/Font << /F1 5 0 R >>";
const char* kHelvetica = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>";

TEST(PageRenderer, TextIsRecordedOneItemPerCharacter) {
    auto doc = onePage("BT /F1 20 Tf 10 50 Td 0 0 1 rg (Hi) Tj ET", kFont, {kHelvetica});
    PageObjectPtr page = recordOne(*doc, 72);
    ASSERT_EQ(countItems(*page, QM_ITEM_TEXT), 2);
    const TextItem* h = nullptr;
    for (int32_t i = 0; i < page->itemCount && !h; ++i)
        if (page->items[i].kind == QM_ITEM_TEXT) h = page->items[i].record.text;
    EXPECT_EQ(h->x, 10);
    EXPECT_EQ(h->y, 50);
    EXPECT_EQ(h->count, 1);
    EXPECT_EQ(h->text[0], 'H');
    EXPECT_STREQ(h->face, "Helvetica");
    EXPECT_EQ(h->height, 20);
    EXPECT_EQ(h->advance, 14);  // 0.722 em
    EXPECT_EQ(h->orientation, 0);
    EXPECT_EQ(h->colour, 0xFF0000u);
    // Drawn: dark pixels near the baseline.
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    int blue = 0;
    for (int y = 30; y < 52; ++y)
        for (int x = 8; x < 40; ++x) blue += r->bitmap()->pixel(x, y) != kWhite;
    EXPECT_GT(blue, 30);
}

TEST(PageRenderer, InvisibleTextDrawsNothingAndClippedTextStaysInside) {
    // Recorded, it is the selectable text layer of a scan: there, and fully transparent.
    auto doc = onePage("BT /F1 40 Tf 3 Tr 10 30 Td (WWW) Tj ET", kFont, {kHelvetica});
    PageObjectPtr recorded = recordOne(*doc, 72);
    ASSERT_EQ(countItems(*recorded, QM_ITEM_TEXT), 3);
    for (int32_t i = 0; i < recorded->itemCount; ++i) {
        if (recorded->items[i].kind == QM_ITEM_TEXT) {
            EXPECT_EQ(colourOpacity(recorded->items[i].record.text->colour), 0);
        }
    }
    {
        std::unique_ptr<ConversionRenderer> drawn;
        drawOne(*doc, 72, drawn);
        int dark = 0;
        for (int y = 0; y < drawn->bitmap()->height(); ++y)
            for (int x = 0; x < drawn->bitmap()->width(); ++x) dark += drawn->bitmap()->pixel(x, y) != kWhite;
        EXPECT_EQ(dark, 0);
    }
    doc = onePage("0 0 40 100 re W n BT /F1 40 Tf 10 30 Td (WWWW) Tj ET", kFont, {kHelvetica});
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    int inside = 0, outside = 0;
    for (int y = 30; y < 75; ++y) {
        for (int x = 10; x < 40; ++x) inside += r->bitmap()->pixel(x, y) != kWhite;
        for (int x = 40; x < 120; ++x) outside += r->bitmap()->pixel(x, y) != kWhite;
    }
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0);
}

TEST(PageRenderer, FullyTransparentMarksLeaveThePageAsItWas) {
    // A red page, then a white sheet, a stroke, an image, a mask and text all at opacity 0;
    // after Q the opacity is 1 again and a blue square shows.
    const std::string resources = std::string("/ExtGState << /Clear << /ca 0 /CA 0 >> /Half << /ca 0.5 >> >> ") + kFont;
    auto doc = onePage("1 0 0 rg 0 0 200 100 re f q /Clear gs 1 g 0 0 200 100 re f 0 G 10 w 0 50 m 200 50 l S "
                       "q 200 0 0 100 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q "
                       "q 200 0 0 100 0 0 cm BI /W 1 /H 1 /IM true /D [1 0] ID \xFF EI Q "
                       "BT /F1 40 Tf 10 30 Td (WWW) Tj ET Q 0 0 1 rg 0 0 10 10 re f",
                       resources, {kHelvetica});
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    for (int y = 0; y < 90; y += 7)
        for (int x = 0; x < 200; x += 9) ASSERT_EQ(r->bitmap()->pixel(x, y), makeColorRef(255, 0, 0)) << x << "," << y;
    EXPECT_EQ(r->bitmap()->pixel(5, 95), makeColorRef(0, 0, 255));
    EXPECT_EQ(countItems(*recordOne(*doc, 72), QM_ITEM_TEXT), 0);
    // A half-transparent mark is drawn, blended with the page.
    doc = onePage("1 0 0 rg 0 0 200 100 re f /Half gs 0 0 1 rg 0 0 200 100 re f", resources, {kHelvetica});
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(127, 0, 128));
}

TEST(PageRenderer, ASoftMaskHidesWhatItCoversUntilNoneOrRestore) {
    // A black fade, a stroke and an image laid over a red page under a luminosity mask whose
    // group draws nothing on its black backdrop: the mask is 0 everywhere and hides all three.
    // /SMask /None ends it, and Q brings back the state without a mask.
    const std::string resources =
        "/ExtGState << /Fade << /SMask << /S /Luminosity /G 5 0 R >> >> /NoMask << /SMask /None >> >>";
    const std::vector<std::string> group = {"<< /Type /XObject /Subtype /Form /BBox [0 0 200 100] /Length 0 >>\nstream\n\nendstream"};
    auto doc = onePage("1 0 0 rg 0 0 200 100 re f q /Fade gs 0 g 0 0 200 100 re f 0 G 5 w 0 50 m 200 50 l S "
                       "q 50 0 0 50 0 0 cm BI /W 1 /H 1 /CS /G /BPC 8 ID \x80 EI Q "
                       "/NoMask gs 0 0 1 rg 150 0 50 50 re f Q 0 1 0 rg 0 90 10 10 re f",
                       resources, group);
    std::unique_ptr<ConversionRenderer> r;
    drawOne(*doc, 72, r);
    EXPECT_EQ(r->bitmap()->pixel(100, 20), makeColorRef(255, 0, 0));  // no fade, no stroke
    EXPECT_EQ(r->bitmap()->pixel(100, 50), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(25, 75), makeColorRef(255, 0, 0));   // nor the image
    EXPECT_EQ(r->bitmap()->pixel(175, 75), makeColorRef(0, 0, 255));  // after /SMask /None
    EXPECT_EQ(r->bitmap()->pixel(5, 5), makeColorRef(0, 255, 0));      // after Q
    // Recorded, the masked marks would be pictures, but the mask leaves nothing of them.
    PageObjectPtr recorded = recordOne(*doc, 72);
    EXPECT_EQ(countItems(*recorded, QM_ITEM_IMAGE), 0);
    EXPECT_EQ(countItems(*recorded, QM_ITEM_POLYGON), 3);
}

TEST(PageRenderer, APageTooLargeForABitmapIsDrawnSmallerNotDropped) {
    // 40,000 points tall: 40,000 pixels at 72 dpi, more than a bitmap side may be.
    auto doc = onePage("1 0 0 rg 0 0 100 20000 re f", "", {}, "", 100, 40000);
    std::unique_ptr<ConversionRenderer> r = std::make_unique<ConversionRenderer>(*doc);
    ErrorCapture capture;
    ASSERT_TRUE(r->drawPage(1, 72));
    EXPECT_EQ(r->lastDpi(), 58);
    EXPECT_TRUE(hasMessage(capture, "Page 1 is too large to draw at 72 dpi; it is drawn at 58 dpi"));
    ASSERT_NE(r->bitmap(), nullptr);
    ASSERT_TRUE(r->bitmap()->isOk());
    EXPECT_EQ(r->bitmap()->height(), 32222);
    EXPECT_EQ(r->bitmap()->pixel(40, 32000), makeColorRef(255, 0, 0));  // the lower half is red
    EXPECT_EQ(r->bitmap()->pixel(40, 100), kWhite);
    // A page that fits is drawn at the resolution asked for.
    ASSERT_TRUE(r->drawPage(1, 20));
    EXPECT_EQ(r->lastDpi(), 20);
}

TEST(PageRenderer, APageOfABillionPointsIsDrawnBelowOneDotPerInch) {
    // Not even 1 dpi fits: the page still gets a picture at the largest resolution that does,
    // and says so. (A billion points wide, two million tall: the widest bitmap, not the largest.)
    auto doc = onePage("1 0 0 rg 0 0 500000000 2000000 re f", "", {}, "", 1000000000, 2000000);
    auto r = std::make_unique<ConversionRenderer>(*doc);
    ErrorCapture capture;
    ASSERT_TRUE(r->drawPage(1, 100));
    EXPECT_GT(r->lastDpi(), 0.00235);
    EXPECT_LT(r->lastDpi(), 0.00236);
    EXPECT_TRUE(hasMessage(capture, "Page 1 is too large to draw at 100 dpi; it is drawn at 0.00236 dpi"));
    ASSERT_NE(r->bitmap(), nullptr);
    ASSERT_TRUE(r->bitmap()->isOk());
    const int w = r->bitmap()->width(), h = r->bitmap()->height();
    EXPECT_GE(w, 32700);
    EXPECT_EQ(h, 66);
    EXPECT_EQ(r->bitmap()->pixel(w / 4, h / 2), makeColorRef(255, 0, 0));
    EXPECT_EQ(r->bitmap()->pixel(3 * w / 4, h / 2), kWhite);
}

TEST(PageRenderer, RotatedAndStyledNamesReachTheRecord) {
    auto doc = onePage("BT /F1 12 Tf 0 1 -1 0 100 20 Tm (A) Tj ET", kFont,
                       {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Arial,BoldItalic >>"});
    PageObjectPtr page = recordOne(*doc, 72);
    ASSERT_EQ(countItems(*page, QM_ITEM_TEXT), 1);
    const TextItem* t = nullptr;
    for (int32_t i = 0; i < page->itemCount; ++i)
        if (page->items[i].kind == QM_ITEM_TEXT) t = page->items[i].record.text;
    EXPECT_STREQ(t->face, "Arial");
    EXPECT_EQ(t->bold, 1);
    EXPECT_EQ(t->italic, 1);
    EXPECT_EQ(t->orientation, 900);
}

TEST(PageRenderer, TwoRenderersKeepTheirOwnPages) {
    auto a = onePage("1 0 0 rg 0 0 200 100 re f");
    auto b = onePage("0 0 1 rg 0 0 300 300 re f", "", {}, "", 300, 300);
    ConversionRenderer ra(*a), rb(*b);
    PageObjectPtr recorded = newPageObject();
    rb.setDisplayList(recorded.get());
    ra.drawPage(1, 72);
    rb.drawPage(1, 72);
    EXPECT_EQ(ra.bitmap()->pixel(5, 5), makeColorRef(255, 0, 0));
    EXPECT_EQ(ra.bitmap()->width(), 200);
    EXPECT_EQ(countItems(*recorded, QM_ITEM_POLYGON), 1);
    EXPECT_EQ(rb.pageWidth(), 300);
    rb.setDisplayList(nullptr);
    EXPECT_FALSE(ra.drawPage(2, 72));
    EXPECT_FALSE(ra.drawPage(1, 0));
}

TEST(PageRenderer, ColourConversionTruncatesSixteenBitComponents) {
    const double mid[3] = {0.5, 1.0, 0.0};
    EXPECT_EQ(PageRenderer::toColorRef(mid), makeColorRef(127, 255, 0));
    const double wild[3] = {-1, 7, 0.999};
    EXPECT_EQ(PageRenderer::toColorRef(wild), makeColorRef(0, 255, 255));
}

}  // namespace
}  // namespace qm::test
