#include "convert/settings.h"
#include "render_page.h"

#include <cstdio>
#include <string>

#include "convert/html_writer_state.h"
#include "convert/page_recording.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/canvas/bmp_file.h"
#include "platform/system/code_page.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"

namespace {

bool checkPage(const qm::PdfDocument& doc, int number) {
    if (number >= 1 && number <= doc.pageCount()) return true;
    std::fprintf(stderr, "quillmark-inspect: no page %d (the document has %d)\n", number, doc.pageCount());
    return false;
}

// The engine's display-font configuration is needed while pages are drawn.
struct Settings {
    Settings() { qm::createGlobalSettings("config.lst"); }
    ~Settings() { qm::destroyGlobalSettings(); }
};

void printItem(const PageItem& item) {
    switch (item.kind) {
        case QM_ITEM_TEXT: {
            const TextItem& t = *item.record.text;
            std::u16string chars(reinterpret_cast<const char16_t*>(t.text), static_cast<size_t>(t.count));
            std::printf("text %d %d '%s' face '%s' advance %d height %d bold %d italic %d orientation %d colour %06x\n",
                        t.x, t.y, qm::utf16ToUtf8(chars).c_str(), t.face, t.advance, t.height, t.bold, t.italic,
                        t.orientation, t.colour);
            break;
        }
        case QM_ITEM_IMAGE: {
            const ImageItem& i = *item.record.image;
            std::printf("image %d %d %d %d bits %d size %dx%d\n", i.x, i.y, i.width, i.height, i.header.bitCount,
                        i.header.width, i.header.height);
            break;
        }
        case QM_ITEM_LINE: {
            const LineItem& l = *item.record.line;
            std::printf("line %d %d %d %d width %d colour %06x style %d\n", l.x0, l.y0, l.x1, l.y1, l.penWidth,
                        l.colour, l.penStyle);
            break;
        }
        case QM_ITEM_POLYGON: {
            const PolygonItem& p = *item.record.polygon;
            std::printf("polygon %d points mode %d colour %06x:", p.pointCount, p.fillMode, p.colour);
            for (int32_t k = 0; k < p.pointCount && k < 16; ++k) std::printf(" %d,%d", p.points[k].x, p.points[k].y);
            std::printf(p.pointCount > 16 ? " ...\n" : "\n");
            break;
        }
        case QM_ITEM_CLIP: {
            const ClipItem& c = *item.record.clip;
            if (c.dataSize < 32) {
                std::printf("clip none\n");
                break;
            }
            const uint8_t* d = c.data;
            auto le = [d](int at) { return static_cast<int32_t>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | d[at + 3] << 24); };
            std::printf("clip %d rectangles bounds %d %d %d %d\n", le(8), le(16), le(20), le(24), le(28));
            break;
        }
        default:
            std::printf("kind %d\n", item.kind);
    }
}

}  // namespace

int renderPageBmp(qm::PdfDocument& doc, int number, int zoom, const char* outPath) {
    if (!checkPage(doc, number)) return 1;
    Settings settings;
    qm::ConversionRenderer renderer(doc);
    renderer.setAntialias(qm::Settings::readFlag(qm::Setting::antialias));
    renderer.drawPage(number, zoom);
    if (!renderer.bitmap() || !renderer.bitmap()->isOk()) {
        std::fprintf(stderr, "quillmark-inspect: page %d has no bitmap (%d x %d pixels)\n", number,
                     renderer.pageWidth(), renderer.pageHeight());
        return 1;
    }
    if (!qm::saveBitmapAsBmp(*renderer.bitmap(), outPath)) {
        std::fprintf(stderr, "quillmark-inspect: cannot write %s\n", outPath);
        return 1;
    }
    return 0;
}

int printPageItems(qm::PdfDocument& doc, int number, int zoom) {
    if (!checkPage(doc, number)) return 1;
    Settings settings;
    qm::ConversionRenderer renderer(doc);
    qm::PageObjectPtr page = qm::newPageObject();
    renderer.setDisplayList(page.get());
    renderer.drawPage(number, zoom);
    renderer.setDisplayList(nullptr);
    std::printf("page %d: %d x %d pixels, %d items, %zu links\n", number, renderer.pageWidth(), renderer.pageHeight(),
                page->itemCount, renderer.links().size());
    for (int32_t i = 0; i < page->itemCount; ++i) printItem(page->items[i]);
    for (const qm::LinkRecord& l : renderer.links())
        std::printf("link %d %d %d %d '%s'\n", l.left, l.right, l.top, l.bottom, l.target.c_str());
    return 0;
}

int writePageHtmlFile(qm::PdfDocument& doc, int number, int zoom, const char* outPath) {
    if (!checkPage(doc, number)) return 1;
    Settings settings;
    qm::ConversionRenderer renderer(doc);
    qm::RecordedPage recorded = qm::recordPage(renderer, number, zoom);
    if (!recorded.page) return 1;
    qm::htmlWriterState().startFile();
    PDF_ConvertToHtmlFile(recorded.page.get(), recorded.links.get(), outPath);
    qm::htmlWriterState().finishFile();
    if (!qm::htmlWriterState().lastError().empty()) {
        std::fprintf(stderr, "quillmark-inspect: %s\n", qm::htmlWriterState().lastError().c_str());
        return 1;
    }
    return 0;
}
