#include "convert/page_recording.h"

#include <algorithm>
#include <cmath>

#include "convert/settings.h"
#include "document/pdf_document.h"
#include "render/conversion_renderer.h"

namespace qm {

RecordedPage recordPage(ConversionRenderer& renderer, int pageNumber, int zoom) {
    RecordedPage out;
    PageObjectPtr page = newPageObject();
    // Pictures of what records cannot say are drawn as smooth as the page's picture will be,
    // and what blends with the page over the colour the page is shown on.
    renderer.setAntialias(Settings::readFlag(Setting::antialias));
    renderer.setPageColour(static_cast<ColorRef>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF);
    renderer.setDisplayList(page.get());
    const bool drawn = renderer.drawPage(pageNumber, zoom);
    renderer.setDisplayList(nullptr);
    if (!drawn) return out;
    page->width = renderer.pageWidth();
    page->height = renderer.pageHeight();
    page->pageNumber = pageNumber;
    page->pageCount = renderer.document().pageCount();
    // Less than asked for a page too large for a bitmap; a whole number of at least 1.
    page->zoom = std::max(1, static_cast<int>(std::lround(renderer.lastDpi())));
    page->pdfVersion = static_cast<float>(renderer.document().version());
    out.links = newHtmlLinkList();
    renderer.copyLinks(*out.links);
    out.page = std::move(page);
    return out;
}

}  // namespace qm
