#pragma once
// A page process's account of the web-font glyphs its pages asked for. The glyph sets of a
// document depend on the order pages meet their glyphs (a glyph goes into the first face
// where its character is free, a kerning pair keeps the value it was first met with), so a
// site shared among processes is joined by one process that asks the same questions again,
// page after page, of sets of its own. The journal keeps, for every character a recorded
// page draws, the font it is drawn in and what it asked of that font's set.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/canvas/glyph_path.h"
#include "quillmark.h"
#include "render/font_glyph_set.h"
#include "render/text_placement.h"

namespace qm {

// A PDF font as the document's glyph sets tell fonts apart: the font's object and its
// program's object (number and generation each).
using WebFontKey = std::array<int32_t, 4>;

struct WebFontAsk {
    enum Kind : uint8_t { made = 0, single = 1, ligature = 2, outline = 3 };
    Kind kind = made;
    uint32_t glyph = 0;
    char32_t character = 0;  // single
    std::u32string letters;  // ligature
    double width = 0;        // single, ligature
    std::string name;        // made: the set's family name
    bool loads = false;      // outline: whether it loaded, and what
    GlyphPath path;
};

// One character drawn into the page's display list.
struct WebFontChar {
    WebFontKey font{};
    uint32_t first = 0, count = 0;  // its asks
    bool placed = false;            // its text item was given a web font
    // A character that asked its font's set for a glyph an earlier character of the page
    // asked for in the same words: that character's index, -1 when none. A set answers a
    // glyph it holds as it answered first, so the earlier answer is this one's too, and a
    // page of text sends one question per letter rather than one per character.
    int64_t sameAs = -1;
};

class WebFontJournal : public GlyphSetWatcher {
public:
    // Around the drawing of one character in `font`; `placement` is that of the text record
    // it added to the display list (null when it added none, or one without a placement).
    void beginChar(const WebFontKey& font);
    void endChar(TextPlacement* placement);

    // What the page recorded since the last clearPage: the characters in drawing order, their
    // asks, and the character that made each text record.
    const std::vector<WebFontChar>& chars() const { return chars_; }
    const std::vector<WebFontAsk>& asks() const { return asks_; }
    void clearPage();
    // Moves the page's characters and asks out, and clears the page.
    void takePage(std::vector<WebFontChar>& chars, std::vector<WebFontAsk>& asks);

    // Sets grown close to the limits the recording keeps for a whole document: a set or a
    // glyph a process joining pages in another order would find past a limit.
    bool nearLimits() const;

    void made(const FontGlyphSet& set) override;
    void asked(uint32_t glyph, char32_t character, const std::u32string& letters, double width) override;
    void loaded(uint32_t glyph, const GlyphPath* path) override;

    // Stay well inside the recording's own limits on sets and outline points per document,
    // so that neither process ever meets them and both ask the same questions.
    static constexpr size_t kMaxSets = 1000;
    static constexpr size_t kMaxPoints = 3000000;

private:
    // A single glyph asked of a font's set.
    struct Question {
        WebFontKey font;
        uint32_t glyph;
        char32_t character;
        bool operator==(const Question&) const = default;
    };
    // The page's first character to ask each question, in a flat table (a page asks one for
    // almost every character it draws).
    static constexpr uint32_t kNone = UINT32_MAX;
    struct FirstAsker {
        Question question{};
        uint32_t index = kNone;
    };
    static size_t hash(const Question& q);
    uint32_t firstAsker(const Question& q) const;
    void noteFirstAsker(const Question& q, uint32_t index);
    void askDeferred();

    std::vector<WebFontChar> chars_;
    std::vector<WebFontAsk> asks_;
    std::vector<FirstAsker> firstAskers_;  // a power of two in size, at most half full
    size_t firstAskerCount_ = 0;
    // The open character's question, already asked by that character: sent only when the
    // character asks more.
    int64_t deferredFrom_ = -1;
    struct {
        uint32_t glyph = 0;
        char32_t character = 0;
        double width = 0;
    } deferred_;  // a single glyph
    std::vector<const FontGlyphSet*> sets_;  // every set made, for the limits
    bool open_ = false;
};

}  // namespace qm
