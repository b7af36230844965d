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
        std::string error;
        const bool written = writePackedDibAsPng(static_cast<const uint8_t*>(block), path, &error);
        PDF_DestroyPageBmp(block);
        return written ? "" : (error.empty() ? "Couldn't write '" + path + "'" : error) + ".";
    }
    PageObject* object = PDF_GetPageObject(handle, page);
    if (object == nullptr) return "page " + std::to_string(page) + " could not be read";
    std::string error;
    const bool written = writePictureSvgFile(*object, path, &error);
    PDF_DestroyPageObject(object);
    return written ? "" : (error.empty() ? "Couldn't write '" + path + "'" : error) + ".";
}

}  // namespace qm
