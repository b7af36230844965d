#include "render/web_font_journal.h"

#include <algorithm>

#include "render/display_list.h"

namespace qm {

size_t WebFontJournal::hash(const Question& q) {
    uint64_t h = 0x9E3779B97F4A7C15ull;
    for (int32_t v : q.font) h = (h ^ static_cast<uint32_t>(v)) * 0x100000001B3ull;
    h = (h ^ q.glyph) * 0x100000001B3ull;
    h = (h ^ q.character) * 0x100000001B3ull;
    return static_cast<size_t>(h ^ (h >> 29));
}

uint32_t WebFontJournal::firstAsker(const Question& q) const {
    if (firstAskers_.empty()) return kNone;
    const size_t mask = firstAskers_.size() - 1;
    for (size_t at = hash(q) & mask;; at = (at + 1) & mask) {
        const FirstAsker& entry = firstAskers_[at];
        if (entry.index == kNone || entry.question == q) return entry.index;
    }
}

void WebFontJournal::noteFirstAsker(const Question& q, uint32_t index) {
    if ((firstAskerCount_ + 1) * 2 > firstAskers_.size()) {
        std::vector<FirstAsker> old(std::max<size_t>(256, firstAskers_.size() * 2));
        old.swap(firstAskers_);
        firstAskerCount_ = 0;
        for (const FirstAsker& entry : old)
            if (entry.index != kNone) noteFirstAsker(entry.question, entry.index);
    }
    const size_t mask = firstAskers_.size() - 1;
    for (size_t at = hash(q) & mask;; at = (at + 1) & mask) {
        FirstAsker& entry = firstAskers_[at];
        if (entry.index != kNone && !(entry.question == q)) continue;
        if (entry.index == kNone) {
            entry = FirstAsker{q, index};
            ++firstAskerCount_;
        }
        return;
    }
}

void WebFontJournal::beginChar(const WebFontKey& font) {
    WebFontChar c;
    c.font = font;
    c.first = static_cast<uint32_t>(asks_.size());
    chars_.push_back(c);
    open_ = true;
    deferredFrom_ = -1;
}

void WebFontJournal::askDeferred() {
    if (deferredFrom_ < 0) return;
    WebFontAsk& ask = asks_.emplace_back();
    ask.kind = WebFontAsk::single;
    ask.glyph = deferred_.glyph;
    ask.character = deferred_.character;
    ask.width = deferred_.width;
    deferredFrom_ = -1;
}

void WebFontJournal::endChar(TextPlacement* placement) {
    if (!open_ || chars_.empty()) return;
    open_ = false;
    WebFontChar& c = chars_.back();
    c.count = static_cast<uint32_t>(asks_.size()) - c.first;
    if (deferredFrom_ >= 0) {
        c.sameAs = deferredFrom_;
        deferredFrom_ = -1;
    }
    // The character is noted in the record's placement, which goes with the record: a record
    // freed during the page takes its note along when another takes its address.
    c.placed = placement != nullptr && placement->font != nullptr;
    // Most characters of most pages ask nothing new of any set and get no web font.
    if (c.count == 0 && !c.placed && c.sameAs < 0) {
        chars_.pop_back();
        return;
    }
    const auto index = static_cast<uint32_t>(chars_.size() - 1);
    if (placement) placement->journalChar = index;
    // The first to ask a single glyph (after making the set or loading the outline, perhaps)
    // answers for the characters after it that ask the same.
    if (c.sameAs < 0 && c.count > 0) {
        const WebFontAsk* question = nullptr;
        int decisive = 0;
        for (uint32_t i = c.first; i < c.first + c.count; ++i) {
            const WebFontAsk& a = asks_[i];
            if (a.kind == WebFontAsk::single || a.kind == WebFontAsk::ligature) {
                question = &a;
                ++decisive;
            }
        }
        if (decisive == 1 && question->kind == WebFontAsk::single)
            noteFirstAsker(Question{c.font, question->glyph, question->character}, index);
    }
}

void WebFontJournal::clearPage() {
    chars_.clear();
    asks_.clear();
    // A table grown for a page of many glyphs is not cleared slot by slot for every page after.
    if (firstAskers_.size() > 4096 && firstAskerCount_ * 8 < firstAskers_.size())
        firstAskers_.assign(4096, FirstAsker{});
    else if (firstAskerCount_ > 0)
        std::fill(firstAskers_.begin(), firstAskers_.end(), FirstAsker{});
    firstAskerCount_ = 0;
    deferredFrom_ = -1;
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
    askDeferred();
    WebFontAsk ask;
    ask.kind = WebFontAsk::made;
    ask.name = set.name();
    asks_.push_back(std::move(ask));
}

void WebFontJournal::asked(uint32_t glyph, char32_t character, const std::u32string& letters, double width) {
    if (!open_) return;
    askDeferred();
    WebFontChar& c = chars_.back();
    if (letters.empty() && asks_.size() == c.first) {
        const uint32_t first = firstAsker(Question{c.font, glyph, character});
        if (first != kNone) {
            deferredFrom_ = first;
            deferred_.glyph = glyph;
            deferred_.character = character;
            deferred_.width = width;
            return;
        }
    }
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
    askDeferred();
    WebFontAsk ask;
    ask.kind = WebFontAsk::outline;
    ask.glyph = glyph;
    ask.loads = path != nullptr;
    if (path) ask.path = *path;
    asks_.push_back(std::move(ask));
}

}  // namespace qm
