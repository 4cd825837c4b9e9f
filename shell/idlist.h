#pragma once
// Item id lists: the names the namespace gives its items. A list is a run of
// items, each beginning with its 16-bit byte count (the count includes the two
// count bytes), ended by a count of 0. A relative list names an item inside its
// parent folder (one item); an absolute list names it from the desktop (one item
// per level). Lists live in blocks of the namespace's allocator (malloc).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace shell {

using PItemIDList = std::uint8_t*;
using PCItemIDList = const std::uint8_t*;

// Sum of the item counts plus 2 for the terminator; 0 for a missing list.
std::size_t IdListSize(PCItemIDList list);
// A new block of the list's size, zero-filled, then the bytes copied.
// A missing list gives nullptr.
PItemIDList CopyIdList(PCItemIDList list);
// The first list without its terminator followed by the whole second list.
// A missing first list counts as empty; a missing second list too.
PItemIDList ConcatIdLists(PCItemIDList first, PCItemIDList second);
void FreeIdList(PItemIDList list);

// Walking the items of a list.
inline std::uint16_t ItemSize(PCItemIDList item)
{
    return item ? static_cast<std::uint16_t>(item[0] | (item[1] << 8)) : 0;
}
inline bool IsEmptyIdList(PCItemIDList list) { return ItemSize(list) == 0; }
inline PCItemIDList NextItem(PCItemIDList item) { return item + ItemSize(item); }
// The bytes of one item after its count.
inline std::string_view ItemBytes(PCItemIDList item)
{
    return {reinterpret_cast<const char*>(item) + 2, static_cast<std::size_t>(ItemSize(item) - 2)};
}
int IdListItemCount(PCItemIDList list);
// A list of one item holding payload; nullptr when the payload is too long
// for an item (more than 65533 bytes).
PItemIDList MakeIdList(std::string_view payload);
// A copy of the list without its last item (the parent's list).
PItemIDList CopyParentIdList(PCItemIDList list);
// The last item of a list (the terminator itself for an empty list).
PCItemIDList LastItem(PCItemIDList list);

struct IdListDeleter {
    void operator()(std::uint8_t* list) const { FreeIdList(list); }
};

// Owns one list.
class TItemIdList {
public:
    TItemIdList() = default;
    explicit TItemIdList(PItemIDList adopt) : FList(adopt) {}
    static TItemIdList Copy(PCItemIDList list) { return TItemIdList(CopyIdList(list)); }
    static TItemIdList Empty();

    PCItemIDList get() const { return FList.get(); }
    PItemIDList release() { return FList.release(); }
    explicit operator bool() const { return static_cast<bool>(FList); }
    std::size_t Size() const { return IdListSize(FList.get()); }
    std::string_view Bytes() const
    {
        return {reinterpret_cast<const char*>(FList.get()), Size()};
    }

private:
    std::unique_ptr<std::uint8_t, IdListDeleter> FList;
};

}  // namespace shell
