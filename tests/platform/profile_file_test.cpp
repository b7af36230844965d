#include "platform/system/profile_file.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "core/report_error.h"
#include "temp_folder.h"

namespace qm {
namespace {

using test::readFileText;
using test::TempFolder;
using test::writeFileText;

TEST(ProfileFile, MissingFileSectionOrKeyGivesTheDefaults) {
    TempFolder dir;
    std::string file = dir / "none.ini";
    EXPECT_EQ(readProfileInt(file, "ZoomRatio", "Zoom", 100), 100);
    EXPECT_EQ(readProfileString(file, "CHTMLPage", "m_szPageTitle", "dflt"), "dflt");

    writeFileText(file, "[ZoomRatio]\nZoom=300\n");
    EXPECT_EQ(readProfileInt(file, "ZoomRatio", "Zoom", 100), 300);
    EXPECT_EQ(readProfileInt(file, "ZoomRatio", "Other", 7), 7);
    EXPECT_EQ(readProfileInt(file, "PageRange", "Zoom", 8), 8);
}

// Entries are kept between reads, but a file changed in any way is read again: rewritten in
// place to the same size (within the same tick of the clock, or with its old time put back),
// replaced by another file, grown, or removed.
TEST(ProfileFile, AFileChangedByAnyoneIsReadAgain) {
    TempFolder dir;
    std::string file = dir / "c.ini";
    writeFileText(file, "[S]\nk=1\n");
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 1);
    writeFileText(file, "[S]\nk=2\n");
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 2);
    // Settled: its lines are kept from now on, until the file changes.
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 2);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    writeFileText(file, "[S]\nk=3\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 3);
    writeFileText(file, "[S]\nk=44\n");
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 44);
    const std::string other = dir / "other.ini";
    writeFileText(other, "[S]\nk=55\n");
    ASSERT_EQ(::rename(other.c_str(), file.c_str()), 0);
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 55);
    ASSERT_TRUE(writeProfileInt(file, "S", "k", 66));
    EXPECT_EQ(readProfileInt(file, "S", "k", 0), 66);
    ASSERT_EQ(::unlink(file.c_str()), 0);
    EXPECT_EQ(readProfileInt(file, "S", "k", 7), 7);
}

TEST(ProfileFile, ReadsIgnoreCaseTrimBlanksAndQuotesAndStopAtTheNextSection) {
    TempFolder dir;
    std::string file = dir / "a.ini";
    writeFileText(file,
                  "; comment=ignored\r\n"
                  "[CHTMLPage]\r\n"
                  "  m_szPageTitle =  My \"Site\"  \r\n"
                  "m_szPageKeywords=\"  spaced  \"\r\n"
                  "no equals sign here\r\n"
                  "[ Other ]\r\n"
                  "m_iPageTitle=1\r\n");
    EXPECT_EQ(readProfileString(file, "chtmlpage", "M_SZPAGETITLE", ""), "My \"Site\"");
    EXPECT_EQ(readProfileString(file, "CHTMLPage", "m_szPageKeywords", ""), "  spaced  ");
    EXPECT_EQ(readProfileInt(file, "CHTMLPage", "m_iPageTitle", 5), 5);
    EXPECT_EQ(readProfileInt(file, "other", "m_iPageTitle", 5), 1);
    EXPECT_EQ(readProfileString(file, "CHTMLPage", "comment", "d"), "d");
}

TEST(ProfileFile, IntegersAreDecimalWithGarbageReadingAsZeroAndClamping) {
    TempFolder dir;
    std::string file = dir / "n.ini";
    writeFileText(file,
                  "[S]\nbg=16777215\nneg=-12\ntail=42px\nhex=0x10\nword=abc\nempty=\n"
                  "big=99999999999\nsmall=-99999999999\n");
    EXPECT_EQ(readProfileInt(file, "S", "bg", 0), 0xFFFFFF);
    EXPECT_EQ(readProfileInt(file, "S", "neg", 0), -12);
    EXPECT_EQ(readProfileInt(file, "S", "tail", 0), 42);
    EXPECT_EQ(readProfileInt(file, "S", "hex", 9), 0);
    EXPECT_EQ(readProfileInt(file, "S", "word", 9), 0);
    EXPECT_EQ(readProfileInt(file, "S", "empty", 9), 0);
    EXPECT_EQ(readProfileInt(file, "S", "big", 0), 2147483647);
    EXPECT_EQ(readProfileInt(file, "S", "small", 0), -2147483647 - 1);
}

TEST(ProfileFile, WritesSurviveARereadAndKeepEverythingElse) {
    TempFolder dir;
    std::string file = dir / "sub/folder/app.ini";  // missing folders are created
    ASSERT_TRUE(writeProfileInt(file, "ZoomRatio", "Zoom", 150));
    ASSERT_TRUE(writeProfileString(file, "CHTMLPage", "m_szPageTitle", "Title"));
    ASSERT_TRUE(writeProfileInt(file, "ZoomRatio", "Other", -3));
    ASSERT_TRUE(writeProfileInt(file, "zoomratio", "ZOOM", 75));  // replaces, any case
    EXPECT_EQ(readFileText(file), "[ZoomRatio]\nZOOM=75\nOther=-3\n[CHTMLPage]\nm_szPageTitle=Title\n");
    EXPECT_EQ(readProfileInt(file, "ZoomRatio", "Zoom", 0), 75);
    EXPECT_EQ(readProfileString(file, "CHTMLPage", "m_szPageTitle", ""), "Title");

    // Comments, blank lines, unknown lines and CRLF line ends of a hand-written file stay.
    std::string hand = dir / "hand.ini";
    writeFileText(hand, "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\njunk line\r\ny=2");
    ASSERT_TRUE(writeProfileString(hand, "A", "z", "3"));
    ASSERT_TRUE(writeProfileString(hand, "B", "y", "4"));
    EXPECT_EQ(readFileText(hand), "; keep me\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\njunk line\r\ny=4\r\n");
}

bool crashBeforeRename() { return false; }

TEST(ProfileFile, ACrashBetweenWriteAndRenameLeavesTheOldFileIntact) {
    TempFolder dir;
    std::string file = dir / "app.ini";
    ASSERT_TRUE(writeProfileInt(file, "CRasterImage", "m_iJPGQuality", 75));
    const std::string before = readFileText(file);

    detail::setProfileRenameHook(crashBeforeRename);
    bool written = writeProfileInt(file, "CRasterImage", "m_iJPGQuality", 20);
    detail::setProfileRenameHook(nullptr);
    EXPECT_FALSE(written);
    EXPECT_EQ(readFileText(file), before);
    EXPECT_EQ(readProfileInt(file, "CRasterImage", "m_iJPGQuality", 0), 75);
    // The abandoned temporary file does not disturb the next write.
    ASSERT_TRUE(writeProfileInt(file, "CRasterImage", "m_iJPGQuality", 20));
    EXPECT_EQ(readProfileInt(file, "CRasterImage", "m_iJPGQuality", 0), 20);
}

TEST(ProfileFile, EntriesThatWouldBreakTheFileAreRefusedAndNothingIsLost) {
    TempFolder dir;
    std::string file = dir / "app.ini";
    ASSERT_TRUE(writeProfileString(file, "S", "k", "v"));
    const std::string before = readFileText(file);
    ErrorCapture errors;
    EXPECT_FALSE(writeProfileString(file, "S", "k", "two\nlines"));
    EXPECT_FALSE(writeProfileString(file, "S", "a=b", "v"));
    EXPECT_FALSE(writeProfileString(file, "S]x", "k", "v"));
    EXPECT_FALSE(writeProfileString(file, "", "k", "v"));
    EXPECT_FALSE(writeProfileString(file, "S", " ", "v"));
    EXPECT_EQ(errors.messages().size(), 5u);
    EXPECT_TRUE(errors.contains("Bad profile entry [S] a=b"));
    EXPECT_EQ(readFileText(file), before);

    // A path that exists but cannot be read as a file is not overwritten.
    std::string folder = dir / "folder.ini";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    errors.clear();
    EXPECT_FALSE(writeProfileString(folder, "S", "k", "v"));
    EXPECT_TRUE(isDirectory(folder));
    EXPECT_EQ(errors.messages().size(), 1u);
    EXPECT_EQ(readProfileInt(folder, "S", "k", 4), 4);
}

TEST(ProfileFile, ApplicationFilesLiveInTheUserConfigFolder) {
    TempFolder dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    EXPECT_EQ(applicationProfilePath(), dir / "vellumix/vellumix.ini");
    EXPECT_EQ(configIniWritePath(), dir / "vellumix/config.ini");
    // Without a user copy, config.ini comes from the installed data.
    EXPECT_EQ(configIniPath(), dataDirectory() + "/config.ini");
    EXPECT_EQ(readProfileInt(configIniPath(), "VELLUMX", "CharSpaces", 0), 50);
    ASSERT_TRUE(writeProfileInt(configIniWritePath(), "VELLUMX", "CharSpaces", 0));
    EXPECT_EQ(configIniPath(), dir / "vellumix/config.ini");
    ::setenv("XDG_CONFIG_HOME", "relative/path", 1);  // not absolute: ignored
    EXPECT_NE(userConfigDirectory().rfind("relative", 0), 0u);
    if (old)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace qm
