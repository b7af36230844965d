#include "fonts/font_resource_set.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"
#include "fonts/document_font_cache.h"

namespace qm {

FontResourceSet::FontResourceSet(ObjectResolver* xref, PdfDict* fontDict, DocumentFontCache* cache,
                                 const FontBuildBudget& budget) {
    if (!fontDict) return;
    const int n = fontDict->length();
    fonts_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Entry& entry = fonts_[static_cast<size_t>(i)];
        entry.tag = PdfString(fontDict->keyAt(i));
        const PdfObject& raw = fontDict->valueRefAt(i);
        PdfObject font = raw.resolve(xref);
        if (!font.isDict()) {
            reportError(-1, "font resource is not a dictionary");
            continue;
        }
        // A direct dictionary has no identity across scopes, so only referenced ones are kept.
        if (cache && raw.isRef()) {
            bool built = false;
            entry.font = cache->font(xref, fontDict->keyAt(i), raw.getRef(), font.getDict(), budget, &built);
            if (built) ++built_;
            continue;
        }
        if (budget && !budget()) continue;
        const PdfRef id = raw.isRef() ? raw.getRef() : PdfRef{i, kDirectGen};
        std::shared_ptr<PdfFont> built(createFont(xref, fontDict->keyAt(i), id.num, id.gen, font.getDict()));
        ++built_;
        if (built->isOk()) entry.font = std::move(built);
    }
}

PdfFont* FontResourceSet::lookup(const char* tag) const {
    for (const Entry& entry : fonts_)
        if (entry.font && entry.tag == tag) return entry.font.get();
    return nullptr;
}

}  // namespace qm
