#include "mixer/alsa_mixer.h"

#include <algorithm>
#include <string>

#include <alsa/asoundlib.h>

namespace mixer {

namespace {

bool OnLeft(snd_mixer_selem_channel_id_t channel)
{
    return channel == SND_MIXER_SCHN_FRONT_LEFT || channel == SND_MIXER_SCHN_REAR_LEFT ||
           channel == SND_MIXER_SCHN_SIDE_LEFT;
}

bool OnRight(snd_mixer_selem_channel_id_t channel)
{
    return channel == SND_MIXER_SCHN_FRONT_RIGHT || channel == SND_MIXER_SCHN_REAR_RIGHT ||
           channel == SND_MIXER_SCHN_SIDE_RIGHT;
}

// The card's control device, described by a private configuration so that
// ALSA's own files (and the hooks they load) are never read.
snd_ctl_t* OpenCardControl(int card)
{
    const std::string text = "ctl.player_card { type hw card " + std::to_string(card) + " }";
    snd_config_t* config = nullptr;
    if (snd_config_load_string(&config, text.data(), text.size()) < 0)
        return nullptr;
    snd_ctl_t* control = nullptr;
    if (snd_ctl_open_lconf(&control, "player_card", 0, config) < 0)
        control = nullptr;
    snd_config_delete(config);
    return control;
}

}  // namespace

long AlsaValueForLevel(unsigned level, long min, long max)
{
    if (max <= min)
        return min;
    const long long span = static_cast<long long>(max) - min;
    const long long scaled = (static_cast<long long>(std::min(level, kFullScale)) * span + kFullScale / 2) / kFullScale;
    return static_cast<long>(min + scaled);
}

unsigned LevelOfAlsaValue(long value, long min, long max)
{
    if (max <= min)
        return 0;
    const long long span = static_cast<long long>(max) - min;
    const long long offset = static_cast<long long>(std::clamp(value, min, max)) - min;
    return static_cast<unsigned>((offset * kFullScale + span / 2) / span);
}

std::unique_ptr<AlsaMixer> AlsaMixer::Open()
{
    int card = -1;
    if (snd_card_next(&card) < 0 || card < 0)
        return nullptr;
    return Open(card);
}

std::unique_ptr<AlsaMixer> AlsaMixer::Open(int card)
{
    return OpenControl(OpenCardControl(card));
}

std::unique_ptr<AlsaMixer> AlsaMixer::OpenDevice(const char* name)
{
    snd_ctl_t* control = nullptr;
    if (snd_ctl_open(&control, name, 0) < 0)
        return nullptr;
    return OpenControl(control);
}

// Takes over the control device, which is closed with the mixer (or at once
// when it has no usable "Master").
std::unique_ptr<AlsaMixer> AlsaMixer::OpenControl(_snd_ctl* control)
{
    if (!control)
        return nullptr;
    snd_hctl_t* hctl = nullptr;
    if (snd_hctl_open_ctl(&hctl, control) < 0) {
        snd_ctl_close(control);
        return nullptr;
    }
    snd_mixer_t* handle = nullptr;
    if (snd_mixer_open(&handle, 0) < 0) {
        snd_hctl_close(hctl);
        return nullptr;
    }
    // From here on the mixer owns the control device and closes it.
    if (snd_mixer_attach_hctl(handle, hctl) < 0) {
        snd_hctl_close(hctl);
        snd_mixer_close(handle);
        return nullptr;
    }
    if (snd_mixer_selem_register(handle, nullptr, nullptr) < 0 || snd_mixer_load(handle) < 0) {
        snd_mixer_close(handle);
        return nullptr;
    }
    snd_mixer_selem_id_t* id = nullptr;
    snd_mixer_selem_id_alloca(&id);
    snd_mixer_selem_id_set_name(id, "Master");
    snd_mixer_selem_id_set_index(id, 0);
    snd_mixer_elem_t* master = snd_mixer_find_selem(handle, id);
    if (!master || !snd_mixer_selem_has_playback_volume(master)) {
        snd_mixer_close(handle);
        return nullptr;
    }
    return std::unique_ptr<AlsaMixer>(new AlsaMixer(handle, master));
}

AlsaMixer::AlsaMixer(_snd_mixer* handle, _snd_mixer_elem* master) : FHandle(handle), FMaster(master) {}

AlsaMixer::~AlsaMixer()
{
    snd_mixer_close(FHandle);
}

std::optional<Levels> AlsaMixer::ReadLevels()
{
    // Take in what other programs changed since the last request.
    if (snd_mixer_handle_events(FHandle) < 0)
        return std::nullopt;
    long min = 0, max = 0;
    if (snd_mixer_selem_get_playback_volume_range(FMaster, &min, &max) < 0)
        return std::nullopt;
    long left = 0, right = 0;
    if (snd_mixer_selem_get_playback_volume(FMaster, SND_MIXER_SCHN_FRONT_LEFT, &left) < 0)
        return std::nullopt;
    if (snd_mixer_selem_is_playback_mono(FMaster))
        right = left;
    else if (snd_mixer_selem_get_playback_volume(FMaster, SND_MIXER_SCHN_FRONT_RIGHT, &right) < 0)
        return std::nullopt;
    return Levels{LevelOfAlsaValue(left, min, max), LevelOfAlsaValue(right, min, max)};
}

// The simple-element layer skips a write that matches the value it last saw,
// so it must first take in what other programs changed.
bool AlsaMixer::WriteLevels(const Levels& levels)
{
    if (snd_mixer_handle_events(FHandle) < 0)
        return false;
    long min = 0, max = 0;
    if (snd_mixer_selem_get_playback_volume_range(FMaster, &min, &max) < 0)
        return false;
    const long left = AlsaValueForLevel(levels.left, min, max);
    const long right = AlsaValueForLevel(levels.right, min, max);
    if (snd_mixer_selem_is_playback_mono(FMaster))
        return snd_mixer_selem_set_playback_volume_all(FMaster, std::max(left, right)) >= 0;
    bool ok = true;
    for (int c = SND_MIXER_SCHN_FRONT_LEFT; c <= SND_MIXER_SCHN_LAST; ++c) {
        const auto channel = static_cast<snd_mixer_selem_channel_id_t>(c);
        if (!snd_mixer_selem_has_playback_channel(FMaster, channel))
            continue;
        const long value = OnLeft(channel) ? left : OnRight(channel) ? right : std::max(left, right);
        ok = snd_mixer_selem_set_playback_volume(FMaster, channel, value) >= 0 && ok;
    }
    return ok;
}

bool AlsaMixer::WriteMute(bool mute)
{
    if (snd_mixer_handle_events(FHandle) < 0 || !snd_mixer_selem_has_playback_switch(FMaster))
        return false;
    return snd_mixer_selem_set_playback_switch_all(FMaster, mute ? 0 : 1) >= 0;
}

}  // namespace mixer
