#pragma once
// What LRCLIB said about each song, kept on disk under the XDG cache folder so
// that a song costs one request only, in this run and the next. An entry is
// the song's path, size and modification time: a song changed on disk is
// asked about again. Lyrics are kept until the song changes; a song the
// service does not know is asked about again after a day.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

namespace lyrics {

class LrclibCache {
public:
    // What was found; Miss when the service had nothing.
    struct Entry {
        enum class Kind { Synced, Plain, Instrumental, Miss };
        Kind kind = Kind::Miss;
        std::string text;
    };
    static constexpr std::int64_t kMissSeconds = 24 * 60 * 60;

    // Entries in folder (made when first written); the default is
    // "lyricplayer/lrclib" in the generic XDG cache folder.
    explicit LrclibCache(QString folder = DefaultFolder());
    static QString DefaultFolder();

    // The entry of the song as it is on disk now; nullopt when none, when the
    // song changed, or for a miss older than kMissSeconds at nowSec (seconds
    // since the epoch; 0: the clock's).
    std::optional<Entry> Lookup(const std::string& songPath, std::int64_t nowSec = 0) const;
    // Keeps an entry for the song as it is on disk now; false when it cannot
    // be written (the song is then asked about again next time).
    bool Store(const std::string& songPath, const Entry& entry, std::int64_t nowSec = 0) const;

    const QString& Folder() const { return FFolder; }

private:
    QString FFolder;
};

}  // namespace lyrics
