#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "render/font_cache.h"
#include "render/font_name_map.h"
#include "render/text_style.h"

namespace qm {
namespace {

TEST(FontSubstitution, NamesLoseStyleWordsAndSubsetPrefixes) {
    FaceName f = parseFaceName("ABCDEF+Arial,BoldItalic", false, false);
    EXPECT_EQ(f.face, "Arial");
    EXPECT_TRUE(f.bold);
    EXPECT_TRUE(f.italic);
    f = parseFaceName("Times-Black", false, false);
    EXPECT_EQ(f.face, "Times");
    EXPECT_TRUE(f.bold);
    EXPECT_FALSE(f.italic);
    EXPECT_EQ(parseFaceName("STSong-Light", false, false).face, "SimSun");
    EXPECT_EQ(parseFaceName("XYZ+STHeiti-Regular", false, false).face, "SimHei");
    f = parseFaceName("Courier", true, true);  // the descriptor's flags stay
    EXPECT_EQ(f.face, "Courier");
    EXPECT_TRUE(f.bold && f.italic);
}

TEST(FaceNames, OtherSpellingsOfTheStyle) {
    struct Case {
        const char* pdfName;
        const char* face;
        bool bold, italic;
    };
    for (const Case& c : {Case{"Helvetica-Oblique", "Helvetica-Oblique", false, true},
                          Case{"Helvetica-BoldOblique", "Helvetica", true, true},
                          Case{"KUYGUP+NimbusRomNo9L-ReguItal", "NimbusRomNo9L-ReguItal", false, true},
                          Case{"TACTGM+NimbusRomNo9L-Medi", "NimbusRomNo9L-Medi", true, false},
                          Case{"NimbusRomNo9L-MediItal", "NimbusRomNo9L-MediItal", true, true},
                          Case{"TradeGothicNextLTPro-BdIt", "TradeGothicNextLTPro-BdIt", true, true},
                          Case{"TradeGothicLTStd-BdCn20", "TradeGothicLTStd-BdCn20", true, false},
                          Case{"MinionPro-It", "MinionPro-It", false, true},
                          Case{"MyriadPro-Semibold", "MyriadPro-Semibold", true, false},
                          Case{"ITCAvantGarde-Demi", "ITCAvantGarde-Demi", true, false},
                          Case{"ArialBlack", "ArialBlack", true, false},
                          Case{"DSQVLB+CMBX12", "CMBX12", true, false},
                          Case{"CMTI10", "CMTI10", false, true},
                          Case{"SFBI1095", "SFBI1095", true, true},
                          // Not styles: a medium weight, a light one.
                          Case{"Roboto-Medium", "Roboto-Medium", false, false},
                          Case{"TradeGothicNextLTPro-Lt", "TradeGothicNextLTPro-Lt", false, false}}) {
        FaceName f = parseFaceName(c.pdfName, false, false);
        EXPECT_EQ(f.face, c.face) << c.pdfName;
        EXPECT_EQ(f.bold, c.bold) << c.pdfName;
        EXPECT_EQ(f.italic, c.italic) << c.pdfName;
    }
}

TEST(FontSubstitution, HeightWidthAndSlantFromTheMatrix) {
    EXPECT_EQ(textGeometry(12, 0, 0, -12).height, 12);
    EXPECT_EQ(textGeometry(0.5, 0, 0, -0.5).height, 0);  // below a pixel: the default height
    EXPECT_EQ(logicalWidth(12, 20, u'\u65E5'), 10);
    EXPECT_EQ(logicalWidth(12, 14, u'\u65E5'), 0);
    // Latin letters keep their face's own width, whatever their advance.
    EXPECT_EQ(logicalWidth(12, 20, u'm'), 0);
    EXPECT_EQ(logicalWidth(12, 3, u'i'), 0);
    EXPECT_FALSE(textGeometry(12, 0, 0, -12).skewed);
    EXPECT_TRUE(textGeometry(12, 0, 3, -12).skewed);
    EXPECT_DOUBLE_EQ(textGeometry(0, 0, 0, -12).angle, 0);
}

TEST(FontSubstitution, EscapementTurnsWithTheTextAndVerticalFaces) {
    // A text matrix turned by 90 degrees (device y down): -900 brought to 2700.
    const TextGeometry down = textGeometry(0, 12, 12, 0);
    EXPECT_EQ(escapement(down.angle, "Arial"), 2700);
    const TextGeometry up = textGeometry(0, -12, -12, 0);
    EXPECT_EQ(escapement(up.angle, "Arial"), 900);
    EXPECT_EQ(escapement(0, "@MS Mincho"), 2700);
    EXPECT_EQ(escapement(10, "@MS Mincho"), 2800);
    EXPECT_EQ(escapement(0, "@"), 0);
    EXPECT_TRUE(usesVerticalForm(0x3002));
    EXPECT_TRUE(usesVerticalForm(0x30FC));
    EXPECT_TRUE(usesVerticalForm(0xFF08));
    EXPECT_FALSE(usesVerticalForm(0x3042));
    int x = 100, y = 100;
    adjustVerticalPosition(x, y, 16, 16, 0);
    EXPECT_EQ(x, 102);
    EXPECT_EQ(y, 86);
    x = 100, y = 100;
    adjustVerticalPosition(x, y, 16, 16, 90);
    EXPECT_EQ(x, 86);
    EXPECT_EQ(y, 98);
}

TEST(FontSubstitution, SubstitutesFollowTheFlags) {
    EXPECT_STREQ(FontCache::substituteName(FontCache::substituteIndex(false, false, false, false)), "Helvetica");
    EXPECT_STREQ(FontCache::substituteName(FontCache::substituteIndex(false, true, true, true)), "Times-BoldItalic");
    EXPECT_STREQ(FontCache::substituteName(FontCache::substituteIndex(true, true, false, true)), "Courier-Oblique");
    EXPECT_DOUBLE_EQ(FontCache::substituteMWidth(5), 0.722);
}

class ConfigFile {
public:
    explicit ConfigFile(const std::string& text) {
        char name[] = "/tmp/qm-fontmap-XXXXXX";
        const int fd = mkstemp(name);
        path_ = name;
        std::FILE* f = fdopen(fd, "w");
        std::fputs(text.c_str(), f);
        std::fclose(f);
    }
    ~ConfigFile() { std::remove(path_.c_str()); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

TEST(FontSubstitution, NameMapMatchesExactlyAndKeepsTheDefaultFace) {
    ConfigFile config("[FontNameMapping]\nFontCount=2\nPdfFontName1=Foo\nOsFontName1=Bar\nDefaultFontName=Baz\n");
    const FontNameMap map = FontNameMap::load(config.path());
    EXPECT_EQ(map.count(), 2);
    ASSERT_NE(map.map("Foo"), nullptr);
    EXPECT_EQ(*map.map("Foo"), "Bar");
    EXPECT_EQ(map.map("foo"), nullptr);
    EXPECT_EQ(*map.map("Default"), "Default");  // the second entry was not written
    EXPECT_EQ(map.defaultFace(), "Baz");
    const FontNameMap none = FontNameMap::load("/nonexistent/config.ini");
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.defaultFace(), "\xEF\xBC\xAD\xEF\xBC\xB3 \xE6\x98\x8E\xE6\x9C\x9D");
    // A hostile count reads no more than the cap.
    ConfigFile huge("[FontNameMapping]\nFontCount=2000000000\n");
    EXPECT_EQ(FontNameMap::load(huge.path()).count(), FontNameMap::kMaxEntries);
}

TEST(FontSubstitution, DefaultFaceIsAnInstalledCjkFace) {
    LogicalFont logical;
    logical.face = fontNameMap()->defaultFace();
    logical.height = 20;
    logical.charset = 128;
    auto font = DeviceFont::create(logical);
    ASSERT_NE(font, nullptr);
    const std::string family = font->family();
    EXPECT_TRUE(family.find("Mincho") != std::string::npos || family.find("Serif CJK") != std::string::npos ||
                family.find("WenQuanYi") != std::string::npos || family.find("Ming") != std::string::npos)
        << family;
    // A CJK character has a real advance (not a missing-glyph box of zero width).
    EXPECT_GT(font->advance(u"\u65E5"), 10);
}

}  // namespace
}  // namespace qm
