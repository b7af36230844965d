// The page text of the site's search, from the display list to the index files.
#include "convert/search_index.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "convert/path_parts.h"
#include "platform/system/code_page.h"

namespace qm {

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0x3000 || c == u'\r' || c == u'\n'; }

// Glyph layout decides the blanks: PDFs rarely draw a space character, they move the pen.
// A gap wider than this share of the em (or a step back, or another line) starts a word.
constexpr double kWordGap = 0.15;

struct Pen {
    int32_t x = 0, y = 0, end = 0, height = 0, orientation = 0;
    std::u16string_view text;
};

bool startsNewWord(const Pen& before, const TextItem& t) {
    if (t.orientation != before.orientation) return true;
    const int32_t em = std::max<int32_t>({t.height, before.height, 1});
    if (t.orientation != 0) return false;  // rotated runs come glyph by glyph along their baseline
    if (std::abs(static_cast<int64_t>(t.y) - before.y) * 3 > em) return true;
    const int64_t gap = static_cast<int64_t>(t.x) - before.end;
    return gap > kWordGap * em || gap < -em / 2;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

void appendHex4(std::u16string& out, char16_t c) {
    static const char digits[] = "0123456789abcdef";
    out += u"\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(static_cast<char16_t>(digits[(c >> shift) & 0xF]));
}

}  // namespace

std::string pageSearchText(const PageObject& page) {
    std::u16string out;
    Pen pen;
    bool any = false;
    for (int32_t i = 0; i < page.itemCount && page.items != nullptr; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr) continue;
        const TextItem& t = *item.record.text;
        if (t.text == nullptr || t.count <= 0) continue;
        std::u16string_view text(reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count));
        if (any && t.x == pen.x && t.y == pen.y && text == pen.text) continue;  // overprinted
        if (any && startsNewWord(pen, t) && !out.empty() && out.back() != u' ') out.push_back(u' ');
        for (char16_t c : text) {
            if (isBlank(c)) {
                if (!out.empty() && out.back() != u' ') out.push_back(u' ');
            } else if (c >= 0x20 && c != 0x7F && c != 0xFFFF) {
                out.push_back(c);
            }
        }
        pen = Pen{t.x, t.y, t.x + t.advance, t.height, t.orientation, text};
        any = true;
        if (out.size() * 3 > kSearchTextBytesPerPage) break;
    }
    while (!out.empty() && out.back() == u' ') out.pop_back();
    std::string utf8 = utf16ToUtf8(out);
    cutUtf8(utf8, kSearchTextBytesPerPage);
    return utf8;
}

std::string scriptString(std::string_view text) {
    std::u16string in = utf8ToUtf16(text);
    std::u16string out;
    out.reserve(in.size() + 2);
    out.push_back(u'"');
    for (char16_t c : in) {
        // '<' and '>' keep "</script>" and "<!--" out of a script element; '&' and the quotes
        // keep the string whole wherever it lands; U+2028/2029 end a line in older engines.
        if (c < 0x20 || c == u'"' || c == u'\'' || c == u'\\' || c == u'<' || c == u'>' || c == u'&' ||
            c == 0x7F || c == 0x2028 || c == 0x2029) {
            appendHex4(out, c);
        } else {
            out.push_back(c);
        }
    }
    out.push_back(u'"');
    return utf16ToUtf8(out);
}

int sitePageNumber(std::string_view htmlPath) {
    std::string_view name = fileNameOf(htmlPath);
    if (name.size() < 3 + 4 + 4 || name.substr(0, 3) != "pg_" || name.substr(name.size() - 4) != ".htm") return 0;
    std::string_view digits = name.substr(3, name.size() - 7);
    if (digits.size() > 9) return 0;
    int n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::string searchIndexPath(std::string_view folder, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "pg_text_%04d.js", n < 1 ? 0 : (n - 1) / kSearchPagesPerFile + 1);
    return std::string(folder) + name;
}

bool appendSearchEntry(std::string_view folder, int n, std::string_view text) {
    if (n < 1) return false;
    const bool starts = (n - 1) % kSearchPagesPerFile == 0;
    const std::string path = searchIndexPath(folder, n);
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), starts ? "wb" : "ab"));
    if (!f) return false;
    std::string entry = "qmText(" + std::to_string(n) + "," + scriptString(text) + ");\n";
    const bool ok = std::fwrite(entry.data(), 1, entry.size(), f.get()) == entry.size();
    return std::fclose(f.release()) == 0 && ok;
}

}  // namespace qm
