#include "mixer/memory_mixer.h"

namespace mixer {

std::optional<Levels> MemoryMixer::ReadLevels()
{
    ++FReads;
    return FLevels;
}

bool MemoryMixer::WriteLevels(const Levels& levels)
{
    ++FLevelWrites;
    FLevels = levels;
    return true;
}

bool MemoryMixer::WriteMute(bool mute)
{
    ++FMuteWrites;
    FMuted = mute;
    return true;
}

}  // namespace mixer
