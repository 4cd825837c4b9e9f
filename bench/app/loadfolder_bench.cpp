// Listing a folder of 10,000 songs: the window's LoadFolder (scan, one record
// per song in the title-ordered table, the caption, the first song to the
// device) against a baseline of the least that needs: readdir of the same
// folder, the ".mp3" names less their extension, and a sort of them with the
// same collator. A second baseline asks for each file's size as well (the
// caption sums them). Prints the ratios.

#include <QApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/Unit1.h"
#include "common/qt_app.h"
#include "common/ratio.h"
#include "forms/application.h"
#include "media/FakeMediaService.h"
#include "mixer/memory_mixer.h"
#include "table/dxmdaset.h"
#include "text/collation.h"

namespace {

constexpr int kSongs = 10000;
std::filesystem::path gFolder;
TfrmMain* gWindow = nullptr;

// Names as a music folder has them: artists, titles, numbers, some Chinese,
// made in no particular order; a few other files beside them.
void MakeFolder()
{
    gFolder = std::filesystem::temp_directory_path() / ("loadfolder-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(gFolder);
    const char* artists[] = {"Adele", "張學友", "Beatles", "王菲", "Coldplay", "鄧麗君", "Queen", "周杰倫"};
    const char* words[] = {"Love", "月亮", "Night", "心", "Rain", "夢", "Song", "海"};
    std::mt19937 random(7);
    for (int i = 0; i < kSongs; ++i) {
        const std::string name = std::string(artists[random() % 8]) + " - " + words[random() % 8] + " " +
                                 std::to_string(random() % 100000) + " " + std::to_string(i) + ".mp3";
        std::ofstream(gFolder / name).put('x');
    }
    for (int i = 0; i < 100; ++i)
        std::ofstream(gFolder / ("cover " + std::to_string(i) + ".jpg")).put('x');
}

void LoadFolder(benchmark::State& state)
{
    for (auto _ : state)
        gWindow->LoadFolder(gFolder.string());
    if (gWindow->FileCount() != kSongs)
        state.SkipWithError("not every song was listed");
}

// withSizes: each song's size is asked for too, as the caption needs it.
void Scan(benchmark::State& state, bool withSizes)
{
    const text::Collator& collator = text::Collator::User();
    std::size_t count = 0;
    for (auto _ : state) {
        std::vector<std::string> titles;
        long long total = 0;
        DIR* dir = opendir(gFolder.c_str());
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".mp3") == 0) {
                titles.push_back(name.substr(0, name.size() - 4));
                struct stat st;
                if (withSizes && fstatat(dirfd(dir), entry->d_name, &st, 0) == 0)
                    total += st.st_size;
            }
        }
        benchmark::DoNotOptimize(total);
        closedir(dir);
        std::sort(titles.begin(), titles.end(),
                  [&](const std::string& a, const std::string& b) { return collator.Compare(a, b) < 0; });
        count = titles.size();
        benchmark::DoNotOptimize(titles.data());
    }
    if (count != kSongs)
        state.SkipWithError("not every song was listed");
}

void Baseline(benchmark::State& state) { Scan(state, false); }
void BaselineWithSizes(benchmark::State& state) { Scan(state, true); }

BENCHMARK(LoadFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BaselineWithSizes)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    bench::QtApplication qt(argc, argv);
    MakeFolder();
    TPlayerServices services;
    services.Media = std::make_shared<media::FakeMediaService>();
    services.Mixer = std::make_shared<mixer::MemoryMixer>();
    gWindow = new TfrmMain(nullptr, services);

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // CPU seconds per iteration.
    const double ours = reporter.Time("LoadFolder").cpu;
    const double base = reporter.Time("Baseline").cpu;
    const double sized = reporter.Time("BaselineWithSizes").cpu;
    if (ours > 0 && base > 0 && sized > 0)
        std::printf("\nLoadFolder of %d songs: %.1f ms (CPU); baseline readdir + collated sort %.1f ms, ratio %.2f "
                    "(goal: at most 2); with each file's size asked for as well %.1f ms, ratio %.2f\n",
                    kSongs, ours * 1e3, base * 1e3, ours / base, sized * 1e3, ours / sized);

    delete gWindow;
    std::filesystem::remove_all(gFolder);
    return 0;
}
