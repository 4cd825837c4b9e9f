// The volume controller on PulseAudio.
//
// Start-up: opening the default mixer (PulseAudio, else ALSA, else none) against
// a missing server and against one that accepts and never answers, compared with
// the start-up budget of 200 ms (a sleep of that length). Goal: both within the
// budget (at most 1.0x).
//
// Requests: reading Volume (one sink query) and writing it (a query and a set)
// on a live private server, compared with one bare sink query made with
// libpulse directly on its own connection. Goals: a read at most 1.5x the bare
// query, a write at most 3x.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <sys/socket.h>
#include <sys/un.h>

#include "common/ratio.h"
#include "mixer/SSVolumeController.h"
#include "mixer/pulse_mixer.h"

namespace {

std::string gServer;   // the live private server
std::string gSilent;   // a socket nobody answers on
const char* kMissing = "unix:/nonexistent/mixer-bench/native";

void UseServer(const std::string& address)
{
    setenv("PULSE_SERVER", address.c_str(), 1);
}

void BM_Budget(benchmark::State& state)
{
    for (auto _ : state)
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
}

// Opening the default mixer is what start-up waits for. (The controller itself
// is not made here: on a machine with a sound card it would unmute the card.)
void BM_StartWithoutServer(benchmark::State& state)
{
    UseServer(kMissing);
    for (auto _ : state)
        benchmark::DoNotOptimize(mixer::OpenDefaultMixer());
}

void BM_StartWithSilentServer(benchmark::State& state)
{
    UseServer(gSilent);
    for (auto _ : state)
        benchmark::DoNotOptimize(mixer::OpenDefaultMixer());
}

// A connection of libpulse's own, for one bare sink query: the least a read can cost.
class BareConnection {
public:
    explicit BareConnection(const std::string& server)
    {
        FLoop = pa_mainloop_new();
        FContext = pa_context_new(pa_mainloop_get_api(FLoop), "bench");
        pa_context_connect(FContext, server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr);
        while (pa_context_get_state(FContext) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(FContext)))
            pa_mainloop_iterate(FLoop, 1, nullptr);
    }
    ~BareConnection()
    {
        pa_context_disconnect(FContext);
        pa_context_unref(FContext);
        pa_mainloop_free(FLoop);
    }
    bool Ready() const { return pa_context_get_state(FContext) == PA_CONTEXT_READY; }
    pa_volume_t Query()
    {
        pa_cvolume volume{};
        auto onInfo = [](pa_context*, const pa_sink_info* info, int, void* userdata) {
            if (info)
                *static_cast<pa_cvolume*>(userdata) = info->volume;
        };
        pa_operation* op = pa_context_get_sink_info_by_name(FContext, "@DEFAULT_SINK@", onInfo, &volume);
        while (op && pa_operation_get_state(op) == PA_OPERATION_RUNNING)
            pa_mainloop_iterate(FLoop, 1, nullptr);
        if (op)
            pa_operation_unref(op);
        return volume.values[0];
    }

private:
    pa_mainloop* FLoop;
    pa_context* FContext;
};

// The bare query, a Volume read and a Volume write, taken in turn in every
// iteration so that the load of the machine weighs on all three alike. The
// counters give the read and the write as multiples of the bare query.
void BM_Requests(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    BareConnection bare(gServer);
    mixer::PulseMixer::Options options;
    options.server = gServer.c_str();
    std::shared_ptr<mixer::MixerService> pulse = mixer::PulseMixer::Open(options);
    TssVolumeController controller(nullptr, pulse);
    if (!bare.Ready() || !pulse) {
        state.SkipWithError("no server");
        return;
    }
    Clock::duration bareTime{}, readTime{}, writeTime{};
    int volume = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(bare.Query());
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(controller.Volume());
        const auto t2 = Clock::now();
        controller.SetVolume(volume);
        const auto t3 = Clock::now();
        volume = (volume + 7) % 101;
        bareTime += t1 - t0;
        readTime += t2 - t1;
        writeTime += t3 - t2;
    }
    const double bareSeconds = std::chrono::duration<double>(bareTime).count();
    state.counters["bare_us"] = 1e6 * bareSeconds / static_cast<double>(state.iterations());
    state.counters["read/bare"] = std::chrono::duration<double>(readTime).count() / bareSeconds;
    state.counters["write/bare"] = std::chrono::duration<double>(writeTime).count() / bareSeconds;
}

BENCHMARK(BM_Budget)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StartWithoutServer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartWithSilentServer)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Requests)->Unit(benchmark::kMicrosecond);

// A listening socket that is never accepted from: a server that hangs.
int ListenSilently(const std::string& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, sizeof(address.sun_path) - 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/mixer-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string dir = pattern;
    const std::string serverDir = dir + "/server";
    const std::string script = MIXER_PULSE_SCRIPT;
    if (std::system(("'" + script + "' start '" + serverDir + "' 30").c_str()) != 0) {
        std::fprintf(stderr, "could not start a private PulseAudio server\n");
        rmdir(dir.c_str());
        return 1;
    }
    gServer = "unix:" + serverDir + "/native";
    const int silent = ListenSilently(dir + "/silent");
    gSilent = "unix:" + dir + "/silent";

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::system(("'" + script + "' stop '" + serverDir + "'").c_str());
    if (silent >= 0)
        close(silent);
    unlink((dir + "/silent").c_str());
    rmdir(dir.c_str());

    struct Goal {
        const char* what;
        double ratio;  // zero when filtered out
        double limit;
    };
    const Goal goals[] = {
        {"start, no server / 200 ms", reporter.RealRatio("BM_StartWithoutServer", "BM_Budget"), 1.0},
        {"start, silent server / 200 ms", reporter.RealRatio("BM_StartWithSilentServer", "BM_Budget"), 1.0},
        {"Volume read / bare query", reporter.Counter("BM_Requests", "read/bare"), 1.5},
        {"Volume write / bare query", reporter.Counter("BM_Requests", "write/bare"), 3.0},
    };
    bool met = true;
    std::printf("\n");
    for (const Goal& goal : goals) {
        const double ratio = goal.ratio;
        if (ratio <= 0)
            continue;  // filtered out
        const bool ok = ratio <= goal.limit;
        met = met && ok;
        std::printf("%-32s %7.3fx  (goal <= %.1fx) %s\n", goal.what, ratio, goal.limit, ok ? "met" : "NOT met");
    }
    std::printf("goals: %s\n", met ? "met" : "NOT met");
    return 0;
}
