#include "mixer/service.h"

#include "mixer/alsa_mixer.h"
#include "mixer/pulse_mixer.h"

namespace mixer {

namespace {

class NoMixer : public MixerService {
public:
    std::string Name() const override { return "none"; }
    std::optional<Levels> ReadLevels() override { return std::nullopt; }
    bool WriteLevels(const Levels&) override { return false; }
    bool WriteMute(bool) override { return false; }
};

}  // namespace

void PrintTo(const Levels& levels, std::ostream* os)
{
    *os << "{" << levels.left << ", " << levels.right << "}";
}

std::unique_ptr<MixerService> OpenNoMixer()
{
    return std::make_unique<NoMixer>();
}

std::unique_ptr<MixerService> OpenDefaultMixer()
{
    if (auto pulse = PulseMixer::Open())
        return pulse;
    if (auto alsa = AlsaMixer::Open())
        return alsa;
    return OpenNoMixer();
}

}  // namespace mixer
