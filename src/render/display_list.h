#pragma once
// Ownership of display lists. The records are plain C structs (they cross the library's
// boundary); inside the program a page object is held by `PageObjectPtr`, which frees every
// item and buffer it owns. Records are made only through these functions, so one deleter
// matches every allocation.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "quillmark.h"
#include "render/text_placement.h"

namespace qm {

struct PageObjectDeleter {
    void operator()(PageObject* page) const;
};
using PageObjectPtr = std::unique_ptr<PageObject, PageObjectDeleter>;

// An empty page object (no items, all fields 0).
PageObjectPtr newPageObject();

// Frees a page object, its items and their buffers; null is ignored.
void destroyPageObject(PageObject* page);

// Frees the record of one item (by its kind) and clears the item.
void freePageItem(PageItem& item);

// Appends an item, taking over the record; the item array grows geometrically.
void appendPageItem(PageObject& page, int32_t kind, void* record);

// Removes every item for which `keep` is false, freeing its record; order is kept.
template <class Keep>
void filterPageItems(PageObject& page, Keep keep) {
    int32_t out = 0;
    for (int32_t i = 0; i < page.itemCount; ++i) {
        if (keep(page.items[i])) {
            page.items[out++] = page.items[i];
        } else {
            freePageItem(page.items[i]);
        }
    }
    page.itemCount = out;
}

// Record makers. Every buffer is copied; the result is owned by the caller until appended.
TextItem* makeTextItem(int32_t x, int32_t y, const uint16_t* text, int32_t count, std::string_view face,
                       int32_t advance, int32_t height, bool bold, bool italic, int32_t orientation,
                       uint32_t colour);
// A text record that also carries its placement, which placementOf() gives back until the
// record is freed (`kept`, when given, receives where it is kept for as long). `compact`, for
// a record that is never handed to a caller of the library: a short text and face are kept
// in the record's own block.
TextItem* makePlacedTextItem(int32_t x, int32_t y, const uint16_t* text, int32_t count, std::string_view face,
                             int32_t advance, int32_t height, bool bold, bool italic, int32_t orientation,
                             uint32_t colour, TextPlacement placement, TextPlacement** kept = nullptr,
                             bool compact = false);
// The placement of a record made by makePlacedTextItem; null for any other record.
const TextPlacement* placementOf(const TextItem& item);
TextPlacement* editablePlacementOf(const TextItem& item);
// Per item of a page: its placement (null for an item without one), each looked up once for
// writers that ask again and again.
using PagePlacements = std::vector<TextPlacement*>;
PagePlacements placementsOf(const PageObject& page);
// `bits` is copied (`bitsSize` bytes); palette entries beyond `paletteEntries` are 0. `alpha`
// (`alphaSize` bytes, the opacity plane) is copied into extra1; null for an opaque image.
ImageItem* makeImageItem(const QmBitmapInfoHeader& header, const uint32_t* palette, int paletteEntries,
                         int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* bits,
                         uint32_t bitsSize, const uint8_t* alpha = nullptr, uint32_t alphaSize = 0);
LineItem* makeLineItem(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t penWidth, uint32_t colour,
                       int32_t penStyle);
PolygonItem* makePolygonItem(const QmPoint* points, int32_t count, int32_t fillMode, uint32_t colour,
                             uint8_t opacity = 255);

// Opacity in the records (see quillmark.h): 0..255, 255 opaque, stored as its complement so
// that records whose fields are 0 stay opaque.
inline uint32_t recordedColour(uint32_t colour, uint8_t opacity) {
    return (colour & 0xFFFFFFu) | (static_cast<uint32_t>(255 - opacity) << 24);
}
inline uint8_t colourOpacity(uint32_t colour) { return static_cast<uint8_t>(255 - (colour >> 24)); }
inline uint8_t polygonOpacity(const PolygonItem& item) {
    return item.reserved1 <= 0 ? 255 : item.reserved1 >= 255 ? 0 : static_cast<uint8_t>(255 - item.reserved1);
}
// `data` null or `size` 0 gives an item without data (no clipping).
ClipItem* makeClipItem(const uint8_t* data, uint32_t size);

// Copies a text into a new zero-terminated buffer (freed with the record that owns it).
char* copyRecordText(std::string_view text);

// Link lists handed out by the document functions.
struct HtmlLinkListDeleter {
    void operator()(HtmlLinkList* list) const;
};
using HtmlLinkListPtr = std::unique_ptr<HtmlLinkList, HtmlLinkListDeleter>;
HtmlLinkListPtr newHtmlLinkList();
void destroyHtmlLinkList(HtmlLinkList* list);
// Appends a link, copying the target; the array grows geometrically.
void appendHtmlLink(HtmlLinkList& list, int32_t left, int32_t right, int32_t top, int32_t bottom,
                    std::string_view target);

}  // namespace qm
