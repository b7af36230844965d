#include <gtest/gtest.h>

#include "convert/settings.h"
#include "convert_test_support.h"
#include "platform/system/data_dir.h"
#include "platform/system/profile_file.h"

namespace qm {
namespace {

using test::readFileText;

class SettingsStoreTest : public test::SettingsSandbox {};

TEST_F(SettingsStoreTest, WritingOneValueKeepsTheInstalledEntries) {
    const std::string installed = dataDirectory() + "/config.ini";
    const std::string defaultFont = readProfileString(installed, "FontNameMapping", "DefaultFontName", "");
    ASSERT_FALSE(defaultFont.empty());
    ASSERT_TRUE(Settings::write(Setting::runGapLimit, 7));
    // The user's copy now stands in for the installed file, font-name mapping included.
    EXPECT_EQ(configIniPath(), configFolder() + "/config.ini");
    EXPECT_EQ(readProfileString(configIniPath(), "FontNameMapping", "DefaultFontName", ""), defaultFont);
    EXPECT_EQ(Settings::readInt(Setting::runGapLimit), 7);
    // The installed file is left as it was.
    EXPECT_EQ(readProfileInt(installed, "VELLUMX", "CharSpaces", -1), 50);
    // A second write changes the copy, not anything else.
    ASSERT_TRUE(Settings::write(Setting::runGapLimit, 9));
    EXPECT_EQ(readProfileString(configIniPath(), "FontNameMapping", "DefaultFontName", ""), defaultFont);
    EXPECT_NE(readFileText(configIniPath()).find("CharSpaces=9"), std::string::npos);
}

TEST_F(SettingsStoreTest, StoredValuesIgnoreTheRunsOverrides) {
    ASSERT_TRUE(Settings::write(Setting::zoom, 120));
    ASSERT_TRUE(Settings::write(Setting::pageTitle, "stored"));
    Settings::setOverride(Setting::zoom, 150);
    Settings::setOverride(Setting::pageTitle, "switch");
    EXPECT_EQ(Settings::readInt(Setting::zoom), 150);
    EXPECT_EQ(Settings::readStoredInt(Setting::zoom), 120);
    EXPECT_EQ(Settings::readText(Setting::pageTitle), "switch");
    EXPECT_EQ(Settings::readStoredText(Setting::pageTitle), "stored");
    // Nothing stored: the defaults; the wrong type: the asked type's empty value.
    EXPECT_EQ(Settings::readStoredInt(Setting::jpegQuality), 75);
    EXPECT_EQ(Settings::readStoredText(Setting::lastOpenPath).front(), '/');
    EXPECT_EQ(Settings::readStoredInt(Setting::pageTitle), 0);
    EXPECT_EQ(Settings::readStoredText(Setting::zoom), "");
    // Memory-only settings have nothing stored.
    Settings::setOverride(Setting::quiet, 1);
    EXPECT_EQ(Settings::readStoredInt(Setting::quiet), 0);
}

}  // namespace
}  // namespace qm
