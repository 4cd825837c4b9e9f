#include "mixer/pulse_mixer.h"

#include <algorithm>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/operation.h>

namespace mixer {

namespace {

using Clock = std::chrono::steady_clock;

// The server resolves this name to its current default sink, so the mixer
// follows the user when they switch output devices.
constexpr const char* kDefaultSink = "@DEFAULT_SINK@";

bool OnLeft(pa_channel_position_t position)
{
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
        return true;
    default:
        return false;
    }
}

bool OnRight(pa_channel_position_t position)
{
    switch (position) {
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return true;
    default:
        return false;
    }
}

bool ContextGood(pa_context* context)
{
    return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
}

}  // namespace

pa_cvolume SinkVolumeFor(const pa_channel_map& map, const Levels& levels)
{
    const unsigned left = std::min(levels.left, kFullScale);
    const unsigned right = std::min(levels.right, kFullScale);
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    volume.channels = std::min<uint8_t>(map.channels, PA_CHANNELS_MAX);
    for (unsigned i = 0; i < volume.channels; ++i) {
        if (OnLeft(map.map[i]))
            volume.values[i] = left;
        else if (OnRight(map.map[i]))
            volume.values[i] = right;
        else
            volume.values[i] = std::max(left, right);
    }
    return volume;
}

Levels LevelsOfSinkVolume(const pa_channel_map& map, const pa_cvolume& volume)
{
    bool hasLeft = false, hasRight = false;
    unsigned left = 0, right = 0, loudest = 0;
    const unsigned channels = std::min(map.channels, volume.channels);
    for (unsigned i = 0; i < channels; ++i) {
        const unsigned value = std::min<unsigned>(volume.values[i], kFullScale);
        loudest = std::max(loudest, value);
        if (OnLeft(map.map[i])) {
            hasLeft = true;
            left = std::max(left, value);
        } else if (OnRight(map.map[i])) {
            hasRight = true;
            right = std::max(right, value);
        }
    }
    if (!hasLeft && !hasRight)
        return {loudest, loudest};
    if (!hasLeft)
        left = right;
    if (!hasRight)
        right = left;
    return {left, right};
}

struct PulseMixer::SinkState {
    uint32_t index = PA_INVALID_INDEX;
    pa_channel_map map{};
    pa_cvolume volume{};
};

std::unique_ptr<PulseMixer> PulseMixer::Open()
{
    return Open(Options{});
}

std::unique_ptr<PulseMixer> PulseMixer::Open(const Options& options)
{
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return nullptr;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Lyric player");
    if (!context) {
        pa_mainloop_free(loop);
        return nullptr;
    }
    std::unique_ptr<PulseMixer> mixer(new PulseMixer(loop, context, options));
    if (!mixer->Connect(options.server))
        return nullptr;
    return mixer;
}

PulseMixer::PulseMixer(pa_mainloop* loop, pa_context* context, const Options& options)
    : FLoop(loop), FContext(context), FOptions(options)
{
}

PulseMixer::~PulseMixer()
{
    Drop();
    pa_mainloop_free(FLoop);
}

bool PulseMixer::Connected() const
{
    return !FDead && ContextGood(FContext);
}

void PulseMixer::Drop()
{
    FDead = true;
    if (!FContext)
        return;
    pa_context_disconnect(FContext);
    pa_context_unref(FContext);
    FContext = nullptr;
}

bool PulseMixer::Connect(const char* server)
{
    const Clock::time_point deadline = Clock::now() + FOptions.connectTimeout;
    if (pa_context_connect(FContext, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        Drop();
        return false;
    }
    while (pa_context_get_state(FContext) != PA_CONTEXT_READY) {
        if (!IterateUntil(deadline)) {
            Drop();
            return false;
        }
    }
    return true;
}

// Runs the loop once, waiting at most until the deadline. False on timeout, on
// a loop error, or when the connection has failed.
bool PulseMixer::IterateUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
    if (left.count() <= 0)
        return false;
    if (pa_mainloop_prepare(FLoop, static_cast<int>(left.count())) < 0 || pa_mainloop_poll(FLoop) < 0 ||
        pa_mainloop_dispatch(FLoop) < 0)
        return false;
    return ContextGood(FContext);
}

// Waits for a request to finish. A server that fails or does not answer in
// time is dropped, so that later requests fail at once instead of waiting again.
bool PulseMixer::Wait(pa_operation* operation)
{
    if (!operation) {
        if (!ContextGood(FContext))
            Drop();
        return false;
    }
    const Clock::time_point deadline = Clock::now() + FOptions.requestTimeout;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        if (!IterateUntil(deadline)) {
            pa_operation_cancel(operation);
            pa_operation_unref(operation);
            Drop();
            return false;
        }
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

std::optional<PulseMixer::SinkState> PulseMixer::QueryDefaultSink()
{
    if (!Connected())
        return std::nullopt;
    std::optional<SinkState> result;
    auto onInfo = [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        if (eol == 0 && info) {
            auto* sink = static_cast<std::optional<SinkState>*>(userdata);
            *sink = SinkState{info->index, info->channel_map, info->volume};
        }
    };
    if (!Wait(pa_context_get_sink_info_by_name(FContext, kDefaultSink, onInfo, &result)))
        return std::nullopt;
    return result;
}

std::optional<Levels> PulseMixer::ReadLevels()
{
    const std::optional<SinkState> sink = QueryDefaultSink();
    if (!sink)
        return std::nullopt;
    return LevelsOfSinkVolume(sink->map, sink->volume);
}

namespace {

void OnSuccess(pa_context*, int success, void* userdata)
{
    *static_cast<bool*>(userdata) = success != 0;
}

}  // namespace

bool PulseMixer::WriteLevels(const Levels& levels)
{
    const std::optional<SinkState> sink = QueryDefaultSink();
    if (!sink)
        return false;
    const pa_cvolume volume = SinkVolumeFor(sink->map, levels);
    bool success = false;
    if (!Wait(pa_context_set_sink_volume_by_index(FContext, sink->index, &volume, OnSuccess, &success)))
        return false;
    return success;
}

bool PulseMixer::WriteMute(bool mute)
{
    if (!Connected())
        return false;
    bool success = false;
    if (!Wait(pa_context_set_sink_mute_by_name(FContext, kDefaultSink, mute ? 1 : 0, OnSuccess, &success)))
        return false;
    return success;
}

}  // namespace mixer
