#include "convert/html_conversion.h"

#include "convert/page_html_writer.h"
#include "convert/replay.h"
#include "convert/settings.h"
#include "platform/canvas/bitmap.h"
#include "platform/jpeg/jpeg_writer.h"
#include "platform/system/file_ops.h"

namespace qm {

// Gap between two pages of a continuous page.
constexpr int kContinuousPageGap = 10;

bool convertPageToHtml(PageObject& page, const HtmlLinkList* links, const std::string& htmlPath,
                       HtmlWriterState& state) {
    const std::string jpegPath = withExtension(htmlPath, ".jpg");
    {
        Bitmap bitmap(page.width, page.height);
        if (bitmap.isOk()) {
            bitmap.fill(static_cast<ColorRef>(Settings::readInt(Setting::backgroundColour)) & 0xFFFFFF);
            Canvas canvas(bitmap);
            replayDisplayList(canvas, page);
            writeJpeg(bitmap, jpegPath, Settings::jpegQualityOrDefault(), Settings::readFlag(Setting::grayscale));
        }
    }
    const bool written = writePageHtml(page, links, htmlPath, jpegPath, state);
    if (state.continuousMode()) state.advancePageTop(int64_t{page.height} + kContinuousPageGap);
    return written;
}

}  // namespace qm

extern "C" QM_API int PDF_ConvertToHtmlFile(PageObject* page, HtmlLinkList* links, const char* htmlPath) {
    if (page == nullptr || htmlPath == nullptr || *htmlPath == '\0') return -1;
    qm::convertPageToHtml(*page, links, htmlPath, qm::htmlWriterState());
    return 1;
}
