#pragma once
// One-page documents drawn or recorded by a ConversionRenderer, for the renderer's tests.
#include <memory>
#include <string>
#include <vector>

#include "document/pdf_document.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"

namespace qm::test {

// The engine's display-font configuration for the whole test binary.
struct RenderSettings {
    RenderSettings();
    ~RenderSettings();
};

// A page `width` x `height` points drawing `content`; `resources` is the page's Resources
// dictionary body and `more` further objects, numbered from 5 (4 is the content stream).
std::unique_ptr<PdfDocument> onePage(const std::string& content, const std::string& resources = "",
                                     const std::vector<std::string>& more = {}, const std::string& pageEntries = "",
                                     int width = 200, int height = 100, int pages = 1);

// Draws page 1 at `dpi` into a fresh renderer kept in `out`.
void drawOne(PdfDocument& doc, int dpi, std::unique_ptr<ConversionRenderer>& out);
// Records page 1 at `dpi`.
PageObjectPtr recordOne(PdfDocument& doc, int dpi, std::unique_ptr<ConversionRenderer>* keep = nullptr);

int countItems(const PageObject& page, int kind);

}  // namespace qm::test
