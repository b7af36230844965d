// --format png and svg from the command line: which files a run writes, that PNG pages hold
// the very pixels of the BMP pages, and that SVG pages are well-formed XML with the page's
// picture under its text, whatever the text holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/shell_run.h"
#include "platform/system/file_ops.h"
#include "support/corpus_manifest.h"
#include "support/pdf_builder.h"
#include "support/test_files.h"

namespace qm {
namespace {

using test::corpusPath;
using test::pathExists;
using test::readWholeFile;

using test::quoted;
using test::Shell;
using test::shell;

class ImageFormats : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::scratchFolderFor("image_formats_");
        deleteFolderTree(root_);
        ASSERT_TRUE(makeDirectoryPath(root_ + "/config"));
    }
    void TearDown() override { deleteFolderTree(root_); }
    Shell vellumix(const std::string& args) { return test::runVellumix(args, root_ + "/config"); }
    // A python3 check over files; its output is the test's evidence.
    Shell python(const std::string& program, const std::vector<std::string>& args) {
        // Debian's python3, which has python3-pil, whatever else is first on PATH.
        std::string command = "/usr/bin/python3 -c " + quoted(program);
        for (const std::string& a : args) command += " " + quoted(a);
        return shell(command);
    }
    std::string root_;
};

TEST_F(ImageFormats, PngPagesHoldTheBmpPixelsForTheChosenRangeZoomAndFolder) {
    const std::string pdf = root_ + "/w.pdf";
    ASSERT_TRUE(copyFile(corpusPath("word365-3p.pdf"), pdf));
    Shell png = vellumix("-m --format png -f 2 -l 3 -z 60 " + quoted(pdf) + " -o " + quoted(root_ + "/pages.htm"));
    ASSERT_EQ(png.status, 0) << png.out;
    EXPECT_FALSE(pathExists(root_ + "/pages/w_0001.png"));
    EXPECT_FALSE(pathExists(root_ + "/pages/index.htm"));  // pictures only, no site
    Shell bmp = vellumix("-m --bmp -f 2 -l 3 -z 60 " + quoted(pdf));
    ASSERT_EQ(bmp.status, 0) << bmp.out;
    const char* same =
        "import sys\nfrom PIL import Image\n"
        "a = Image.open(sys.argv[1]); b = Image.open(sys.argv[2]).convert('RGB')\n"
        "print(a.format, a.mode, a.size, a.size == b.size and a.tobytes() == b.tobytes())\n";
    for (const char* page : {"2", "3"}) {
        Shell same1 = python(same, {root_ + "/pages/w_000" + page + ".png", pdf + "_00" + page + ".bmp"});
        EXPECT_EQ(same1.out, "PNG RGB (496, 701) True\n") << page;  // A4 at 60 dpi
    }

    // An existing output is kept without -r, and the run says it was skipped.
    const std::string before = readWholeFile(root_ + "/pages/w_0002.png");
    Shell again = vellumix("-m --format png -f 2 -l 3 -z 100 " + quoted(pdf) + " -o " + quoted(root_ + "/pages.htm"));
    EXPECT_EQ(again.status, 1) << again.out;
    EXPECT_EQ(readWholeFile(root_ + "/pages/w_0002.png"), before);
    Shell replaced = vellumix("-m -r --format png -l 1 -z 100 " + quoted(pdf) + " -o " + quoted(root_ + "/pages.htm"));
    EXPECT_EQ(replaced.status, 0) << replaced.out;
    EXPECT_EQ(python(same, {root_ + "/pages/w_0001.png", root_ + "/pages/w_0001.png"}).out, "PNG RGB (827, 1169) True\n");

    EXPECT_EQ(vellumix("-m --format gif " + quoted(pdf)).status, 2);
    EXPECT_EQ(vellumix("-m --format PNG " + quoted(pdf)).status, 2);
}

// What an SVG page holds: the XML parses, the picture is a PNG of the page's size, and each
// text element's content, for a check of its words.
const char* kReadSvg =
    "import sys, base64, io, xml.etree.ElementTree as ET\nfrom PIL import Image\n"
    "ns = {'s': 'http://www.w3.org/2000/svg'}\n"
    "root = ET.parse(sys.argv[1]).getroot()\n"
    "img = root.find('s:image', ns)\n"
    "href = img.get('{http://www.w3.org/1999/xlink}href')\n"
    "pic = Image.open(io.BytesIO(base64.b64decode(href.split(',', 1)[1])))\n"
    "print(pic.format, pic.size == (int(root.get('width')), int(root.get('height'))))\n"
    "for t in root.findall('s:text', ns): print(repr(t.text))\n";

TEST_F(ImageFormats, SvgPagesAreXmlWithThePicturesUnderTheText) {
    Shell svg = vellumix("-m --format svg " + quoted(corpusPath("chrome-wikipedia.pdf")) + " -o " + quoted(root_ + "/"));
    ASSERT_EQ(svg.status, 0) << svg.out;
    const std::string file = root_ + "/chrome-wikipedia/chrome-wikipedia_0001.svg";
    Shell read = python(kReadSvg, {file});
    EXPECT_EQ(read.out.rfind("PNG True\n", 0), 0u) << read.out.substr(0, 300);
    EXPECT_NE(read.out.find("JavaScript library"), std::string::npos) << read.out.substr(0, 2000);
    EXPECT_GT(std::count(read.out.begin(), read.out.end(), '\n'), 50);
}

TEST_F(ImageFormats, SvgTextEscapesMarkup) {
    // Text made of the characters XML gives a meaning to.
    test::PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    b.object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 100] /Contents 4 0 R "
             "/Resources << /Font << /F1 5 0 R >> >> >>");
    b.stream("", "BT /F1 20 Tf 10 50 Td (<a href=\"x\">&amp;</a>) Tj ET BT /F1 20 Tf 10 20 Td (]]> <!--) Tj ET");
    b.object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    const std::string pdf = root_ + "/markup.pdf";
    std::ofstream(pdf, std::ios::binary) << b.finish("/Root 1 0 R");
    Shell svg = vellumix("-m --format svg " + quoted(pdf));
    ASSERT_EQ(svg.status, 0) << svg.out;
    Shell read = python(kReadSvg, {root_ + "/markup/markup_0001.svg"});
    EXPECT_EQ(read.out, "PNG True\n'<a href=\"x\">&amp;</a>'\n']]> <!--'\n");
}

}  // namespace
}  // namespace qm
