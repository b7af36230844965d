#include "app/page_render.h"

#include <cerrno>

#include "app/image_pages.h"
#include "app/worker.h"
#include "convert/html_conversion.h"
#include "convert/settings.h"
#include "platform/system/file_ops.h"
#include "quillmark.h"

namespace qm {

std::optional<OutputFormat> imageFormatSetting() {
    const int type = Settings::readInt(Setting::convertType);
    if (type == kConvertToPng) return OutputFormat::png;
    if (type == kConvertToSvg) return OutputFormat::svg;
    return std::nullopt;
}

std::string renderOnePage(PdfHandle* handle, int page, const PageTarget& target, float* pdfVersion) {
    const std::string couldNotDraw = "Couldn't draw page " + std::to_string(page);
    if (target.image) {
        return writeImagePage(handle, page, *target.image, imagePagePath(target.path, target.source, page, *target.image));
    }
    if (!target.bmp) {
        PageObject* object = PDF_GetPageObject(handle, page);
        if (object == nullptr) return couldNotDraw;
        if (pdfVersion != nullptr) *pdfVersion = object->pdfVersion;
        HtmlLinkList* links = nullptr;
        if (Settings::readFlag(Setting::enableLinks)) links = PDF_GetPageHtmLink(handle, page);
        const std::string path = pageFilePath(target.path, target.first, page);
        const int written = PDF_ConvertToHtmlFile(object, links, path.c_str());
        PDF_DestroyHtmLink(links);
        PDF_DestroyPageObject(object);
        return written == 1 ? std::string() : lastConversionError();
    }
    void* bitmap = PDF_GetPageBmp(handle, page);
    if (bitmap == nullptr) return couldNotDraw;
    const std::string path = bmpPagePath(target.path, page);
    errno = 0;
    const int written = PDF_WriteToBMPFile(bitmap, path.c_str());
    const int why = errno != 0 ? errno : EIO;
    PDF_DestroyPageBmp(bitmap);
    return written == 1 ? std::string() : writeFailureText(path, why);
}

}  // namespace qm
