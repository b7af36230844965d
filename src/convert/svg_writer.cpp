#include "convert/svg_writer.h"

#include <cstdio>
#include <memory>
#include <string_view>

#include "convert/html_text.h"
#include "platform/system/code_page.h"
#include "render/display_list.h"

namespace qm {

namespace {

std::string colourText(uint32_t colour) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return buffer;
}

// ` NAME="0.xxx"` for a partly transparent mark; nothing for an opaque one.
std::string opacityAttribute(const char* name, uint8_t opacity) {
    if (opacity == 255) return {};
    return std::string(" ") + name + "=\"" + opacityText(opacity) + "\"";
}

void appendText(std::string& out, const TextItem& item) {
    if (item.text == nullptr || item.count <= 0) return;
    std::u16string_view units(reinterpret_cast<const char16_t*>(item.text), static_cast<size_t>(item.count));
    std::string text = utf16ToOutput(units);
    if (text.empty()) return;
    char head[200];
    std::snprintf(head, sizeof head, "<text x=\"%d\" y=\"%d\" font-family=\"SimSun\" font-size=\"%d\" fill=\"%s\"%s >",
                  item.x, item.y, item.height, colourText(item.colour).c_str(),
                  opacityAttribute("fill-opacity", colourOpacity(item.colour)).c_str());
    out += head;
    appendXmlText(out, text);
    out += "</text>\r\n";
}

void appendLine(std::string& out, const LineItem& item) {
    char line[240];
    std::snprintf(line, sizeof line, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke-width=\"%d\" stroke=\"%s\"%s/>\r\n",
                  item.x0, item.y0, item.x1, item.y1, item.penWidth, colourText(item.colour).c_str(),
                  opacityAttribute("stroke-opacity", colourOpacity(item.colour)).c_str());
    out += line;
}

void appendPolygon(std::string& out, const PolygonItem& item) {
    out += "<polygon fill=\"" + colourText(item.colour) + "\"" +
           opacityAttribute("fill-opacity", polygonOpacity(item)) + " points=\"";
    for (int32_t i = 0; i < item.pointCount && item.points != nullptr; ++i) {
        char point[32];
        std::snprintf(point, sizeof point, i == 0 ? "%d,%d" : " %d,%d", item.points[i].x, item.points[i].y);
        out += point;
    }
    out += "\" />\r\n";
}

}  // namespace

std::string pageToSvg(const PageObject& page) {
    std::string out =
        "<?xml version=\"1.0\" standalone=\"no\"?>\r\n"
        "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 20000303 Stylable//EN\"\r\n"
        "\t\"http://www.w3.org/TR/2001/REC-SVG-20010904/DTD/svg10.dtd\">\r\n";
    // Without the namespace no viewer treats the file as SVG; without a size it is cut to a
    // default viewport.
    char root[200];
    std::snprintf(root, sizeof root,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\r\n",
                  page.width, page.height, page.width, page.height);
    out += root;
    for (int32_t i = 0; i < page.itemCount && page.items != nullptr; ++i) {
        const PageItem& item = page.items[i];
        if (item.record.any == nullptr) continue;
        switch (item.kind) {
        case QM_ITEM_TEXT: appendText(out, *item.record.text); break;
        case QM_ITEM_LINE: appendLine(out, *item.record.line); break;
        case QM_ITEM_POLYGON: appendPolygon(out, *item.record.polygon); break;
        default: break;
        }
    }
    out += "\r\n</svg>";
    return out;
}

bool writeSvgFile(const PageObject* page, const char* path) {
    if (page == nullptr || path == nullptr || *path == '\0') return false;
    std::string svg = pageToSvg(*page);
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "wb"), &std::fclose);
    if (!file) return false;
    bool ok = std::fwrite(svg.data(), 1, svg.size(), file.get()) == svg.size();
    return std::fclose(file.release()) == 0 && ok;
}

}  // namespace qm
