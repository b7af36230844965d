#pragma once
// PNG and SVG pages: one picture per page in the job's output folder, named after the PDF
// and the page number (report_0003.png for page 3 of report.pdf).
#include <string>

#include "app/output_format.h"

struct PdfHandle;

namespace qm {

// FOLDER/BASE_NNNN.png or .svg for page `page` of `source`.
std::string imagePagePath(const std::string& folder, const std::string& source, int page, OutputFormat format);

// Draws page `page` and writes it as `format` to `path`; "" on success, else why not.
std::string writeImagePage(PdfHandle* handle, int page, OutputFormat format, const std::string& path);

}  // namespace qm
