#include "render/web_font_journal.h"

#include "render/display_list.h"

namespace qm {

void WebFontJournal::beginChar(const WebFontKey& font) {
    WebFontChar c;
    c.font = font;
    c.first = static_cast<uint32_t>(asks_.size());
    chars_.push_back(c);
    open_ = true;
}

void WebFontJournal::endChar(TextPlacement* placement) {
    if (!open_ || chars_.empty()) return;
    open_ = false;
    WebFontChar& c = chars_.back();
    c.count = static_cast<uint32_t>(asks_.size()) - c.first;
    // The character is noted in the record's placement, which goes with the record: a record
    // freed during the page takes its note along when another takes its address.
    c.placed = placement != nullptr && placement->font != nullptr;
    // Most characters of most pages ask nothing new of any set and get no web font.
    if (c.count == 0 && !c.placed) {
        chars_.pop_back();
        return;
    }
    if (placement) placement->journalChar = static_cast<int64_t>(chars_.size() - 1);
}

void WebFontJournal::clearPage() {
    chars_.clear();
    asks_.clear();
    open_ = false;
}

void WebFontJournal::takePage(std::vector<WebFontChar>& chars, std::vector<WebFontAsk>& asks) {
    chars = std::move(chars_);
    asks = std::move(asks_);
    clearPage();
}

bool WebFontJournal::nearLimits() const {
    if (sets_.size() >= kMaxSets) return true;
    size_t points = 0;
    for (const FontGlyphSet* set : sets_) points += set->pointCount();
    return points > kMaxPoints;
}

void WebFontJournal::made(const FontGlyphSet& set) {
    sets_.push_back(&set);
    if (!open_) return;
    WebFontAsk ask;
    ask.kind = WebFontAsk::made;
    ask.name = set.name();
    asks_.push_back(std::move(ask));
}

void WebFontJournal::asked(uint32_t glyph, char32_t character, const std::u32string& letters, double width) {
    if (!open_) return;
    WebFontAsk ask;
    ask.kind = letters.empty() ? WebFontAsk::single : WebFontAsk::ligature;
    ask.glyph = glyph;
    ask.character = character;
    ask.letters = letters;
    ask.width = width;
    asks_.push_back(std::move(ask));
}

void WebFontJournal::loaded(uint32_t glyph, const GlyphPath* path) {
    if (!open_) return;
    WebFontAsk ask;
    ask.kind = WebFontAsk::outline;
    ask.glyph = glyph;
    ask.loads = path != nullptr;
    if (path) ask.path = *path;
    asks_.push_back(std::move(ask));
}

}  // namespace qm
