#include "render/conversion_renderer.h"

#include <cmath>
#include <cstdio>

#include "core/report_error.h"
#include "core/xref_table.h"
#include "document/pdf_catalog.h"
#include "document/pdf_document.h"
#include "document/pdf_page.h"
#include "graphics/graphics_state.h"
#include "platform/canvas/bitmap.h"
#include "platform/canvas/packed_dib.h"
#include "fonts/pdf_font.h"
#include "render/web_font_journal.h"
#include "streams/filter_stream.h"

namespace qm {

ConversionRenderer::ConversionRenderer(PdfDocument& document) : document_(document) {
    setFontPrograms(document.xref());
}

bool ConversionRenderer::drawPage(int pageNumber, int dpi) {
    if (pageNumber < 1 || pageNumber > document_.pageCount() || dpi < 1 || dpi > 2400) return false;
    clearLinks();
    lastDpi_ = fittingDpi(pageNumber, dpi);
    if (lastDpi_ != dpi)
        reportError(-1, "Page %d is too large to draw at %d dpi; it is drawn at %.3g dpi", pageNumber, dpi, lastDpi_);
    document_.displayPage(this, pageNumber, lastDpi_, 0, true);
    return true;
}

void ConversionRenderer::drawChar(GraphicsState& state, double x, double y, double dx, double dy, double originX,
                                  double originY, int code, const uint16_t* unicode, int unicodeCount, int rawCode) {
    PageObject* list = displayList();
    if (journal_ == nullptr || list == nullptr) {
        PageRenderer::drawChar(state, x, y, dx, dy, originX, originY, code, unicode, unicodeCount, rawCode);
        return;
    }
    WebFontKey key{};
    if (const PdfFont* font = state.font())
        key = {font->id().num, font->id().gen, font->embeddedId().num, font->embeddedId().gen};
    const int32_t before = list->itemCount;
    journal_->beginChar(key);
    GlyphSetWatcher* outer = GlyphSetWatcher::current();
    GlyphSetWatcher::current() = journal_;
    PageRenderer::drawChar(state, x, y, dx, dy, originX, originY, code, unicode, unicodeCount, rawCode);
    GlyphSetWatcher::current() = outer;
    const TextItem* item = nullptr;
    if (displayList() == list && list->itemCount > before && list->items[list->itemCount - 1].kind == QM_ITEM_TEXT)
        item = list->items[list->itemCount - 1].record.text;
    // The record was made by this character, so the renderer's own note of its placement
    // holds.
    journal_->endChar(placementIfLast(item));
}

double ConversionRenderer::fittingDpi(int pageNumber, int dpi) const {
    const PdfPage* page = document_.catalog() ? document_.catalog()->page(pageNumber) : nullptr;
    if (!page) return dpi;
    const PdfRect& box = page->pageBox();
    const double width = std::fabs(box.x2 - box.x1) / 72, height = std::fabs(box.y2 - box.y1) / 72;  // inches
    // A pixel to spare on each side for the rounding of the page size.
    auto fits = [&](double d) { return Bitmap::sizeFits(width * d + 1, height * d + 1); };
    if (!(width > 0 && height > 0 && std::isfinite(width * height)) || fits(dpi)) return dpi;
    if (fits(1)) {
        int low = 1, high = dpi;  // the largest whole resolution that fits, found by halving
        while (low < high) {
            const int mid = (low + high + 1) / 2;
            if (fits(mid))
                low = mid;
            else
                high = mid - 1;
        }
        return low;
    }
    // Not even one dot per inch fits (a box of a billion points): halve until it does, then
    // narrow the gap to the next halving that did not.
    double low = 0.5;
    for (int i = 0; i < 2100 && !fits(low); ++i) low /= 2;
    double high = low * 2;
    for (int i = 0; i < 40; ++i) {
        const double mid = (low + high) / 2;
        (fits(mid) ? low : high) = mid;
    }
    return low;
}

uint8_t* ConversionRenderer::packedPage() const { return bitmap() ? packDib(*bitmap()) : nullptr; }

void ConversionRenderer::setMaskSaving(bool on, const std::string& folder, const std::string& baseName) {
    saveMasks_ = on && !folder.empty();
    maskFolder_ = folder;
    maskBase_ = baseName.empty() ? "image" : baseName;
}

void ConversionRenderer::beginPage(int pageNumber, GraphicsState& state) {
    pageNumber_ = pageNumber;
    PageRenderer::beginPage(pageNumber, state);
}

void ConversionRenderer::drawImageMask(GraphicsState& state, const PdfRef* ref, Stream* stream, int width,
                                       int height, bool invert, bool inlineImage) {
    if (saveMasks_ && !inlineImage && stream->kind() == StreamKind::Dct) saveMaskData(stream);
    PageRenderer::drawImageMask(state, ref, stream, width, height, invert, inlineImage);
}

void ConversionRenderer::saveMaskData(Stream* stream) {
    // The JPEG data is what the decoder reads: the bytes below it.
    Stream* encoded = static_cast<FilterStream*>(stream)->below();
    char name[64];
    std::snprintf(name, sizeof name, "-%03d.jpg", imageCount_);
    const std::string path = maskFolder_ + "/" + maskBase_ + name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        reportError(-1, "Couldn't open image file '%s'", path.c_str());
        return;
    }
    ++imageCount_;
    encoded->reset();
    unsigned char buffer[16384];
    bool ok = true;
    for (int n; ok && (n = encoded->readBlock(buffer, static_cast<int>(sizeof buffer))) > 0;)
        ok = std::fwrite(buffer, 1, static_cast<size_t>(n), out) == static_cast<size_t>(n);
    encoded->close();
    if (std::fclose(out) != 0 || !ok) {
        reportError(-1, "Couldn't write image file '%s'", path.c_str());
        std::remove(path.c_str());
    }
}

}  // namespace qm
