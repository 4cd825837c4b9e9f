#include "text/collation.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <algorithm>

#include <unicode/ucol.h>
#include <unicode/uiter.h>

namespace text {

struct Collator::Impl {
    UCollator* exact = nullptr;
    UCollator* caseless = nullptr;
    ~Impl()
    {
        if (exact)
            ucol_close(exact);
        if (caseless)
            ucol_close(caseless);
    }
};

namespace {

std::string IcuLocaleFromPosix(std::string name)
{
    // "zh_TW.UTF-8@variant" -> "zh_TW"
    const auto cut = name.find_first_of(".@");
    if (cut != std::string::npos)
        name.resize(cut);
    if (name.empty() || name == "C" || name == "POSIX")
        return "";
    return name;
}

UCollator* Open(const char* locale, UColAttributeValue strength)
{
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open(locale, &status);
    if (U_FAILURE(status) || !collator) {
        status = U_ZERO_ERROR;
        collator = ucol_open("", &status);
    }
    if (collator) {
        status = U_ZERO_ERROR;
        ucol_setAttribute(collator, UCOL_STRENGTH, strength, &status);
    }
    return collator;
}

}  // namespace

const char* UserCollationLocale()
{
    static const std::string locale = [] {
        for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
            const char* value = std::getenv(variable);
            if (value && *value)
                return IcuLocaleFromPosix(value);
        }
        return std::string();
    }();
    return locale.c_str();
}

Collator::Collator() : Collator(UserCollationLocale()) {}

Collator::Collator(const char* locale) : FImpl(std::make_unique<Impl>())
{
    const std::string name = IcuLocaleFromPosix(locale ? locale : "");
    FImpl->exact = Open(name.c_str(), UCOL_TERTIARY);
    FImpl->caseless = Open(name.c_str(), UCOL_SECONDARY);
}

Collator::~Collator() = default;

int Collator::Compare(std::string_view a, std::string_view b, bool caseInsensitive) const
{
    UCollator* collator = caseInsensitive ? FImpl->caseless : FImpl->exact;
    int result = 0;
    if (collator) {
        UErrorCode status = U_ZERO_ERROR;
        result = ucol_strcollUTF8(collator, a.data(), static_cast<int32_t>(a.size()), b.data(),
                                  static_cast<int32_t>(b.size()), &status);
        if (U_FAILURE(status))
            result = 0;
    }
    if (result != 0)
        return result < 0 ? -1 : 1;
    if (caseInsensitive)
        return 0;
    // Only identical text is equal: break the collation's ties by bytes.
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

bool Collator::SortKeyPrefix(std::string_view text, bool caseInsensitive, std::span<uint8_t> prefix) const
{
    std::fill(prefix.begin(), prefix.end(), uint8_t{0});
    UCollator* collator = caseInsensitive ? FImpl->caseless : FImpl->exact;
    if (!collator)
        return true;
    UCharIterator iterator;
    uiter_setUTF8(&iterator, text.data(), static_cast<int32_t>(text.size()));
    uint32_t state[2] = {0, 0};
    UErrorCode status = U_ZERO_ERROR;
    ucol_nextSortKeyPart(collator, &iterator, state, prefix.data(), static_cast<int32_t>(prefix.size()), &status);
    return U_SUCCESS(status);
}

const Collator& Collator::User()
{
    static const Collator user;
    return user;
}

}  // namespace text
