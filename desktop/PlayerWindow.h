#pragma once
// What the desktop layer needs of the player's window: its state as of the
// last idle pass, and its commands. The program's window implements it; the
// desktop layer never sees the window itself.

#include <cstdint>
#include <string>

namespace desktop {

enum class TPlaybackStatus { Stopped, Playing, Paused };

struct TPlayerState {
    TPlaybackStatus Status = TPlaybackStatus::Stopped;
    // Whether each command would act now: the window's buttons as the last
    // idle pass enabled them.
    bool CanPlay = false;
    bool CanPause = false;
    bool CanGoNext = false;
    bool CanGoPrevious = false;
    bool CanSeek = false;
    // The volume slider, 0 to 100.
    int Volume = 0;
    // The song last started: counted from 1 at each start (0: none yet), its
    // path, the title the window shows and its length.
    int SongStart = 0;
    std::string Path;
    std::string Title;
    std::int64_t LengthMs = 0;
    // Counts the jumps of the playing position (a release of the seek bar).
    int Jumps = 0;
    // Counts the lyric texts that came after their song had started (from a
    // lyric service): the song's metadata, which carries its lyrics, changes.
    int LateLyrics = 0;

    bool operator==(const TPlayerState&) const = default;
};

class TPlayerWindow {
public:
    virtual ~TPlayerWindow() = default;

    virtual TPlayerState State() = 0;
    // The playing position; 0 when nothing plays.
    virtual std::int64_t PositionMs() = 0;
    // The lyric text the window shows.
    virtual std::string LyricText() = 0;

    // The commands run the window's own handlers, each only when its button
    // was enabled on the last idle pass; otherwise they do nothing.
    virtual void Play() = 0;       // play, or resume when paused
    virtual void Pause() = 0;      // pause when playing
    virtual void PlayPause() = 0;  // pause or resume; play when stopped
    virtual void Stop() = 0;
    virtual void Next() = 0;
    virtual void Previous() = 0;
    // As the user's release of the seek bar at that position.
    virtual void ReleaseSeekBar(std::int64_t positionMs) = 0;
    // Moves the volume slider (0 to 100), which sets the master volume.
    virtual void SetVolume(int percent) = 0;
    // A folder or song, as the program's argument.
    virtual void Open(const std::string& path) = 0;

    virtual void Raise() = 0;
    // Closes the window as its close box does.
    virtual void Quit() = 0;
};

}  // namespace desktop
