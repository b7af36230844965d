#pragma once
// Making texts from a PDF safe to place in the HTML, SVG and site pages we write: attribute
// and element text, XML text, a CSS font family, link targets, and the one-glyph texts of
// text runs. Every writer escapes through here.
#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

// `&`, `<`, `>` and `"` as character references; everything else unchanged.
void appendEscapedHtml(std::string& out, std::string_view text);
std::string escapeHtml(std::string_view text);

// Text for XML (SVG) element content or a quoted attribute: markup characters, the
// apostrophe included, as references, and what XML 1.0 forbids (control characters other
// than tab and line ends, U+FFFE, U+FFFF) left out.
void appendXmlText(std::string& out, std::string_view text);

// A font family for a CSS declaration: unquoted when it is a plain sequence of identifiers
// (Arial, Times New Roman), else a quoted CSS string in which quotes, backslashes, angle
// brackets and control characters are escaped, so it can end neither the declaration nor
// the style element.
std::string cssFontFamily(std::string_view face);

// True for link targets whose scheme runs code in the browser (javascript:, vbscript:,
// data:), compared the way browsers read a scheme: without case, leading blanks or control
// characters, and tabs or line breaks inside it.
bool isScriptTarget(std::string_view target);

// A file name for a src attribute: escaped for HTML, with the characters a URL reads as
// delimiters ('%', '#', '?') percent-encoded so the name still names the file.
std::string fileNameAttribute(std::string_view name);

// The HTML of one glyph's text in the output code page. A text whose first two bytes are a
// double-byte quotation mark of the GB code page is read as that ASCII mark; then the first
// byte decides: a blank, a quote, an ampersand or an angle bracket writes only its HTML
// form; any other text is written up to its first zero byte, with the special characters
// after the first escaped as well.
void appendGlyphHtml(std::string& out, std::string_view bytes);

// An opacity of 0..255 as a CSS or SVG number between 0 and 1 ("0.502"), written the same
// whatever the locale.
std::string opacityText(uint8_t opacity);

}  // namespace qm
