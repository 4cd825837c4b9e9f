#pragma once
// How the player is known to the desktop: its application id (the desktop
// entry's name, the bus name that keeps it to one window), its MPRIS2 name and
// the name it shows.

namespace desktop {

inline constexpr const char* kAppId = "io.github.lyricplayer.LyricPlayer";
inline constexpr const char* kAppPath = "/io/github/lyricplayer/LyricPlayer";
inline constexpr const char* kMprisName = "org.mpris.MediaPlayer2.lyricplayer";
inline constexpr const char* kIdentity = "Lyric Player";

}  // namespace desktop
