#pragma once
// The fonts of one resource Font dictionary, one entry per dictionary entry in its order
// (an entry stays empty when its font could not be built). Fonts come from a document's
// DocumentFontCache when one is given, so scopes naming the same font dictionaries share them.
#include <memory>
#include <vector>

#include "fonts/document_font_cache.h"

namespace qm {

class FontResourceSet {
public:
    FontResourceSet(ObjectResolver* xref, PdfDict* fontDict, DocumentFontCache* cache = nullptr,
                    const FontBuildBudget& budget = {});

    // The first font whose entry is named `tag` exactly, or null.
    PdfFont* lookup(const char* tag) const;
    int size() const { return static_cast<int>(fonts_.size()); }
    // Entry i, or null when empty.
    PdfFont* at(int i) const { return fonts_[static_cast<size_t>(i)].font.get(); }
    // Fonts this set built rather than took from the cache.
    int builtCount() const { return built_; }

    // Marks a direct font dictionary's generation in its id: (entry index, kDirectGen).
    static constexpr int kDirectGen = 999999;

private:
    struct Entry {
        PdfString tag;
        std::shared_ptr<PdfFont> font;
    };
    std::vector<Entry> fonts_;
    int built_ = 0;
};

}  // namespace qm
