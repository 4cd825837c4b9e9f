#pragma once
// The default sink of a PulseAudio server (PipeWire's pulse server answers the
// same). The connection is made once, on the caller's thread, with a bounded
// wait; every later request waits a bounded time too. A server that dies or
// stops answering turns the mixer into one that fails quietly.

#include <chrono>
#include <memory>

#include <pulse/channelmap.h>
#include <pulse/volume.h>

#include "mixer/service.h"

struct pa_context;
struct pa_mainloop;
struct pa_operation;

namespace mixer {

class PulseMixer : public MixerService {
public:
    struct Options {
        // The server to use; nullptr for the usual lookup (PULSE_SERVER, the
        // user's runtime directory, the system server). No server is ever spawned.
        const char* server = nullptr;
        // Leaves room within the 200 ms that start-up may wait for the mixer.
        std::chrono::milliseconds connectTimeout{180};
        std::chrono::milliseconds requestTimeout{500};
    };

    // nullptr when no server answers within the connect timeout.
    static std::unique_ptr<PulseMixer> Open();
    static std::unique_ptr<PulseMixer> Open(const Options& options);
    ~PulseMixer() override;

    std::string Name() const override { return "pulse"; }
    std::optional<Levels> ReadLevels() override;
    bool WriteLevels(const Levels& levels) override;
    bool WriteMute(bool mute) override;

    // False once the server has gone away or stopped answering.
    bool Connected() const;

private:
    struct SinkState;
    PulseMixer(pa_mainloop* loop, pa_context* context, const Options& options);
    bool Connect(const char* server);
    bool Wait(pa_operation* operation);
    bool IterateUntil(std::chrono::steady_clock::time_point deadline);
    std::optional<SinkState> QueryDefaultSink();
    void Drop();

    pa_mainloop* FLoop;
    pa_context* FContext;
    Options FOptions;
    bool FDead = false;
};

// The sink's per-channel volume for a left and a right level: channels on the
// left side get the left level, those on the right the right level, the others
// (centre, mono, LFE, ...) the louder of the two.
pa_cvolume SinkVolumeFor(const pa_channel_map& map, const Levels& levels);
// The left and right levels of a sink's volume: the loudest channel of each
// side, clamped to full scale. A sink without a side uses the other side's
// level, or the loudest channel when it has neither.
Levels LevelsOfSinkVolume(const pa_channel_map& map, const pa_cvolume& volume);

}  // namespace mixer
