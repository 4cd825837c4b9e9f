#pragma once
// A mixer that keeps the written levels exactly, in memory. Tests use it to see
// what the controller sends and to play "another program" changing the device.

#include "mixer/service.h"

namespace mixer {

class MemoryMixer : public MixerService {
public:
    MemoryMixer() = default;
    explicit MemoryMixer(Levels initial, bool muted = false) : FLevels(initial), FMuted(muted) {}

    std::string Name() const override { return "memory"; }
    std::optional<Levels> ReadLevels() override;
    bool WriteLevels(const Levels& levels) override;
    bool WriteMute(bool mute) override;

    // The device as it stands.
    Levels Current() const { return FLevels; }
    bool Muted() const { return FMuted; }
    // Changes made behind the controller's back, as another program would.
    void SetCurrent(Levels levels) { FLevels = levels; }
    void SetMuted(bool muted) { FMuted = muted; }

    // How many requests of each kind arrived.
    int Reads() const { return FReads; }
    int LevelWrites() const { return FLevelWrites; }
    int MuteWrites() const { return FMuteWrites; }

private:
    Levels FLevels;
    bool FMuted = false;
    int FReads = 0;
    int FLevelWrites = 0;
    int FMuteWrites = 0;
};

}  // namespace mixer
