#include "render/display_list.h"

#include <gtest/gtest.h>

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
