#include "platform/canvas/text_runs.h"

#include "platform/canvas/device_font.h"
#include "platform/system/code_page.h"

namespace qm {

namespace {

// Glyphs of `text` laid out from x = 0; returns the pen advance.
double layOut(cairo_scaled_font_t* font, std::u16string_view text, std::vector<cairo_glyph_t>& out) {
    out.clear();
    const std::string utf8 = utf16ToUtf8(text);
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    if (cairo_scaled_font_text_to_glyphs(font, 0, 0, utf8.data(), static_cast<int>(utf8.size()), &glyphs, &count,
                                         nullptr, nullptr, nullptr) != CAIRO_STATUS_SUCCESS)
        return 0;
    out.assign(glyphs, glyphs + count);
    cairo_glyph_free(glyphs);
    if (out.empty()) return 0;
    cairo_text_extents_t last;
    cairo_scaled_font_glyph_extents(font, &out.back(), 1, &last);
    return out.back().x + last.x_advance;
}

size_t nextCharLength(std::u16string_view text, size_t i, char32_t& c) {
    c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        return 2;
    }
    return 1;
}

}  // namespace

void forEachTextRun(const DeviceFont& font, std::u16string_view text, const std::function<void(const TextRun&)>& visit) {
    TextRun run;
    if (!font.isVertical()) {
        run.advance = layOut(font.scaledFont(), text, run.glyphs);
        visit(run);
        return;
    }
    double pen = 0;
    size_t i = 0;
    while (i < text.size()) {
        char32_t c;
        size_t length = nextCharLength(text, i, c);
        const bool upright = isUprightInVerticalText(c);
        size_t end = i + length;
        // Characters that are not turned stay together in one run.
        while (!upright && end < text.size()) {
            char32_t d;
            size_t l = nextCharLength(text, end, d);
            if (isUprightInVerticalText(d)) break;
            end += l;
        }
        run.upright = upright;
        run.start = pen;
        const double natural = layOut(font.scaledFont(), text.substr(i, end - i), run.glyphs);
        run.glyphWidth = upright ? natural : 0;
        run.advance = upright ? font.ascent() + font.descent() : natural;
        visit(run);
        pen += run.advance;
        i = end;
    }
}

}  // namespace qm
