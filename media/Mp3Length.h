#pragma once
// The exact playing length of an MP3 file, from a scan of all its frames
// (libmpg123). Encoder delay and padding recorded by the encoder are left out,
// as the decoder leaves them out when it plays the file. Files joined with
// `cat` (each part with its own header, often at its own sample rate) measure
// as long as their parts.

#include <cstdint>
#include <optional>
#include <string>

namespace media {

// Milliseconds (truncated), or nothing when the file holds no MPEG audio frames.
std::optional<std::int64_t> ScanMp3LengthMs(const std::string& path);

} // namespace media
