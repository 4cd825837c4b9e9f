#pragma once
// Locale-aware ordering of text values, on ICU's collator for the user's locale
// (the root collation when the locale is C or POSIX, so that "a" sorts before
// "B" everywhere). Two values compare equal only when their bytes are equal.

#include <memory>
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

    // The process-wide collator for the user's locale.
    static const Collator& User();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// The ICU locale name used for the user's locale ("" for root).
const char* UserCollationLocale();

}  // namespace text
