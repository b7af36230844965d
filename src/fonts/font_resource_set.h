#pragma once
// The fonts of one resource Font dictionary, one entry per dictionary entry in its order
// (an entry stays empty when its font could not be built). Owns the fonts.
#include <memory>
#include <vector>

#include "fonts/pdf_font.h"

namespace qm {

class FontResourceSet {
public:
    FontResourceSet(ObjectResolver* xref, PdfDict* fontDict);

    // The first font whose tag equals `tag` exactly, or null.
    PdfFont* lookup(const char* tag) const;
    int size() const { return static_cast<int>(fonts_.size()); }
    // Entry i, or null when empty.
    PdfFont* at(int i) const { return fonts_[static_cast<size_t>(i)].get(); }

    // Marks a direct font dictionary's generation in its id: (entry index, kDirectGen).
    static constexpr int kDirectGen = 999999;

private:
    std::vector<std::unique_ptr<PdfFont>> fonts_;
};

}  // namespace qm
