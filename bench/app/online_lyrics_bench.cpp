// Lyrics from a local LRCLIB server through the window: from the double click
// on a song without lyrics to its first lyric line loaded, against the request
// alone (the same GET, its JSON read) in the same run; and the window's
// longest event-loop stall meanwhile (goal: none over 16 ms), against the
// request's own. Both run with a 1 ms heartbeat timer that measures the
// stalls; the times are to the first beat that sees the outcome.

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/Unit1.h"
#include "common/qt_app.h"
#include "common/ratio.h"
#include "forms/application.h"
#include "lyrics/lrclib.h"
#include "lyrics/lrclibcache.h"
#include "media/FakeMediaService.h"
#include "mixer/memory_mixer.h"
#include "table/dxmdaset.h"
#include "tests/lyrics/fake_lrclib.h"

namespace {

FakeLrclib* gServer = nullptr;
TfrmMain* gWindow = nullptr;

// Runs the loop from start() until done(), with a heartbeat every
// millisecond; returns the longest gap between two beats less the beat's own
// period: the longest the loop was kept from its timers, in ms.
template <class Start, class Done>
double RunUntil(Start start, Done done)
{
    QEventLoop loop;
    QTimer beat;
    beat.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    double longest = 0;
    QObject::connect(&beat, &QTimer::timeout, &loop, [&] {
        longest = std::max(longest, clock.nsecsElapsed() / 1e6 - 1.0);
        clock.restart();
        if (done())
            loop.quit();
    });
    beat.start(1);
    clock.start();
    QTimer::singleShot(0, start);
    loop.exec();
    return std::max(0.0, longest);
}

void BaselineRequest(benchmark::State& state)
{
    QNetworkAccessManager network;
    double stall = 0;
    const QUrl url = lyrics::lrclib::GetUrl(gServer->Url(), {"song", "", "", 60});
    for (auto _ : state) {
        bool done = false;
        const double longest = RunUntil(
            [&] {
                QNetworkReply* reply = network.get(QNetworkRequest(url));
                QObject::connect(reply, &QNetworkReply::finished, [&, reply] {
                    benchmark::DoNotOptimize(QJsonDocument::fromJson(reply->readAll()).isObject());
                    reply->deleteLater();
                    done = true;
                });
            },
            [&] { return done; });
        stall = std::max(stall, longest);
    }
    state.counters["stall_ms"] = stall;
}

void DoubleClickToFirstLine(benchmark::State& state)
{
    double stall = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Nothing kept from the last round: each round asks the server.
        QDir(lyrics::LrclibCache::DefaultFolder()).removeRecursively();
        state.ResumeTiming();
        const double longest =
            RunUntil([] { Application->Dispatch([] { gWindow->dxDBGrid1DblClick(nullptr); }); },
                     [] { return gWindow->dxMemData2->RecordCount() > 0; });
        stall = std::max(stall, longest);
    }
    state.counters["stall_ms"] = stall;
}

BENCHMARK(BaselineRequest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DoubleClickToFirstLine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    // The lookups' cache in a folder of the run's own.
    QTemporaryDir cache;
    setenv("XDG_CACHE_HOME", cache.path().toUtf8().constData(), 1);
    bench::QtApplication qt(argc, argv);
    FakeLrclib server;
    gServer = &server;
    QString lines;
    for (int i = 0; i < 60; ++i)
        lines += QStringLiteral("[00:%1.00]Line %2 of the song\n").arg(i, 2, 10, QChar('0')).arg(i);
    server.AddRecord("song", "", "", 60, lines);
    setenv("LYRICPLAYER_LRCLIB_URL", server.Url().toString().toUtf8().constData(), 1);

    const std::filesystem::path folder = cache.path().toStdString() + "/songs";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "song.mp3") << "x";
    TPlayerServices services;
    auto fake = std::make_shared<media::FakeMediaService>();
    fake->AddSong((folder / "song.mp3").string(), 60000);
    services.Media = fake;
    services.Mixer = std::make_shared<mixer::MemoryMixer>();
    auto window = std::make_unique<TfrmMain>(nullptr, services);
    gWindow = window.get();
    window->LoadFolder(folder.string());

    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double request = reporter.Time("BaselineRequest").real * 1e3;
    const double click = reporter.Time("DoubleClickToFirstLine").real * 1e3;
    std::printf("\nDouble click to the first lyric line from a local LRCLIB server: %.2f ms; the request alone "
                "%.2f ms; overhead %.2f ms, ratio %.2f\n",
                click, request, click - request, bench::Ratio(click, request));
    std::printf("CPU time of the loop's thread: %.2f ms against %.2f ms for the request alone; overhead %.2f ms\n",
                reporter.Time("DoubleClickToFirstLine").cpu * 1e3, reporter.Time("BaselineRequest").cpu * 1e3,
                (reporter.Time("DoubleClickToFirstLine").cpu - reporter.Time("BaselineRequest").cpu) * 1e3);
    std::printf("Longest event-loop stall: %.2f ms during the lookup (goal: under 16 ms), %.2f ms for the request "
                "alone\n",
                reporter.Counter("DoubleClickToFirstLine", "stall_ms"), reporter.Counter("BaselineRequest", "stall_ms"));

    TCloseAction action = TCloseAction::caHide;
    window->FormClose(nullptr, action);
    window.reset();
    benchmark::Shutdown();
    return 0;
}
