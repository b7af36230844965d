#include "platform/system/code_page.h"

#include <gtest/gtest.h>

#include "core/report_error.h"

namespace qm {
namespace {

TEST(CodePage, Utf16AndUtf8RoundTripIncludingSupplementaryCharacters) {
    const std::u16string text = u"A\u00e9\u6587\U0001F600z";
    const std::string utf8 = utf16ToUtf8(text);
    EXPECT_EQ(utf8, "A\xC3\xA9\xE6\x96\x87\xF0\x9F\x98\x80z");
    EXPECT_EQ(utf8ToUtf16(utf8), text);
    EXPECT_EQ(utf16ToOutput(text), utf8);  // the output code page is UTF-8
    EXPECT_EQ(outputToUtf16(utf8), text);
}

TEST(CodePage, BrokenInputBecomesReplacementCharactersWithoutLosingTheRest) {
    // Unpaired surrogates, alone or in the wrong order.
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, 0xDC00, 0xD800};
    EXPECT_EQ(utf16ToUtf8(std::u16string_view(lone, 6)),
              "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // Stray continuation, truncated sequence, overlong form, encoded surrogate, too large.
    EXPECT_EQ(utf8ToUtf16("x\x80y"), u"x\uFFFDy");
    EXPECT_EQ(utf8ToUtf16("x\xE6\x96"), u"x\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xE6\x96z"), u"\uFFFDz");
    EXPECT_EQ(utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(utf8ToUtf16("\xF4\x90\x80\x80!"), u"\uFFFD\uFFFD\uFFFD\uFFFD!");
}

TEST(CodePage, LegacyDoubleByteTextDecodesThroughIconv) {
    // The default face of the font-name mapping, in Shift-JIS.
    auto face = codePageToUtf16("\x82\x6C\x82\x72\x20\x96\xBE\x92\xA9", codePageForCharset(128));
    ASSERT_TRUE(face.has_value());
    EXPECT_EQ(*face, u"\uFF2D\uFF33 \u660E\u671D");
    auto gbk = codePageToUtf16("\xCB\xCE\xCC\xE5", codePageName(936));
    ASSERT_TRUE(gbk.has_value());
    EXPECT_EQ(*gbk, u"\u5B8B\u4F53");
    // A bad lead byte and a truncated last character become U+FFFD; the rest survives.
    auto broken = codePageToUtf16("a\xFF" "b\x82", "CP932");
    ASSERT_TRUE(broken.has_value());
    EXPECT_EQ(*broken, u"a\uFFFDb\uFFFD");
}

TEST(CodePage, CharactersTheCodePageLacksBecomeItsDefaultCharacter) {
    const char16_t text[] = {u'A', 0x00E9, 0x6587, 0xD83D, 0xDE00, 0xD800, u'z'};
    auto latin = utf16ToCodePage(std::u16string_view(text, 7), "CP1252");
    ASSERT_TRUE(latin.has_value());
    EXPECT_EQ(*latin, "A\xE9??" "?z");  // the pair gives one '?', the lone surrogate one
    auto sjis = utf16ToCodePage(u"\uFF2D\u00e9", "CP932", '_');
    ASSERT_TRUE(sjis.has_value());
    EXPECT_EQ(*sjis, "\x82\x6C_");
}

TEST(CodePage, UnknownCodePagesAreReported) {
    ErrorCapture errors;
    EXPECT_FALSE(codePageToUtf16("abc", "NO-SUCH-CODEPAGE").has_value());
    EXPECT_FALSE(utf16ToCodePage(u"abc", "NO-SUCH-CODEPAGE").has_value());
    EXPECT_EQ(errors.count("Unknown code page 'NO-SUCH-CODEPAGE'"), 2);
    EXPECT_EQ(codePageName(12345), nullptr);
    EXPECT_EQ(codePageForCharset(77), nullptr);
    EXPECT_STREQ(codePageForCharset(136), "BIG5");
}

}  // namespace
}  // namespace qm
