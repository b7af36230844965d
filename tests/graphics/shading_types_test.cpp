#include <gtest/gtest.h>

#include <cmath>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "graphics/function_shading.h"
#include "graphics/graphics_test_support.h"
#include "graphics/mesh_shading.h"
#include "graphics/radial_shading.h"
#include "shading_test_support.h"

namespace qm {
namespace {

using test::PaintedShading;
using test::parseObject;
using test::streamObject;

std::unique_ptr<Shading> dictShading(const std::string& entries) {
    return parseShading(parseObject("<< " + entries + " >>"));
}

// Expects the painted colour at (x, y) to be `want` within two levels of 255.
void expectColor(const PaintedShading& p, double x, double y, const std::vector<double>& want) {
    auto got = p.colorAt(x, y);
    ASSERT_TRUE(got.has_value()) << "nothing painted at " << x << "," << y;
    ASSERT_EQ(got->size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR((*got)[i], want[i], 2.5 / 255) << "component " << i << " at " << x << "," << y;
}

void expectBlank(const PaintedShading& p, double x, double y) {
    EXPECT_FALSE(p.colorAt(x, y).has_value()) << "painted at " << x << "," << y;
}

const char* kRedToBlue = "<< /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >>";
const char* kBlackToWhite = "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >>";

TEST(RadialShading, NestedCirclesWithBothExtendsPaintDiscAndSurroundings) {
    auto sh = dictShading(std::string("/ShadingType 3 /ColorSpace /DeviceRGB /Coords [200 200 20 200 200 100] "
                                      "/Extend [true true] /Function ") + kRedToBlue);
    ASSERT_NE(sh, nullptr);
    PaintedShading p(*sh, 0, 0, 400, 400);
    expectColor(p, 200, 200, {1, 0, 0});         // inside the start circle: its colour continues
    expectColor(p, 210, 195, {1, 0, 0});
    expectColor(p, 260, 200, {0.5, 0, 0.5});     // radius 60: half way between the circles
    expectColor(p, 200, 140, {0.5, 0, 0.5});
    expectColor(p, 200 + 80 / std::sqrt(2.0), 200 + 80 / std::sqrt(2.0), {0.25, 0, 0.75});
    expectColor(p, 350, 200, {0, 0, 1});         // beyond the end circle
    expectColor(p, 5, 5, {0, 0, 1});             // the far corner of the area
    expectColor(p, 395, 395, {0, 0, 1});

    auto plain = dictShading(std::string("/ShadingType 3 /ColorSpace /DeviceRGB /Coords [200 200 20 200 200 100] "
                                         "/Function ") + kRedToBlue);
    ASSERT_NE(plain, nullptr);
    PaintedShading q(*plain, 0, 0, 400, 400);
    expectBlank(q, 200, 200);
    expectBlank(q, 200, 190);
    expectColor(q, 260, 200, {0.5, 0, 0.5});
    expectBlank(q, 350, 200);
    expectBlank(q, 5, 5);
}

TEST(RadialShading, CirclesSideBySideSweepACone) {
    auto sh = dictShading(std::string("/ShadingType 3 /ColorSpace /DeviceGray /Coords [100 100 30 300 100 30] "
                                      "/Function ") + kBlackToWhite);
    ASSERT_NE(sh, nullptr);
    PaintedShading p(*sh, 0, 0, 400, 200);
    // (200, 100) lies on the circles at s = 0.35 and 0.65; the later one is on top.
    expectColor(p, 200, 100, {0.65});
    // (200, 125): |100 - 200 s| = sqrt(30^2 - 25^2), so s = 0.417 or 0.583.
    expectColor(p, 200, 125, {(100 + std::sqrt(275.0)) / 200});
    expectColor(p, 100, 100, {0.15});  // the first circle's centre is reached at s = 0.15
    expectBlank(p, 200, 140);           // outside the tube the circles sweep
    expectBlank(p, 50, 100);            // before the start circle, no extend
    expectBlank(p, 350, 100);

    // Extended, the start circle keeps its colour behind and the end circle's reaches on.
    auto ext = dictShading(std::string("/ShadingType 3 /ColorSpace /DeviceGray /Coords [100 100 30 300 100 30] "
                                       "/Extend [true true] /Function ") + kBlackToWhite);
    PaintedShading q(*ext, 0, 0, 400, 200);
    expectColor(q, 20, 100, {0});
    expectColor(q, 390, 100, {1});
    expectBlank(q, 390, 140);
}

TEST(RadialShading, BadEntriesAreReported) {
    struct Case {
        std::string entries;
        std::string message;
    } cases[] = {
        {"/Coords [0 0 1 2 2]", "Missing or invalid Coords in shading dictionary"},
        {"/Coords [0 0 -1 2 2 3]", "Missing or invalid Coords in shading dictionary"},
        {"/Coords [0 0 1 2 2 3]", "Expected function dictionary or stream"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(dictShading("/ShadingType 3 /ColorSpace /DeviceGray " + c.entries), nullptr) << c.entries;
        EXPECT_TRUE(errors.contains(c.message)) << c.entries;
    }
    // A function of two inputs cannot colour a radial shading.
    ErrorCapture errors;
    auto two = parseShading(parseObject("<< /ShadingType 3 /ColorSpace /DeviceGray /Coords [0 0 1 2 2 3] "
                                        "/Function << /FunctionType 2 /Domain [0 1 0 1] /N 1 >> >>"));
    EXPECT_EQ(two, nullptr);
}

TEST(FunctionShading, MatrixPlacesTheDomain) {
    // The colour is the domain's x: x 0..1 maps to 10..110, y 0..1 to 20..70.
    auto fn = streamObject("/FunctionType 4 /Domain [0 1 0 1] /Range [0 1]", "{ pop }");
    PdfObject dict = parseObject("<< /ShadingType 1 /ColorSpace /DeviceGray /Matrix [100 0 0 50 10 20] >>");
    dict.getDict()->set("Function", std::move(fn));
    auto sh = parseShading(dict);
    ASSERT_NE(sh, nullptr);
    PaintedShading p(*sh, 0, 0, 200, 200);
    expectColor(p, 60, 40, {0.5});
    expectColor(p, 105, 65, {0.95});
    expectColor(p, 12, 22, {0.02});
    expectBlank(p, 5, 40);
    expectBlank(p, 60, 75);
    expectBlank(p, 115, 40);

    // Only the visible part is painted.
    PaintedShading part(*sh, 0, 0, 60, 200);
    expectColor(part, 30, 40, {0.2});
    for (const auto& poly : part.polygons)
        for (size_t i = 0; i < poly.xy.size(); i += 2) EXPECT_LE(poly.xy[i], 61);
}

TEST(FunctionShading, DomainAndFunctionInputsAreChecked) {
    ErrorCapture errors;
    EXPECT_EQ(dictShading(std::string("/ShadingType 1 /ColorSpace /DeviceGray /Function ") + kBlackToWhite), nullptr);
    EXPECT_EQ(errors.messages().back(), "Shading function takes 1 inputs instead of 2");
}

// ---- Mesh data

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

std::unique_ptr<Shading> meshShading(const std::string& entries, const std::string& data) {
    return parseShading(streamObject(entries, data));
}

TEST(MeshShading, FreeFormTrianglesWithSharedEdges) {
    // Flag, x, y, r, g, b: one byte each. A triangle of three new vertices, then flag 1 (next to
    // the second edge), flag 2 (next to the first and third vertices), then a new triangle.
    std::string data = bytes({0, 0, 0, 255, 0, 0,        //
                              0, 100, 0, 0, 255, 0,      //
                              0, 0, 100, 0, 0, 255,      //
                              1, 100, 100, 255, 255, 0,  // (100,0) (0,100) (100,100)
                              2, 200, 100, 0, 0, 0,      // (100,0) (100,100) (200,100)
                              0, 150, 150, 255, 255, 255, 0, 250, 150, 255, 255, 255, 0, 200, 250, 255, 255, 255});
    auto sh = meshShading("/ShadingType 4 /ColorSpace /DeviceRGB /BitsPerCoordinate 8 /BitsPerComponent 8 "
                          "/BitsPerFlag 8 /Decode [0 255 0 255 0 1 0 1 0 1]",
                          data);
    ASSERT_NE(sh, nullptr);
    auto& g = static_cast<GouraudShading&>(*sh);
    EXPECT_EQ(g.triangles, (std::vector<int>{0, 1, 2, 1, 2, 3, 1, 3, 4, 5, 6, 7}));
    PaintedShading p(*sh, 0, 0, 300, 300);
    // At a centroid the colour is the mean of the vertices'.
    expectColor(p, 100.0 / 3, 100.0 / 3, {1.0 / 3, 1.0 / 3, 1.0 / 3});
    expectColor(p, 200.0 / 3, 200.0 / 3, {1.0 / 3, 2.0 / 3, 1.0 / 3});
    expectColor(p, 400.0 / 3, 200.0 / 3, {1.0 / 3, 2.0 / 3, 0.0});
    expectColor(p, 200, 180, {1, 1, 1});
    // Along an edge the colour runs linearly: a quarter of the way from red to green.
    expectColor(p, 25, 1, {0.75, 0.25, 0});
    expectBlank(p, 150, 30);
}

TEST(MeshShading, LatticeWithAFunction) {
    // Two rows of three vertices; the parameter runs 0..1 across, and a function makes it gray.
    std::string data = bytes({0, 0, 0, 50, 0, 128, 100, 0, 255,  //
                              0, 100, 0, 50, 100, 128, 100, 100, 255});
    PdfObject obj = streamObject("/ShadingType 5 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
                                 "/VerticesPerRow 3 /Decode [0 255 0 255 0 1]",
                                 data);
    obj.dictOf()->set("Function", parseObject(kBlackToWhite));
    auto sh = parseShading(obj);
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(static_cast<GouraudShading&>(*sh).triangles.size(), 12u);
    PaintedShading p(*sh, 0, 0, 200, 200);
    expectColor(p, 25, 50, {0.25});
    expectColor(p, 75, 10, {0.75});
    expectColor(p, 99, 90, {0.99});
    expectBlank(p, 120, 50);
}

TEST(MeshShading, CoonsPatchAndASharedEdge) {
    // A square patch: u runs along y (0 to 100), v along x, so that the bilinear colour is easy
    // to predict. 16-bit coordinates, 8-bit gray.
    auto point = [](int x, int y) { return bytes({x >> 8, x & 255, y >> 8, y & 255}); };
    std::string patch = bytes({0});
    const int boundary[12][2] = {{0, 0},   {33, 0},   {66, 0},   {100, 0},  {100, 33}, {100, 66},
                                 {100, 100}, {66, 100}, {33, 100}, {0, 100},  {0, 66},   {0, 33}};
    for (auto& b : boundary) patch += point(b[0], b[1]);
    patch += bytes({0, 255, 255, 0});  // corner colours (0,0) (100,0) (100,100) (0,100)
    // The second patch continues past the third edge (x = 0..100 at y = 100): flag 2.
    std::string second = bytes({2});
    const int more[8][2] = {{0, 133}, {0, 166}, {0, 200}, {33, 200}, {66, 200}, {100, 200}, {100, 166}, {100, 133}};
    for (auto& m : more) second += point(m[0], m[1]);
    second += bytes({255, 255});
    auto sh = meshShading("/ShadingType 6 /ColorSpace /DeviceGray /BitsPerCoordinate 16 /BitsPerComponent 8 "
                          "/BitsPerFlag 8 /Decode [0 65535 0 65535 0 1]",
                          patch + second);
    ASSERT_NE(sh, nullptr);
    ASSERT_EQ(static_cast<PatchShading&>(*sh).patches.size(), 2u);
    PaintedShading p(*sh, 0, 0, 200, 300);
    // In the first patch the colour is the x position.
    expectColor(p, 25, 50, {0.25});
    expectColor(p, 75, 10, {0.75});
    expectColor(p, 50, 90, {0.5});
    // The second patch starts with the first patch's colours at y = 100 (x: 1 to 0) and ends at 1.
    expectColor(p, 10, 101, {0.1});
    expectColor(p, 25, 150, {0.25 + 0.75 * 0.5});
    expectColor(p, 90, 199, {1.0});
    expectBlank(p, 150, 50);
}

TEST(MeshShading, TruncatedDataKeepsWhatWasWhole) {
    std::string whole = bytes({0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 100, 0});
    ErrorCapture errors;
    auto sh = meshShading("/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
                          "/BitsPerFlag 8 /Decode [0 255 0 255 0 1]",
                          whole + bytes({1, 100, 100}));
    ASSERT_NE(sh, nullptr);
    EXPECT_EQ(static_cast<GouraudShading&>(*sh).triangles.size(), 3u);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Truncated mesh data in shading"});

    // A triangle whose third vertex is missing, a patch cut in its points.
    ErrorCapture more;
    auto half = meshShading("/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
                            "/BitsPerFlag 8 /Decode [0 255 0 255 0 1]",
                            bytes({0, 0, 0, 0, 0, 100, 0, 0}));
    ASSERT_NE(half, nullptr);
    EXPECT_TRUE(static_cast<GouraudShading&>(*half).triangles.empty());
    auto patch = meshShading("/ShadingType 7 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 "
                             "/BitsPerFlag 8 /Decode [0 255 0 255 0 1]",
                             bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    ASSERT_NE(patch, nullptr);
    EXPECT_TRUE(static_cast<PatchShading&>(*patch).patches.empty());
    EXPECT_EQ(more.count("Truncated mesh data in shading"), 2);
    PaintedShading p(*patch, 0, 0, 10, 10);
    EXPECT_TRUE(p.polygons.empty());
}

TEST(MeshShading, BadDictionariesAndFlags) {
    std::string good = "/ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 /BitsPerFlag 8 ";
    struct Case {
        std::string entries;
        std::string message;
    } cases[] = {
        {"/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 7 /BitsPerComponent 8 /BitsPerFlag 8 "
         "/Decode [0 1 0 1 0 1]",
         "Missing or invalid BitsPerCoordinate in shading dictionary"},
        {"/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 32 /BitsPerFlag 8 "
         "/Decode [0 1 0 1 0 1]",
         "Missing or invalid BitsPerComponent in shading dictionary"},
        {"/ShadingType 6 /ColorSpace /DeviceGray /BitsPerCoordinate 8 /BitsPerComponent 8 /Decode [0 1 0 1 0 1]",
         "Missing or invalid BitsPerFlag in shading dictionary"},
        {"/ShadingType 4 " + good + "/Decode [0 1 0 1]", "Missing or invalid Decode in shading dictionary"},
        {"/ShadingType 5 " + good + "/Decode [0 1 0 1 0 1]",
         "Missing or invalid VerticesPerRow in shading dictionary"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(meshShading(c.entries, "xxxxxx"), nullptr) << c.entries;
        EXPECT_TRUE(errors.contains(c.message)) << c.entries;
    }
    ErrorCapture notStream;
    EXPECT_EQ(dictShading("/ShadingType 4 " + good + "/Decode [0 1 0 1 0 1]"), nullptr);
    EXPECT_TRUE(notStream.contains("Mesh shading is not a stream"));

    // A continuing flag with no triangle before it ends the mesh.
    ErrorCapture flag;
    auto sh = meshShading("/ShadingType 4 " + good + "/Decode [0 255 0 255 0 1]", bytes({1, 0, 0, 0}));
    ASSERT_NE(sh, nullptr);
    EXPECT_TRUE(static_cast<GouraudShading&>(*sh).triangles.empty());
    EXPECT_EQ(flag.messages(), std::vector<std::string>{"Bad edge flag 1 in shading mesh"});
}

TEST(MeshShading, OddWidthsAreUnpackedMostSignificantBitFirst) {
    // 12-bit coordinates and 4-bit components, 2-bit flags: each vertex is padded to a byte.
    // Vertex: flag 00, x, y, gray -> 2 + 12 + 12 + 4 = 30 bits and two bits of padding.
    auto vertex = [](unsigned x, unsigned y, unsigned g) {
        uint32_t bits = (x << 18) | (y << 6) | (g << 2);  // flag 0 in the top two bits
        return bytes({static_cast<int>(bits >> 24), static_cast<int>((bits >> 16) & 255),
                      static_cast<int>((bits >> 8) & 255), static_cast<int>(bits & 255)});
    };
    auto sh = meshShading("/ShadingType 4 /ColorSpace /DeviceGray /BitsPerCoordinate 12 /BitsPerComponent 4 "
                          "/BitsPerFlag 2 /Decode [0 4095 0 4095 0 1]",
                          vertex(4095, 0, 15) + vertex(0, 2048, 5) + vertex(1, 4095, 0));
    ASSERT_NE(sh, nullptr);
    auto& g = static_cast<GouraudShading&>(*sh);
    ASSERT_EQ(g.vertices.size(), 3u);
    EXPECT_EQ(g.vertices[0].x, 4095);
    EXPECT_EQ(g.vertices[0].y, 0);
    EXPECT_DOUBLE_EQ(g.vertices[0].values[0], 1);
    EXPECT_EQ(g.vertices[1].y, 2048);
    EXPECT_DOUBLE_EQ(g.vertices[1].values[0], 5.0 / 15);
    EXPECT_EQ(g.vertices[2].x, 1);
    EXPECT_EQ(g.vertices[2].y, 4095);
}

TEST(MeshShading, HugeMeshIsCutByTheCap) {
    // A lattice of 2 rows of 60000 vertices: nearly 120000 triangles, more than the cap.
    const int perRow = 60000;
    std::string data;
    data.reserve(static_cast<size_t>(2 * perRow * 5));
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < perRow; ++i) data += bytes({i >> 8, i & 255, 0, row, 128});
    ErrorCapture errors;
    auto sh = meshShading("/ShadingType 5 /ColorSpace /DeviceGray /BitsPerCoordinate 16 /BitsPerComponent 8 "
                          "/VerticesPerRow " + std::to_string(perRow) + " /Decode [0 65535 0 255 0 1]",
                          data);
    ASSERT_NE(sh, nullptr);
    PaintedShading p(*sh, 0, 0, 65535, 255);
    EXPECT_EQ(p.polygons.size(), static_cast<size_t>(kMaxShadingPolygons));
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Shading too complex; the rest of it is not drawn"});
}

TEST(ShadingCanvas, FineStepsAtThePageResolution) {
    // Black to white over 255 units: at one pixel per unit neighbouring bands differ by at most
    // two levels; at a tenth of the scale the bands are no narrower than about a pixel.
    auto sh = dictShading(std::string("/ShadingType 3 /ColorSpace /DeviceGray /Coords [0 0 0 0 0 255] "
                                      "/Function ") + kBlackToWhite);
    PaintedShading fine(*sh, -255, -255, 255, 255);
    ASSERT_GT(fine.polygons.size(), 1u);
    for (size_t i = 1; i < fine.polygons.size(); ++i)
        EXPECT_LE(std::fabs(fine.polygons[i].color[0] - fine.polygons[i - 1].color[0]), 2.0 / 255 + 1e-9);
    PaintedShading coarse(*sh, -255, -255, 255, 255, kMaxShadingPolygons, 0.1);
    EXPECT_LT(coarse.polygons.size(), 40u);
    EXPECT_GT(coarse.polygons.size(), 8u);
}

}  // namespace
}  // namespace qm
