#pragma once
// The time display: song positions as "mm:ss", and when the next tick of a
// playing song's display is due.

#include <cstdint>
#include <string>

// Milliseconds as "mm:ss": at least two digits each, minutes not limited.
std::string MsToMinSec(int32_t ms);

// Delay in ms from a playing position to just after the next whole second of
// the song, where the next position tick belongs.
int NextTickDelay(int32_t positionMs);
