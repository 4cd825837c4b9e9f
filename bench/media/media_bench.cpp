// Media benchmark, each figure against a baseline measured in the same run:
//  - CPU time of a process that plays a 60 s MP3 to the null sink with
//    TMediaPlayer, against gst-launch-1.0 playbin playing it to the same sink;
//  - Open of a 10 min 320 kbit/s MP3 until its length is known, against
//    gst-discoverer-1.0 on the same file;
//  - the length scan of a 60 min 320 kbit/s MP3 (made when the run starts by
//    repeating the frames of a 10 s file), against reading the same file;
//  - the event loop's longest stall (the longest time it could not run) while
//    the 10 min song is opened and started, paused, resumed, stopped and
//    closed from it, against the same loop with nothing to do; goal: under
//    16 ms, one frame at 60 Hz.
// Run: media_bench            (all; the CPU pair takes two minutes)
//      media_bench --play F   (the child that plays F, used by the benchmark)
//      media_bench --open F   (the child that opens F once and prints its length)

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "media/GstMediaService.h"
#include "media/MPlayer.h"
#include "media/Mp3Length.h"

extern char** environ;

namespace {

const std::string kSong60 = std::string(MEDIA_BENCH_DATA) + "/song60s.mp3";
const std::string kSong10min = std::string(MEDIA_BENCH_DATA) + "/song10min320.mp3";
const std::string kFrames10s = std::string(MEDIA_BENCH_DATA) + "/frames10s320.mp3";
const char* const kNullSink = "fakesink sync=true";
std::string gSelf;
std::map<std::string, double> gFigures;

media::GstOptions NullSink()
{
    media::GstOptions options;
    options.audioSink = kNullSink;
    return options;
}

struct ChildCost {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    int status = -1;
};

// Runs a program and returns its CPU time (user + system) and wall time.
ChildCost RunChild(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ChildCost cost;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return cost;
    }
    posix_spawn_file_actions_destroy(&actions);
    rusage usage{};
    wait4(pid, &cost.status, 0, &usage);
    cost.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cost.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                      usage.ru_stime.tv_usec / 1e6;
    return cost;
}

std::string FileUri(const std::string& path)
{
    return "file://" + path; // the build paths hold no characters that need escaping
}

// --play: what the player does for one song: open, play, a 1 s tick that reads
// the position and length, and the end noticed through the event loop.
int PlayChild(const std::string& path)
{
    int argc = 1;
    char name[] = "media_bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TMediaPlayer player(nullptr, media::CreateGstMediaService(NullSink()));
    player.SetFileName(path);
    player.Open();
    player.Play();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { (void)player.Position(), (void)player.Length(); });
    tick.start(1000);
    player.OnNotify = [&](TObject*) {
        if (player.Mode() == mdStopped)
            QCoreApplication::quit();
    };
    QCoreApplication::exec();
    return player.Position() == player.Length() ? 0 : 1;
}

// Runs the event loop until the device's open has ended (ready or failed).
bool WaitUntilOpened(TMediaPlayer& player, int limitMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (player.DeviceID() != 0 && player.Length() == 0 && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    return player.DeviceID() != 0 && player.Length() > 0;
}

// --open: a fresh process that opens the file once, as the player's first
// Open does, until its length is known.
int OpenChild(const std::string& path)
{
    int argc = 1;
    char name[] = "media_bench";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TMediaPlayer player(nullptr, media::CreateGstMediaService(NullSink()));
    player.SetFileName(path);
    player.Open();
    WaitUntilOpened(player);
    std::printf("%d\n", player.Length());
    return player.Length() > 0 ? 0 : 1;
}

void BM_PlayCpu_TMediaPlayer(benchmark::State& state)
{
    for (auto _ : state) {
        const ChildCost cost = RunChild({gSelf, "--play", kSong60});
        if (cost.status != 0)
            state.SkipWithError("the player child failed");
        state.counters["cpu_s"] = cost.cpuSeconds;
        state.counters["wall_s"] = cost.wallSeconds;
        gFigures["play_cpu_ours"] = cost.cpuSeconds;
    }
}

void BM_PlayCpu_GstLaunchPlaybin(benchmark::State& state)
{
    for (auto _ : state) {
        const ChildCost cost = RunChild({"gst-launch-1.0", "-q", "playbin", "uri=" + FileUri(kSong60), "flags=audio",
                                         std::string("audio-sink=") + kNullSink});
        if (cost.status != 0)
            state.SkipWithError("gst-launch-1.0 failed");
        state.counters["cpu_s"] = cost.cpuSeconds;
        state.counters["wall_s"] = cost.wallSeconds;
        gFigures["play_cpu_base"] = cost.cpuSeconds;
    }
}

void BM_Open10min_InProcess(benchmark::State& state)
{
    auto service = media::CreateGstMediaService(NullSink());
    TMediaPlayer player(nullptr, service);
    player.SetFileName(kSong10min);
    player.Open(); // warms the GStreamer registry and the page cache
    WaitUntilOpened(player);
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        player.Open();
        WaitUntilOpened(player);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    if (player.Length() != 600000)
        state.SkipWithError("wrong length");
    gFigures["open_ours"] = total / double(state.iterations());
}

// The mean wall time of a program run once per iteration.
void TimeProgram(benchmark::State& state, const std::vector<std::string>& args, const char* figure)
{
    double total = 0;
    for (auto _ : state) {
        const ChildCost cost = RunChild(args);
        if (cost.status != 0)
            state.SkipWithError((args[0] + " failed").c_str());
        total += cost.wallSeconds;
    }
    gFigures[figure] = total / double(state.iterations());
}

void BM_Open10min_FreshProcess(benchmark::State& state)
{
    TimeProgram(state, {gSelf, "--open", kSong10min}, "open_ours_process");
}

void BM_Open10min_GstDiscoverer(benchmark::State& state)
{
    TimeProgram(state, {"gst-discoverer-1.0", kSong10min}, "open_base");
}

struct Stall {
    double loopMs = 0; // the longest gap between the beats of the loop
    double callMs = 0; // the time the action itself held the loop
};

// The longest gap between the beats of a 1 ms timer while `action` runs from
// the event loop and the loop goes on until done() holds, at least `afterMs`
// after the action: what the window's loop would have missed, in ms.
Stall LongestStall(const std::function<void()>& action, const std::function<bool()>& done, int afterMs)
{
    qint64 callNs = 0;
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    qint64 longest = 0;
    qint64 actedAt = -1;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
        if (actedAt < 0 && clock.elapsed() >= 20) {
            // The action runs inside this beat: its time counts as the gap to the next.
            actedAt = clock.elapsed();
            const qint64 start = clock.nsecsElapsed();
            action();
            callNs = clock.nsecsElapsed() - start;
        } else if (actedAt >= 0 && clock.elapsed() - actedAt >= afterMs && done()) {
            loop.quit();
        } else if (clock.elapsed() > 20000) {
            loop.quit();
        }
    });
    beat.start(1);
    loop.exec();
    return {double(longest) / 1e6, double(callNs) / 1e6};
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each step of a song's life, on the 10 min song, from the event loop. Kept
// per step: the median and the worst loop stall over the iterations, and the
// worst time inside the call. The machine's own noise shows in the idle loop's
// figures of the same run.
void BM_EventLoopStall10min(benchmark::State& state)
{
    auto service = media::CreateGstMediaService(NullSink());
    TMediaPlayer player(nullptr, service);
    player.SetFileName(kSong10min);
    player.Open(); // warms the GStreamer registry and the page cache
    WaitUntilOpened(player);
    player.Close();
    std::map<std::string, std::vector<double>> loops;
    std::map<std::string, double> calls;
    auto keep = [&](const char* step, Stall stall) {
        loops[step].push_back(stall.loopMs);
        calls[step] = std::max(calls[step], stall.callMs);
    };
    auto always = [] { return true; };
    for (auto _ : state) {
        keep("idle", LongestStall([] {}, always, 200));
        keep("open", LongestStall([&] { player.Open(), player.Play(); },
                                  [&] { return player.Length() > 0 && player.Position() > 50; }, 100));
        keep("pause", LongestStall([&] { player.Pause(); }, always, 100));
        keep("resume", LongestStall([&] { player.Pause(); }, always, 100));
        keep("seek", LongestStall([&] { player.Pause(), player.SetFrom(300000), player.Play(); },
                                  [&] { return player.Position() > 300050; }, 100));
        keep("stop", LongestStall([&] { player.Stop(); }, always, 100));
        keep("close", LongestStall([&] { player.Close(); }, always, 100));
    }
    for (const auto& [step, values] : loops) {
        state.counters[step + "_med_ms"] = Median(values);
        gFigures["stall_med_" + step] = Median(values);
        gFigures["stall_max_" + step] = *std::max_element(values.begin(), values.end());
        gFigures["call_max_" + step] = calls[step];
    }
    if (player.DeviceID() != 0 || loops["open"].empty())
        state.SkipWithError("the song did not open and close");
}

BENCHMARK(BM_EventLoopStall10min)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open10min_GstDiscoverer)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open10min_InProcess)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open10min_FreshProcess)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlayCpu_GstLaunchPlaybin)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_PlayCpu_TMediaPlayer)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// The 60 min stream: the 10 s file's frames 360 times, in the temp folder for
// the run (and in the page cache, as it has just been written).
constexpr int kRepeats = 360;
std::string gHourFile;

const std::string& HourFile()
{
    if (gHourFile.empty()) {
        std::ifstream in(kFrames10s, std::ios::binary);
        const std::string frames((std::istreambuf_iterator<char>(in)), {});
        gHourFile = (std::filesystem::temp_directory_path() / ("media-bench-hour-" + std::to_string(getpid()) + ".mp3"))
                        .string();
        std::ofstream out(gHourFile, std::ios::binary);
        for (int i = 0; i < kRepeats; ++i)
            out.write(frames.data(), std::streamsize(frames.size()));
    }
    return gHourFile;
}

double ReadWholeFile(const std::string& path, std::vector<char>& buffer)
{
    const auto start = std::chrono::steady_clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    size_t bytes = 0;
    for (size_t got; file && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
        bytes += got;
    if (file)
        std::fclose(file);
    benchmark::DoNotOptimize(bytes);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration reads the file alone, then scans its length, so that both
// meet the same load from the rest of the machine; the medians are compared.
void BM_Scan60min_Mp3LengthVsRead(benchmark::State& state)
{
    const std::string& path = HourFile();
    const std::int64_t tenSeconds = media::ScanMp3LengthMs(kFrames10s).value_or(0);
    std::vector<char> buffer(1 << 20);
    std::vector<double> reads;
    std::vector<double> scans;
    std::int64_t length = 0;
    for (auto _ : state) {
        reads.push_back(ReadWholeFile(path, buffer));
        const auto start = std::chrono::steady_clock::now();
        length = media::ScanMp3LengthMs(path).value_or(0);
        scans.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (std::llabs(length - kRepeats * tenSeconds) > kRepeats)
        state.SkipWithError("wrong length");
    state.counters["length_ms"] = double(length);
    state.counters["read_ms"] = Median(reads) * 1000;
    state.counters["scan_ms"] = Median(scans) * 1000;
    gFigures["scan_base"] = Median(reads);
    gFigures["scan_ours"] = Median(scans);
}

BENCHMARK(BM_Scan60min_Mp3LengthVsRead)->Iterations(30)->UseRealTime()->Unit(benchmark::kMillisecond);

// goal 0: a figure for information, with no goal of its own.
void PrintRatio(const char* what, const char* ours, const char* base, double goal)
{
    if (!gFigures.count(ours) || !gFigures.count(base) || gFigures[base] <= 0)
        return;
    const double ratio = gFigures[ours] / gFigures[base];
    std::printf("%-58s %8.4f / %8.4f = %5.2fx", what, gFigures[ours], gFigures[base], ratio);
    if (goal > 0)
        std::printf(" (goal <= %.1fx) %s\n", goal, ratio <= goal ? "ok" : "OVER");
    else
        std::printf(" (for information)\n");
}

} // namespace

int main(int argc, char** argv)
{
    gSelf = argv[0];
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0)
        return PlayChild(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--open") == 0)
        return OpenChild(argv[2]);
    // The devices tell the end of their requests through the event loop.
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QCoreApplication app(qtArgc, qtArgv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nRatios (ours / baseline, same run):\n");
    PrintRatio("Play 60 s to the null sink, process CPU s vs gst-launch", "play_cpu_ours", "play_cpu_base", 1.5);
    PrintRatio("Open 10 min 320k until Length, s, in process vs discoverer", "open_ours", "open_base", 2.0);
    // A cold start: process, GStreamer's start and the loading of the whole
    // playing chain's plugins, which the discoverer (no decoder, no sink) skips.
    PrintRatio("Open 10 min 320k, fresh process s vs discoverer", "open_ours_process", "open_base", 0);
    PrintRatio("Length scan of 60 min 320k, median s, vs reading the file", "scan_ours", "scan_base", 2.0);
    // The stalls: each against the loop with nothing to do (for information),
    // and its own goal of 16 ms.
    if (gFigures.count("stall_med_open")) {
        std::printf("\nEvent loop while the 10 min 320k song is handled (goal: stall < 16 ms):\n");
        std::printf("  %-8s %12s %12s %12s %10s\n", "step", "median ms", "worst ms", "in call ms", "goal");
        for (const char* step : {"idle", "open", "pause", "resume", "seek", "stop", "close"}) {
            const double median = gFigures[std::string("stall_med_") + step];
            std::printf("  %-8s %12.2f %12.2f %12.2f %10s\n", step, median, gFigures[std::string("stall_max_") + step],
                        gFigures[std::string("call_max_") + step], median < 16 ? "ok" : "OVER");
        }
        std::printf("  open's median stall / idle loop's median stall: %.2fx\n",
                    gFigures["stall_med_idle"] > 0 ? gFigures["stall_med_open"] / gFigures["stall_med_idle"] : 0);
    }
    if (gFigures.count("open_ours"))
        std::printf("  time until the open has ended (what Open used to block for): %.1f ms\n",
                    gFigures["open_ours"] * 1000);
    if (!gHourFile.empty())
        std::filesystem::remove(gHourFile);
    return 0;
}
