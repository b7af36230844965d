#pragma once
// Fonts built from the font dictionaries of one document, kept by object reference so that
// every page, form and pattern cell naming the same dictionary shares one build: building
// reads the embedded program and parses ToUnicode, far too costly to repeat per form run.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "fonts/pdf_font.h"

namespace qm {

// Asked before a font is built (not when a kept one is reused); false: the font is not built.
using FontBuildBudget = std::function<bool()>;

class DocumentFontCache {
public:
    // Fonts kept at most; past it the fonts no resource scope holds are let go.
    static constexpr size_t kMaxFonts = 1024;

    // The font of dictionary `id` shown under `tag`: the kept build, else a new one when the
    // budget (if any) allows it (`built` is then set). Null when the dictionary does not give
    // a usable font; that outcome is kept too, so a bad font is not rebuilt for every scope
    // naming it.
    std::shared_ptr<PdfFont> font(ObjectResolver* xref, const char* tag, PdfRef id, PdfDict* dict,
                                  const FontBuildBudget& budget, bool* built);

    size_t size() const { return fonts_.size(); }
    void clear() {
        fonts_.clear();
        sweepAt_ = kMaxFonts;
    }

private:
    // The tag is part of the key because a font reports the tag it was built under.
    using Key = std::tuple<int, int, std::string>;
    void makeRoom();

    std::map<Key, std::shared_ptr<PdfFont>> fonts_;
    size_t sweepAt_ = kMaxFonts;
};

}  // namespace qm
