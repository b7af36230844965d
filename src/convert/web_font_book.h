#pragma once
// The document's web fonts as the process that writes a shared-out site keeps them: the
// pages come back from the page processes in page order, and each page's characters ask the
// same questions of these sets as they asked while the page was recorded. The sets then
// number, fill and kern exactly as those of one process recording every page in turn.
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "convert/page_parcel.h"
#include "render/font_glyph_set.h"

namespace qm {

class WebFontBook {
public:
    // Asks the page's questions and gives its placed text records their web fonts. False
    // when the answers could differ from those one process would have had (a limit came
    // near, or an outline was never sent): the site is then written by one process.
    bool apply(PageParcel& parcel);

private:
    // The set of `font`, made when `name` is given and there is none yet (null when none).
    // The pointer stays good while the book lives.
    const std::shared_ptr<FontGlyphSet>* setOf(const WebFontKey& font, const std::string* name);

    std::map<WebFontKey, std::shared_ptr<FontGlyphSet>> sets_;
    std::map<std::pair<WebFontKey, uint32_t>, std::optional<GlyphPath>> outlines_;
    size_t points_ = 0;         // in the sets, as the recording counts them
    size_t outlinePoints_ = 0;  // in outlines_
};

}  // namespace qm
