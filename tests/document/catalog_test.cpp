#include "document/pdf_catalog.h"

#include <gtest/gtest.h>

#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {
namespace {

std::unique_ptr<PdfDocument> openBytes(const std::string& bytes) {
    return std::make_unique<PdfDocument>(memoryFileData(bytes), PdfString("test.pdf"), nullptr, nullptr);
}

// A catalog (object 1) over a Pages root (object 2) with the given entries; the caller adds
// the kids from object 3 on.
struct Tree {
    PdfBuilder b;
    explicit Tree(const std::string& catalogExtra = "") { b.object("<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>"); }
    void root(const std::string& entries) { b.object("<< /Type /Pages " + entries + " >>", 2); }
    std::unique_ptr<PdfDocument> open() { return openBytes(b.finish("/Root 1 0 R")); }
};

void expectBox(const PdfRect& r, double x1, double y1, double x2, double y2) {
    EXPECT_EQ(r.x1, x1);
    EXPECT_EQ(r.y1, y1);
    EXPECT_EQ(r.x2, x2);
    EXPECT_EQ(r.y2, y2);
}

TEST(PdfCatalog, WrongCountGrowsTheListAndIsReported) {
    Tree t;
    std::string kids;
    for (int i = 0; i < 40; ++i) kids += std::to_string(3 + i) + " 0 R ";
    t.root("/Count 10 /Kids [" + kids + "]");
    for (int i = 0; i < 40; ++i) t.b.object("<< /Type /Page /Parent 2 0 R >>", 3 + i);
    ErrorCapture capture;
    auto doc = t.open();
    ASSERT_TRUE(doc->isOk());
    EXPECT_EQ(doc->pageCount(), 40);
    EXPECT_EQ(capture.messages(), std::vector<std::string>{"Page count in top-level pages object is incorrect"});
    PdfCatalog* cat = doc->catalog();
    EXPECT_EQ(cat->pageRef(40).num, 42);
    EXPECT_EQ(cat->findPage(42, 0), 40);
    EXPECT_EQ(cat->findPage(42, 1), 0);
    EXPECT_EQ(cat->page(0), nullptr);
    EXPECT_EQ(cat->page(41), nullptr);
    EXPECT_EQ(cat->pageRef(41).num, -1);
}

TEST(PdfCatalog, BoxesRotationAndResourcesAreInheritedCropBoxIsNot) {
    Tree t;
    t.root("/Count 4 /Kids [3 0 R 4 0 R 5 0 R 6 0 R] /MediaBox [0 0 595 842] /Rotate -90 "
           "/Resources << /Font << >> >>");
    // Inherits everything.
    t.b.object("<< /Type /Page /Parent 2 0 R /Contents 9 0 R >>", 3);
    // Own crop box that cuts off a lot; rotate 450; a three-number MediaBox is ignored.
    t.b.object("<< /Type /Page /MediaBox [0 0 600] /CropBox [100 100 495 742] /Rotate 450 /TrimBox [1 2 3 4] >>", 4);
    // An intermediate node with its own CropBox: its kid has none.
    t.b.object("<< /Type /Pages /Kids [7 0 R] /CropBox [10 10 20 20] /Rotate 90.0 >>", 5);
    t.b.object("<< /Type /Page /MediaBox [0 0 600 800] /CropBox [1 1 599 799] /Resources 8 0 R >>", 6);
    t.b.object("<< /Type /Page /Annots [] >>", 7);
    t.b.object("<< /ProcSet [/PDF] >>", 8);
    ErrorCapture capture;
    auto doc = t.open();
    ASSERT_TRUE(doc->isOk());
    ASSERT_EQ(doc->pageCount(), 4);
    EXPECT_TRUE(capture.messages().empty());
    PdfCatalog* cat = doc->catalog();

    const PdfPage* p1 = cat->page(1);
    expectBox(p1->mediaBox(), 0, 0, 595, 842);
    expectBox(p1->cropBox(), 0, 0, 595, 842);
    expectBox(p1->pageBox(), 0, 0, 595, 842);
    expectBox(p1->artBox(), 0, 0, 595, 842);
    EXPECT_FALSE(p1->hasCropBox());
    EXPECT_FALSE(p1->cropLimitsDrawing());
    EXPECT_EQ(p1->rotate(), 270);
    ASSERT_NE(p1->resources(), nullptr);
    EXPECT_NE(p1->resources()->find("Font"), nullptr);
    EXPECT_TRUE(p1->contents().isRef());
    EXPECT_TRUE(p1->annots().isNull());

    const PdfPage* p2 = cat->page(2);
    expectBox(p2->mediaBox(), 0, 0, 595, 842);
    EXPECT_TRUE(p2->hasCropBox());
    EXPECT_TRUE(p2->cropLimitsDrawing());
    expectBox(p2->pageBox(), 100, 100, 495, 742);
    expectBox(p2->bleedBox(), 100, 100, 495, 742);
    expectBox(p2->trimBox(), 1, 2, 3, 4);
    EXPECT_EQ(p2->rotate(), 90);

    const PdfPage* p3 = cat->page(3);
    EXPECT_FALSE(p3->hasCropBox());
    expectBox(p3->cropBox(), 0, 0, 595, 842);
    EXPECT_EQ(p3->rotate(), 270);  // a real Rotate is ignored
    EXPECT_TRUE(p3->annots().isArray());

    // Small margins: the crop box exists but does not limit drawing.
    const PdfPage* p4 = cat->page(4);
    EXPECT_TRUE(p4->hasCropBox());
    EXPECT_FALSE(p4->cropLimitsDrawing());
    expectBox(p4->pageBox(), 0, 0, 600, 800);
    ASSERT_NE(p4->resources(), nullptr);
    EXPECT_NE(p4->resources()->find("ProcSet"), nullptr);
}

TEST(PdfCatalog, CatalogEntriesAreKept) {
    Tree t("/Dests 5 0 R /Names << /Dests 6 0 R >> /URI << /Base (http://example.org/) >> /Metadata 7 0 R "
           "/StructTreeRoot << /Type /StructTreeRoot >>");
    t.root("/Count 1 /Kids [3 0 R]");
    t.b.object("<< /Type /Page >>", 3);
    t.b.object("<< /a [3 0 R /Fit] >>", 5);
    t.b.object("<< /Names [] >>", 6);
    t.b.stream("/Type /Metadata", "<x/>", 7);
    auto doc = t.open();
    ASSERT_TRUE(doc->isOk());
    PdfCatalog* cat = doc->catalog();
    EXPECT_TRUE(cat->dests().isDict());
    EXPECT_TRUE(cat->nameTreeDests().isDict());
    ASSERT_NE(cat->baseUri(), nullptr);
    EXPECT_EQ(*cat->baseUri(), "http://example.org/");
    EXPECT_TRUE(cat->metadata().isStream());
    EXPECT_TRUE(cat->structTreeRoot().isDict("StructTreeRoot"));
}

TEST(PdfCatalog, BrokenTreesFailWithTheirMessages) {
    struct Case {
        std::string catalog;
        std::string root;
        std::string kid;
        const char* message;
    } cases[] = {
        {"<< /Type /Catalog /Pages 2 0 R >>", "[1 2]", "", "Top-level pages object is wrong type (array)"},
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Kids [3 0 R] >>", "<< /Type /Page >>",
         "Page count in top-level pages object is wrong type (null)"},
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Count 1 /Kids 5 >>", "", "Kids object (page 1) is wrong type (integer)"},
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Count 1 /Kids [3 0 R] >>", "(text)",
         "Kid object (page 1) is wrong type (string)"},
        // A leaf without Type is read as an intermediate node, which has no Kids.
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Count 1 /Kids [3 0 R] >>", "<< /Contents 4 0 R >>",
         "Kids object (page 1) is wrong type (null)"},
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Count 1 /Kids [3 0 R] >>", "<< /Type /Page /Annots 5 >>",
         "Page annotations object (page 1) is wrong type (integer)"},
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Count 1 /Kids [3 0 R] >>", "<< /Type /Page /Contents /X >>",
         "Page contents object (page 1) is wrong type (name)"},
        {"(not a catalog)", "", "", "Catalog object is wrong type (string)"},
    };
    for (const auto& c : cases) {
        PdfBuilder b;
        b.object(c.catalog, 1);
        if (!c.root.empty()) b.object(c.root, 2);
        if (!c.kid.empty()) b.object(c.kid, 3);
        ErrorCapture capture;
        auto doc = openBytes(b.finish("/Root 1 0 R"));
        EXPECT_FALSE(doc->isOk()) << c.message;
        EXPECT_EQ(doc->pageCount(), 0);
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{c.message, "Couldn't read page catalog"}));
    }
}

TEST(PdfCatalog, LoopsAndAbsurdCountsAreGuarded) {
    {
        // A node lists its own ancestor (and the root) among its kids.
        Tree t;
        t.root("/Count 3 /Kids [3 0 R 4 0 R]");
        t.b.object("<< /Type /Page >>", 3);
        t.b.object("<< /Type /Pages /Kids [5 0 R 2 0 R 4 0 R] >>", 4);
        t.b.object("<< /Type /Page >>", 5);
        ErrorCapture capture;
        auto doc = t.open();
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->pageCount(), 2);
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Page tree node 2 0 (page 3) is reached twice; skipped",
                                                                "Page tree node 4 0 (page 3) is reached twice; skipped",
                                                                "Page count in top-level pages object is incorrect"}));
    }
    {
        Tree t;
        t.root("/Count 2147483647 /Kids [3 0 R]");
        t.b.object("<< /Type /Page >>", 3);
        auto doc = t.open();
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->pageCount(), 1);
    }
    {
        // A chain of nodes deeper than any real tree.
        Tree t;
        t.root("/Count 1 /Kids [3 0 R]");
        for (int i = 0; i < 300; ++i) t.b.object("<< /Type /Pages /Kids [" + std::to_string(4 + i) + " 0 R] >>", 3 + i);
        t.b.object("<< /Type /Page >>", 303);
        ErrorCapture capture;
        auto doc = t.open();
        ASSERT_TRUE(doc->isOk());
        EXPECT_EQ(doc->pageCount(), 0);
        EXPECT_EQ(capture.messages(), (std::vector<std::string>{"Page tree too deep (page 1); node skipped",
                                                                "Page count in top-level pages object is incorrect"}));
    }
}

}  // namespace
}  // namespace qm::test
