#include "fonts/document_font_cache.h"

namespace qm {

std::shared_ptr<PdfFont> DocumentFontCache::font(ObjectResolver* xref, const char* tag, PdfRef id, PdfDict* dict,
                                         const FontBuildBudget& budget, bool* built) {
    if (built) *built = false;
    Key key{id.num, id.gen, tag ? tag : ""};
    auto it = fonts_.find(key);
    if (it != fonts_.end()) return it->second;
    if (budget && !budget()) return nullptr;
    makeRoom();
    std::shared_ptr<PdfFont> font(createFont(xref, tag, id.num, id.gen, dict));
    if (!font->isOk()) font.reset();
    if (built) *built = true;
    fonts_.emplace(std::move(key), font);
    return font;
}

void DocumentFontCache::makeRoom() {
    if (fonts_.size() < sweepAt_) return;
    // Fonts in use stay (a device may be drawing with them); the rest are rebuilt on demand.
    std::erase_if(fonts_, [](const auto& entry) { return !entry.second || entry.second.use_count() == 1; });
    // When most are in use the next sweep waits until the count doubles, so sweeps stay
    // linear in the fonts built.
    sweepAt_ = fonts_.size() < kMaxFonts / 2 ? kMaxFonts : fonts_.size() * 2;
}

}  // namespace qm
