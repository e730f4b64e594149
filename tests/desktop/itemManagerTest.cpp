// The Add Files dialog's staging store.
#include "desktop/itemManager.h"

#include <gtest/gtest.h>

TEST(ItemManager, RecordsByPosition)
{
    TItemManager items;
    items.AddItem("/v/a&b 'c'\xE9.avi", -1, "");
    items.AddItem("/v/b.avi", 7, "/out/caf\xE9 & 'x'/");
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(items.GetProfileIndex(0), -1);
    EXPECT_EQ(items.GetOutputFolder(0), "");
    EXPECT_EQ(items.GetProfileIndex(1), 7);
    EXPECT_EQ(items.GetOutputFolder(1), "/out/caf\xE9 & 'x'/");
    EXPECT_THROW(items.GetProfileIndex(2), std::out_of_range);
    items.ClearItems();
    EXPECT_EQ(items.Count(), 0);
    items.AddItem("/v/c.avi", 3, "/o/");
    EXPECT_EQ(items.GetProfileIndex(0), 3);
    EXPECT_EQ(items.GetOutputFolder(0), "/o/");
}
