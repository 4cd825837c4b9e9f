#pragma once
// The exact playing length of an MP3 file, from a scan of all its frames
// (libmpg123). Every frame counts at its own sample rate and MPEG version, so
// a stream whose rate, channel mode or bit rate changes midway measures as
// long as its frames. A new part starts only at a new Xing/Info/LAME header
// or at an ID3v2 tag between frames (files joined with `cat`); the encoder
// delay and padding such a header records are left out, as the decoder leaves
// them out when it plays the part. A lone damaged frame is skipped.

#include <cstdint>
#include <optional>
#include <string>

namespace media {

// Milliseconds (truncated), or nothing when the file holds no MPEG audio frames.
std::optional<std::int64_t> ScanMp3LengthMs(const std::string& path);

} // namespace media
