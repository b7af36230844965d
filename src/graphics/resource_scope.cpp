#include "graphics/resource_scope.h"

#include "core/pdf_dict.h"
#include "fonts/font_resource_set.h"

namespace qm {

ResourceScope::ResourceScope(ObjectResolver* xref, PdfDict* resources, std::unique_ptr<ResourceScope> next,
                             DocumentFontCache* fonts, const FontBuildBudget& budget)
    : next_(std::move(next)) {
    auto dictOrNull = [](PdfObject o) { return o.isDict() ? std::move(o) : PdfObject::makeNull(); };
    if (resources) {
        PdfObject fontDict = resources->lookup("Font");
        if (fontDict.isDict()) fonts_ = std::make_unique<FontResourceSet>(xref, fontDict.getDict(), fonts, budget);
        xObjects_ = dictOrNull(resources->lookup("XObject"));
        colorSpaces_ = dictOrNull(resources->lookup("ColorSpace"));
        patterns_ = dictOrNull(resources->lookup("Pattern"));
        shadings_ = dictOrNull(resources->lookup("Shading"));
        extGStates_ = dictOrNull(resources->lookup("ExtGState"));
    } else {
        xObjects_ = colorSpaces_ = patterns_ = shadings_ = extGStates_ = PdfObject::makeNull();
    }
}

ResourceScope::~ResourceScope() {
    // Long chains unwind iteratively rather than by recursive destructors.
    while (next_) next_ = next_->takeNext();
}

PdfFont* ResourceScope::lookupFont(const char* name) const {
    for (const ResourceScope* s = this; s; s = s->next_.get()) {
        if (!s->fonts_) continue;
        if (PdfFont* f = s->fonts_->lookup(name)) return f;
    }
    return nullptr;
}

PdfObject ResourceScope::lookupIn(PdfObject ResourceScope::*which, const char* name, bool resolve) const {
    for (const ResourceScope* s = this; s; s = s->next_.get()) {
        const PdfObject& dict = s->*which;
        if (!dict.isDict()) continue;
        if (dict.getDict()->find(name)) return resolve ? dict.getDict()->lookup(name) : dict.getDict()->lookupRaw(name);
    }
    return PdfObject();
}

PdfObject ResourceScope::lookupXObject(const char* name) const { return lookupIn(&ResourceScope::xObjects_, name, true); }
PdfObject ResourceScope::lookupXObjectRaw(const char* name) const {
    return lookupIn(&ResourceScope::xObjects_, name, false);
}
PdfObject ResourceScope::lookupColorSpace(const char* name) const {
    return lookupIn(&ResourceScope::colorSpaces_, name, true);
}
PdfObject ResourceScope::lookupPattern(const char* name) const { return lookupIn(&ResourceScope::patterns_, name, true); }
PdfObject ResourceScope::lookupShading(const char* name) const { return lookupIn(&ResourceScope::shadings_, name, true); }
PdfObject ResourceScope::lookupExtGState(const char* name) const {
    return lookupIn(&ResourceScope::extGStates_, name, true);
}

}  // namespace qm
