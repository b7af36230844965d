#include "render/display_list.h"

#include <algorithm>
#include <cstring>
#include <cstddef>
#include <iterator>
#include <new>

#include "core/memory.h"
#include "render/placed_record_pool.h"

namespace qm {

namespace {

template <class T>
T* newRecord() {
    auto* record = static_cast<T*>(memAlloc(sizeof(T)));
    std::memset(record, 0, sizeof(T));
    return record;
}

template <class T>
T* copyArray(const T* from, size_t count) {
    if (from == nullptr || count == 0) return nullptr;
    auto* to = static_cast<T*>(memAlloc(count * sizeof(T)));
    std::memcpy(to, from, count * sizeof(T));
    return to;
}

// Next capacity for an array of `need` entries: grows by half, at least 16.
int32_t grownCapacity(int32_t capacity, int32_t need) {
    int64_t next = std::max<int64_t>(16, static_cast<int64_t>(capacity) + capacity / 2);
    return static_cast<int32_t>(std::max<int64_t>(next, need));
}

}  // namespace

char* copyRecordText(std::string_view text) {
    auto* out = static_cast<char*>(memAlloc(text.size() + 1));
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return out;
}

void PageObjectDeleter::operator()(PageObject* page) const { destroyPageObject(page); }

PageObjectPtr newPageObject() { return PageObjectPtr(newRecord<PageObject>()); }

void freePageItem(PageItem& item) {
    switch (item.kind) {
    case QM_ITEM_TEXT:
        if (TextItem* text = item.record.text) {
            if (PlacedRecord* block = PlacedRecordPool::shared().find(text)) {
                if (text->text != block->ownText) memFree(text->text);
                if (text->face != block->ownFace) memFree(text->face);
                block->placement.~TextPlacement();
                PlacedRecordPool::shared().release(block);
                item.record.any = nullptr;
                return;
            }
            memFree(text->text);
            memFree(text->face);
        }
        break;
    case QM_ITEM_IMAGE:
        if (item.record.image != nullptr) {
            memFree(item.record.image->bits);
            memFree(item.record.image->extra1);
            memFree(item.record.image->extra2);
        }
        break;
    case QM_ITEM_POLYGON:
        if (item.record.polygon != nullptr) memFree(item.record.polygon->points);
        break;
    case QM_ITEM_CLIP:
        if (item.record.clip != nullptr) memFree(item.record.clip->data);
        break;
    default:
        break;
    }
    memFree(item.record.any);
    item.record.any = nullptr;
}

void destroyPageObject(PageObject* page) {
    if (page == nullptr) return;
    for (int32_t i = 0; i < page->itemCount; ++i) freePageItem(page->items[i]);
    memFree(page->items);
    memFree(page);
}

void appendPageItem(PageObject& page, int32_t kind, void* record) {
    if (page.itemCount >= page.itemCapacity) {
        int32_t capacity = grownCapacity(page.itemCapacity, page.itemCount + 1);
        page.items = static_cast<PageItem*>(memRealloc(page.items, static_cast<size_t>(capacity) * sizeof(PageItem)));
        page.itemCapacity = capacity;
    }
    PageItem& item = page.items[page.itemCount++];
    item.kind = kind;
    item.record.any = record;
}

namespace {

void fillTextFields(TextItem& item, int32_t x, int32_t y, int32_t advance, int32_t height, bool bold, bool italic,
                    int32_t orientation, uint32_t colour) {
    item.x = x;
    item.y = y;
    item.advance = advance;
    item.height = height;
    item.bold = bold ? 1 : 0;
    item.italic = italic ? 1 : 0;
    item.orientation = orientation;
    item.colour = colour;
}

void copyTextBuffers(TextItem& item, const uint16_t* text, int32_t count, std::string_view face) {
    item.count = std::max(0, count);
    item.text = copyArray(text, static_cast<size_t>(item.count));
    if (item.text == nullptr) item.count = 0;
    item.face = copyRecordText(face);
}

}  // namespace

TextItem* makeTextItem(int32_t x, int32_t y, const uint16_t* text, int32_t count, std::string_view face,
                       int32_t advance, int32_t height, bool bold, bool italic, int32_t orientation,
                       uint32_t colour) {
    auto* item = newRecord<TextItem>();
    fillTextFields(*item, x, y, advance, height, bold, italic, orientation, colour);
    copyTextBuffers(*item, text, count, face);
    return item;
}

TextItem* makePlacedTextItem(int32_t x, int32_t y, const uint16_t* text, int32_t count, std::string_view face,
                             int32_t advance, int32_t height, bool bold, bool italic, int32_t orientation,
                             uint32_t colour, TextPlacement placement, TextPlacement** kept, bool compact) {
    PlacedRecord* record = PlacedRecordPool::shared().allocate();
    std::memset(static_cast<void*>(&record->item), 0, sizeof(TextItem));
    new (&record->placement) TextPlacement(std::move(placement));
    TextItem& item = record->item;
    fillTextFields(item, x, y, advance, height, bold, italic, orientation, colour);
    const auto units = static_cast<size_t>(std::max(count, 0));
    if (compact && units <= std::size(record->ownText) && face.size() < sizeof record->ownFace) {
        if (units > 0 && text != nullptr) {
            std::memcpy(record->ownText, text, units * sizeof(uint16_t));
            item.text = record->ownText;
            item.count = static_cast<int32_t>(units);
        }
        if (!face.empty()) std::memcpy(record->ownFace, face.data(), face.size());
        record->ownFace[face.size()] = '\0';
        item.face = record->ownFace;
    } else {
        copyTextBuffers(item, text, count, face);
    }
    if (kept != nullptr) *kept = &record->placement;
    return &record->item;
}

const TextPlacement* placementOf(const TextItem& item) { return editablePlacementOf(item); }

TextPlacement* editablePlacementOf(const TextItem& item) {
    PlacedRecord* block = PlacedRecordPool::shared().find(&item);
    return block != nullptr ? &block->placement : nullptr;
}

PagePlacements placementsOf(const PageObject& page) {
    PagePlacements out(static_cast<size_t>(std::max(page.itemCount, 0)), nullptr);
    for (int32_t i = 0; i < page.itemCount; ++i)
        if (page.items[i].kind == QM_ITEM_TEXT && page.items[i].record.text != nullptr)
            out[static_cast<size_t>(i)] = editablePlacementOf(*page.items[i].record.text);
    return out;
}

ImageItem* makeImageItem(const QmBitmapInfoHeader& header, const uint32_t* palette, int paletteEntries,
                         int32_t x, int32_t y, int32_t width, int32_t height, const uint8_t* bits,
                         uint32_t bitsSize, const uint8_t* alpha, uint32_t alphaSize) {
    auto* item = newRecord<ImageItem>();
    item->header = header;
    if (palette != nullptr && paletteEntries > 0) {
        std::memcpy(item->palette, palette, static_cast<size_t>(std::min(paletteEntries, 256)) * 4);
    }
    item->x = x;
    item->y = y;
    item->width = width;
    item->height = height;
    item->bits = copyArray(bits, bitsSize);
    item->bitsSize = item->bits != nullptr ? bitsSize : 0;
    item->extra1 = copyArray(alpha, alphaSize);
    item->extra1Size = item->extra1 != nullptr ? alphaSize : 0;
    return item;
}

LineItem* makeLineItem(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t penWidth, uint32_t colour,
                       int32_t penStyle) {
    auto* item = newRecord<LineItem>();
    *item = LineItem{x0, y0, x1, y1, penWidth, colour, penStyle};
    return item;
}

PolygonItem* makePolygonItem(const QmPoint* points, int32_t count, int32_t fillMode, uint32_t colour,
                             uint8_t opacity) {
    auto* item = newRecord<PolygonItem>();
    item->pointCount = std::max(0, count);
    item->points = copyArray(points, static_cast<size_t>(item->pointCount));
    if (item->points == nullptr) item->pointCount = 0;
    item->fillMode = fillMode;
    item->colour = colour;
    item->reserved1 = 255 - opacity;
    return item;
}

ClipItem* makeClipItem(const uint8_t* data, uint32_t size) {
    auto* item = newRecord<ClipItem>();
    item->data = copyArray(data, size);
    item->dataSize = item->data != nullptr ? size : 0;
    return item;
}

void HtmlLinkListDeleter::operator()(HtmlLinkList* list) const { destroyHtmlLinkList(list); }

HtmlLinkListPtr newHtmlLinkList() { return HtmlLinkListPtr(newRecord<HtmlLinkList>()); }

void destroyHtmlLinkList(HtmlLinkList* list) {
    if (list == nullptr) return;
    for (int32_t i = 0; i < list->count; ++i) memFree(list->links[i].target);
    memFree(list->links);
    memFree(list);
}

void appendHtmlLink(HtmlLinkList& list, int32_t left, int32_t right, int32_t top, int32_t bottom,
                    std::string_view target) {
    if (list.count >= list.capacity) {
        int32_t capacity = grownCapacity(list.capacity, list.count + 1);
        list.links = static_cast<HtmlLink*>(memRealloc(list.links, static_cast<size_t>(capacity) * sizeof(HtmlLink)));
        list.capacity = capacity;
    }
    list.links[list.count++] = HtmlLink{left, right, top, bottom, copyRecordText(target)};
}

}  // namespace qm
