#include <gtest/gtest.h>

#include "shell/idlist.h"

using namespace shell;

namespace {

TItemIdList Item(std::string_view payload) { return TItemIdList(MakeIdList(payload)); }

}  // namespace

TEST(IdLists, SizeCountsItemsAndTerminator)
{
    EXPECT_EQ(IdListSize(nullptr), 0u);
    EXPECT_EQ(TItemIdList::Empty().Size(), 2u);
    const TItemIdList one = Item("abc");
    EXPECT_EQ(one.Size(), 2u + 3u + 2u);
    EXPECT_EQ(IdListItemCount(one.get()), 1);
    EXPECT_EQ(ItemBytes(one.get()), "abc");
}

TEST(IdLists, CopyIsAnIndependentEqualBlock)
{
    const TItemIdList original = Item("folder");
    TItemIdList copy = TItemIdList::Copy(original.get());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy.get(), original.get());
    EXPECT_EQ(copy.Bytes(), original.Bytes());
    EXPECT_FALSE(TItemIdList::Copy(nullptr));
}

TEST(IdLists, ConcatenateKeepsEveryItemInOrder)
{
    const TItemIdList a = Item("a");
    const TItemIdList bc(ConcatIdLists(Item("bb").get(), Item("ccc").get()));
    const TItemIdList all(ConcatIdLists(a.get(), bc.get()));
    ASSERT_EQ(IdListItemCount(all.get()), 3);
    PCItemIDList item = all.get();
    EXPECT_EQ(ItemBytes(item), "a");
    item = NextItem(item);
    EXPECT_EQ(ItemBytes(item), "bb");
    item = NextItem(item);
    EXPECT_EQ(ItemBytes(item), "ccc");
    EXPECT_EQ(all.Size(), a.Size() + bc.Size() - 2);

    // A missing first list counts as empty; an empty second list adds nothing.
    const TItemIdList second(ConcatIdLists(nullptr, a.get()));
    EXPECT_EQ(second.Bytes(), a.Bytes());
    const TItemIdList first(ConcatIdLists(a.get(), TItemIdList::Empty().get()));
    EXPECT_EQ(first.Bytes(), a.Bytes());
}

TEST(IdLists, ParentAndLastItem)
{
    const TItemIdList list(ConcatIdLists(Item("one").get(), Item("two").get()));
    EXPECT_EQ(ItemBytes(LastItem(list.get())), "two");
    const TItemIdList parent(CopyParentIdList(list.get()));
    ASSERT_EQ(IdListItemCount(parent.get()), 1);
    EXPECT_EQ(ItemBytes(parent.get()), "one");
    const TItemIdList none(CopyParentIdList(parent.get()));
    EXPECT_TRUE(IsEmptyIdList(none.get()));
}

TEST(IdLists, ItemsHoldAnyBytesUpToTheCountLimit)
{
    const std::string bytes("a\0b\nc\xff", 6);
    EXPECT_EQ(ItemBytes(Item(bytes).get()), bytes);
    EXPECT_TRUE(Item(std::string(0xFFFF - 2, 'x')));
    EXPECT_FALSE(Item(std::string(0xFFFF - 1, 'x')));
}
