#include "render/display_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <string_view>

#include "render/address_table.h"
#include "render/placed_record_pool.h"

namespace qm {
namespace {

TEST(DisplayList, ItemsOfEveryKindAreOwnedAndFiltered) {
    PageObjectPtr page = newPageObject();
    const uint16_t text[] = {'H', 'i'};
    for (int i = 0; i < 1000; ++i) {
        appendPageItem(*page, QM_ITEM_TEXT, makeTextItem(i, 2, text, 2, "Arial", 5, 12, true, false, 0, 0xFF));
        QmPoint pts[] = {{0, 0}, {3, 0}, {3, 3}};
        appendPageItem(*page, QM_ITEM_POLYGON, makePolygonItem(pts, 3, QM_FILL_WINDING, 0x00FF00));
    }
    QmBitmapInfoHeader header{40, 1, 1, 1, 32, 0, 4, 0, 0, 0, 0};
    const uint8_t pixel[4] = {1, 2, 3, 0};
    appendPageItem(*page, QM_ITEM_IMAGE, makeImageItem(header, nullptr, 0, 0, 0, 1, 1, pixel, 4));
    appendPageItem(*page, QM_ITEM_LINE, makeLineItem(0, 0, 5, 5, 1, 0, QM_PEN_DASHED));
    appendPageItem(*page, QM_ITEM_CLIP, makeClipItem(nullptr, 0));
    ASSERT_EQ(page->itemCount, 2003);
    EXPECT_GE(page->itemCapacity, page->itemCount);

    const TextItem& first = *page->items[0].record.text;
    EXPECT_EQ(first.count, 2);
    EXPECT_EQ(first.text[1], 'i');
    EXPECT_STREQ(first.face, "Arial");
    EXPECT_EQ(first.bold, 1);
    EXPECT_EQ(page->items[2002].record.clip->data, nullptr);

    filterPageItems(*page, [](const PageItem& item) { return item.kind == QM_ITEM_TEXT; });
    ASSERT_EQ(page->itemCount, 1000);
    EXPECT_EQ(page->items[999].record.text->x, 999);
}

// Pages come and go by the thousand records: placements must follow their own records
// through scattered frees, across many slabs of the pool.
TEST(DisplayList, PlacementsFollowTheirRecordsThroughScatteredFrees) {
    PageObjectPtr page = newPageObject();
    const uint16_t text[] = {'x'};
    for (int i = 0; i < 20000; ++i) {
        if (i % 3 == 0) {
            appendPageItem(*page, QM_ITEM_TEXT, makeTextItem(i, 0, text, 1, "Arial", 5, 12, false, false, 0, 0));
            continue;
        }
        TextPlacement place;
        place.x = i;
        place.journalChar = i;
        TextPlacement* kept = nullptr;
        appendPageItem(*page, QM_ITEM_TEXT,
                       makePlacedTextItem(i, 0, text, 1, "Arial", 5, 12, false, false, 0, 0, place, &kept));
        ASSERT_EQ(kept, placementOf(*page->items[i].record.text));
    }
    std::mt19937 random(7);
    filterPageItems(*page, [&](const PageItem&) { return random() % 4 != 0; });
    ASSERT_GT(page->itemCount, 13000);
    for (int32_t i = 0; i < page->itemCount; ++i) {
        const TextItem& t = *page->items[i].record.text;
        const TextPlacement* place = placementOf(t);
        if (t.x % 3 == 0) {
            EXPECT_EQ(place, nullptr) << t.x;
        } else {
            ASSERT_NE(place, nullptr) << t.x;
            EXPECT_EQ(place->journalChar, t.x);
        }
    }
    filterPageItems(*page, [](const PageItem& item) { return item.record.text->x % 1000 == 1 && item.record.text->x % 3 != 0; });
    for (int32_t i = 0; i < page->itemCount; ++i)
        EXPECT_EQ(placementOf(*page->items[i].record.text)->x, page->items[i].record.text->x);
    // A copy of a placed record is the caller's: it has no placement to read past its end.
    TextItem copy = *page->items[0].record.text;
    EXPECT_EQ(placementOf(copy), nullptr);
}

// A compact record keeps a short text and face in its own block and frees only what it
// allocated; a long one falls back to buffers of its own.
TEST(DisplayList, CompactRecordsHoldShortTextsInTheirBlock) {
    PageObjectPtr page = newPageObject();
    const uint16_t text[] = {'a', 'b', 'c', 'd', 'e'};
    const std::string longFace(60, 'F');
    for (int32_t count : {0, 1, 4, 5})
        for (std::string_view face : {std::string_view(), std::string_view("Minion Pro"), std::string_view(longFace)}) {
            TextPlacement place;
            place.x = count;
            appendPageItem(*page, QM_ITEM_TEXT,
                           makePlacedTextItem(count, 0, text, count, face, 5, 12, true, false, 0, 0xFF, place, nullptr,
                                              true));
            const TextItem& t = *page->items[page->itemCount - 1].record.text;
            ASSERT_EQ(t.count, count);
            for (int32_t i = 0; i < count; ++i) EXPECT_EQ(t.text[i], text[i]);
            EXPECT_EQ(std::string_view(t.face), face);
            EXPECT_EQ(t.bold, 1);
            EXPECT_EQ(placementOf(t)->x, count);
        }
    filterPageItems(*page, [](const PageItem& item) { return item.record.text->count % 2 == 0; });
    EXPECT_EQ(page->itemCount, 6);
}

TEST(DisplayList, AddressTableMatchesAMapUnderRandomAddsAndTakes) {
    AddressTable table;
    std::map<const TextItem*, TextPlacement*> expected;
    std::vector<TextItem> items(5000);
    std::vector<TextPlacement> places(items.size());
    std::mt19937 random(11);
    for (int step = 0; step < 200000; ++step) {
        const size_t i = random() % (step < 100000 ? items.size() : 40);
        if (random() % 2 == 0) {
            table.add(&items[i], &places[i]);
            expected[&items[i]] = &places[i];
        } else {
            auto at = expected.find(&items[i]);
            ASSERT_EQ(table.take(&items[i]), at == expected.end() ? nullptr : at->second);
            if (at != expected.end()) expected.erase(at);
        }
    }
    EXPECT_EQ(table.size(), expected.size());
    for (size_t i = 0; i < items.size(); ++i) {
        auto at = expected.find(&items[i]);
        EXPECT_EQ(table.find(&items[i]), at == expected.end() ? nullptr : at->second);
    }
}

// The pool answers only for its own live blocks: not for a block given back, an address
// inside a block, or a record made elsewhere; and it gives its slabs back once they empty.
TEST(DisplayList, RecordPoolKnowsOnlyItsLiveBlocksAndReturnsEmptySlabs) {
    PlacedRecordPool pool;
    std::vector<PlacedRecord*> blocks;
    for (int i = 0; i < 5000; ++i) blocks.push_back(pool.allocate());
    const size_t slabs = pool.slabCount();
    EXPECT_GE(slabs, 5000 * sizeof(PlacedRecord) / PlacedRecordPool::kSlabBytes);
    std::mt19937 random(5);
    std::shuffle(blocks.begin(), blocks.end(), random);
    std::vector<PlacedRecord*> released(blocks.begin(), blocks.begin() + 2500);
    for (PlacedRecord* block : released) pool.release(block);
    for (PlacedRecord* block : released) EXPECT_EQ(pool.find(&block->item), nullptr);
    for (size_t i = 2500; i < blocks.size(); ++i) {
        EXPECT_EQ(pool.find(&blocks[i]->item), blocks[i]);
        const auto* inside = reinterpret_cast<const TextItem*>(reinterpret_cast<const char*>(blocks[i]) + 8);
        EXPECT_EQ(pool.find(inside), nullptr);
    }
    TextItem own{};
    EXPECT_EQ(pool.find(&own), nullptr);
    // Blocks given back are not handed out again before their slab empties; new ones come
    // from the newest slab.
    PlacedRecord* fresh = pool.allocate();
    EXPECT_EQ(pool.find(&fresh->item), fresh);
    EXPECT_EQ(std::count(released.begin(), released.end(), fresh), 0);
    pool.release(fresh);
    pool.release(fresh);  // given back already: it leaves the other blocks of its slab alone
    for (size_t i = 2500; i < blocks.size(); ++i) ASSERT_EQ(pool.find(&blocks[i]->item), blocks[i]);
    for (size_t i = 2500; i < blocks.size(); ++i) pool.release(blocks[i]);
    EXPECT_LE(pool.slabCount(), 1u);
    // An emptied current slab is cut again from its start.
    PlacedRecord* again = pool.allocate();
    EXPECT_EQ(pool.slabCount(), 1u);
    pool.release(again);
}

TEST(DisplayList, LinkListsCopyTargetsAndAcceptNull) {
    HtmlLinkListPtr links = newHtmlLinkList();
    for (int i = 0; i < 100; ++i) appendHtmlLink(*links, 1, 2, 3, 4, "actionGoTo:3");
    ASSERT_EQ(links->count, 100);
    EXPECT_STREQ(links->links[99].target, "actionGoTo:3");
    EXPECT_EQ(links->links[0].right, 2);
    destroyHtmlLinkList(nullptr);
    destroyPageObject(nullptr);
}

}  // namespace
}  // namespace qm
