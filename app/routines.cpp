#include "app/routines.h"

#include <cerrno>
#include <clocale>
#include <cmath>
#include <sys/stat.h>
#include <fcntl.h>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>

#include "text/bytes.h"

namespace fs = std::filesystem;

std::string MsToMinSec(int32_t ms)
{
    int32_t seconds = ms / 1000;
    const int32_t minutes = seconds / 60;
    seconds -= 60 * minutes;
    auto two = [](int32_t n) {
        std::string s = std::to_string(n);
        return n <= 9 ? "0" + s : s;
    };
    return two(minutes) + ":" + two(seconds);
}

std::string ExtractFileName(std::string_view path)
{
    const std::size_t at = text::LastDelimiter("/", path);
    return std::string(path.substr(at));
}

std::string StripFileExt(std::string_view s)
{
    const std::size_t at = text::LastDelimiter("./", s);
    if (at > 0 && s[at - 1] == '.')
        return std::string(s.substr(0, at - 1));
    return std::string(s);
}

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

int NextTickDelay(int32_t positionMs)
{
    // Far enough past the second that the device reports it, close enough
    // that the time display does not lag.
    constexpr int kMargin = 20;
    const int32_t into = positionMs < 0 ? 0 : positionMs % 1000;
    return 1000 - into + kMargin;
}

bool EndsWithNoCase(std::string_view name, std::string_view suffix)
{
    if (name.size() < suffix.size())
        return false;
    const std::size_t start = name.size() - suffix.size();
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        unsigned char a = static_cast<unsigned char>(name[start + i]);
        unsigned char b = static_cast<unsigned char>(suffix[i]);
        if (a >= 'A' && a <= 'Z')
            a = static_cast<unsigned char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<unsigned char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

namespace {

// Reads entries up to the next matching one and fills rec. Sizes and kinds
// are looked up relative to the open folder, not by the whole path.
int Fill(TSearchRec& rec)
{
    DIR* dir = rec.FindHandle.get();
    errno = 0;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (!EndsWithNoCase(name, rec.Suffix))
            continue;
        rec.Name = name;
        rec.Attr = 0;
        rec.Size = 0;
        bool folder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK || entry->d_type == DT_REG) {
            // Links count as what they point to; the size of a file is asked for anyway.
            struct stat st;
            if (fstatat(dirfd(dir), name, &st, 0) == 0) {
                folder = S_ISDIR(st.st_mode);
                if (!folder)
                    rec.Size = static_cast<int64_t>(st.st_size);
            }
        }
        if (folder)
            rec.Attr |= faDirectory;
        if (name[0] == '.')
            rec.Attr |= faHidden;
        if (!folder)
            rec.Attr |= faArchive;
        return 0;
    }
    return errno ? errno : ENOENT;
}

}  // namespace

int FindFirst(const std::string& folder, const std::string& suffix, TSearchRec& rec)
{
    rec.Suffix = suffix;
    rec.FindHandle.reset();
    // A place without a file-system path (the tree's Computer) names no folder.
    if (folder.empty() || folder.front() != '/')
        return ENOENT;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return errno ? errno : ENOENT;
    rec.FindHandle = std::shared_ptr<DIR>(dir, closedir);
    return Fill(rec);
}

int FindNext(TSearchRec& rec)
{
    if (!rec.FindHandle)
        return ENOENT;
    return Fill(rec);
}

void FindClose(TSearchRec& rec) { rec.FindHandle.reset(); }

bool FileExists(const std::string& path)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    return !ec && fs::exists(status) && !fs::is_directory(status);
}
