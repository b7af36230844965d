#include "convert/svg_page.h"

#include <cstdio>
#include <string_view>

#include "convert/font_class_table.h"
#include "convert/generic_family.h"
#include "convert/html_text.h"
#include "render/replay.h"
#include "convert/settings.h"
#include "convert/text_item_text.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/png_file.h"
#include "platform/system/code_page.h"
#include "platform/system/file_ops.h"
#include "render/display_list.h"

namespace qm {

namespace {

std::string base64(std::string_view bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = (uint32_t{static_cast<unsigned char>(bytes[i])} << 16) |
                           (uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8) | static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += kDigits[(v >> 6) & 63];
        out += kDigits[v & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
        if (i + 1 < bytes.size()) v |= uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Glyphs on one baseline in one face follow each other within a run.
bool continuesRun(const TextItem& cur, const TextItem& next) {
    if (next.orientation != 0) return false;
    const int64_t dx = int64_t{next.x} - cur.x;
    if (dx < 1 || dx > 3 * int64_t{cur.height} + 2) return false;
    return next.y == cur.y && next.height == cur.height && next.colour == cur.colour && faceOf(next) == faceOf(cur) &&
           (next.bold != 0) == (cur.bold != 0) && (next.italic != 0) == (cur.italic != 0);
}

void appendRun(std::string& out, const PageObject& page, int32_t& i) {
    const TextItem& first = *page.items[i].record.text;
    std::string text;
    const TextItem* last = &first;
    const TextItem* lastInk = nullptr;
    for (const TextItem* cur = &first;;) {
        if (cur != &first) {
            // A gap wider than a thin space reads as a word break.
            const int64_t gap = int64_t{cur->x} - last->x - last->advance;
            if (gap * 100 > 15 * int64_t{last->height} && !text.empty() && text.back() != ' ') text += ' ';
            if (cur->x == last->x && textOf(*cur) == textOf(*last)) {
                // Drawn twice at one place (simulated bold): written once.
            } else {
                text += utf16ToOutput(textOf(*cur));
            }
        } else {
            text += utf16ToOutput(textOf(*cur));
        }
        if (!isBlank(*cur)) lastInk = cur;
        last = cur;
        if (i + 1 >= page.itemCount) break;
        const PageItem& next = page.items[i + 1];
        if (next.kind != QM_ITEM_TEXT || next.record.text == nullptr || !continuesRun(*cur, *next.record.text)) break;
        cur = next.record.text;
        ++i;
    }
    if (lastInk == nullptr) return;
    const std::string_view face = faceOf(first);
    std::string family = cssFontFamily(face.empty() ? std::string_view("serif") : face);
    if (const std::string_view generic = genericFontFamily(face); !generic.empty()) family += "," + std::string(generic);
    char head[160];
    std::snprintf(head, sizeof head, "<text x=\"%d\" y=\"%d\" font-size=\"%d\" fill=\"#%02x%02x%02x\"", first.x, first.y,
                  first.height, first.colour & 0xFF, (first.colour >> 8) & 0xFF, (first.colour >> 16) & 0xFF);
    out += head;
    out += " font-family=\"";
    appendXmlText(out, family);
    out += '"';
    if (first.bold) out += " font-weight=\"bold\"";
    if (first.italic) out += " font-style=\"italic\"";
    if (const uint8_t opacity = colourOpacity(first.colour); opacity != 255) {
        out += " fill-opacity=\"" + opacityText(opacity) + "\"";
    }
    const long long width = int64_t{lastInk->x} + lastInk->advance - first.x;
    if (width > 0) {
        // The reader's face is seldom the document's: the run keeps its width on the page.
        out += " textLength=\"" + std::to_string(width) + "\" lengthAdjust=\"spacingAndGlyphs\"";
    }
    out += " xml:space=\"preserve\">";
    while (!text.empty() && text.back() == ' ') text.pop_back();
    appendXmlText(out, text);
    out += "</text>\n";
}

}  // namespace

std::string pageToPictureSvg(const PageObject& page) {
    std::string picture;
    {
        Bitmap bitmap(page.width, page.height);
        if (!bitmap.isOk()) return {};
        bitmap.fill(static_cast<ColorRef>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF);
        Canvas canvas(bitmap);
        canvas.setAntialias(Settings::readFlag(Setting::antialias));
        replayDisplayList(canvas, page);
        std::optional<std::string> png = encodePng(bitmap);
        if (!png) return {};
        picture = base64(*png);
    }
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    char root[300];
    std::snprintf(root, sizeof root,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                  "width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n<image x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" "
                  "xlink:href=\"data:image/png;base64,",
                  page.width, page.height, page.width, page.height, page.width, page.height);
    out.reserve(picture.size() + 4096);
    out += root;
    out += picture;
    out += "\"/>\n";
    for (int32_t i = 0; i < page.itemCount && page.items != nullptr; ++i) {
        const PageItem& item = page.items[i];
        // Rotated text is part of the picture already, as on the HTML pages.
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr || item.record.text->orientation != 0) continue;
        appendRun(out, page, i);
    }
    out += "</svg>\n";
    return out;
}

bool writePictureSvgFile(const PageObject& page, const std::string& path, std::string* error) {
    const std::string svg = pageToPictureSvg(page);
    if (svg.empty() || path.empty()) {
        if (error) *error = "Couldn't draw the page for '" + path + "'";
        return false;
    }
    return writeWholeFile(path, svg, error);
}

}  // namespace qm
