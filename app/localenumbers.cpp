#include "app/localenumbers.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>

NumberStyle NumberStyle::User()
{
    NumberStyle style;
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
        return style;
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char* thousands = nl_langinfo_l(THOUSEP, loc);
    if (radix && *radix)
        style.decimalSeparator = radix;
    if (thousands)
        style.thousandSeparator = thousands;
    freelocale(loc);
    return style;
}

std::string FormatNumber(double value, int decimals, const NumberStyle& style)
{
    if (decimals < 0)
        decimals = 0;
    const double scale = std::pow(10.0, decimals);
    // Round half away from zero on the decimal value, then write the digits.
    const double rounded = std::round(std::fabs(value) * scale);
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", rounded);
    std::string all = digits;
    if (static_cast<int>(all.size()) <= decimals)
        all.insert(0, static_cast<std::size_t>(decimals + 1) - all.size(), '0');
    const std::string whole = all.substr(0, all.size() - static_cast<std::size_t>(decimals));
    const std::string fraction = all.substr(all.size() - static_cast<std::size_t>(decimals));
    std::string grouped;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += style.thousandSeparator;
        grouped += whole[i];
    }
    std::string out = (value < 0 && rounded != 0) ? "-" + grouped : grouped;
    if (decimals > 0)
        out += style.decimalSeparator + fraction;
    return out;
}

std::string FormatNumberField(double value, const NumberStyle& style)
{
    std::string s = FormatNumber(value, 1, style);
    if (s.size() < 10)
        s.insert(0, 10 - s.size(), ' ');
    return s;
}

std::string Trim(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return std::string(s);
}
