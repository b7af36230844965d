#include "convert/page_parcel.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "convert/page_html_writer.h"

namespace qm {

namespace {

// Both ends are this program on this machine: numbers go in the machine's own order.
constexpr uint32_t kMagic = 0x51504731;  // changes with the layout

class Packer {
public:
    template <class T>
    void put(T value) {
        static_assert(std::is_trivially_copyable_v<T>);
        out_.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void bytes(const void* data, size_t size) {
        put(static_cast<uint64_t>(size));
        out_.append(static_cast<const char*>(data), size);
    }
    void text(std::string_view s) { bytes(s.data(), s.size()); }
    template <class T>
    void array(const T* data, size_t n) {
        put(static_cast<uint64_t>(n));
        out_.append(reinterpret_cast<const char*>(data), n * sizeof(T));
    }
    void reserve(size_t bytes) { out_.reserve(bytes); }
    std::string take() { return std::move(out_); }

private:
    std::string out_;
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

void packText(Packer& p, const TextItem& t, const TextPlacement* place, int64_t charIndex) {
    p.put(t.x);
    p.put(t.y);
    p.array(t.text, t.text != nullptr && t.count > 0 ? static_cast<size_t>(t.count) : 0);
    p.text(t.face != nullptr ? std::string_view(t.face) : std::string_view());
    for (int32_t v : {t.advance, t.height, t.bold, t.italic, t.orientation}) p.put(v);
    p.put(t.colour);
    p.put(static_cast<uint8_t>(place != nullptr));
    if (place == nullptr) return;
    for (double v : {place->x, place->y, place->m[0], place->m[1], place->m[2], place->m[3], place->width,
                     place->spaceWidth})
        p.put(v);
    p.put(static_cast<uint8_t>(place->invisible));
    p.put(static_cast<uint8_t>(place->vertical));
    p.put(charIndex);
}

// `text` and `face` are the caller's, kept from one record to the next. `kept` receives the
// record's placement (null when it has none).
bool unpackText(Unpacker& u, PageObject& page, int64_t& charIndex, std::vector<uint16_t>& text, std::string& face,
                TextPlacement*& kept) {
    kept = nullptr;
    TextItem t{};
    uint8_t placed = 0;
    if (!u.get(t.x) || !u.get(t.y) || !u.array(text) || !u.bytes(face)) return false;
    for (int32_t* v : {&t.advance, &t.height, &t.bold, &t.italic, &t.orientation})
        if (!u.get(*v)) return false;
    if (!u.get(t.colour) || !u.get(placed) || text.size() > 0x7FFFFFFF) return false;
    charIndex = -1;
    const auto count = static_cast<int32_t>(text.size());
    if (placed == 0) {
        appendPageItem(page, QM_ITEM_TEXT,
                       makeTextItem(t.x, t.y, text.data(), count, face, t.advance, t.height, t.bold != 0,
                                    t.italic != 0, t.orientation, t.colour));
        return true;
    }
    TextPlacement place;
    uint8_t invisible = 0, vertical = 0;
    for (double* v : {&place.x, &place.y, &place.m[0], &place.m[1], &place.m[2], &place.m[3], &place.width,
                      &place.spaceWidth})
        if (!u.get(*v)) return false;
    if (!u.get(invisible) || !u.get(vertical) || !u.get(charIndex)) return false;
    place.invisible = invisible != 0;
    place.vertical = vertical != 0;
    appendPageItem(page, QM_ITEM_TEXT,
                   makePlacedTextItem(t.x, t.y, text.data(), count, face, t.advance, t.height, t.bold != 0,
                                      t.italic != 0, t.orientation, t.colour, std::move(place), &kept));
    return true;
}

}  // namespace

std::optional<std::string> packPage(const PageObject& page, const HtmlLinkList* links, const WebFontJournal& journal) {
    Packer p;
    // About what a character with its placement takes.
    p.reserve(256 + static_cast<size_t>(std::max(page.itemCount, 0)) * 160);
    p.put(kMagic);
    for (int32_t v : {page.width, page.height, page.pageNumber, page.pageCount, page.zoom}) p.put(v);
    p.put(page.pdfVersion);
    uint64_t texts = 0;
    for (int32_t i = 0; i < page.itemCount; ++i)
        if (page.items[i].kind == QM_ITEM_TEXT && page.items[i].record.text != nullptr) ++texts;
    p.put(texts);
    for (int32_t i = 0; i < page.itemCount; ++i) {
        const PageItem& item = page.items[i];
        if (item.kind != QM_ITEM_TEXT || item.record.text == nullptr) continue;
        const TextPlacement* place = placementOf(*item.record.text);
        const int64_t c = place != nullptr ? place->journalChar : -1;
        if (place != nullptr && place->font != nullptr && c < 0) return std::nullopt;
        packText(p, *item.record.text, place, c);
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
    p.put(static_cast<uint64_t>(journal.chars().size()));
    for (const WebFontChar& c : journal.chars()) {
        for (int32_t v : c.font) p.put(v);
        p.put(c.first);
        p.put(c.count);
        p.put(static_cast<uint8_t>(c.placed));
    }
    p.put(static_cast<uint64_t>(journal.asks().size()));
    for (const WebFontAsk& ask : journal.asks()) packAsk(p, ask);
    return p.take();
}

std::optional<PageParcel> parcelOf(PageObjectPtr page, HtmlLinkListPtr links, WebFontJournal& journal) {
    stripNonTextItems(*page);
    PageParcel out;
    out.charOfItem.assign(static_cast<size_t>(std::max(page->itemCount, 0)), -1);
    out.placements.assign(out.charOfItem.size(), nullptr);
    for (int32_t i = 0; i < page->itemCount; ++i) {
        const TextItem* text = page->items[i].record.text;
        if (text == nullptr) continue;
        TextPlacement* place = editablePlacementOf(*text);
        if (place == nullptr) continue;
        const int64_t c = place->journalChar;
        if (place->font != nullptr && c < 0) return std::nullopt;
        out.charOfItem[static_cast<size_t>(i)] = c;
        out.placements[static_cast<size_t>(i)] = place;
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
    // A text record takes at least its fixed fields.
    if (!u.get(page.pdfVersion) || !u.count(texts, 48)) return false;
    out.charOfItem.clear();
    out.charOfItem.reserve(texts);
    out.placements.clear();
    out.placements.reserve(texts);
    std::vector<uint16_t> text;
    std::string face;
    for (uint64_t i = 0; i < texts; ++i) {
        int64_t c = -1;
        TextPlacement* kept = nullptr;
        if (!unpackText(u, page, c, text, face, kept)) return false;
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
    if (!u.count(chars, 25)) return false;
    out.chars.assign(chars, WebFontChar{});
    for (WebFontChar& c : out.chars) {
        uint8_t placed = 0;
        for (int32_t& v : c.font)
            if (!u.get(v)) return false;
        if (!u.get(c.first) || !u.get(c.count) || !u.get(placed)) return false;
        c.placed = placed != 0;
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
