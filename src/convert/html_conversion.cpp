#include "convert/html_conversion.h"

#include <cerrno>
#include <string>

#include "convert/page_html_writer.h"
#include "render/replay.h"
#include "convert/settings.h"
#include "convert/page_thumbnail.h"
#include "convert/path_parts.h"
#include "convert/search_index.h"
#include "platform/canvas/bitmap.h"
#include "platform/jpeg/jpeg_writer.h"
#include "platform/system/file_ops.h"

namespace qm {

namespace {

// Gap between two pages of a continuous page.
constexpr int kContinuousPageGap = 10;

std::string extrasFailureText(const std::string& htmlPath) {
    return "Couldn't write the search index or the thumbnail of '" + htmlPath + "'.";
}

}  // namespace

bool paintPagePictures(const PageObject& page, const std::string& htmlPath, HtmlWriterState& state) {
    const std::string jpegPath = withExtension(htmlPath, ".jpg");
    Bitmap bitmap(page.width, page.height);
    if (!bitmap.isOk()) {
        // Even the smallest resolution did not fit: a page without its picture would
        // point at a file that is not there.
        state.setLastError("Page " + std::to_string(page.pageNumber) + " is too large to draw at any resolution");
        return false;
    }
    bitmap.fill(static_cast<ColorRef>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF);
    Canvas canvas(bitmap);
    canvas.setAntialias(Settings::readFlag(Setting::antialias));
    replayDisplayList(canvas, page);
    if (!writeJpeg(bitmap, jpegPath, Settings::jpegQualityOrDefault(), Settings::readFlag(Setting::grayscale))) {
        const int why = errno != 0 ? errno : EIO;
        state.setLastError(writeFailureText(jpegPath, why));
        return false;
    }
    if (state.continuousMode() || sitePageNumber(htmlPath) < 1) return true;
    if (writePageThumbnail(bitmap, page, thumbnailPath(htmlPath), state.thumbnailFonts())) return true;
    state.setLastError(extrasFailureText(htmlPath));
    return false;
}

bool writePageText(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath, HtmlWriterState& state,
                   const PagePlacements* placements) {
    const int n = state.continuousMode() ? 0 : sitePageNumber(htmlPath);
    const bool indexed = n < 1 || appendSearchEntry(folderOf(htmlPath), n, pageSearchText(page));
    const bool written = writePageHtml(page, links, htmlPath, withExtension(htmlPath, ".jpg"), state, placements);
    if (state.continuousMode()) state.advancePageTop(int64_t{page.height} + kContinuousPageGap);
    if (written && !indexed) state.setLastError(extrasFailureText(htmlPath));
    return written && indexed;
}

bool convertPageToHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                       HtmlWriterState& state) {
    return paintPagePictures(page, htmlPath, state) && writePageText(page, links, htmlPath, state);
}

std::string lastConversionError() { return htmlWriterState().lastError(); }

}  // namespace qm

extern "C" QM_API int PDF_ConvertToHtmlFile(PageObject* page, HtmlLinkList* links, const char* htmlPath) {
    if (page == nullptr || htmlPath == nullptr || *htmlPath == '\0') return -1;
    return qm::convertPageToHtml(*page, links, htmlPath, qm::htmlWriterState()) ? 1 : 0;
}
