// The GStreamer media service on real MP3 files made by lame at build time,
// driven through TMediaPlayer as the window drives it.

#include <gst/gst.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "forms/application.h"
#include "media/GstMediaService.h"
#include "media/MPlayer.h"
#include "media/Mp3Length.h"

namespace fs = std::filesystem;

namespace {

std::string Data(const std::string& name)
{
    return std::string(MEDIA_TEST_DATA) + "/" + name;
}

// The duration of what the decoder really produces, counted sample by sample.
double DecodedDurationMs(const std::string& path)
{
    gst_init(nullptr, nullptr);
    GError* err = nullptr;
    GstElement* pipeline = gst_parse_launch(
        "filesrc name=src ! decodebin ! audioconvert ! audio/x-raw,format=S16LE ! fakesink name=sink sync=false",
        &err);
    EXPECT_TRUE(pipeline) << (err ? err->message : "");
    g_clear_error(&err);
    if (!pipeline)
        return -1;
    GstElement* src = gst_bin_get_by_name(GST_BIN(pipeline), "src");
    g_object_set(src, "location", path.c_str(), nullptr);
    gst_object_unref(src);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    // Each buffer at its own rate and channel count: a stream may change them.
    std::atomic<guint64> nanoseconds{0}; // counted in the streaming thread
    gst_pad_add_probe(
        pad, GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad* pad, GstPadProbeInfo* info, gpointer data) {
            GstCaps* caps = gst_pad_get_current_caps(pad);
            int rate = 0, channels = 0;
            if (caps) {
                gst_structure_get_int(gst_caps_get_structure(caps, 0), "rate", &rate);
                gst_structure_get_int(gst_caps_get_structure(caps, 0), "channels", &channels);
                gst_caps_unref(caps);
            }
            if (rate > 0 && channels > 0)
                *static_cast<std::atomic<guint64>*>(data) +=
                    gst_buffer_get_size(GST_PAD_PROBE_INFO_BUFFER(info)) * 500000000ull / guint64(channels) / guint64(rate);
            return GST_PAD_PROBE_OK;
        },
        &nanoseconds, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* msg = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    double ms = -1;
    if (msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS)
        ms = double(nanoseconds) / 1e6;
    if (msg)
        gst_message_unref(msg);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return ms;
}

// Runs the event loop until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Pump(int ms)
{
    WaitFor([] { return false; }, ms);
}

class GstMediaTest : public testing::Test {
protected:
    void SetUp() override
    {
        media::GstOptions options;
        options.audioSink = "fakesink sync=true"; // the same everywhere: silent, in real time
        service = media::CreateGstMediaService(options);
        player = std::make_unique<TMediaPlayer>(nullptr, service);
        // An open that fails after Open returned raises its error here.
        TMediaPlayer::SetHandlerDispatcher([this](const std::function<void()>& handler) {
            try {
                handler();
            } catch (const EMCIDeviceError& e) {
                lateErrors.push_back(e.Message());
            }
        });
    }
    void TearDown() override { TMediaPlayer::SetHandlerDispatcher(nullptr); }

    // Runs the event loop until the device's open has ended, ready or failed.
    bool WaitForOpen()
    {
        return WaitFor([&] { return player->DeviceID() == 0 || player->Length() > 0; }, 15000);
    }

    // Opens the file and waits until it is ready to play (an error raised
    // while it opens in the background fails the test).
    void OpenFile(const std::string& path)
    {
        lateErrors.clear();
        player->SetFileName(path);
        player->Open();
        ASSERT_TRUE(WaitForOpen());
        ASSERT_TRUE(lateErrors.empty()) << lateErrors.front();
        ASSERT_NE(player->DeviceID(), 0);
    }

    // Runs the event loop until the device reports the end of the song; the
    // end wakes the loop by itself (no timer runs here).
    bool PlayToEnd()
    {
        bool ended = false;
        QEventLoop loop;
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        player->OnNotify = [&](TObject*) {
            if (player->NotifyValue() == nvSuccessful) {
                ended = true;
                loop.quit();
            }
        };
        loop.exec();
        player->OnNotify = nullptr;
        return ended;
    }

    // The error of opening the file, at once or once the device has looked
    // inside it; "(opened)" when it opened.
    std::string MessageOfOpen(const std::string& path)
    {
        lateErrors.clear();
        player->SetFileName(path);
        try {
            player->Open();
        } catch (const EMCIDeviceError& e) {
            return e.Message();
        }
        EXPECT_TRUE(WaitForOpen());
        return lateErrors.empty() ? "(opened)" : lateErrors.front();
    }

    std::vector<std::string> lateErrors;
    std::shared_ptr<media::MediaService> service;
    std::unique_ptr<TMediaPlayer> player;
};

TEST_F(GstMediaTest, LengthIsExactOnceOpenedForEveryKindOfMp3)
{
    for (const char* name : {"cbr128.mp3", "cbr320.mp3", "cbr_noxing.mp3", "vbr_xing.mp3", "vbr_noxing.mp3",
                             "mono22.mp3", "mpeg2_16k.mp3", "mpeg25_8k.mp3", "id3.mp3", "bigtag.mp3",
                             "mono_then_dual.mp3", "rate_change.mp3", "damaged320.mp3"}) {
        SCOPED_TRACE(name);
        const double decoded = DecodedDurationMs(Data(name));
        ASSERT_GT(decoded, 1000);
        OpenFile(Data(name));
        EXPECT_NEAR(player->Length(), decoded, 30);
        EXPECT_EQ(player->Mode(), mdStopped);
        EXPECT_EQ(player->Position(), 0);
    }
}

TEST_F(GstMediaTest, FilesJoinedAtDifferentSampleRatesAreAsLongAsTheirParts)
{
    const std::vector<std::pair<const char*, std::vector<const char*>>> joins = {
        {"joined.mp3", {"cbr128.mp3", "mpeg2_16k.mp3"}},
        {"joined3.mp3", {"mono22.mp3", "id3.mp3", "mpeg25_8k.mp3"}},
    };
    for (const auto& [joined, parts] : joins) {
        SCOPED_TRACE(joined);
        double decoded = 0;
        for (const char* part : parts)
            decoded += DecodedDurationMs(Data(part));
        OpenFile(Data(joined));
        EXPECT_NEAR(player->Length(), decoded, 30);
    }
}

// The demo songs are what a new user plays first: they decode without a
// warning from GStreamer (a speech track resampled to MPEG-2 made its decoder
// report a CRITICAL at every song) and open at their decoded length.
TEST_F(GstMediaTest, TheDemoSongsDecodeWithoutWarningsAtTheirLength)
{
    gst_init(nullptr, nullptr);
    const GLogFunc previous = g_log_set_default_handler(
        [](const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer) {
            if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING))
                ADD_FAILURE() << (domain ? domain : "") << ": " << message;
        },
        nullptr);
    int songs = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(PLAYER_SOURCE_DIR) / "demo")) {
        if (entry.path().extension() != ".mp3")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++songs;
        const double decoded = DecodedDurationMs(entry.path().string());
        EXPECT_GT(decoded, 20000);
        OpenFile(entry.path().string());
        EXPECT_NEAR(player->Length(), decoded, 30);
    }
    g_log_set_default_handler(previous, nullptr);
    EXPECT_GE(songs, 5);
}

TEST_F(GstMediaTest, AVbrFileWithoutHeaderPlaysToItsEndAtItsLength)
{
    OpenFile(Data("vbr_noxing.mp3"));
    const std::int32_t length = player->Length();
    QElapsedTimer clock;
    clock.start();
    player->Play();
    EXPECT_EQ(player->Mode(), mdPlaying);
    ASSERT_TRUE(PlayToEnd());
    // Silent output still keeps real time (a lower bound only).
    EXPECT_GE(clock.elapsed(), length * 8 / 10);
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), length);
    EXPECT_EQ(player->Length(), length);
}

TEST_F(GstMediaTest, TheEndOfASongWakesTheIdlePassAtOnce)
{
    // As in the player: no one listens to notifications, only the idle pass
    // reads the mode, and no timer runs that could wake the loop instead.
    OpenFile(Data("mpeg25_8k.mp3"));
    bool sawEnd = false;
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    const int idle = Application->AddIdleHandler([&](TObject*, bool&) {
        if (player->Mode() == mdStopped) {
            sawEnd = true;
            loop.quit();
        }
    });
    player->Play();
    loop.exec();
    Application->RemoveIdleHandler(idle);
    EXPECT_TRUE(sawEnd) << "the loop slept through the end of the song";
    EXPECT_EQ(player->Position(), player->Length());
}

TEST_F(GstMediaTest, PauseAndResumeHoldThePosition)
{
    OpenFile(Data("cbr128.mp3"));
    player->Play();
    Pump(400);
    player->Pause();
    EXPECT_EQ(player->Mode(), mdPaused);
    const std::int32_t held = player->Position();
    EXPECT_GT(held, 100);
    Pump(300);
    EXPECT_EQ(player->Position(), held);
    EXPECT_EQ(player->Mode(), mdPaused);

    player->Pause();
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_GE(player->Position(), held);
    EXPECT_TRUE(WaitFor([&] { return player->Position() > held + 100; }, 3000));
}

TEST_F(GstMediaTest, FromStopAndRewindMoveThePositionAsTheWindowExpects)
{
    OpenFile(Data("cbr320.mp3"));
    const std::int32_t length = player->Length();
    player->SetFrom(1200);
    player->Play();
    const std::int32_t start = player->Position();
    EXPECT_GE(start, 1200);
    EXPECT_LT(start, 1400);
    Pump(200);
    player->Stop();
    EXPECT_EQ(player->Mode(), mdStopped);
    const std::int32_t stopped = player->Position();
    EXPECT_GE(stopped, 1200);
    Pump(200);
    EXPECT_EQ(player->Position(), stopped) << "Stop does not rewind";

    player->Play(); // on from where it stopped
    EXPECT_GE(player->Position(), stopped);
    ASSERT_TRUE(PlayToEnd());
    EXPECT_EQ(player->Position(), length);

    player->SetAutoRewind(false);
    player->Play(); // nothing left to play
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), length);

    player->SetAutoRewind(true);
    player->Play(); // again from the start
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_LT(player->Position(), 300);
    EXPECT_TRUE(WaitFor([&] { return player->Position() > 100; }, 3000));
}

TEST_F(GstMediaTest, SeekingWhilePausedPlaysFromTheNewPosition)
{
    OpenFile(Data("cbr128.mp3"));
    player->Play();
    Pump(200);
    player->Pause();          // pauses
    player->Pause();          // the seek bar's sequence: resumes,
    player->SetFrom(1500);    // sets the start point
    player->Play();           // and plays from it
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_GE(player->Position(), 1500);
    EXPECT_TRUE(WaitFor([&] { return player->Position() > 1600; }, 3000));
}

TEST_F(GstMediaTest, OpenWhileOpenClosesTheFirstFile)
{
    OpenFile(Data("cbr128.mp3"));
    player->Play();
    const auto first = player->DeviceID();
    OpenFile(Data("mono22.mp3"));
    EXPECT_NE(player->DeviceID(), first);
    media::DeviceMode mode{};
    EXPECT_EQ(service->Mode(first, mode), media::resInvalidDevice);
    EXPECT_NEAR(player->Length(), 1633, 30);
    EXPECT_EQ(player->Mode(), mdStopped);
}

TEST_F(GstMediaTest, FilesThatAreNoMp3GiveAClearErrorAtOpen)
{
    const std::string missing = MessageOfOpen(Data("no-such-song.mp3"));
    EXPECT_NE(missing, "(opened)");
    EXPECT_FALSE(missing.empty());
    for (const char* name : {"empty.mp3", "text.mp3", "image.mp3"}) {
        SCOPED_TRACE(name);
        const std::string message = MessageOfOpen(Data(name));
        EXPECT_NE(message, "(opened)");
        EXPECT_FALSE(message.empty());
        EXPECT_EQ(player->DeviceID(), 0);
        EXPECT_EQ(player->Mode(), mdNotReady);
    }
    EXPECT_NE(MessageOfOpen(Data("image.mp3")).find("no audio stream"), std::string::npos);
    EXPECT_NE(MessageOfOpen(""), "(opened)");
    // The device still works after the failures.
    OpenFile(Data("cbr128.mp3"));
    EXPECT_NEAR(player->Length(), 2000, 30);
}

TEST_F(GstMediaTest, DamagedOrVanishingFilesPlayWhatCanBeDecoded)
{
    OpenFile(Data("truncated.mp3"));
    EXPECT_NEAR(player->Length(), DecodedDurationMs(Data("truncated.mp3")), 30);
    player->Play();
    ASSERT_TRUE(PlayToEnd());
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), player->Length());

    const fs::path copy = fs::temp_directory_path() / ("media-vanishing-" + std::to_string(getpid()) + ".mp3");
    fs::copy_file(Data("mpeg25_8k.mp3"), copy, fs::copy_options::overwrite_existing);
    OpenFile(copy.string());
    fs::remove(copy);
    player->Play();
    ASSERT_TRUE(PlayToEnd());
    EXPECT_EQ(player->Position(), player->Length());
    player->Close();
    EXPECT_EQ(player->DeviceID(), 0);
}

TEST_F(GstMediaTest, DestroyingTheDeviceClosesItsPipeline)
{
    OpenFile(Data("cbr128.mp3"));
    player->Play();
    const auto id = player->DeviceID();
    player.reset();
    media::DeviceMode mode{};
    EXPECT_EQ(service->Mode(id, mode), media::resInvalidDevice);
}

// A file that only turns out not to be a song once the device looks inside:
// Open has already handed back a device, which is closed again when the
// failure comes, so nothing of it stays open or keeps playing.
TEST_F(GstMediaTest, AFailedOpenLeavesNoDeviceBehind)
{
    for (const char* name : {"text.mp3", "image.mp3", "empty.mp3"}) {
        SCOPED_TRACE(name);
        lateErrors.clear();
        player->SetFileName(Data(name));
        player->Open();
        const media::DeviceId handed = player->DeviceID();
        ASSERT_NE(handed, 0) << "the file is looked at in the background";
        player->Play(); // waits for the open, and ends with it
        ASSERT_TRUE(WaitForOpen());
        ASSERT_EQ(lateErrors.size(), 1u);
        EXPECT_FALSE(lateErrors.front().empty());
        EXPECT_EQ(player->DeviceID(), 0);
        EXPECT_EQ(player->NotifyValue(), nvFailure);
        media::DeviceMode mode{};
        EXPECT_EQ(service->Mode(handed, mode), media::resInvalidDevice) << "the failed device is still open";
        EXPECT_EQ(player->Mode(), mdNotReady);
    }
    // A file that cannot be opened at all gives no device.
    EXPECT_NE(MessageOfOpen(Data("no-such-song.mp3")), "(opened)");
    EXPECT_EQ(player->DeviceID(), 0);
}

// Play, Pause and Stop made while the file still opens take effect once it
// is ready; closing a device that is still opening, or opening over it, leaves
// nothing running.
TEST_F(GstMediaTest, RequestsMadeWhileTheFileOpensApplyOnceItIsReady)
{
    player->SetFileName(Data("cbr128.mp3"));
    player->Open();
    player->SetFrom(800);
    player->Play();
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_EQ(player->Position(), 800);
    ASSERT_TRUE(WaitFor([&] { return player->Length() > 0; }, 15000));
    EXPECT_NEAR(player->Length(), 2000, 30);
    EXPECT_TRUE(WaitFor([&] { return player->Position() > 900; }, 3000));

    player->Open();
    player->Play();
    player->Pause();
    EXPECT_EQ(player->Mode(), mdPaused);
    ASSERT_TRUE(WaitFor([&] { return player->Length() > 0; }, 15000));
    Pump(200);
    EXPECT_EQ(player->Mode(), mdPaused);
    EXPECT_EQ(player->Position(), 0);
    player->Pause();
    EXPECT_TRUE(WaitFor([&] { return player->Position() > 100; }, 3000));

    // Open over an opening device, close it at once, and free the service
    // while the last one still opens.
    for (int i = 0; i < 5; ++i) {
        player->Open();
        player->Play();
    }
    player->Close();
    EXPECT_EQ(player->DeviceID(), 0);
    player->Open();
    player.reset();
    service.reset();
}

TEST_F(GstMediaTest, ScanFindsNoLengthInFilesWithoutMpegAudio)
{
    EXPECT_FALSE(media::ScanMp3LengthMs(Data("empty.mp3")));
    EXPECT_FALSE(media::ScanMp3LengthMs(Data("text.mp3")));
    EXPECT_FALSE(media::ScanMp3LengthMs(Data("no-such-song.mp3")));
    EXPECT_EQ(media::ScanMp3LengthMs(Data("cbr128.mp3")), 2000);
}

TEST(GstMediaDefaultOutput, PlaysInRealTimeOnWhateverOutputThisMachineHas)
{
    auto service = media::CreateGstMediaService();
    TMediaPlayer player(nullptr, service);
    player.SetFileName(Data("mpeg25_8k.mp3"));
    player.Open();
    ASSERT_TRUE(WaitFor([&] { return player.Mode() != mdNotReady; }, 15000));
    const std::int32_t length = player.Length();
    QElapsedTimer clock;
    clock.start();
    player.Play();
    ASSERT_TRUE(WaitFor([&] { return player.Mode() == mdStopped; }, 15000));
    EXPECT_GE(clock.elapsed(), length * 8 / 10);
    EXPECT_EQ(player.Position(), length);
}

// Off by default: MEDIA_CORPUS_DIR=/some/music opens every file under it and
// prints "path<TAB>length" or "path<TAB>ERROR<TAB>text" for each.
TEST(GstMediaCorpus, OpensEveryFileOfTheCorpus)
{
    const char* dir = std::getenv("MEDIA_CORPUS_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "MEDIA_CORPUS_DIR is not set";
    media::GstOptions options;
    options.audioSink = "fakesink sync=true";
    options.openTimeoutMs = 4000;
    auto service = media::CreateGstMediaService(options);
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string path = entry.path().string();
        auto opened = std::async(std::launch::async, [&] {
            media::DeviceId id = 0;
            media::ResultCode code = service->Open({path, "", false, nullptr}, id);
            std::int32_t length = 0;
            // The open goes on in the background until the mode is known or fails.
            media::DeviceMode mode = media::DeviceMode::NotReady;
            while (code == media::resOk && mode == media::DeviceMode::NotReady) {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                code = service->Mode(id, mode);
            }
            const std::string text = service->ErrorText(code, id).value_or("?");
            if (code == media::resOk)
                service->Length(id, length);
            if (id != 0)
                service->Close(id);
            return std::make_tuple(code, length, text);
        });
        if (opened.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            std::printf("%s\tERROR\thung for more than 5 s\n", path.c_str());
            std::fflush(stdout);
            ADD_FAILURE() << path << " hung";
            std::_Exit(1); // the open is still stuck: nothing after it can be trusted
        }
        const auto [code, length, text] = opened.get();
        if (code == media::resOk) {
            std::printf("%s\t%d\n", path.c_str(), length);
            EXPECT_GT(length, 0) << path << " opened with a length of 0";
        } else {
            std::printf("%s\tERROR\t%s\n", path.c_str(), text.c_str());
        }
    }
    std::printf("%d files\n", files);
}

} // namespace
