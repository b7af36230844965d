#pragma once
namespace qm {
class PdfDocument;
}

// Runs page `number`'s contents with its resources through a device that draws nothing,
// printing every operator with its operands; 1 when the page does not exist.
int tracePage(qm::PdfDocument& doc, int number);
