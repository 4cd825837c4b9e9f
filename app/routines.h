#pragma once
// The window's text and file routines that need no window: time display,
// names of song and lyric files, the song-list size number,
// and the search of a folder for songs.

#include <cstdint>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// Milliseconds as "mm:ss": at least two digits each, minutes not limited.
std::string MsToMinSec(int32_t ms);

// The file name part of a path: the text after the last "/".
std::string ExtractFileName(std::string_view path);

// s less its extension: the text from the last "." on, when no "/" follows
// that "."; s unchanged when it has no such ".".
std::string StripFileExt(std::string_view s);

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

// Trims spaces at both ends.
std::string Trim(std::string_view s);

// Delay in ms from a playing position to just after the next whole second of
// the song, where the next position tick belongs.
int NextTickDelay(int32_t positionMs);

// Attribute bits of a directory entry.
constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

// One entry of a folder search, and the open search itself.
struct TSearchRec {
    std::string Name;
    int64_t Size = 0;
    int Attr = 0;
    std::shared_ptr<DIR> FindHandle;  // the open folder
    std::string Suffix;  // the names looked for end with this, in any case
};

// True when name ends in suffix, ASCII letters in any case: how the search
// below matches names.
bool EndsWithNoCase(std::string_view name, std::string_view suffix);

// Starts a search of folder (an absolute path) for entries whose names end in
// suffix (ASCII letters in any case), hidden ones included; fills rec with the
// first one.
// Returns 0 when one was found, else an error number (nothing found, or the
// folder cannot be read).
int FindFirst(const std::string& folder, const std::string& suffix, TSearchRec& rec);
// The next entry; 0 when one was found.
int FindNext(TSearchRec& rec);
// Ends the search.
void FindClose(TSearchRec& rec);

// True when path names an existing file that is not a folder.
bool FileExists(const std::string& path);
