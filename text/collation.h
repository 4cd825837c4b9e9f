#pragma once
// Locale-aware ordering of text values, on ICU's collator for the user's locale
// (the root collation when the locale is C or POSIX, so that "a" sorts before
// "B" everywhere). Two values compare equal only when their bytes are equal.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace text {

class Collator {
public:
    // The collator for the user's locale (LC_ALL, LC_COLLATE, LANG).
    Collator();
    // The collator for a named ICU locale ("" or "C"/"POSIX" give the root).
    explicit Collator(const char* locale);
    ~Collator();
    Collator(const Collator&) = delete;
    Collator& operator=(const Collator&) = delete;

    // -1, 0 or +1. Equal only for identical bytes; texts the collation deems
    // equal are ordered by their bytes.
    int Compare(std::string_view a, std::string_view b, bool caseInsensitive = false) const;

    // Fills `prefix` with the first bytes of the text's sort key (zeros past
    // a short key). Where the prefixes of two texts differ, comparing them byte
    // by byte orders the texts as Compare does; equal prefixes decide nothing.
    // Without a collator (bytes order) every prefix is zeros. False when ICU
    // could not make one.
    bool SortKeyPrefix(std::string_view text, bool caseInsensitive, std::span<uint8_t> prefix) const;

    // The process-wide collator for the user's locale.
    static const Collator& User();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// The ICU locale name used for the user's locale ("" for root).
const char* UserCollationLocale();

}  // namespace text
