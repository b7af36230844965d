#include "convert/page_parcel.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "convert/page_html_writer.h"

namespace qm {

namespace {

// Both ends are this program on this machine: numbers go in the machine's own order.
constexpr uint32_t kMagic = 0x51504733;  // changes with the layout

class Packer {
public:
    // A page packs a dozen fields per character: each is copied into room made ahead, not
    // appended (an append checks and grows the string field by field).
    template <class T>
    void put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        raw(&value, sizeof value);
    }
    void bytes(const void* data, size_t size) {
        put(static_cast<uint64_t>(size));
        raw(data, size);
    }
    void text(std::string_view s) { bytes(s.data(), s.size()); }
    template <class T>
    void array(const T* data, size_t n) {
        put(static_cast<uint64_t>(n));
        raw(data, n * sizeof(T));
    }
    void reserve(size_t bytes) {
        if (bytes > out_.size()) out_.resize(bytes);
    }
    std::string take() {
        out_.resize(used_);
        used_ = 0;
        return std::move(out_);
    }

private:
    void raw(const void* data, size_t size) {
        if (size > out_.size() - used_) out_.resize(std::max(out_.size() * 2, used_ + size));
        if (size > 0) std::memcpy(out_.data() + used_, data, size);
        used_ += size;
    }

    std::string out_;  // its first used_ bytes are the parcel so far
    size_t used_ = 0;
};

class Unpacker {
public:
    explicit Unpacker(std::string_view in) : in_(in) {}
    template <class T>
    bool get(T& value) {
        if (in_.size() - at_ < sizeof value) return fail();
        std::memcpy(&value, in_.data() + at_, sizeof value);
        at_ += sizeof value;
        return true;
    }
    // A count of items of at least `itemBytes` each that the rest can still hold.
    bool count(uint64_t& n, size_t itemBytes) {
        if (!get(n)) return false;
        return n <= (in_.size() - at_) / (itemBytes > 0 ? itemBytes : 1) || fail();
    }
    bool bytes(std::string& out) {
        uint64_t n = 0;
        if (!count(n, 1)) return false;
        out.assign(in_.data() + at_, n);
        at_ += n;
        return true;
    }
    template <class T>
    bool array(std::vector<T>& out) {
        uint64_t n = 0;
        if (!count(n, sizeof(T))) return false;
        out.resize(n);
        if (n > 0) std::memcpy(out.data(), in_.data() + at_, n * sizeof(T));
        at_ += n * sizeof(T);
        return true;
    }
    bool done() const { return ok_ && at_ == in_.size(); }
    bool fail() {
        ok_ = false;
        at_ = in_.size();
        return false;
    }

private:
    std::string_view in_;
    size_t at_ = 0;
    bool ok_ = true;
};

void packAsk(Packer& p, const WebFontAsk& ask) {
    p.put(static_cast<uint8_t>(ask.kind));
    p.put(ask.glyph);
    p.put(ask.character);
    p.array(ask.letters.data(), ask.letters.size());
    p.put(ask.width);
    p.text(ask.name);
    p.put(static_cast<uint8_t>(ask.loads));
    p.array(ask.path.ops.data(), ask.path.ops.size());
    p.array(ask.path.points.data(), ask.path.points.size());
}

bool unpackAsk(Unpacker& u, WebFontAsk& ask) {
    uint8_t kind = 0, loads = 0;
    std::vector<char32_t> letters;
    std::vector<uint8_t> ops;
    if (!u.get(kind) || kind > WebFontAsk::outline || !u.get(ask.glyph) || !u.get(ask.character)) return false;
    if (!u.array(letters) || !u.get(ask.width) || !u.bytes(ask.name) || !u.get(loads)) return false;
    if (!u.array(ops) || !u.array(ask.path.points)) return false;
    ask.kind = static_cast<WebFontAsk::Kind>(kind);
    ask.letters.assign(letters.begin(), letters.end());
    ask.loads = loads != 0;
    ask.path.ops.clear();
    for (uint8_t op : ops) {
        if (op > GlyphPath::cubic) return u.fail();
        ask.path.ops.push_back(static_cast<GlyphPath::Op>(op));
    }
    return true;
}

// A page's characters mostly share their face, size, style, colour and text space with the
// character before them: each record says which fields repeat and carries only the others,
// which makes a page a third of its size in fields.
enum TextField : uint16_t {
    kPlaced = 1 << 0,
    kSameFace = 1 << 1,
    kSameAdvance = 1 << 2,
    kSameHeight = 1 << 3,
    kSameStyle = 1 << 4,  // bold, italic, orientation
    kSameColour = 1 << 5,
    kSameSpace = 1 << 6,  // the placement's m
    kSameSpaceWidth = 1 << 7,
    kInvisible = 1 << 8,
    kVertical = 1 << 9,
    kOneUnit = 1 << 10,  // the text is one UTF-16 unit
    kNoChar = 1 << 11,   // no character of the journal
    kNextChar = 1 << 12,  // the journal's character after the last one given
    kSameWidth = 1 << 13,
    kAllFields = (1 << 14) - 1,
};

// A character of the web-font journal: what its text record got, whether its font is the one
// before's, and whether it points back to an earlier character that asked the same.
enum CharField : uint8_t {
    kCharPlaced = 1 << 0,
    kCharSameFont = 1 << 1,
    kCharSameAs = 1 << 2,
};

// What the record before gave, on both ends alike.
struct TextFields {
    std::string face;
    int32_t advance = 0, height = 0, bold = 0, italic = 0, orientation = 0;
    uint32_t colour = 0;
    double m[4] = {0, 0, 0, 0};
    double spaceWidth = 0.25, width = 0;
    int64_t charIndex = -1;
};

bool sameSpace(const double (&a)[4], const double (&b)[4]) { return std::memcmp(a, b, sizeof a) == 0; }

void packText(Packer& p, const TextItem& t, const TextPlacement* place, int64_t charIndex, TextFields& last) {
    const std::string_view face = t.face != nullptr ? std::string_view(t.face) : std::string_view();
    const size_t units = t.text != nullptr && t.count > 0 ? static_cast<size_t>(t.count) : 0;
    uint16_t fields = 0;
    if (face == last.face) fields |= kSameFace;
    if (t.advance == last.advance) fields |= kSameAdvance;
    if (t.height == last.height) fields |= kSameHeight;
    if (t.bold == last.bold && t.italic == last.italic && t.orientation == last.orientation) fields |= kSameStyle;
    if (t.colour == last.colour) fields |= kSameColour;
    if (units == 1) fields |= kOneUnit;
    if (place != nullptr) {
        fields |= kPlaced;
        if (sameSpace(place->m, last.m)) fields |= kSameSpace;
        if (std::memcmp(&place->spaceWidth, &last.spaceWidth, sizeof(double)) == 0) fields |= kSameSpaceWidth;
        if (std::memcmp(&place->width, &last.width, sizeof(double)) == 0) fields |= kSameWidth;
        if (place->invisible) fields |= kInvisible;
        if (place->vertical) fields |= kVertical;
        if (charIndex < 0) fields |= kNoChar;
        else if (last.charIndex >= 0 && charIndex == last.charIndex + 1) fields |= kNextChar;
    }
    p.put(fields);
    p.put(t.x);
    p.put(t.y);
    if (units == 1) p.put(t.text[0]);
    else p.array(t.text, units);
    if (!(fields & kSameFace)) p.text(face);
    if (!(fields & kSameAdvance)) p.put(t.advance);
    if (!(fields & kSameHeight)) p.put(t.height);
    if (!(fields & kSameStyle))
        for (int32_t v : {t.bold, t.italic, t.orientation}) p.put(v);
    if (!(fields & kSameColour)) p.put(t.colour);
    if (!(fields & kSameFace)) last.face.assign(face);
    last.advance = t.advance;
    last.height = t.height;
    last.bold = t.bold;
    last.italic = t.italic;
    last.orientation = t.orientation;
    last.colour = t.colour;
    if (place == nullptr) return;
    p.put(place->x);
    p.put(place->y);
    if (!(fields & kSameSpace))
        for (double v : place->m) p.put(v);
    if (!(fields & kSameWidth)) p.put(place->width);
    if (!(fields & kSameSpaceWidth)) p.put(place->spaceWidth);
    if (!(fields & (kNoChar | kNextChar))) p.put(charIndex);
    std::memcpy(last.m, place->m, sizeof last.m);
    last.width = place->width;
    last.spaceWidth = place->spaceWidth;
    if (charIndex >= 0) last.charIndex = charIndex;
}

// `text` is the caller's, kept from one record to the next. `kept` receives the record's
// placement (null when it has none).
bool unpackText(Unpacker& u, PageObject& page, int64_t& charIndex, std::vector<uint16_t>& text, TextFields& last,
                TextPlacement*& kept) {
    kept = nullptr;
    charIndex = -1;
    uint16_t fields = 0;
    int32_t x = 0, y = 0;
    if (!u.get(fields) || (fields & ~kAllFields) != 0 || !u.get(x) || !u.get(y)) return false;
    if (fields & kOneUnit) {
        text.resize(1);
        if (!u.get(text[0])) return false;
    } else if (!u.array(text) || text.size() > 0x7FFFFFFF) {
        return u.fail();
    }
    if (!(fields & kSameFace) && !u.bytes(last.face)) return false;
    if (!(fields & kSameAdvance) && !u.get(last.advance)) return false;
    if (!(fields & kSameHeight) && !u.get(last.height)) return false;
    if (!(fields & kSameStyle) && (!u.get(last.bold) || !u.get(last.italic) || !u.get(last.orientation))) return false;
    if (!(fields & kSameColour) && !u.get(last.colour)) return false;
    const auto count = static_cast<int32_t>(text.size());
    if (!(fields & kPlaced)) {
        appendPageItem(page, QM_ITEM_TEXT,
                       makeTextItem(x, y, text.data(), count, last.face, last.advance, last.height, last.bold != 0,
                                    last.italic != 0, last.orientation, last.colour));
        return true;
    }
    TextPlacement place;
    if (!u.get(place.x) || !u.get(place.y)) return false;
    if (!(fields & kSameSpace))
        for (double& v : last.m)
            if (!u.get(v)) return false;
    if (!(fields & kSameWidth) && !u.get(last.width)) return false;
    if (!(fields & kSameSpaceWidth) && !u.get(last.spaceWidth)) return false;
    if (fields & kNextChar) {
        if (last.charIndex < 0 || last.charIndex == INT64_MAX) return u.fail();
        charIndex = last.charIndex + 1;
    } else if (!(fields & kNoChar) && (!u.get(charIndex) || charIndex < 0)) {
        return u.fail();
    }
    if (charIndex >= 0) last.charIndex = charIndex;
    std::memcpy(place.m, last.m, sizeof place.m);
    place.width = last.width;
    place.spaceWidth = last.spaceWidth;
    place.invisible = (fields & kInvisible) != 0;
    place.vertical = (fields & kVertical) != 0;
    appendPageItem(page, QM_ITEM_TEXT,
                   makePlacedTextItem(x, y, text.data(), count, last.face, last.advance, last.height, last.bold != 0,
                                      last.italic != 0, last.orientation, last.colour, std::move(place), &kept,
                                      true));
    return true;
}

}  // namespace

std::optional<std::string> packPage(const PageObject& page, const HtmlLinkList* links, const WebFontJournal& journal) {
    Packer p;
    // About what a character with its placement takes.
    p.reserve(256 + static_cast<size_t>(std::max(page.itemCount, 0)) * 64);
    p.put(kMagic);
    for (int32_t v : {page.width, page.height, page.pageNumber, page.pageCount, page.zoom}) p.put(v);
    p.put(page.pdfVersion);
    uint64_t texts = 0;
    for (int32_t i = 0; i < page.itemCount; ++i)
        if (page.items[i].kind == QM_ITEM_TEXT && page.items[i].record.text != nullptr) ++texts;
    p.put(texts);
    TextFields last;
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr) continue;
        const TextPlacement* place = placementOf(*item.record.text);
        const int64_t c = place != nullptr ? place->journalChar : -1;
        if (place != nullptr && place->font != nullptr && c < 0) return std::nullopt;
        packText(p, *item.record.text, place, c, last);
    }
    p.put(static_cast<uint8_t>(links != nullptr));
    if (links != nullptr) {
        const int32_t n = links->links != nullptr && links->count > 0 ? links->count : 0;
        p.put(static_cast<uint64_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            const HtmlLink& l = links->links[i];
            for (int32_t v : {l.left, l.right, l.top, l.bottom}) p.put(v);
            p.text(l.target != nullptr ? std::string_view(l.target) : std::string_view());
        }
    }
    // A character's asks follow those of the one before; most characters are in the font of
    // the one before, and most ask only what an earlier one asked.
    p.put(static_cast<uint64_t>(journal.chars().size()));
    const WebFontKey* lastFont = nullptr;
    uint64_t first = 0;
    for (const WebFontChar& c : journal.chars()) {
        if (c.first != first) return std::nullopt;
        first += c.count;
        const bool sameFont = lastFont != nullptr && *lastFont == c.font;
        p.put(static_cast<uint8_t>((c.placed ? kCharPlaced : 0) | (sameFont ? kCharSameFont : 0) |
                                   (c.sameAs >= 0 ? kCharSameAs : 0)));
        if (!sameFont)
            for (int32_t v : c.font) p.put(v);
        p.put(c.count);
        if (c.sameAs >= 0) p.put(static_cast<uint32_t>(c.sameAs));
        lastFont = &c.font;
    }
    p.put(static_cast<uint64_t>(journal.asks().size()));
    for (const WebFontAsk& ask : journal.asks()) packAsk(p, ask);
    return p.take();
}

std::optional<PageParcel> parcelOf(PageObjectPtr page, HtmlLinkListPtr links, WebFontJournal& journal) {
    stripNonTextItems(*page);
    PageParcel out;
    out.placements = placementsOf(*page);
    out.charOfItem.assign(out.placements.size(), -1);
    for (size_t i = 0; i < out.placements.size(); ++i) {
        TextPlacement* place = out.placements[i];
        if (place == nullptr) continue;
        const int64_t c = place->journalChar;
        if (place->font != nullptr && c < 0) return std::nullopt;
        out.charOfItem[i] = c;
        // As a packed page arrives: the joining process's own sets give the web fonts.
        place->font.reset();
        place->face = -1;
        place->ligature = false;
    }
    journal.takePage(out.chars, out.asks);
    out.page = std::move(page);
    out.links = std::move(links);
    return out;
}

bool unpackPage(std::string_view bytes, PageParcel& out) {
    Unpacker u(bytes);
    uint32_t magic = 0;
    out.page = newPageObject();
    PageObject& page = *out.page;
    if (!u.get(magic) || magic != kMagic) return false;
    for (int32_t* v : {&page.width, &page.height, &page.pageNumber, &page.pageCount, &page.zoom})
        if (!u.get(*v)) return false;
    uint64_t texts = 0;
    // A text record takes at least its fields, position and one unit.
    if (!u.get(page.pdfVersion) || !u.count(texts, 12)) return false;
    out.charOfItem.clear();
    out.charOfItem.reserve(texts);
    out.placements.clear();
    out.placements.reserve(texts);
    std::vector<uint16_t> text;
    TextFields last;
    for (uint64_t i = 0; i < texts; ++i) {
        int64_t c = -1;
        TextPlacement* kept = nullptr;
        if (!unpackText(u, page, c, text, last, kept)) return false;
        out.charOfItem.push_back(c);
        out.placements.push_back(kept);
    }
    uint8_t hasLinks = 0;
    if (!u.get(hasLinks)) return false;
    out.links.reset();
    if (hasLinks != 0) {
        uint64_t n = 0;
        if (!u.count(n, 24)) return false;
        out.links = newHtmlLinkList();
        for (uint64_t i = 0; i < n; ++i) {
            int32_t v[4];
            std::string target;
            for (int32_t& x : v)
                if (!u.get(x)) return false;
            if (!u.bytes(target)) return false;
            appendHtmlLink(*out.links, v[0], v[1], v[2], v[3], target);
        }
    }
    uint64_t chars = 0, asks = 0;
    if (!u.count(chars, 5)) return false;
    out.chars.assign(chars, WebFontChar{});
    uint64_t first = 0;
    for (size_t i = 0; i < out.chars.size(); ++i) {
        WebFontChar& c = out.chars[i];
        uint8_t flags = 0;
        if (!u.get(flags) || (flags & ~(kCharPlaced | kCharSameFont | kCharSameAs)) != 0) return u.fail();
        if (flags & kCharSameFont) {
            if (i == 0) return u.fail();
            c.font = out.chars[i - 1].font;
        } else {
            for (int32_t& v : c.font)
                if (!u.get(v)) return false;
        }
        if (!u.get(c.count) || first > UINT32_MAX) return u.fail();
        c.first = static_cast<uint32_t>(first);
        first += c.count;
        c.placed = (flags & kCharPlaced) != 0;
        if (flags & kCharSameAs) {
            uint32_t sameAs = 0;
            if (!u.get(sameAs) || sameAs >= i || c.count != 0) return u.fail();
            c.sameAs = sameAs;
        }
    }
    if (!u.count(asks, 30)) return false;
    out.asks.assign(asks, WebFontAsk{});
    for (WebFontAsk& ask : out.asks)
        if (!unpackAsk(u, ask)) return false;
    for (const WebFontChar& c : out.chars)
        if (c.first > out.asks.size() || c.count > out.asks.size() - c.first) return false;
    for (int64_t c : out.charOfItem)
        if (c >= static_cast<int64_t>(out.chars.size())) return false;
    return u.done();
}

}  // namespace qm
