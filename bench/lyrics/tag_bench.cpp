// Loading a song's lyrics from a 500-line SYLT frame of a 10 MB MP3, as the
// play command does (the look for lyric files beside the song, the tag read,
// the LRC text made and decoded, its lines parsed), against TagLib alone
// reading the same tag and its frame's entries. Times in milliseconds and in
// MPEG frames (which also reads the stream's first frame). Prints the ratios.

#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/synchronizedlyricsframe.h>

#include "common/ratio.h"
#include "lyrics/lrc.h"
#include "lyrics/source.h"

namespace {

constexpr std::size_t kMemoCapacity = 4u << 20;

std::string Song(const char* name) { return std::string(LYRICS_BENCH_DATA) + "/" + name; }

void BM_Load(benchmark::State& state, const char* name)
{
    const std::string song = Song(name);
    std::size_t records = 0;
    for (auto _ : state) {
        const auto found = lyrics::FindLyrics(song, kMemoCapacity);
        if (!found) {
            state.SkipWithError("no lyrics found");
            return;
        }
        records = lyrics::ParseLyrics(found->text).size();
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = static_cast<double>(records);
}

void BM_TagLib(benchmark::State& state, const char* name)
{
    const std::string song = Song(name);
    std::size_t entries = 0;
    for (auto _ : state) {
        TagLib::MPEG::File file(song.c_str(), false);
        const TagLib::ID3v2::FrameList frames = file.ID3v2Tag() ? file.ID3v2Tag()->frameList("SYLT")
                                                                : TagLib::ID3v2::FrameList();
        const auto* sylt = frames.isEmpty() ? nullptr
                                            : dynamic_cast<const TagLib::ID3v2::SynchronizedLyricsFrame*>(frames.front());
        if (!sylt) {
            state.SkipWithError("no SYLT frame");
            return;
        }
        entries = 0;
        const TagLib::ID3v2::SynchronizedLyricsFrame::SynchedTextList list = sylt->synchedText();
        for (const auto& entry : list)
            entries += entry.text.size() > 0;
        benchmark::DoNotOptimize(entries);
    }
    state.counters["records"] = static_cast<double>(entries);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* kinds[] = {"ms", "frames"};
    const char* files[] = {"sylt_ms.mp3", "sylt_frames.mp3"};
    for (int i = 0; i < 2; ++i) {
        benchmark::RegisterBenchmark((std::string("Load/") + kinds[i]).c_str(), BM_Load, files[i])
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("TagLib/") + kinds[i]).c_str(), BM_TagLib, files[i])
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\n%-8s %12s %12s %10s\n", "times", "load ms", "TagLib ms", "ratio");
    bool met = true;
    for (const char* kind : kinds) {
        // CPU time: the machine may be busy with other work.
        const double load = reporter.Time(std::string("Load/") + kind).cpu;
        const double base = reporter.Time(std::string("TagLib/") + kind).cpu;
        if (load == 0 || base == 0)
            continue;  // filtered out
        std::printf("%-8s %12.3f %12.3f %9.2fx\n", kind, load * 1e3, base * 1e3, load / base);
        met = met && load / base <= 2.0;
    }
    std::printf("goal (loading <= 2x TagLib alone): %s\n", met ? "met" : "NOT met");
    benchmark::Shutdown();
    return 0;
}
