#pragma once
// One page of an open document written as a site page (HTML with its JPEG) or a picture
// (BMP, PNG or SVG), under the name the page will have in the finished output. The worker in
// this process and the page processes of a document split across cores write pages through
// the same code, so their files cannot differ.
#include <optional>
#include <string>

#include "app/output_format.h"

struct PdfHandle;

namespace qm {

// PNG or SVG pages when the run asks for them (the convert-type setting).
std::optional<OutputFormat> imageFormatSetting();

struct PageTarget {
    bool bmp = false;
    std::optional<OutputFormat> image;  // PNG or SVG pages
    // HTML: the site's index.htm (a page becomes pg_NNNN.htm beside it, counted from
    // `first`); BMP: the stem (STEM_NNN.bmp); PNG and SVG: the folder.
    std::string path;
    std::string source;  // the PDF, which names PNG and SVG pages
    int first = 1;
};

// Writes page `page` of `handle`. Returns "" when written, otherwise the message for the user
// (naming the paths written to). `pdfVersion`, when given, receives the version the document
// declares (HTML pages only).
std::string renderOnePage(PdfHandle* handle, int page, const PageTarget& target, float* pdfVersion = nullptr);

}  // namespace qm
