#pragma once
namespace qm {
class PdfDocument;
}

// Draws page `number` at `zoom` dots per inch with its links and writes it as a 24-bit BMP
// file. 1 when there is no such page or the file cannot be written.
int renderPageBmp(qm::PdfDocument& doc, int number, int zoom, const char* outPath);
// Records page `number` as a display list and prints one line per item, then one line per
// link record. 1 when there is no such page.
int printPageItems(qm::PdfDocument& doc, int number, int zoom);
// Records page `number` with its links and writes it through the HTML conversion driver as
// `outPath` with its JPEG beside it. 1 when there is no such page or the file cannot be written.
int writePageHtmlFile(qm::PdfDocument& doc, int number, int zoom, const char* outPath);
