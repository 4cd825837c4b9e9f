#pragma once
// The lyric offsets the user set, kept from one play to the next: each song's
// own, and one for the output's latency that every song gets on top.

#include <cstdint>
#include <string>

namespace lyrics {

// Each song's run-time offset in ms (positive: lines earlier), by the song's
// path, in a small JSON file under the user's data folder
// ($XDG_DATA_HOME/lyricplayer/lyric-offsets.json). A song with none has 0.
class OffsetStore {
public:
    // The store in the user's data folder.
    OffsetStore();
    // A store in the given file (for tests and tools).
    explicit OffsetStore(std::string file) : FFile(std::move(file)) {}

    const std::string& File() const { return FFile; }
    // What was kept for the song; 0 when nothing, or the file cannot be read.
    std::int32_t Get(const std::string& songPath) const;
    // Keeps ms for the song (0 forgets it). Raises SaveError when the file
    // cannot be written.
    void Set(const std::string& songPath, std::int32_t ms);

private:
    std::string FFile;
};

// The offset for the output's latency, kept with the application's settings.
std::int32_t LatencyOffset();
void SetLatencyOffset(std::int32_t ms);

// Keeps a song's offset where its lyrics can take it: in the [offset:] tag of
// the .lrc file its lyrics came from (lyricSource), or else in the store.
// Raises SaveError when it cannot be kept.
void KeepSongOffset(OffsetStore& store, const std::string& songPath, const std::string& lyricSource,
                    std::int32_t ms);
// True when lyricSource is an .lrc file (any case of the extension).
bool IsLrcFile(const std::string& lyricSource);

}  // namespace lyrics
