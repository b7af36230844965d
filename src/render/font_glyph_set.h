#pragma once
// The glyphs of one PDF font that a document's text uses, gathered while its pages are
// recorded, from which one web font is made: per glyph its outline from the font's program,
// its advance (the PDF's width) and the character it stands for. A character can be mapped
// once per font, so a second glyph for a character already taken (or one whose advance
// differs) goes into the next face of the font; faces are numbered from 0.
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas/glyph_path.h"

namespace qm {

class FontGlyphSet;

// Sees glyph sets made and asked for glyphs on this thread while it is installed: a page
// process tells the process that writes the site which glyphs its pages asked for, in the
// order asked, so that the sets come out as if one process had met every page in turn.
class GlyphSetWatcher {
public:
    virtual ~GlyphSetWatcher() = default;
    virtual void made(const FontGlyphSet& set) = 0;
    // A place() or placeLigature() call (`letters` empty for place), before it looks at anything.
    virtual void asked(uint32_t glyph, char32_t character, const std::u32string& letters, double width) = 0;
    // The outline the call loaded for `glyph` (null: it did not load).
    virtual void loaded(uint32_t glyph, const GlyphPath* path) = 0;

    static GlyphSetWatcher*& current() {
        static thread_local GlyphSetWatcher* watcher = nullptr;
        return watcher;
    }
};

class FontGlyphSet {
public:
    struct Glyph {
        char32_t character = 0;
        double width = 0;  // advance in ems
        GlyphPath path;
    };

    // `number` names the set's files and families within the document.
    FontGlyphSet(int number, std::string name) : number_(number), name_(std::move(name)) {
        if (GlyphSetWatcher* w = GlyphSetWatcher::current()) w->made(*this);
    }

    int number() const { return number_; }
    const std::string& name() const { return name_; }

    // The face that shows `glyph` of the program as `character` with the advance `width`
    // (ems); `path` is asked for the outline the first time the glyph is met. -1 when the
    // set is full (kMaxGlyphs) or the outline does not load.
    template <class LoadPath>
    int place(uint32_t glyph, char32_t character, double width, LoadPath&& path);

    // The kerning of `second` after `first` in face `face`, in units of kUnitsPerEm: the
    // value the pair was first met with (`em`, rounded), which the face's kerning table
    // then holds for every page. 0 for a pair not kept (too many pairs, or too wide).
    int kern(size_t face, char32_t first, char32_t second, double em);
    // The kerning pairs of face `i`, those without kerning (value 0) among them.
    const std::map<std::pair<char32_t, char32_t>, int>& kerns(size_t i) const;

    // A ligature glyph (fi, ffl, ...) in face 0, shown where its letters follow each other:
    // it has no character of its own, and the text keeps its letters. False when the set is
    // full or the outline does not load.
    template <class LoadPath>
    bool placeLigature(uint32_t glyph, const std::u32string& letters, double width, LoadPath&& path);
    struct Ligature {
        std::u32string letters;
        size_t index;  // in face 0
    };
    const std::vector<Ligature>& ligatures() const { return ligatures_; }
    // The key that stands for a ligature in kerning pairs (beyond every character); 0 for
    // letters that have no ligature here.
    char32_t ligatureKey(const std::u32string& letters) const {
        for (size_t i = 0; i < ligatures_.size(); ++i)
            if (ligatures_[i].letters == letters) return kLigatureKeys + static_cast<char32_t>(i);
        return 0;
    }
    static constexpr char32_t kLigatureKeys = 0x110000;

    // The glyph that shows `character` in face `face`; null when the face has none.
    const Glyph* glyphFor(size_t face, char32_t character) const {
        if (face >= characters_.size()) return nullptr;
        auto at = characters_[face].find(character);
        return at == characters_[face].end() ? nullptr : &faces_[face][at->second];
    }
    // Whether two glyphs look the same and take the same room, to a five-hundredth of an em
    // (subsets of one font come through different programs and matrices).
    static bool sameGlyph(const Glyph& a, const Glyph& b) {
        if (std::fabs(a.width - b.width) > 1e-4 || a.path.ops != b.path.ops ||
            a.path.points.size() != b.path.points.size())
            return false;
        for (size_t i = 0; i < a.path.points.size(); ++i)
            if (std::fabs(a.path.points[i] - b.path.points[i]) > 0.002f) return false;
        return true;
    }

    size_t faceCount() const { return faces_.size(); }
    // The glyphs of face `i` in the order they were met.
    const std::vector<Glyph>& face(size_t i) const { return faces_[i]; }
    size_t glyphCount() const { return placed_.size(); }
    // Points of the outlines held, which bounds the set's memory.
    size_t pointCount() const { return points_; }
    // Counts every glyph added, so a writer can tell whether the set grew.
    uint64_t version() const { return version_; }

    static constexpr size_t kMaxGlyphs = 8000;
    static constexpr int kUnitsPerEm = 4096;
    static constexpr size_t kMaxKerns = 10000;  // per face
    static constexpr size_t kMaxFaces = 8;

private:
    int number_;
    std::string name_;
    std::vector<std::vector<Glyph>> faces_;
    std::vector<std::map<char32_t, size_t>> characters_;  // per face: character -> index
    std::map<std::pair<uint32_t, char32_t>, int> placed_;  // (glyph, character) -> face
    std::map<uint32_t, GlyphPath> paths_;                  // outlines met, by program glyph
    std::vector<std::map<std::pair<char32_t, char32_t>, int>> kerns_;  // per face
    std::vector<Ligature> ligatures_;
    std::map<std::u32string, uint32_t> ligatureGlyphs_;  // letters -> program glyph
    uint64_t version_ = 0;
    size_t points_ = 0;
};

inline int FontGlyphSet::kern(size_t face, char32_t first, char32_t second, double em) {
    if (face >= kerns_.size()) return 0;
    auto& pairs = kerns_[face];
    auto known = pairs.find({first, second});
    if (known != pairs.end()) return known->second;
    if (pairs.size() >= kMaxKerns) return 0;
    // Kerning is a small step between letters; anything wider stays with the page. A pair
    // first met without kerning keeps none too: the face's table holds one value per pair
    // for every page, and the pages written before must not move.
    const double units = em * kUnitsPerEm;
    const int value = !(units > -kUnitsPerEm && units < kUnitsPerEm) ? 0
                                                                     : static_cast<int>(units >= 0 ? units + 0.5
                                                                                                   : units - 0.5);
    pairs.emplace(std::make_pair(first, second), value);
    if (value != 0) ++version_;
    return value;
}

inline const std::map<std::pair<char32_t, char32_t>, int>& FontGlyphSet::kerns(size_t i) const {
    static const std::map<std::pair<char32_t, char32_t>, int> none;
    return i < kerns_.size() ? kerns_[i] : none;
}

template <class LoadPath>
int FontGlyphSet::place(uint32_t glyph, char32_t character, double width, LoadPath&& loadPath) {
    GlyphSetWatcher* watcher = GlyphSetWatcher::current();
    if (watcher) watcher->asked(glyph, character, {}, width);
    auto known = placed_.find({glyph, character});
    if (known != placed_.end()) return known->second;
    if (placed_.size() >= kMaxGlyphs) return -1;
    auto path = paths_.find(glyph);
    if (path == paths_.end()) {
        GlyphPath loaded;
        const bool loads = loadPath(loaded);
        if (watcher) watcher->loaded(glyph, loads ? &loaded : nullptr);
        if (!loads) return -1;
        points_ += loaded.points.size() / 2;
        path = paths_.emplace(glyph, std::move(loaded)).first;
    }
    size_t face = 0;
    for (; face < faces_.size(); ++face)
        if (characters_[face].find(character) == characters_[face].end()) break;
    if (face >= kMaxFaces) return -1;
    if (face == faces_.size()) {
        faces_.emplace_back();
        characters_.emplace_back();
        kerns_.emplace_back();
    }
    characters_[face].emplace(character, faces_[face].size());
    faces_[face].push_back(Glyph{character, width, path->second});
    points_ += path->second.points.size() / 2;
    placed_.emplace(std::make_pair(glyph, character), static_cast<int>(face));
    ++version_;
    return static_cast<int>(face);
}

template <class LoadPath>
bool FontGlyphSet::placeLigature(uint32_t glyph, const std::u32string& letters, double width, LoadPath&& loadPath) {
    GlyphSetWatcher* watcher = GlyphSetWatcher::current();
    if (watcher) watcher->asked(glyph, 0, letters, width);
    auto known = ligatureGlyphs_.find(letters);
    if (known != ligatureGlyphs_.end()) return known->second == glyph;
    if (placed_.size() + ligatures_.size() >= kMaxGlyphs || letters.size() < 2 || letters.size() > 4) return false;
    GlyphPath path;
    const bool loads = loadPath(path);
    if (watcher) watcher->loaded(glyph, loads ? &path : nullptr);
    if (!loads) return false;
    if (faces_.empty()) {
        faces_.emplace_back();
        characters_.emplace_back();
        kerns_.emplace_back();
    }
    points_ += path.points.size() / 2;
    faces_[0].push_back(Glyph{0, width, std::move(path)});
    ligatures_.push_back(Ligature{letters, faces_[0].size() - 1});
    ligatureGlyphs_.emplace(letters, glyph);
    ++version_;
    return true;
}

}  // namespace qm
