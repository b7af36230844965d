#include "convert/settings.h"

#include <set>
#include <utility>

#include "convert_test_support.h"
#include "platform/system/profile_file.h"
#include "render/embedded_fonts.h"

namespace qm {
namespace {

using test::readFileText;
using test::writeFileText;

class SettingsTest : public test::SettingsSandbox {};

TEST_F(SettingsTest, FreshInstallationGivesTheDefaults) {
    // All pages at zoom 100, JPEG quality 75 in colour, links, spaces, run gap 50.
    EXPECT_EQ(Settings::readInt(Setting::zoom), 100);
    EXPECT_EQ(Settings::readInt(Setting::pageRangeType), 0);
    EXPECT_EQ(Settings::readInt(Setting::pageFrom), 1);
    EXPECT_EQ(Settings::readInt(Setting::pageTo), 100000);
    EXPECT_EQ(Settings::readInt(Setting::jpegQuality), 75);
    EXPECT_FALSE(Settings::readFlag(Setting::grayscale));
    EXPECT_TRUE(Settings::readFlag(Setting::enableLinks));
    EXPECT_TRUE(Settings::readFlag(Setting::insertSpaces));
    EXPECT_EQ(Settings::readInt(Setting::runGapLimit), 50);
    EXPECT_EQ(Settings::readInt(Setting::backgroundColour), 0xFFFFFF);
    EXPECT_FALSE(Settings::readFlag(Setting::continuousMode));
    EXPECT_FALSE(Settings::readFlag(Setting::removePictures));
    EXPECT_EQ(Settings::readInt(Setting::convertType), kConvertToHtml);
    EXPECT_EQ(Settings::readText(Setting::pageTitle), "");
    EXPECT_EQ(Settings::readText(Setting::userPassword), "");
    EXPECT_EQ(Settings::readText(Setting::homepageUrl), "");
    EXPECT_FALSE(Settings::readFlag(Setting::quiet));
    EXPECT_FALSE(Settings::readFlag(Setting::overwrite));
    // The open dialog starts in a folder that exists.
    EXPECT_EQ(Settings::readText(Setting::lastOpenPath).front(), '/');
    // Reading creates nothing.
    EXPECT_FALSE(isDirectory(configFolder()));
}

TEST_F(SettingsTest, EveryStoredSettingHasItsOwnSectionAndEntry) {
    std::set<std::pair<std::string, std::string>> seen;
    size_t index = 0;
    for (const SettingInfo& s : Settings::all()) {
        EXPECT_EQ(static_cast<size_t>(s.id), index++);
        EXPECT_EQ(&Settings::info(s.id), &s);
        if (s.store == SettingStore::memory) continue;
        ASSERT_NE(s.section, nullptr);
        std::string file = s.store == SettingStore::configIni ? "config.ini" : "profile";
        EXPECT_TRUE(seen.emplace(file + "/" + s.section, s.entry).second) << s.section << " " << s.entry;
    }
    EXPECT_EQ(Settings::info(Setting::jpegQuality).section, std::string("CRasterImage"));
    EXPECT_EQ(Settings::info(Setting::jpegQuality).entry, std::string("m_iJPGQuality"));
    EXPECT_EQ(Settings::info(Setting::runGapLimit).entry, std::string("CharSpaces"));
    EXPECT_EQ(Settings::info(Setting::insertSpaces).section, std::string("VELLUMX"));
}

TEST_F(SettingsTest, ReadsWhatIsWrittenAndValuesWrittenByHand) {
    EXPECT_TRUE(Settings::write(Setting::jpegQuality, 40));
    EXPECT_TRUE(Settings::write(Setting::pageTitle, "My <book>"));
    EXPECT_EQ(Settings::readInt(Setting::jpegQuality), 40);
    EXPECT_EQ(Settings::readText(Setting::pageTitle), "My <book>");
    const std::string profile = applicationProfilePath();
    EXPECT_EQ(profile, configFolder() + "/vellumix.ini");
    EXPECT_NE(readFileText(profile).find("m_iJPGQuality=40"), std::string::npos);

    // Values are not limited when read: a zoom of 300 typed into the file is used as it is.
    writeFileText(profile, "[ZoomRatio]\nZoom=300\n[CHTMLPage]\nm_clBackground=255\n");
    EXPECT_EQ(Settings::readInt(Setting::zoom), 300);
    EXPECT_EQ(Settings::readInt(Setting::backgroundColour), 0x0000FF);
    // Each read goes back to the file: a change shows at once.
    writeFileText(profile, "[ZoomRatio]\nZoom=150\n");
    EXPECT_EQ(Settings::readInt(Setting::zoom), 150);
}

TEST_F(SettingsTest, ConfigIniChangesGoToTheUsersCopy) {
    EXPECT_EQ(Settings::readInt(Setting::runGapLimit), 50);  // the installed default file
    EXPECT_TRUE(Settings::write(Setting::runGapLimit, 0));
    EXPECT_EQ(Settings::readInt(Setting::runGapLimit), 0);
    EXPECT_NE(readFileText(configFolder() + "/config.ini").find("CharSpaces=0"), std::string::npos);
    // Written settings land in their own file, not the profile.
    EXPECT_EQ(readFileText(applicationProfilePath()).find("CharSpaces"), std::string::npos);
}

TEST_F(SettingsTest, TheEmbeddedFontsOptionIsTheOneTheRendererReads) {
    EXPECT_TRUE(Settings::readFlag(Setting::embeddedFonts));
    EXPECT_TRUE(embeddedFontsEnabled());
    ASSERT_TRUE(Settings::write(Setting::embeddedFonts, 0));
    EXPECT_FALSE(embeddedFontsEnabled());
    EXPECT_NE(readFileText(configFolder() + "/config.ini").find("EmbeddedFonts=0"), std::string::npos);
}

TEST_F(SettingsTest, OverridesWinForThisRunAndAreNeverWritten) {
    ASSERT_TRUE(Settings::write(Setting::zoom, 120));
    Settings::setOverride(Setting::zoom, 75);
    Settings::setOverride(Setting::userPassword, "secret");
    Settings::setOverride(Setting::quiet, 1);
    EXPECT_EQ(Settings::readInt(Setting::zoom), 75);
    EXPECT_EQ(Settings::readText(Setting::userPassword), "secret");
    EXPECT_TRUE(Settings::readFlag(Setting::quiet));
    // A write under an override reaches the file but the override stays in force.
    ASSERT_TRUE(Settings::write(Setting::zoom, 130));
    EXPECT_EQ(Settings::readInt(Setting::zoom), 75);
    const std::string profile = readFileText(applicationProfilePath());
    EXPECT_EQ(profile.find("secret"), std::string::npos);
    EXPECT_EQ(profile.find("75"), std::string::npos);

    Settings::clearOverride(Setting::zoom);
    EXPECT_EQ(Settings::readInt(Setting::zoom), 130);
    Settings::clearOverrides();
    EXPECT_EQ(Settings::readText(Setting::userPassword), "");
    EXPECT_FALSE(Settings::readFlag(Setting::quiet));
}

TEST_F(SettingsTest, TypeMismatchesAndRunOnlySettingsAreRefused) {
    EXPECT_FALSE(Settings::write(Setting::zoom, "100"));
    EXPECT_FALSE(Settings::write(Setting::pageTitle, 5));
    EXPECT_FALSE(Settings::write(Setting::overwrite, 1));
    Settings::setOverride(Setting::zoom, "fast");  // ignored: zoom is a number
    EXPECT_EQ(Settings::readInt(Setting::zoom), 100);
    EXPECT_EQ(Settings::readText(Setting::zoom), "");
    EXPECT_FALSE(isDirectory(configFolder()));
}

TEST_F(SettingsTest, JpegQualityOutsideOneToHundredLeavesTheEncodersDefault) {
    for (int q : {0, 101, -5}) {
        Settings::setOverride(Setting::jpegQuality, q);
        EXPECT_EQ(Settings::jpegQualityOrDefault(), 0) << q;
    }
    Settings::setOverride(Setting::jpegQuality, 1);
    EXPECT_EQ(Settings::jpegQualityOrDefault(), 1);
    Settings::setOverride(Setting::jpegQuality, 100);
    EXPECT_EQ(Settings::jpegQualityOrDefault(), 100);
}

}  // namespace
}  // namespace qm
