#pragma once
// Short, order-keeping prefixes of the sort field's values. Comparing two
// prefixes as numbers orders two values as text::Collator::User() orders them
// whenever the prefixes differ; equal prefixes say nothing, and the values
// themselves are compared then. Kept next to each record in the record list,
// they settle most comparisons of a search without reading the records.
//
// Text prefixes are text::Collator::User()'s sort-key prefixes of 16 bytes.

#include <cstdint>
#include <optional>
#include <string_view>

namespace sortkey {

// 16 bytes, compared as one big-endian number.
struct Prefix {
    uint64_t High = 0;
    uint64_t Low = 0;
};

// The prefix of a text value; `caseless` as in text::Collator::Compare.
// Nothing when ICU could not make one (then no prefix may be trusted).
std::optional<Prefix> OfText(std::string_view utf8, bool caseless);
// The prefix of an integer value (exact).
inline Prefix OfInteger(int32_t value)
{
    return {static_cast<uint64_t>(static_cast<int64_t>(value) + INT64_C(0x80000000)), 0};
}
// -1, 0 (no decision) or +1.
inline int Compare(const Prefix& a, const Prefix& b)
{
    if (a.High != b.High)
        return a.High < b.High ? -1 : 1;
    return a.Low < b.Low ? -1 : (a.Low > b.Low ? 1 : 0);
}

}  // namespace sortkey
