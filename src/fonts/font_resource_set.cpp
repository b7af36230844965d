#include "fonts/font_resource_set.h"

#include "core/pdf_dict.h"
#include "core/report_error.h"

namespace qm {

FontResourceSet::FontResourceSet(ObjectResolver* xref, PdfDict* fontDict) {
    if (!fontDict) return;
    const int n = fontDict->length();
    fonts_.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const PdfObject& raw = fontDict->valueRefAt(i);
        PdfObject font = raw.resolve(xref);
        if (!font.isDict()) {
            reportError(-1, "font resource is not a dictionary");
            continue;
        }
        const PdfRef id = raw.isRef() ? raw.getRef() : PdfRef{i, kDirectGen};
        std::unique_ptr<PdfFont> built(createFont(xref, fontDict->keyAt(i), id.num, id.gen, font.getDict()));
        if (built->isOk()) fonts_[static_cast<size_t>(i)] = std::move(built);
    }
}

PdfFont* FontResourceSet::lookup(const char* tag) const {
    for (const auto& font : fonts_)
        if (font && font->tag() == tag) return font.get();
    return nullptr;
}

}  // namespace qm
