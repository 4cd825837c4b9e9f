#include "mixer/SSVolumeController.h"

#include <algorithm>

namespace {

// Levels are computed in 32-bit integers: every product below stays under
// 100 * 65535.
constexpr int kFullScale = static_cast<int>(mixer::kFullScale);

}  // namespace

TssVolumeController::TssVolumeController(TComponent* AOwner)
    : TssVolumeController(AOwner, mixer::OpenDefaultMixer())
{
}

TssVolumeController::TssVolumeController(TComponent* AOwner, std::shared_ptr<mixer::MixerService> service)
    : TComponent(AOwner)
{
    OpenMixer(std::move(service));
    // Start unmuted, from the device's current levels.
    SetMute(false);
    ReadLevels();
}

TssVolumeController::~TssVolumeController() = default;

void TssVolumeController::OpenMixer(std::shared_ptr<mixer::MixerService> service)
{
    FMixer = service ? std::move(service) : std::shared_ptr<mixer::MixerService>(mixer::OpenNoMixer());
}

void TssVolumeController::SetMute(bool value)
{
    FMute = value;
    ApplyMute(FMute);
}

int TssVolumeController::Volume()
{
    ReadLevels();
    return FVolume;
}

void TssVolumeController::SetVolume(int value)
{
    if (value < 0 || value > 100)
        return;
    FVolume = value;
    ApplyLevels(FVolume, FBalance);
}

int TssVolumeController::Balance()
{
    ReadLevels();
    return FBalance;
}

void TssVolumeController::SetBalance(int value)
{
    if (value < -100 || value > 100)
        return;
    FBalance = value;
    ApplyLevels(FVolume, FBalance);
}

void TssVolumeController::Loaded()
{
    TComponent::Loaded();
    if (!FDesign)
        return;
    const TssVolumeControllerDesign values = *FDesign;
    FDesign.reset();
    SetMute(values.Mute);
    SetVolume(values.Volume);
    SetBalance(values.Balance);
}

// The balance lowers the far side by |balance| percent and keeps the near side
// at the full level.
void TssVolumeController::ApplyLevels(int volume, int balance)
{
    const int level = volume * kFullScale / 100;
    mixer::Levels levels;
    if (balance < 0) {
        levels.left = static_cast<unsigned>(level);
        levels.right = static_cast<unsigned>(level * (balance + 100) / 100);
    } else {
        levels.left = static_cast<unsigned>((100 - balance) * level / 100);
        levels.right = static_cast<unsigned>(level);
    }
    FMixer->WriteLevels(levels);
}

// When the device cannot be read, the stored values stay as they are.
void TssVolumeController::ReadLevels()
{
    const std::optional<mixer::Levels> levels = FMixer->ReadLevels();
    if (!levels)
        return;
    const int left = static_cast<int>(std::min(levels->left, mixer::kFullScale));
    const int right = static_cast<int>(std::min(levels->right, mixer::kFullScale));
    const int loudest = std::max(left, right);
    FVolume = loudest * 100 / kFullScale;
    FBalance = FVolume == 0 ? 0 : (right - left) * 100 / loudest;
}

void TssVolumeController::ApplyMute(bool mute)
{
    FMixer->WriteMute(mute);
}
