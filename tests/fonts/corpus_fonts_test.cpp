// Every font of every page of the corpus files that open: built without faults, Western text
// fonts with widths, fonts with a ToUnicode map with Unicode, and the CJK files' composite
// fonts with the installed CMaps and cidToUnicode data.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "fonts/cid_font.h"
#include "fonts/code_to_unicode_map.h"
#include "fonts/cpdf_map.h"
#include "fonts/data_file.h"
#include "fonts/font_resource_set.h"
#include "fonts/font_summary.h"
#include "fonts/global_settings.h"
#include "fonts/simple_font.h"

namespace qm {
namespace {

struct CorpusFile {
    std::string file;
    std::string features;  // ",a,b,"
    bool has(const char* feature) const { return features.find("," + std::string(feature) + ",") != std::string::npos; }
};

std::vector<CorpusFile> corpus() {
    std::vector<CorpusFile> files;
    std::ifstream manifest(std::string(QM_TEST_DATA_DIR) + "/corpus/MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::stringstream fields(line);
        std::string file, skip, features;
        std::getline(fields, file, '\t');
        for (int i = 0; i < 4; ++i) std::getline(fields, skip, '\t');
        std::getline(fields, features, '\t');
        files.push_back({file, "," + features + ","});
    }
    return files;
}

bool isAsciiLetter(uint16_t u) { return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'); }

// Some code of the font gives Unicode.
bool mapsToUnicode(const PdfFont& font) {
    CodeToUnicodeMap* map = font.getToUnicode();
    if (!map) return false;
    uint16_t u[8];
    bool any = false;
    for (uint32_t code = 0; code < map->mapLen() && code < 0x10000 && !any; ++code) any = map->lookup(code, u, 8) > 0;
    map->release();
    return any;
}

class CorpusFonts : public ::testing::Test {
protected:
    void SetUp() override {
        setResourceRoot("");
        createGlobalSettings("config.lst");
    }
    void TearDown() override { destroyGlobalSettings(); }
};

TEST_F(CorpusFonts, EveryPageFontBuilds) {
    int opened = 0, fontsSeen = 0, western = 0, withToUnicode = 0, cjkFonts = 0;
    for (const CorpusFile& c : corpus()) {
        ErrorCapture quiet;
        PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/" + c.file).c_str()), nullptr, nullptr);
        if (!doc.isOk()) continue;
        ++opened;
        std::set<std::pair<int, int>> checked;  // fonts shared by pages are looked at once
        for (int n = 1; n <= doc.pageCount(); ++n) {
            PdfDict* resources = doc.catalog()->page(n)->resources();
            PdfObject fonts = resources ? resources->lookup("Font") : PdfObject();
            if (!fonts.isDict()) continue;
            FontResourceSet set(doc.xref(), fonts.getDict());
            for (int i = 0; i < set.size(); ++i) {
                const PdfFont* font = set.at(i);
                // Every font dictionary of these files is sound, CJK ones with their CMaps.
                EXPECT_NE(font, nullptr) << c.file << ": page " << n << " font " << fonts.getDict()->keyAt(i);
                if (!font) continue;
                ++fontsSeen;
                PdfRef id = font->id();
                if (!checked.insert({id.num, id.gen}).second) continue;
                const std::string what = c.file + ": " + describeFont(*font);
                // Damaged files may have lost their maps' data.
                if (std::string(fontUnicodeSource(*font)) == "ToUnicode" && !c.has("bad-stream")) {
                    ++withToUnicode;
                    EXPECT_TRUE(mapsToUnicode(*font)) << what;
                }
                if (c.has("cjk-japanese") || c.has("cjk-chinese") || c.has("cjk-korean")) {
                    if (font->isCidFont()) {
                        ++cjkFonts;
                        EXPECT_NE(std::string(fontUnicodeSource(*font)), "none") << what;
                    }
                }
                if (font->isCidFont() || font->kind() == FontKind::Type3) continue;
                // A Western text font has widths (for the codes its Widths array covers, which
                // need not include every letter of the encoding).
                const SimpleFont& simple = static_cast<const SimpleFont&>(*font);
                CodeToUnicodeMap* map = font->getToUnicode();
                bool letters = false, widths = false;
                uint16_t u[8];
                for (int code = 0; code < 256; ++code) {
                    letters = letters || (map->lookup(code, u, 8) == 1 && isAsciiLetter(u[0]));
                    widths = widths || simple.widths()[code] > 0;
                }
                map->release();
                if (letters) {
                    ++western;
                    EXPECT_TRUE(widths) << what;
                }
            }
        }
    }
    EXPECT_GE(opened, 25);
    EXPECT_GE(fontsSeen, 100);
    EXPECT_GE(western, 30);
    EXPECT_GE(withToUnicode, 20);
    EXPECT_GE(cjkFonts, 3);
}

// The Japanese file without embedded fonts shows Shift-JIS bytes through 90ms-RKSJ-H.
TEST_F(CorpusFonts, JapaneseTextThroughTheInstalledCMap) {
    ErrorCapture quiet;
    PdfDocument doc(PdfString((std::string(QM_TEST_DATA_DIR) + "/corpus/cjk-japanese-noembed.pdf").c_str()), nullptr,
                    nullptr);
    ASSERT_TRUE(doc.isOk());
    PdfObject fonts = doc.catalog()->page(1)->resources()->lookup("Font");
    ASSERT_TRUE(fonts.isDict());
    FontResourceSet set(doc.xref(), fonts.getDict());
    ASSERT_EQ(set.size(), 1);
    PdfFont* font = set.at(0);
    ASSERT_NE(font, nullptr);
    ASSERT_TRUE(font->isCidFont());
    EXPECT_TRUE(static_cast<CidFont*>(font)->getCollection() == "Adobe-Japan1");
    EXPECT_FALSE(static_cast<CidFont*>(font)->cmap()->isIdentity());
    const uint8_t text[] = {0x82, 0xA0, 'A'};  // HIRAGANA LETTER A, then a one-byte code
    uint32_t code;
    uint16_t u[4];
    int uLen;
    double dx, dy, ox, oy;
    EXPECT_EQ(font->decodeNextChar(text, 3, &code, u, 4, &uLen, &dx, &dy, &ox, &oy), 2);
    ASSERT_EQ(uLen, 1);
    EXPECT_EQ(u[0], 0x3042);
    EXPECT_EQ(font->decodeNextChar(text + 2, 1, &code, u, 4, &uLen, &dx, &dy, &ox, &oy), 1);
    ASSERT_EQ(uLen, 1);
    EXPECT_EQ(u[0], 'A');
}

}  // namespace
}  // namespace qm
