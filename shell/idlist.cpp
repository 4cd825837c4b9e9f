#include "shell/idlist.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace shell {

std::size_t IdListSize(PCItemIDList list)
{
    if (!list)
        return 0;
    std::size_t size = 0;
    for (PCItemIDList item = list; ItemSize(item) != 0; item = NextItem(item))
        size += ItemSize(item);
    return size + 2;
}

PItemIDList CopyIdList(PCItemIDList list)
{
    const std::size_t size = IdListSize(list);
    if (size == 0)
        return nullptr;
    auto* copy = static_cast<PItemIDList>(std::calloc(size, 1));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, list, size);
    return copy;
}

PItemIDList ConcatIdLists(PCItemIDList first, PCItemIDList second)
{
    const std::size_t firstSize = first ? IdListSize(first) - 2 : 0;
    const std::size_t secondSize = second ? IdListSize(second) : 2;
    auto* list = static_cast<PItemIDList>(std::calloc(firstSize + secondSize, 1));
    if (!list)
        throw std::bad_alloc();
    if (firstSize)
        std::memcpy(list, first, firstSize);
    if (second)
        std::memcpy(list + firstSize, second, secondSize);
    return list;
}

void FreeIdList(PItemIDList list) { std::free(list); }

int IdListItemCount(PCItemIDList list)
{
    int count = 0;
    if (list)
        for (PCItemIDList item = list; ItemSize(item) != 0; item = NextItem(item))
            ++count;
    return count;
}

PItemIDList MakeIdList(std::string_view payload)
{
    if (payload.size() > 0xFFFF - 2)
        return nullptr;
    const std::size_t count = payload.size() + 2;
    auto* list = static_cast<PItemIDList>(std::calloc(count + 2, 1));
    if (!list)
        throw std::bad_alloc();
    list[0] = static_cast<std::uint8_t>(count & 0xFF);
    list[1] = static_cast<std::uint8_t>(count >> 8);
    if (!payload.empty())
        std::memcpy(list + 2, payload.data(), payload.size());
    return list;
}

PCItemIDList LastItem(PCItemIDList list)
{
    PCItemIDList last = list;
    for (PCItemIDList item = list; ItemSize(item) != 0; item = NextItem(item))
        last = item;
    return last;
}

PItemIDList CopyParentIdList(PCItemIDList list)
{
    if (!list)
        return nullptr;
    const PCItemIDList last = LastItem(list);
    const std::size_t keep = static_cast<std::size_t>(last - list);
    auto* parent = static_cast<PItemIDList>(std::calloc(keep + 2, 1));
    if (!parent)
        throw std::bad_alloc();
    std::memcpy(parent, list, keep);
    return parent;
}

TItemIdList TItemIdList::Empty()
{
    auto* list = static_cast<PItemIDList>(std::calloc(2, 1));
    if (!list)
        throw std::bad_alloc();
    return TItemIdList(list);
}

}  // namespace shell
