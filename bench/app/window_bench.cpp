// The window's per-tick work: one change of the seek bar writes the time
// display and looks the time up among the lyric records. Measured against a
// baseline of the least that work needs: formatting "mm:ss", one search of a
// sorted std::map and the two label texts. Also loading a large lyric file against reading,
// decoding, showing and indexing it. Prints the ratios.

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

#include "app/Unit1.h"
#include "app/qivTrackBar.h"
#include "app/timetext.h"
#include "common/qt_app.h"
#include "common/ratio.h"
#include "forms/application.h"
#include "forms/stdctrls.h"
#include "media/FakeMediaService.h"
#include "mixer/memory_mixer.h"
#include "table/dxmdaset.h"
#include "text/decode.h"

namespace {

constexpr int kSeconds = 3600;  // one tagged line a second for an hour
std::filesystem::path gFolder;
std::string gLyricText;
TfrmMain* gWindow = nullptr;

void MakeSong()
{
    gFolder = std::filesystem::temp_directory_path() / ("window-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(gFolder);
    std::ofstream(gFolder / "song.mp3") << "x";
    for (int s = 0; s < kSeconds; ++s)
        gLyricText += "[" + MsToMinSec(s * 1000) + ".00]歌詞第 " + std::to_string(s) + " 行 lyric line\r\n";
    std::ofstream(gFolder / "song.txt", std::ios::binary) << gLyricText;
}

void BaselineTick(benchmark::State& state)
{
    std::map<std::string, std::string> lyrics;
    for (int s = 0; s < kSeconds; ++s)
        lyrics[MsToMinSec(s * 1000)] = "歌詞第 " + std::to_string(s) + " 行 lyric line";
    QLabel timeLabel;
    QLabel lineLabel;
    int32_t position = 0;
    for (auto _ : state) {
        position = (position + 1000) % (kSeconds * 1000);
        const std::string time = MsToMinSec(position);
        timeLabel.setText(QString::fromStdString(time));
        auto it = lyrics.find(time);
        if (it != lyrics.end())
            lineLabel.setText(QString::fromStdString(it->second));
    }
}

void SeekBarChange(benchmark::State& state)
{
    int32_t position = 0;
    for (auto _ : state) {
        position = (position + 1000) % (kSeconds * 1000);
        gWindow->qivTrackBar1->SetPosition(position);
    }
    if (gWindow->dxMemData2->RecordCount() != kSeconds)
        state.SkipWithError("lyrics not loaded");
}

// The least a lyric load must do: read and decode the file, show it in a
// plain-text editor, and keep one keyed record per tag.
void BaselineLoad(benchmark::State& state)
{
    QPlainTextEdit edit;
    for (auto _ : state) {
        std::ifstream file(gFolder / "song.txt", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const std::string text = text::DecodeLyricText(bytes).text;
        edit.setPlainText(QString::fromStdString(text));
        std::map<std::string, std::string> records;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string_view line(text.data() + start, end - start);
            const std::size_t close = line.find(']');
            if (!line.empty() && line.front() == '[' && close != std::string_view::npos)
                records.emplace(std::string(line.substr(1, 5)), std::string(line.substr(close + 1)));
            start = end + 1;
        }
        benchmark::DoNotOptimize(records.size());
    }
}

void LoadLyrics(benchmark::State& state)
{
    for (auto _ : state) {
        gWindow->ClearLyrics();
        gWindow->LoadLyrics();
    }
}

BENCHMARK(BaselineTick);
BENCHMARK(SeekBarChange);
BENCHMARK(BaselineLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadLyrics)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    bench::QtApplication qt(argc, argv);
    MakeSong();

    TPlayerServices services;
    auto fake = std::make_shared<media::FakeMediaService>();
    fake->AddSong((gFolder / "song.mp3").string(), kSeconds * 1000);
    services.Media = fake;
    services.Mixer = std::make_shared<mixer::MemoryMixer>();
    auto window = std::make_unique<TfrmMain>(nullptr, services);
    gWindow = window.get();
    window->LoadFolder(gFolder.string());
    window->btnPlayClick(nullptr);

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // CPU time per iteration, ns.
    auto time = [&](const char* name) { return reporter.Time(name).cpu * 1e9; };
    auto ratio = [&](const char* ours, const char* base) { return reporter.CpuRatio(ours, base); };
    std::printf("\nSeek-bar change with %d lyric records: %.0f ns, baseline (mm:ss + std::map find + two labels) %.0f ns, "
                "ratio %.1f\n",
                kSeconds, time("SeekBarChange"), time("BaselineTick"),
                ratio("SeekBarChange", "BaselineTick"));
    std::printf("Loading a %zu-byte lyric file: %.2f ms, baseline (read + decode + text edit + std::map) %.2f ms, "
                "ratio %.1f\n",
                gLyricText.size(), time("LoadLyrics") / 1e6, time("BaselineLoad") / 1e6,
                ratio("LoadLyrics", "BaselineLoad"));

    TCloseAction action = TCloseAction::caHide;
    window->FormClose(nullptr, action);
    window.reset();
    std::error_code error;
    std::filesystem::remove_all(gFolder, error);
    benchmark::Shutdown();
    return 0;
}
