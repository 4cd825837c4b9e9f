#include "table/sortkey.h"

#include <cstdint>

#include "text/collation.h"

namespace sortkey {

std::optional<Prefix> OfText(std::string_view utf8, bool caseless)
{
    uint8_t bytes[16];
    if (!text::Collator::User().SortKeyPrefix(utf8, caseless, bytes))
        return std::nullopt;
    Prefix prefix;
    for (int i = 0; i < 8; ++i) {
        prefix.High = prefix.High << 8 | bytes[i];
        prefix.Low = prefix.Low << 8 | bytes[i + 8];
    }
    return prefix;
}

}  // namespace sortkey
