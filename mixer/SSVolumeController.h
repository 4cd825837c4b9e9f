#pragma once
// TssVolumeController: a non-visual component that sets and reads the master
// volume, the left/right balance and the mute switch of the default output
// device, through a mixer service (mixer/service.h).
//
// Volume is a percentage of full scale (0 to 100) and Balance runs from -100
// (left only) through 0 to +100 (right only); writes outside those ranges are
// ignored. Reading Volume or Balance asks the mixer once and refreshes both
// stored values; Mute reads back the value last written and never asks the
// mixer. Nothing here raises: a mixer that cannot be reached is simply left
// alone and the stored values are returned.

#include <memory>
#include <optional>

#include "forms/component.h"
#include "mixer/service.h"

// The values a design description stores for the controller. Loaded() writes
// them through Mute, Volume and Balance, in that order.
struct TssVolumeControllerDesign {
    bool Mute = false;
    int Volume = 0;
    int Balance = 0;
};

class TssVolumeController : public TComponent {
public:
    // Opens the default output device's mixer (PulseAudio, else ALSA, else none).
    explicit TssVolumeController(TComponent* AOwner);
    // Uses the given mixer; a null one behaves as no mixer at all.
    TssVolumeController(TComponent* AOwner, std::shared_ptr<mixer::MixerService> service);
    ~TssVolumeController() override;

    bool Mute() const { return FMute; }
    void SetMute(bool value);

    int Volume();
    void SetVolume(int value);

    int Balance();
    void SetBalance(int value);

    // Design values, kept until loading completes.
    void ReadDesign(const TssVolumeControllerDesign& values) { FDesign = values; }
    void Loaded() override;

    // The mixer in use (never null).
    mixer::MixerService& Mixer() const { return *FMixer; }

private:
    void OpenMixer(std::shared_ptr<mixer::MixerService> service);
    void ApplyLevels(int volume, int balance);
    void ReadLevels();
    void ApplyMute(bool mute);

    std::shared_ptr<mixer::MixerService> FMixer;
    bool FMute = false;
    int FVolume = 0;
    int FBalance = 0;
    std::optional<TssVolumeControllerDesign> FDesign;
};
