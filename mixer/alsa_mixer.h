#pragma once
// The "Master" playback control of ALSA's default card (the first sound card).
// The card's control device is opened directly, without ALSA's configuration
// files, so that no plugin (such as the one that routes to a PulseAudio server)
// can hold the caller up.

#include <memory>

#include "mixer/service.h"

struct _snd_ctl;
struct _snd_mixer;
struct _snd_mixer_elem;

namespace mixer {

class AlsaMixer : public MixerService {
public:
    // nullptr when there is no card or the card has no "Master" playback volume.
    static std::unique_ptr<AlsaMixer> Open();
    // The same for one card by its index.
    static std::unique_ptr<AlsaMixer> Open(int card);
    // The "Master" control of a control device named in ALSA's configuration
    // ("hw:1", "pulse", ...). This one reads ALSA's configuration files.
    static std::unique_ptr<AlsaMixer> OpenDevice(const char* name);
    ~AlsaMixer() override;

    std::string Name() const override { return "alsa"; }
    std::optional<Levels> ReadLevels() override;
    bool WriteLevels(const Levels& levels) override;
    bool WriteMute(bool mute) override;

private:
    AlsaMixer(_snd_mixer* handle, _snd_mixer_elem* master);
    static std::unique_ptr<AlsaMixer> OpenControl(_snd_ctl* control);

    _snd_mixer* FHandle;
    _snd_mixer_elem* FMaster;
};

// The control's raw value for a level (0 to 65535) over its range, rounded.
long AlsaValueForLevel(unsigned level, long min, long max);
// The level (0 to 65535) of a raw value over the control's range, rounded and
// clamped.
unsigned LevelOfAlsaValue(long value, long min, long max);

}  // namespace mixer
