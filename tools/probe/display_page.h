#pragma once
namespace qm {
class PdfDocument;
}

// Displays page `number` the way the converter does (content, links, annotations) into a
// device that draws nothing; the document's trace shows each step. 1 when there is no such
// page.
int displayPageTraced(qm::PdfDocument& doc, int number);
