#pragma once
// The mixer service: the master level of the default output device, one value
// per channel side on a 0 to 65535 scale, and its mute switch. The controller
// component talks to this interface; backends are PulseAudio (or PipeWire's
// pulse server), ALSA's "Master" control, none, and a memory mixer for tests.
//
// Every call either works or fails quietly by returning false / nullopt; no
// backend raises, and none blocks for long when its server has gone away.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

namespace mixer {

// Full scale of a channel level.
inline constexpr unsigned kFullScale = 65535;

struct Levels {
    unsigned left = 0;
    unsigned right = 0;
    bool operator==(const Levels&) const = default;
};

// Shown as "{left, right}" in test failures.
void PrintTo(const Levels& levels, std::ostream* os);

class MixerService {
public:
    virtual ~MixerService() = default;
    MixerService() = default;
    MixerService(const MixerService&) = delete;
    MixerService& operator=(const MixerService&) = delete;

    // "pulse", "alsa", "none" or "memory".
    virtual std::string Name() const = 0;
    // The current levels, or nullopt when the device cannot be read.
    virtual std::optional<Levels> ReadLevels() = 0;
    // Sets both sides; false when the device cannot be written.
    virtual bool WriteLevels(const Levels& levels) = 0;
    // Sets the mute switch; false when the device cannot be written.
    virtual bool WriteMute(bool mute) = 0;
};

// A mixer with no device: every call fails.
std::unique_ptr<MixerService> OpenNoMixer();

// The default output device: the PulseAudio server's default sink, else the
// "Master" control of ALSA's default card, else no mixer. Never fails.
std::unique_ptr<MixerService> OpenDefaultMixer();

}  // namespace mixer
