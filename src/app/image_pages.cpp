#include "app/image_pages.h"

#include <cstdio>

#include "convert/path_parts.h"
#include "convert/svg_page.h"
#include "platform/canvas/png_file.h"
#include "quillmark.h"

namespace qm {

std::string imagePagePath(const std::string& folder, const std::string& source, int page, OutputFormat format) {
    std::string base(baseNameOf(source));
    if (base.empty()) base = std::string(fileNameOf(source));
    char number[16];
    std::snprintf(number, sizeof number, "_%04d.", page);
    std::string prefix = folder.empty() ? "." : folder;
    if (prefix.back() != '/') prefix += '/';
    return prefix + base + number + outputFormatName(format);
}

std::string writeImagePage(PdfHandle* handle, int page, OutputFormat format, const std::string& path) {
    if (format == OutputFormat::png) {
        void* block = PDF_GetPageBmp(handle, page);
        if (block == nullptr) return "page " + std::to_string(page) + " could not be drawn";
        const bool written = writePackedDibAsPng(static_cast<const uint8_t*>(block), path);
        PDF_DestroyPageBmp(block);
        return written ? "" : "Couldn't write '" + path + "'.";
    }
    PageObject* object = PDF_GetPageObject(handle, page);
    if (object == nullptr) return "page " + std::to_string(page) + " could not be read";
    const bool written = writePictureSvgFile(*object, path);
    PDF_DestroyPageObject(object);
    return written ? "" : "Couldn't write '" + path + "'.";
}

}  // namespace qm
