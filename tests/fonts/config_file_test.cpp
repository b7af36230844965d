// Reading the configuration file: tokens, every command with good and bad arguments, and
// the messages with their file names and line numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/report_error.h"
#include "fonts/config_file.h"
#include "fonts/font_test_env.h"
#include "fonts/global_settings.h"

namespace qm {
namespace {

class ConfigFile : public test::FontTestEnv {
protected:
    // Writes the text as a configuration file and reads it into fresh settings.
    std::unique_ptr<GlobalSettings> load(const std::string& text) {
        file = write("conf/test.lst", text);
        return std::make_unique<GlobalSettings>(file.c_str());
    }
    std::string at(const char* format, int line) {
        char text[600];
        std::snprintf(text, sizeof text, format, file.c_str(), line);
        return text;
    }
    std::string file;
};

TEST(ConfigTokens, BlanksAndQuotes) {
    using V = std::vector<std::string>;
    EXPECT_EQ(tokenizeConfigLine("  cMapDir\tAdobe-Japan1   /usr/share/a  "), (V{"cMapDir", "Adobe-Japan1", "/usr/share/a"}));
    EXPECT_EQ(tokenizeConfigLine("fontDir \"/my fonts/dir\" x"), (V{"fontDir", "/my fonts/dir", "x"}));
    EXPECT_EQ(tokenizeConfigLine("urlCommand 'netscape \"%s\"'"), (V{"urlCommand", "netscape \"%s\""}));
    EXPECT_EQ(tokenizeConfigLine("psFile \"unterminated name"), (V{"psFile", "unterminated name"}));
    EXPECT_EQ(tokenizeConfigLine("a \"\" b"), (V{"a", "", "b"}));
    EXPECT_EQ(tokenizeConfigLine("a \"b\"c"), (V{"a", "b", "c"}));
    EXPECT_EQ(tokenizeConfigLine(" \t "), V{});
}

TEST_F(ConfigFile, MissingFileGivesDefaults) {
    ErrorCapture errors;
    GlobalSettings s("no-such-config.lst");
    EXPECT_TRUE(errors.messages().empty());
    EXPECT_EQ(s.configFilePath(), "");
    EXPECT_EQ(s.psPaperWidth(), 612);
    EXPECT_EQ(s.psPaperHeight(), 792);
    EXPECT_FALSE(s.psDuplex());
    EXPECT_EQ(s.psLevel(), PsLevel::Level2);
    EXPECT_TRUE(s.psEmbedType1());
    EXPECT_TRUE(s.psEmbedTrueType());
    EXPECT_FALSE(s.psOPI());
    EXPECT_EQ(s.psFile(), nullptr);
    EXPECT_EQ(s.urlCommand(), nullptr);
    EXPECT_TRUE(s.textEncoding() == "Latin1");
    EXPECT_EQ(s.textEOL(), TextEol::Dos);
    EXPECT_EQ(s.t1libControl(), RasterControl::Low);
    EXPECT_EQ(s.freetypeControl(), RasterControl::Low);
    EXPECT_TRUE(s.mapNumericCharNames());
    EXPECT_FALSE(s.errQuiet());
    EXPECT_TRUE(s.fontDirs().empty());
    EXPECT_TRUE(s.toUnicodeDirs().empty());
    EXPECT_EQ(s.cMapDirs("Adobe-Japan1"), nullptr);
    EXPECT_EQ(s.findCMapFile("Adobe-Japan1", "90ms-RKSJ-H"), nullptr);
    EXPECT_EQ(s.mapNameToUnicode("Euro"), 0x20AC);

    const DisplayFontRecord* courier = s.getDisplayFont("Courier");
    ASSERT_NE(courier, nullptr);
    EXPECT_EQ(courier->kind, DisplayFontRecord::XFont);
    EXPECT_TRUE(courier->pattern == "-*-courier-medium-r-normal-*-%s-*-*-*-*-*-iso8859-1");
    EXPECT_TRUE(courier->encoding == "Latin1");
    const DisplayFontRecord* symbol = s.getDisplayFont("Symbol");
    ASSERT_NE(symbol, nullptr);
    EXPECT_TRUE(symbol->pattern == "-*-symbol-medium-r-normal-*-%s-*-*-*-*-*-adobe-fontspecific");
    EXPECT_TRUE(symbol->encoding == "Symbol");
    const DisplayFontRecord* dingbats = s.getDisplayFont("ZapfDingbats");
    ASSERT_NE(dingbats, nullptr);
    EXPECT_TRUE(dingbats->encoding == "ZapfDingbats");
    int found = 0;
    for (const char* name : {"Courier", "Courier-Bold", "Courier-BoldOblique", "Courier-Oblique", "Helvetica",
                             "Helvetica-Bold", "Helvetica-BoldOblique", "Helvetica-Oblique", "Symbol", "Times-Bold",
                             "Times-BoldItalic", "Times-Italic", "Times-Roman", "ZapfDingbats"}) {
        const DisplayFontRecord* r = s.getDisplayFont(name);
        found += r != nullptr && r->name == name;
    }
    EXPECT_EQ(found, 14);
    EXPECT_EQ(s.getDisplayFont("Arial"), nullptr);
    EXPECT_EQ(s.getDisplayFont("courier"), nullptr);
    EXPECT_EQ(s.getDisplayCIDFont("Adobe-Japan1"), nullptr);
}

TEST_F(ConfigFile, EveryCommandTakesEffect) {
    write("names.txt", "0041 myA\n");
    ErrorCapture errors;
    auto s = load(
        "# a comment line\n"
        "\n"
        "   # indented comment\n"
        "nameToUnicode names.txt\n"
        "cidToUnicode Adobe-GB1 gb1.cidToUnicode\n"
        "unicodeMap Latin2 latin2.map\n"
        "cMapDir Adobe-GB1 \"/my cmaps/gb1\"\n"
        "cMapDir Adobe-GB1 /second\n"
        "toUnicodeDir /tu\n"
        "displayFontX Arial '-*-arial-%s-*' Latin1\n"
        "displayFontT1 Garamond /f/garamond.pfb\n"
        "displayFontTT Verdana /f/verdana.ttf\n"
        "displayCIDFontX Adobe-GB1 -*-song-%s-* GBK\n"
        "psFile out.ps\n"
        "psFont Garamond Garamond-Regular\n"
        "psPaperSize legal\n"
        "psDuplex yes\n"
        "psLevel level1sep\n"
        "psEmbedType1 no\n"
        "psEmbedTrueType no\n"
        "psOPI yes\n"
        "textEncoding UTF-8\n"
        "textEOL mac\n"
        "fontDir /fonts/one\n"
        "fontDir \"/fonts/two words\"\n"
        "t1libControl none\n"
        "freetypeControl high\n"
        "urlCommand \"firefox '%s'\"\n"
        "mapNumericCharNames no\n"
        "errQuiet yes\n");
    EXPECT_TRUE(errors.messages().empty()) << errors.messages()[0];
    EXPECT_EQ(s->configFilePath(), file);
    EXPECT_EQ(s->mapNameToUnicode("myA"), 0x41);
    EXPECT_TRUE(*s->cidToUnicodeFile("Adobe-GB1") == "gb1.cidToUnicode");
    EXPECT_TRUE(*s->unicodeMapFile("Latin2") == "latin2.map");
    const std::vector<PdfString>* dirs = s->cMapDirs("Adobe-GB1");
    ASSERT_TRUE(dirs && dirs->size() == 2);
    EXPECT_TRUE((*dirs)[0] == "/my cmaps/gb1");  // quoted, with its blank
    EXPECT_TRUE((*dirs)[1] == "/second");
    ASSERT_EQ(s->toUnicodeDirs().size(), 1u);
    EXPECT_TRUE(s->toUnicodeDirs()[0] == "/tu");
    const DisplayFontRecord* arial = s->getDisplayFont("Arial");
    ASSERT_NE(arial, nullptr);
    EXPECT_TRUE(arial->kind == DisplayFontRecord::XFont && arial->pattern == "-*-arial-%s-*" &&
                arial->encoding == "Latin1");
    const DisplayFontRecord* garamond = s->getDisplayFont("Garamond");
    ASSERT_NE(garamond, nullptr);
    EXPECT_TRUE(garamond->kind == DisplayFontRecord::Type1File && garamond->file == "/f/garamond.pfb");
    const DisplayFontRecord* verdana = s->getDisplayFont("Verdana");
    ASSERT_NE(verdana, nullptr);
    EXPECT_TRUE(verdana->kind == DisplayFontRecord::TrueTypeFile && verdana->file == "/f/verdana.ttf");
    const DisplayFontRecord* song = s->getDisplayCIDFont("Adobe-GB1");
    ASSERT_NE(song, nullptr);
    EXPECT_TRUE(song->name == "Adobe-GB1" && song->pattern == "-*-song-%s-*" && song->encoding == "GBK");
    EXPECT_EQ(s->getDisplayFont("Adobe-GB1"), nullptr);
    ASSERT_NE(s->psFile(), nullptr);
    EXPECT_TRUE(*s->psFile() == "out.ps");
    EXPECT_TRUE(*s->psFont("Garamond") == "Garamond-Regular");
    EXPECT_EQ(s->psPaperWidth(), 612);
    EXPECT_EQ(s->psPaperHeight(), 1008);
    EXPECT_TRUE(s->psDuplex());
    EXPECT_EQ(s->psLevel(), PsLevel::Level1Sep);
    EXPECT_FALSE(s->psEmbedType1());
    EXPECT_FALSE(s->psEmbedTrueType());
    EXPECT_TRUE(s->psOPI());
    EXPECT_TRUE(s->textEncoding() == "UTF-8");
    EXPECT_EQ(s->textEOL(), TextEol::Mac);
    ASSERT_EQ(s->fontDirs().size(), 2u);
    EXPECT_TRUE(s->fontDirs()[1] == "/fonts/two words");
    EXPECT_EQ(s->t1libControl(), RasterControl::None);
    EXPECT_EQ(s->freetypeControl(), RasterControl::High);
    ASSERT_NE(s->urlCommand(), nullptr);
    EXPECT_TRUE(*s->urlCommand() == "firefox '%s'");
    EXPECT_FALSE(s->mapNumericCharNames());
    EXPECT_TRUE(s->errQuiet());
}

TEST_F(ConfigFile, PaperSizesByNameAndNumber) {
    struct Case {
        const char* line;
        int width, height;
    } cases[] = {{"psPaperSize A4", 595, 842}, {"psPaperSize A3", 842, 1190}, {"psPaperSize letter", 612, 792},
                 {"psPaperSize legal", 612, 1008}, {"psPaperSize 500 700", 500, 700}};
    for (const Case& c : cases) {
        ErrorCapture errors;
        auto s = load(std::string("psPaperSize A3\n") + c.line + "\n");
        EXPECT_TRUE(errors.messages().empty()) << c.line;
        EXPECT_EQ(s->psPaperWidth(), c.width) << c.line;
        EXPECT_EQ(s->psPaperHeight(), c.height) << c.line;
    }
    for (const char* bad : {"psPaperSize B5", "psPaperSize a4", "psPaperSize", "psPaperSize 500",
                            "psPaperSize 500 700 900", "psPaperSize abc 700", "psPaperSize 0 700",
                            "psPaperSize -5 700", "psPaperSize 99999999999 700", "psPaperSize A4 A3"}) {
        ErrorCapture errors;
        auto s = load(std::string("psPaperSize A3\n") + bad + "\n");
        EXPECT_EQ(errors.messages(), std::vector<std::string>{at("Bad 'psPaperSize' config file command (%s:%d)", 2)})
            << bad;
        EXPECT_EQ(s->psPaperWidth(), 842) << bad;  // unchanged
        EXPECT_EQ(s->psPaperHeight(), 1190) << bad;
    }
}

TEST_F(ConfigFile, BadArgumentsReportTheirOwnMessage) {
    struct Case {
        const char* line;
        const char* message;  // with (%s:%d) for file and line
    } cases[] = {
        {"nameToUnicode", "Bad 'nameToUnicode' config file command (%s:%d)"},
        {"nameToUnicode a b", "Bad 'nameToUnicode' config file command (%s:%d)"},
        {"cidToUnicode Adobe-GB1", "Bad 'cidToUnicode' config file command (%s:%d)"},
        {"unicodeMap Latin2 a b", "Bad 'unicodeMap' config file command (%s:%d)"},
        {"cMapDir Adobe-GB1", "Bad 'cMapDir' config file command (%s:%d)"},
        {"toUnicodeDir", "Bad 'toUnicodeDir' config file command (%s:%d)"},
        {"displayFontX Arial pattern", "Bad 'displayFont...' config file command (%s:%d)"},
        {"displayFontT1 Garamond a.pfb extra", "Bad 'displayFont...' config file command (%s:%d)"},
        {"displayFontTT Verdana", "Bad 'displayFont...' config file command (%s:%d)"},
        {"displayCIDFontX Adobe-GB1 a b c", "Bad 'displayFont...' config file command (%s:%d)"},
        {"psFile", "Bad 'psFile' config file command (%s:%d)"},
        {"psFont Garamond", "Bad 'psFont' config file command (%s:%d)"},
        {"psDuplex maybe", "Bad 'psDuplex' config file command (%s:%d)"},
        {"psLevel level3", "Bad 'psLevel' config file command (%s:%d)"},
        {"psEmbedType1 Yes", "Bad 'psEmbedType1' config file command (%s:%d)"},
        {"psEmbedTrueType", "Bad 'psEmbedTrueType' config file command (%s:%d)"},
        {"psOPI yes no", "Bad 'psOPI' config file command (%s:%d)"},
        {"textEncoding", "Bad 'textEncoding' config file command (%s:%d)"},
        {"textEOL windows", "Bad 'textEOL' config file command (%s:%d)"},
        {"fontDir a b", "Bad 'fontDir' config file command (%s:%d)"},
        {"t1libControl medium", "Bad 't1libControl' config file command (%s:%d)"},
        {"freetypeControl", "Bad 'freetypeControl' config file command (%s:%d)"},
        {"urlCommand a b", "Bad 'urlCommand' config file command (%s:%d)"},
        {"mapNumericCharNames 1", "Bad 'mapNumericCharNames' config file command (%s:%d)"},
        {"errQuiet true", "Bad 'errQuiet' config file command (%s:%d)"},
    };
    for (const Case& c : cases) {
        ErrorCapture errors;
        auto s = load(std::string("# first line\n") + c.line + "\n");
        char expected[600];
        std::snprintf(expected, sizeof expected, c.message, file.c_str(), 2);
        EXPECT_EQ(errors.messages(), std::vector<std::string>{expected}) << c.line;
        EXPECT_EQ(errors.positions(), std::vector<long>{-1}) << c.line;
    }
    // Nothing changed by any of them.
    auto s = load("psDuplex maybe\ntextEOL windows\nt1libControl medium\ndisplayFontTT Arial\n");
    EXPECT_FALSE(s->psDuplex());
    EXPECT_EQ(s->textEOL(), TextEol::Dos);
    EXPECT_EQ(s->t1libControl(), RasterControl::Low);
    EXPECT_EQ(s->getDisplayFont("Arial"), nullptr);
}

TEST_F(ConfigFile, UnknownCommandsAndOldFormatWords) {
    ErrorCapture errors;
    auto s = load("fontDir /a\nfrobnicate 1 2\r\nFontDir /b\rfontpath /x\nfontmap a b\n");
    std::vector<std::string> expected = {
        "Unknown config file command 'frobnicate' (" + file + ":2)",
        "Unknown config file command 'FontDir' (" + file + ":3)",
        "Unknown config file command",
        "-- the config file format has changed",
        "Unknown config file command",
        "-- the config file format has changed",
    };
    EXPECT_EQ(errors.messages(), expected);
    EXPECT_EQ(s->fontDirs().size(), 1u);
}

TEST_F(ConfigFile, SecondCidToUnicodeLineWins) {
    write("data/Resource/first.cidToUnicode", "0041\n");
    write("data/Resource/second.cidToUnicode", "0042\n");
    auto s = load("cidToUnicode Adobe-Korea1 first.cidToUnicode\ncidToUnicode Adobe-Korea1 second.cidToUnicode\n"
                  "unicodeMap Latin2 one.map\nunicodeMap Latin2 two.map\n");
    EXPECT_TRUE(*s->cidToUnicodeFile("Adobe-Korea1") == "second.cidToUnicode");
    FilePtr f = s->findCidToUnicodeFile("Adobe-Korea1");
    ASSERT_NE(f, nullptr);
    char line[16] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f.get()), nullptr);
    EXPECT_STREQ(line, "0042\n");
    EXPECT_TRUE(*s->unicodeMapFile("Latin2") == "two.map");
}

TEST_F(ConfigFile, OverlongLineIsOneBadLine) {
    ErrorCapture errors;
    auto s = load("fontDir /" + std::string(5000, 'x') + " trailing words\nfontDir /ok\n");
    EXPECT_EQ(errors.messages(), std::vector<std::string>{at("Config file line too long (%s:%d)", 1)});
    ASSERT_EQ(s->fontDirs().size(), 1u);
    EXPECT_TRUE(s->fontDirs()[0] == "/ok");
}

TEST_F(ConfigFile, NameToUnicodeFiles) {
    write("data/Resource/extra.names",
          "0041 uni0041\n"
          "E000 Euro\n"
          "\n"
          "12345 wide\n"
          "onlyone\n"
          "zz12 bad\n" +
              std::string(300, 'a') + "\n"
          "0042 last\n");
    ErrorCapture errors;
    auto s = load("nameToUnicode extra.names\nnameToUnicode missing.names\n");
    std::vector<std::string> expected = {
        "Bad line in 'nameToUnicode' file (extra.names:5)",
        "Bad line in 'nameToUnicode' file (extra.names:6)",
        "Bad line in 'nameToUnicode' file (extra.names:7)",
        "Couldn't open 'nameToUnicode' file 'missing.names'",
    };
    EXPECT_EQ(errors.messages(), expected);
    EXPECT_EQ(s->mapNameToUnicode("uni0041"), 0x0041);
    EXPECT_EQ(s->mapNameToUnicode("Euro"), 0xE000);  // replaces the built-in value
    EXPECT_EQ(s->mapNameToUnicode("wide"), 0x2345);  // low 16 bits
    EXPECT_EQ(s->mapNameToUnicode("last"), 0x0042);
    EXPECT_EQ(s->mapNameToUnicode("bad"), 0);
    // Another settings object still has the built-in list untouched.
    GlobalSettings fresh("");
    EXPECT_EQ(fresh.mapNameToUnicode("Euro"), 0x20AC);
    EXPECT_EQ(fresh.mapNameToUnicode("uni0041"), 0);
}

}  // namespace
}  // namespace qm
