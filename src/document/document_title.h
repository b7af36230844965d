#pragma once
// The document's own title (the Title of its information dictionary) as UTF-8 text to show,
// decoded as every text string of a PDF is. Control characters become blanks, blanks are run
// together, and the text is cut at kMaxTitleBytes. "" when the document names no title.
#include <string>

namespace qm {

class PdfDocument;
class PdfString;

inline constexpr size_t kMaxTitleBytes = 1024;

std::string documentTitle(const PdfDocument& document);
std::string titleText(const PdfString& raw);

}  // namespace qm
