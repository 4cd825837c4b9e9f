#pragma once
// Numbers written as the user's locale writes them (the song list's size).

#include <string>
#include <string_view>

// How the user's locale writes numbers.
struct NumberStyle {
    std::string decimalSeparator = ".";
    std::string thousandSeparator;  // empty: no grouping
    // The style of the user's locale (LC_ALL, LC_NUMERIC, LANG).
    static NumberStyle User();
};

// value with `decimals` decimals (rounded half away from zero) and its whole
// part grouped by threes, as "%.*n" writes it; no padding.
std::string FormatNumber(double value, int decimals, const NumberStyle& style);

// "%10.1n": FormatNumber with one decimal, right-aligned in 10 characters.
std::string FormatNumberField(double value, const NumberStyle& style);

// Trims spaces at both ends (of a padded number field).
std::string Trim(std::string_view s);
