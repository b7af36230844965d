#include "render_test_support.h"

#include "fonts/global_settings.h"
#include "streams/file_data.h"
#include "support/pdf_builder.h"

namespace qm::test {

RenderSettings::RenderSettings() { createGlobalSettings("config.lst"); }
RenderSettings::~RenderSettings() { destroyGlobalSettings(); }

std::unique_ptr<PdfDocument> onePage(const std::string& content, const std::string& resources,
                                     const std::vector<std::string>& more, const std::string& pageEntries, int width,
                                     int height, int pages) {
    PdfBuilder b;
    b.object("<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids = "3 0 R";
    for (int i = 1; i < pages; ++i) kids += " " + std::to_string(5 + more.size() + i - 1) + " 0 R";
    b.object("<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] >>");
    b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " + std::to_string(height) +
             "] /Contents 4 0 R /Resources << " + resources + " >> " + pageEntries + " >>");
    b.stream("", content);
    for (const std::string& o : more) b.object(o);
    for (int i = 1; i < pages; ++i)
        b.object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(width) + " " +
                 std::to_string(height) + "] >>");
    return std::make_unique<PdfDocument>(memoryFileData(b.finish("/Root 1 0 R")), PdfString("t.pdf"), nullptr,
                                         nullptr, 0);
}

void drawOne(PdfDocument& doc, int dpi, std::unique_ptr<ConversionRenderer>& out) {
    out = std::make_unique<ConversionRenderer>(doc);
    out->drawPage(1, dpi);
}

PageObjectPtr recordOne(PdfDocument& doc, int dpi, std::unique_ptr<ConversionRenderer>* keep) {
    auto renderer = std::make_unique<ConversionRenderer>(doc);
    PageObjectPtr page = newPageObject();
    renderer->setDisplayList(page.get());
    renderer->drawPage(1, dpi);
    renderer->setDisplayList(nullptr);
    if (keep) *keep = std::move(renderer);
    return page;
}

int countItems(const PageObject& page, int kind) {
    int n = 0;
    for (int32_t i = 0; i < page.itemCount; ++i) n += page.items[i].kind == kind;
    return n;
}

}  // namespace qm::test
