#pragma once
// The title an open document gives itself, for the site's title bar ("" when it has none
// or the handle is not one from PDF_Open).
#include <string>

#include "quillmark.h"

namespace qm {

std::string documentTitleOf(PdfHandle* handle);

}  // namespace qm
