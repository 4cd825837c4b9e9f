#include "table/sortkey.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>

#include "text/collation.h"

namespace sortkey {

namespace {

// A collator opened as text::Collator opens the user's one: the user's locale
// (the root collation for C and POSIX), else the root, at the given strength.
class KeyCollator {
public:
    explicit KeyCollator(UColAttributeValue strength)
    {
        UErrorCode status = U_ZERO_ERROR;
        FCollator = ucol_open(text::UserCollationLocale(), &status);
        if (U_FAILURE(status) || !FCollator) {
            status = U_ZERO_ERROR;
            FCollator = ucol_open("", &status);
        }
        if (FCollator) {
            status = U_ZERO_ERROR;
            ucol_setAttribute(FCollator, UCOL_STRENGTH, strength, &status);
        }
    }
    ~KeyCollator()
    {
        if (FCollator)
            ucol_close(FCollator);
    }
    KeyCollator(const KeyCollator&) = delete;
    KeyCollator& operator=(const KeyCollator&) = delete;

    std::optional<Prefix> Make(std::string_view utf8) const
    {
        if (!FCollator)
            return Prefix{};  // text::Collator has none either: it compares bytes
        UCharIterator iterator;
        uiter_setUTF8(&iterator, utf8.data(), static_cast<int32_t>(utf8.size()));
        uint32_t state[2] = {0, 0};
        uint8_t bytes[16] = {};
        UErrorCode status = U_ZERO_ERROR;
        ucol_nextSortKeyPart(FCollator, &iterator, state, bytes, sizeof bytes, &status);
        if (U_FAILURE(status))
            return std::nullopt;
        Prefix prefix;
        for (int i = 0; i < 8; ++i) {
            prefix.High = prefix.High << 8 | bytes[i];
            prefix.Low = prefix.Low << 8 | bytes[i + 8];
        }
        return prefix;
    }

private:
    UCollator* FCollator = nullptr;
};

}  // namespace

std::optional<Prefix> OfText(std::string_view utf8, bool caseless)
{
    static const KeyCollator exact(UCOL_TERTIARY);
    static const KeyCollator withoutCase(UCOL_SECONDARY);
    return (caseless ? withoutCase : exact).Make(utf8);
}

}  // namespace sortkey
