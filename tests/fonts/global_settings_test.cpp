// The data-file search, the configuration file search, file lookups, the Unicode map
// cache and the settings' life cycle.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "core/report_error.h"
#include "fonts/data_file.h"
#include "fonts/font_test_env.h"
#include "fonts/global_settings.h"

namespace qm {
namespace {

std::string firstLine(const FilePtr& f) {
    char line[256] = {};
    if (!f || !std::fgets(line, sizeof line, f.get())) return "";
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

using DataFiles = test::FontTestEnv;

TEST_F(DataFiles, SearchOrder) {
    write("data/Resource/a.txt", "resource a");
    write("data/Resource/CMap/a.txt", "cmap a");
    write("data/Resource/CMap/b.txt", "cmap b");
    write("tmp/sub/c.txt", "tmp c");
    write("home/.config/vellumix/sub/d.txt", "user d");
    write("local/a.txt", "local a");
    std::string opened;

    // 1: the path as given, relative to the current folder.
    EXPECT_EQ(firstLine(openDataFile("local/a.txt", "r", &opened)), "local a");
    EXPECT_EQ(opened, "local/a.txt");
    // 2: the base name in Resource (whatever folder the path named).
    EXPECT_EQ(firstLine(openDataFile("/nowhere/at/all/a.txt", "r", &opened)), "resource a");
    EXPECT_EQ(opened, path("data/Resource/a.txt"));
    // 3: the base name in Resource/CMap.
    EXPECT_EQ(firstLine(openDataFile("somewhere/b.txt", "r", &opened)), "cmap b");
    EXPECT_EQ(opened, path("data/Resource/CMap/b.txt"));
    // 4: a relative path in the user's configuration folder; never the shared temporary
    // folder, where anybody could leave a file of the name.
    EXPECT_EQ(firstLine(openDataFile("sub/d.txt", "r", &opened)), "user d");
    EXPECT_EQ(opened, path("home/.config/vellumix/sub/d.txt"));
    EXPECT_EQ(openDataFile("sub/c.txt", "r"), nullptr);
    ::unsetenv("HOME");
    EXPECT_EQ(openDataFile("sub/d.txt", "r"), nullptr);
    // Windows-style folders in a configured name still give the base name.
    EXPECT_EQ(firstLine(openDataFile("Resource\\CMap\\b.txt", "r")), "cmap b");

    opened = "untouched";
    EXPECT_EQ(openDataFile("missing.txt", "r", &opened), nullptr);
    EXPECT_EQ(opened, "untouched");
    EXPECT_EQ(openDataFile("", "r"), nullptr);
}

TEST_F(DataFiles, FoldersDoNotCountAsFiles) {
    ::mkdir(path("data/Resource/CMap/Dir").c_str(), 0755);
    write("home/.config/vellumix/data/Resource/CMap/Dir", "a file after all");
    EXPECT_EQ(firstLine(openDataFile("data/Resource/CMap/Dir", "r")), "a file after all");
    EXPECT_EQ(openDataFile("data/Resource", "r"), nullptr);
}

TEST_F(DataFiles, ResourceRootDefaultsToTheDataFolder) {
    setResourceRoot("");
    EXPECT_FALSE(resourceRoot().empty());
    struct stat st;
    EXPECT_EQ(::stat((resourceRoot() + "/Resource/CMap").c_str(), &st), 0) << resourceRoot();
    EXPECT_EQ(::stat((resourceRoot() + "/config.lst").c_str(), &st), 0) << resourceRoot();
}

TEST_F(DataFiles, FifosAndDevicesAreNeverOpened) {
    // A FIFO would block an open for reading until a writer came; it is passed over at once.
    ASSERT_EQ(::mkfifo(path("data/Resource/CMap/Pipe").c_str(), 0644), 0);
    EXPECT_EQ(openDataFile("Pipe", "r"), nullptr);
    EXPECT_EQ(openDataFile(path("data/Resource/CMap/Pipe"), "r"), nullptr);
    EXPECT_EQ(openDataFile("/dev/zero", "r"), nullptr);
    // Only reading is offered.
    write("data/Resource/w.txt", "x");
    EXPECT_EQ(openDataFile("w.txt", "w"), nullptr);
    EXPECT_EQ(firstLine(openDataFile("w.txt", "r")), "x");
}

TEST_F(DataFiles, NamesFromDocumentsStayInTheirFolder) {
    write("data/Resource/CMap/Adobe-Japan1/UniJIS-UCS2-H", "cmap");
    write("data/secret", "secret");
    write("data/Resource/CMap/Adobe-Japan1/a..b", "dots");
    const std::string dir = path("data/Resource/CMap/Adobe-Japan1");
    EXPECT_EQ(firstLine(openDataFileIn(dir, "UniJIS-UCS2-H", "r")), "cmap");
    for (const char* name : {"../../../secret", "..", "a..b", "sub/x", "..\\secret", "/etc/hostname", "a\nb", "",
                             "a\x7f"}) {
        EXPECT_EQ(openDataFileIn(dir, name, "r"), nullptr) << name;
        EXPECT_FALSE(isSafeDataName(name)) << name;
    }
    EXPECT_TRUE(isSafeDataName("Arial,Bold"));
    EXPECT_TRUE(isSafeDataName("UniGB-UCS2-H"));

    // The same through the settings: a CMap, ToUnicode or font name with a folder in it.
    write("data/config.lst", "cMapDir Adobe-Japan1 " + dir + "\ntoUnicodeDir " + dir + "\nfontDir " + dir + "\n");
    write("data/Resource/CMap/Adobe-Japan1/x.ttf", "font");
    GlobalSettings s("config.lst");
    EXPECT_NE(s.findCMapFile("Adobe-Japan1", "UniJIS-UCS2-H"), nullptr);
    EXPECT_EQ(s.findCMapFile("Adobe-Japan1", "../../../secret"), nullptr);
    EXPECT_EQ(s.findToUnicodeFile("../../../secret"), nullptr);
    EXPECT_TRUE(s.findFontFile("x", ".ttf", nullptr, nullptr));
    EXPECT_FALSE(s.findFontFile("../Adobe-Japan1/x", ".ttf", nullptr, nullptr));
}

using ConfigSearch = test::FontTestEnv;

TEST_F(ConfigSearch, AConfigurationInTheTemporaryFolderIsIgnored) {
    write("tmp/config.lst", "fontDir /planted\n");
    write("data/config.lst", "fontDir /installed\n");
    GlobalSettings s("config.lst");
    EXPECT_EQ(s.configFilePath(), path("data/config.lst"));
    write("home/.config/vellumix/mine.lst", "fontDir /mine\n");
    EXPECT_EQ(GlobalSettings("mine.lst").configFilePath(), path("home/.config/vellumix/mine.lst"));
}

TEST_F(ConfigSearch, GivenNameThenHomeThenDataFolder) {
    write("data/pdfrc", "fontDir /from-data\n");
    EXPECT_EQ(GlobalSettings("missing.lst").configFilePath(), path("data/pdfrc"));

    write("home/pdfrc", "fontDir /from-home\n");
    {
        GlobalSettings s("missing.lst");
        EXPECT_EQ(s.configFilePath(), path("home/pdfrc"));
        ASSERT_EQ(s.fontDirs().size(), 1u);
        EXPECT_TRUE(s.fontDirs()[0] == "/from-home");
    }
    EXPECT_EQ(GlobalSettings("").configFilePath(), path("home/pdfrc"));

    // A relative name is looked for in the data folder as well as in the current one.
    write("data/config.lst", "fontDir /from-config\n");
    EXPECT_EQ(GlobalSettings("config.lst").configFilePath(), path("data/config.lst"));
    write("config.lst", "fontDir /here\n");
    EXPECT_EQ(GlobalSettings("config.lst").configFilePath(), "config.lst");
    std::string absolute = write("elsewhere/my.conf", "");
    EXPECT_EQ(GlobalSettings(absolute.c_str()).configFilePath(), absolute);
}

TEST_F(ConfigSearch, AFolderIsNotAConfigurationFile) {
    ::mkdir(path("data/config.lst").c_str(), 0755);
    write("home/pdfrc", "");
    EXPECT_EQ(GlobalSettings("config.lst").configFilePath(), path("home/pdfrc"));
    EXPECT_EQ(GlobalSettings(path("data").c_str()).configFilePath(), path("home/pdfrc"));
}

TEST_F(ConfigSearch, WithoutHomeTheCurrentFolderIsUsed) {
    ::unsetenv("HOME");
    write("pdfrc", "fontDir /dot\n");
    GlobalSettings s(nullptr);
    EXPECT_EQ(s.configFilePath(), path("./pdfrc"));
}

class SettingsLookups : public test::FontTestEnv {};

TEST_F(SettingsLookups, CMapAndToUnicodeFilesByDirectoryOrder) {
    write("one/UniGB-UCS2-H", "from one");
    write("two/UniGB-UCS2-H", "from two");
    write("two/GBK-EUC-H", "gbk from two");
    write("cmap dir/Adobe-GB1-UCS2", "tounicode");
    std::string conf = write("c.lst",
                             "cMapDir Adobe-GB1 " + path("none") + "\n"
                             "cMapDir Adobe-GB1 one\n"
                             "cMapDir Adobe-GB1 two\n"
                             "toUnicodeDir /no/such/dir\n"
                             "toUnicodeDir \"cmap dir\"\n");
    GlobalSettings s(conf.c_str());
    EXPECT_EQ(firstLine(s.findCMapFile("Adobe-GB1", "UniGB-UCS2-H")), "from one");
    EXPECT_EQ(firstLine(s.findCMapFile("Adobe-GB1", "GBK-EUC-H")), "gbk from two");
    EXPECT_EQ(s.findCMapFile("Adobe-GB1", "Missing-H"), nullptr);
    EXPECT_EQ(s.findCMapFile("Adobe-Japan1", "UniGB-UCS2-H"), nullptr);
    EXPECT_EQ(firstLine(s.findToUnicodeFile("Adobe-GB1-UCS2")), "tounicode");
    EXPECT_EQ(s.findToUnicodeFile("Nothing"), nullptr);
}

TEST_F(SettingsLookups, CMapFoundByBaseNameInResourceCMap) {
    write("data/Resource/CMap/90ms-RKSJ-H", "installed");
    std::string conf = write("c.lst", "cMapDir Adobe-Japan1 /not/installed/here\n");
    GlobalSettings s(conf.c_str());
    EXPECT_EQ(firstLine(s.findCMapFile("Adobe-Japan1", "90ms-RKSJ-H")), "installed");
}

TEST_F(SettingsLookups, RelativeFoldersAlsoComeFromTheDataFolder) {
    write("data/Resource/CMap/Adobe-Japan1/90ms-RKSJ-H", "installed cmap");
    write("data/fonts/Foo.pfb", "");
    write("Resource/CMap/Adobe-Japan1/UniJIS-UCS2-H", "current folder first");
    write("data/Resource/CMap/Adobe-Japan1/UniJIS-UCS2-H", "data folder second");
    std::string conf = write("c.lst", "cMapDir Adobe-Japan1 Resource/CMap/Adobe-Japan1\nfontDir fonts\n");
    GlobalSettings s(conf.c_str());
    EXPECT_EQ(firstLine(s.findCMapFile("Adobe-Japan1", "90ms-RKSJ-H")), "installed cmap");
    EXPECT_EQ(firstLine(s.findCMapFile("Adobe-Japan1", "UniJIS-UCS2-H")), "current folder first");
    PdfString found;
    ASSERT_TRUE(s.findFontFile("Foo", ".pfa", ".pfb", &found));
    EXPECT_TRUE(found == path("data/fonts/Foo.pfb"));
    // An absolute folder is taken as it is.
    std::string absolute = write("c2.lst", "cMapDir Adobe-Japan1 /Resource/CMap/Adobe-Japan1\n");
    GlobalSettings s2(absolute.c_str());
    EXPECT_EQ(s2.findCMapFile("Adobe-Japan1", "90ms-RKSJ-H"), nullptr);
}

TEST_F(SettingsLookups, FontFilesByDirectoryThenExtension) {
    write("fa/Foo.pfb", "");
    write("fb/Foo.pfa", "");
    write("fb/Bar.ttf", "");
    std::string conf = write("c.lst", "fontDir fa\nfontDir fb\n");
    GlobalSettings s(conf.c_str());
    PdfString found;
    ASSERT_TRUE(s.findFontFile("Foo", ".pfa", ".pfb", &found));
    EXPECT_TRUE(found == path("fa/Foo.pfb"));  // the first folder wins over the first extension
    ASSERT_TRUE(s.findFontFile("Bar", ".ttf", nullptr, &found));
    EXPECT_TRUE(found == path("fb/Bar.ttf"));
    EXPECT_FALSE(s.findFontFile("Bar", ".pfa", ".pfb", &found));
    EXPECT_FALSE(s.findFontFile("Baz", ".ttf", nullptr, &found));
    GlobalSettings noDirs("");
    EXPECT_FALSE(noDirs.findFontFile("Foo", ".pfb", nullptr, &found));
}

TEST_F(SettingsLookups, BuiltinMapsAreSharedAndNeverCached) {
    GlobalSettings s("");
    for (const char* name : {"Latin1", "ASCII7", "Symbol", "ZapfDingbats", "UTF-8"}) {
        UnicodeMap* a = s.getUnicodeMap(name);
        UnicodeMap* b = s.getUnicodeMap(name);
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a, b);
        EXPECT_EQ(a->refCount(), 3);
        EXPECT_TRUE(a->encodingName() == name);
        a->release();
        b->release();
    }
    for (int i = 0; i < s.unicodeMapCache().slotCount(); ++i) EXPECT_EQ(s.unicodeMapCache().slot(i), nullptr);
    ErrorCapture errors;
    EXPECT_EQ(s.getUnicodeMap("latin1"), nullptr);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Couldn't find unicodeMap file for the 'latin1' encoding"});
}

TEST_F(SettingsLookups, FileMapsCacheEvictsLeastRecentlyUsed) {
    std::string conf;
    for (int i = 1; i <= 5; ++i) {
        std::string name = "Enc" + std::to_string(i);
        write("data/Resource/" + name + ".map", "0041 0" + std::to_string(i) + "\n");
        conf += "unicodeMap " + name + " " + name + ".map\n";
    }
    conf += "unicodeMap Gone gone.map\n";
    std::string confPath = write("c.lst", conf);
    GlobalSettings s(confPath.c_str());
    MapCache<UnicodeMap>& cache = s.unicodeMapCache();
    auto slotName = [&](int i) { return std::string(cache.slot(i) ? cache.slot(i)->encodingName().text() : "-"); };

    for (const char* name : {"Enc1", "Enc2", "Enc3", "Enc4"}) {
        UnicodeMap* m = s.getUnicodeMap(name);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->refCount(), 2);  // the caller's and the cache's
        uint8_t out[4];
        ASSERT_EQ(m->mapUnicode(0x41, out, 4), 1);
        EXPECT_EQ(out[0], name[3] - '0');
        m->release();
    }
    EXPECT_EQ(slotName(0) + slotName(1) + slotName(2) + slotName(3), "Enc4Enc3Enc2Enc1");

    UnicodeMap* again = s.getUnicodeMap("Enc1");  // a hit moves to the front
    UnicodeMap* cached1 = cache.slot(0);
    EXPECT_EQ(again, cached1);
    EXPECT_EQ(slotName(0) + slotName(1) + slotName(2) + slotName(3), "Enc1Enc4Enc3Enc2");

    UnicodeMap* five = s.getUnicodeMap("Enc5");  // Enc2 is the least recently used
    EXPECT_EQ(slotName(0) + slotName(1) + slotName(2) + slotName(3), "Enc5Enc1Enc4Enc3");
    five->release();

    // A held map stays usable after the cache lets go of it.
    for (const char* name : {"Enc2", "Enc3", "Enc4", "Enc5"}) s.getUnicodeMap(name)->release();
    EXPECT_EQ(slotName(0) + slotName(1) + slotName(2) + slotName(3), "Enc5Enc4Enc3Enc2");
    EXPECT_EQ(again->refCount(), 1);
    uint8_t out[4];
    EXPECT_EQ(again->mapUnicode(0x41, out, 4), 1);
    again->release();

    ErrorCapture errors;
    EXPECT_EQ(s.getUnicodeMap("Gone"), nullptr);
    EXPECT_EQ(errors.messages(), std::vector<std::string>{"Couldn't find unicodeMap file for the 'Gone' encoding"});
    EXPECT_EQ(slotName(0), "Enc5");
}

TEST_F(SettingsLookups, MissingNamesFindNothing) {
    std::string conf = write("c.lst", "cMapDir A dir\nfontDir dir\ntoUnicodeDir dir\n");
    write("dir/.pfb", "");
    GlobalSettings s(conf.c_str());
    EXPECT_EQ(s.mapNameToUnicode(nullptr), 0);
    EXPECT_EQ(s.getUnicodeMap(nullptr), nullptr);
    EXPECT_EQ(s.getDisplayFont(nullptr), nullptr);
    EXPECT_EQ(s.getDisplayCIDFont(nullptr), nullptr);
    EXPECT_EQ(s.findCMapFile(nullptr, "x"), nullptr);
    EXPECT_EQ(s.findCMapFile("A", nullptr), nullptr);
    EXPECT_EQ(s.findToUnicodeFile(nullptr), nullptr);
    EXPECT_EQ(s.findCidToUnicodeFile(nullptr), nullptr);
    EXPECT_EQ(s.findUnicodeMapFile(nullptr), nullptr);
    PdfString found;
    EXPECT_FALSE(s.findFontFile("", ".pfb", nullptr, &found));
    EXPECT_FALSE(s.findFontFile(nullptr, ".pfb", nullptr, &found));
}

TEST_F(SettingsLookups, BuildingTwiceLeavesNothingBehind) {
    write("data/Resource/x.map", "0020 007e 20\n");
    std::string conf = write("c.lst", "unicodeMap X x.map\nfontDir /f\ncMapDir A /a\ndisplayFontTT F f.ttf\n");
    createGlobalSettings(conf.c_str());
    ASSERT_NE(globalSettings, nullptr);
    UnicodeMap* held = globalSettings->getUnicodeMap("X");
    ASSERT_NE(held, nullptr);
    createGlobalSettings(conf.c_str());  // replaces the first
    ASSERT_NE(globalSettings, nullptr);
    EXPECT_EQ(globalSettings->fontDirs().size(), 1u);
    uint8_t out[2];
    EXPECT_EQ(held->mapUnicode('A', out, 2), 1);  // still ours after its settings went away
    held->release();
    globalSettings->getUnicodeMap("X")->release();
    destroyGlobalSettings();
    EXPECT_EQ(globalSettings, nullptr);
    destroyGlobalSettings();  // harmless when none exist
    createGlobalSettings("");
    EXPECT_EQ(globalSettings->mapNameToUnicode("A"), 0x41);
    destroyGlobalSettings();
}

}  // namespace
}  // namespace qm
