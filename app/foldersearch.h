#pragma once
// The search of a folder for songs, and the parts of their file names.

#include <cstdint>
#include <dirent.h>
#include <memory>
#include <string>
#include <string_view>

#include "songs/song.h"

// The window's routines for file names and files, as the song module has them.
using songs::EndsWithNoCase;
using songs::ExtractFileName;
using songs::FileExists;
using songs::StripFileExt;

// Attribute bits of a directory entry.
constexpr int faHidden = 0x02;
constexpr int faDirectory = 0x10;

// One entry of a folder search, and the open search itself.
struct TSearchRec {
    std::string Name;
    int64_t Size = 0;
    int Attr = 0;
    std::shared_ptr<DIR> FindHandle;  // the open folder
    std::string Suffix;  // the names looked for end with this, in any case
};

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

// Ends a search when the scope that holds it ends, however it ends.
class TSearchGuard {
public:
    explicit TSearchGuard(TSearchRec& rec) : FRec(rec) {}
    ~TSearchGuard() { FindClose(FRec); }
    TSearchGuard(const TSearchGuard&) = delete;
    TSearchGuard& operator=(const TSearchGuard&) = delete;

private:
    TSearchRec& FRec;
};
