#include "convert/web_font_book.h"

#include <vector>

namespace qm {

namespace {
// Outlines kept for pages still to come: many times what the sets themselves may hold.
constexpr size_t kMaxOutlinePoints = 4 * WebFontJournal::kMaxPoints;
}  // namespace

const std::shared_ptr<FontGlyphSet>* WebFontBook::setOf(const WebFontKey& font, const std::string* name) {
    auto at = sets_.find(font);
    if (at != sets_.end()) return &at->second;
    if (name == nullptr || sets_.size() + 1 >= WebFontJournal::kMaxSets) return nullptr;
    // Numbered from 1 in the order the pages first show them.
    auto set = std::make_shared<FontGlyphSet>(static_cast<int>(sets_.size() + 1), *name);
    return &sets_.emplace(font, std::move(set)).first->second;
}

bool WebFontBook::apply(PageParcel& parcel) {
    struct Answer {
        const std::shared_ptr<FontGlyphSet>* set = nullptr;  // the book's own
        int face = -1;
        bool ligature = false;
    };
    // Most characters are in the font of the one before.
    const WebFontKey* lastFont = nullptr;
    const std::shared_ptr<FontGlyphSet>* lastSet = nullptr;
    std::vector<Answer> answers(parcel.chars.size());
    for (size_t index = 0; index < parcel.chars.size(); ++index) {
        const WebFontChar& c = parcel.chars[index];
        if (c.sameAs >= 0) {
            // The set answers as it answered the earlier character, unless the document's
            // glyphs have grown past what may be joined since.
            if (c.sameAs >= static_cast<int64_t>(index) || c.count != 0 || points_ > WebFontJournal::kMaxPoints ||
                parcel.chars[static_cast<size_t>(c.sameAs)].font != c.font)
                return false;
            answers[index] = answers[static_cast<size_t>(c.sameAs)];
            continue;
        }
        const WebFontAsk* made = nullptr;
        const WebFontAsk* ask = nullptr;
        for (uint32_t i = c.first; i < c.first + c.count; ++i) {
            const WebFontAsk& a = parcel.asks[i];
            if (a.kind == WebFontAsk::made) made = &a;
            if (a.kind == WebFontAsk::single || a.kind == WebFontAsk::ligature) ask = &a;
            if (a.kind != WebFontAsk::outline) continue;
            auto [it, added] = outlines_.try_emplace({c.font, a.glyph});
            if (!added) continue;
            if (a.loads) {
                it->second = a.path;
                outlinePoints_ += a.path.points.size() / 2;
            }
            if (outlinePoints_ > kMaxOutlinePoints) return false;
        }
        const std::shared_ptr<FontGlyphSet>* found = nullptr;
        if (made == nullptr && lastSet != nullptr && *lastFont == c.font) {
            found = lastSet;
        } else {
            found = setOf(c.font, made ? &made->name : nullptr);
            if (found != nullptr) {
                lastFont = &c.font;
                lastSet = found;
            }
        }
        if (found == nullptr) {
            // A set this process has not made yet was made by the page process before this page.
            if (made || ask || c.placed) return false;
            continue;
        }
        FontGlyphSet& set = **found;
        int face = -1;
        bool ligature = false;
        if (ask) {
            if (points_ > WebFontJournal::kMaxPoints) return false;
            bool missing = false;
            auto load = [&](GlyphPath& path) {
                auto at = outlines_.find({c.font, ask->glyph});
                if (at == outlines_.end()) missing = true;
                if (at == outlines_.end() || !at->second) return false;
                path = *at->second;
                return true;
            };
            const size_t before = set.pointCount();
            if (ask->kind == WebFontAsk::single) {
                face = set.place(ask->glyph, ask->character, ask->width, load);
            } else {
                ligature = set.placeLigature(ask->glyph, ask->letters, ask->width, load);
                face = ligature ? 0 : -1;
            }
            points_ += set.pointCount() - before;
            if (missing) return false;
        } else if (c.placed) {
            face = 0;  // a blank: every face shows it
        }
        if (face >= 0) answers[index] = Answer{found, face, ligature};
    }
    PageObject& page = *parcel.page;
    for (size_t i = 0; i < parcel.charOfItem.size() && i < static_cast<size_t>(page.itemCount); ++i) {
        const int64_t c = parcel.charOfItem[i];
        if (c < 0 || static_cast<size_t>(c) >= answers.size()) continue;
        TextPlacement* place = i < parcel.placements.size() ? parcel.placements[i]
                                                             : editablePlacementOf(*page.items[i].record.text);
        if (place == nullptr || answers[static_cast<size_t>(c)].set == nullptr) continue;
        place->font = *answers[static_cast<size_t>(c)].set;
        place->face = answers[static_cast<size_t>(c)].face;
        place->ligature = answers[static_cast<size_t>(c)].ligature;
    }
    return true;
}

}  // namespace qm
