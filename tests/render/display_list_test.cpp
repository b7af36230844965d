#include "render/display_list.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "render/placement_registry.h"

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
// through growth, scattered frees (which move entries of the table back) and shrinking.
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

TEST(DisplayList, PlacementTableMatchesAMapUnderRandomAddsAndTakes) {
    PlacementRegistry table;
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
    for (size_t i = 0; i < items.size(); ++i) {
        auto at = expected.find(&items[i]);
        EXPECT_EQ(table.find(&items[i]), at == expected.end() ? nullptr : at->second);
    }
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
