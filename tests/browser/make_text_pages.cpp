// Converts pages of corpus files as the program does (recorded, pictured, written with their
// web fonts) and writes beside them, for each page, where the PDF puts each of its upright
// characters: text_positions.js compares the boxes a browser gives them with these.
//
//   make_text_pages OUT_FOLDER PDF PAGES [PDF PAGES ...]
// writes OUT_FOLDER/<n>/pg_NNNN.htm and OUT_FOLDER/<n>/pg_NNNN.json for the first PAGES pages
// of the n-th file.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert/css_number.h"
#include "convert/html_conversion.h"
#include "convert/html_writer_state.h"
#include "convert/page_recording.h"
#include "core/report_error.h"
#include "document/pdf_document.h"
#include "fonts/global_settings.h"
#include "platform/system/code_page.h"
#include "platform/system/file_ops.h"
#include "render/conversion_renderer.h"
#include "render/display_list.h"

namespace {

std::string jsonString(const std::u16string& text) {
    std::string out = "\"";
    for (char c : qm::utf16ToUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) continue;
        out += c;
    }
    return out + "\"";
}

// The upright characters the PDF draws, in drawing order: character, baseline start and the
// size of the em, in the page's pixels.
std::string positions(const PageObject& page) {
    std::string out = "[";
    bool first = true;
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr) continue;
        const qm::TextPlacement* p = qm::placementOf(*item.record.text);
        if (p == nullptr || p->invisible || std::fabs(p->m[1]) > 1e-6 || std::fabs(p->m[2]) > 1e-6) continue;
        const std::u16string text(reinterpret_cast<const char16_t*>(item.record.text->text),
                                  static_cast<size_t>(item.record.text->count));
        if (text == u" ") continue;
        out += first ? "\n" : ",\n";
        first = false;
        out += "{\"c\":" + jsonString(text) + ",\"x\":" + qm::cssNumber(p->x, 3) + ",\"y\":" + qm::cssNumber(p->y, 3) +
               ",\"web\":" + (p->font && p->face >= 0 ? "true" : "false") + "}";
    }
    return out + "]\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: make_text_pages OUT_FOLDER PDF PAGES [PDF PAGES ...]\n");
        return 2;
    }
    const std::string out = argv[1];
    qm::createGlobalSettings("config.lst");
    int failures = 0;
    for (int f = 2; f + 1 < argc; f += 2) {
        const std::string folder = out + "/" + std::to_string(f / 2);
        qm::makeDirectoryPath(folder);
        qm::ErrorCapture quiet;
        qm::PdfDocument doc(qm::PdfString(argv[f]), nullptr, nullptr);
        if (!doc.isOk()) {
            std::fprintf(stderr, "make_text_pages: %s does not open\n", argv[f]);
            ++failures;
            continue;
        }
        qm::ConversionRenderer renderer(doc);
        qm::HtmlWriterState state;
        state.startFile();
        const int pages = std::min(std::atoi(argv[f + 1]), doc.pageCount());
        for (int n = 1; n <= pages; ++n) {
            qm::RecordedPage recorded = qm::recordPage(renderer, n, 100);
            if (!recorded.page) continue;
            char name[32];
            std::snprintf(name, sizeof name, "/pg_%04d", n);
            const std::string expected = positions(*recorded.page);
            if (!qm::convertPageToHtml(*recorded.page, recorded.links.get(), folder + name + ".htm", state)) ++failures;
            std::FILE* json = std::fopen((folder + name + ".json").c_str(), "wb");
            if (!json || std::fwrite(expected.data(), 1, expected.size(), json) != expected.size()) ++failures;
            if (json) std::fclose(json);
        }
        if (!state.finishFile()) ++failures;
    }
    qm::destroyGlobalSettings();
    return failures == 0 ? 0 : 1;
}
