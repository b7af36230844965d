#pragma once
// Text conversion between the engine's UTF-16 and the byte encodings of file names, HTML
// and SVG output ("the output code page") and of legacy double-byte texts.
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// The one place that names the output code page. With UTF-8 every character has a form;
// unpaired surrogates become U+FFFD.
inline constexpr const char* kOutputCodePage = "UTF-8";

std::string utf16ToOutput(std::u16string_view text);
std::u16string outputToUtf16(std::string_view bytes);

// UTF-16 <-> UTF-8 without iconv. Unpaired surrogates and malformed UTF-8 sequences
// become U+FFFD (one per maximal ill-formed subpart).
std::string utf16ToUtf8(std::u16string_view text);
std::u16string utf8ToUtf16(std::string_view bytes);
// Shortens well-formed UTF-8 to at most maxBytes bytes, between two characters.
void cutUtf8(std::string& text, size_t maxBytes);

// Any code page iconv knows ("CP932", "GBK", "CP1252", ...). Characters the code page lacks
// become `defaultChar`; bytes that do not decode become U+FFFD. An unknown code page is
// reported and gives nothing.
std::optional<std::string> utf16ToCodePage(std::u16string_view text, const char* codePage,
                                           char defaultChar = '?');
std::optional<std::u16string> codePageToUtf16(std::string_view bytes, const char* codePage);

// The iconv name of a Windows code page number (932, 936, 949, 950, 1250..1258, 65001) or of
// the code page of a font character set (128 Shift-JIS, 129 Hangul, 134 GB2312, 136 Big5,
// 0 ANSI ...); null when there is none.
const char* codePageName(int windowsCodePage);
const char* codePageForCharset(int charset);

}  // namespace qm
