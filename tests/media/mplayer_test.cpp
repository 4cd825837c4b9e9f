// TMediaPlayer over the fake media service: the device's rules, with the
// service's requests logged and time moved by hand.

#include <QCoreApplication>
#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "media/FakeMediaService.h"
#include "media/MPlayer.h"

using media::FakeMediaService;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

class MediaPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        fake->AddSong("/music/one.mp3", 3000);
        fake->AddSong("two.mp3", 5000);
        fake->AddBrokenFile("/music/bad.mp3", "Could not determine type of stream.");
        player = std::make_unique<TMediaPlayer>(nullptr, fake);
    }
    void TearDown() override { TMediaPlayer::SetHandlerDispatcher(nullptr); }

    void OpenAndPlay(const std::string& file)
    {
        player->SetFileName(file);
        player->Open();
        player->Play();
    }
    // Delivers what the device posted to the event loop.
    static void Deliver() { QCoreApplication::processEvents(); }

    std::shared_ptr<FakeMediaService> fake = std::make_shared<FakeMediaService>();
    std::unique_ptr<TMediaPlayer> player;
};

#define EXPECT_MCI_ERROR(statement, text)                                        \
    do {                                                                         \
        try {                                                                    \
            statement;                                                           \
            ADD_FAILURE() << #statement " did not raise";                        \
        } catch (const EMCIDeviceError& e) {                                     \
            EXPECT_EQ(e.Message(), text);                                        \
        }                                                                        \
    } while (0)

TEST_F(MediaPlayerTest, StartsWithTheDesignDefaults)
{
    EXPECT_TRUE(player->AutoRewind());
    EXPECT_TRUE(player->AutoEnable());
    EXPECT_FALSE(player->AutoOpen());
    EXPECT_FALSE(player->Shareable());
    EXPECT_EQ(player->DeviceType(), dtAutoSelect);
    EXPECT_EQ(player->FileName(), "");
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_EQ(player->Error(), 0u);
    EXPECT_EQ(player->From(), 0);
    EXPECT_TRUE(player->Visible());
    EXPECT_EQ(player->Parent(), nullptr);
    EXPECT_STREQ(DeviceTypeName(dtAutoSelect), "");
    EXPECT_STREQ(DeviceTypeName(dtWaveAudio), "WaveAudio");
}

TEST_F(MediaPlayerTest, WithoutAnOpenDeviceCommandsRaiseAndQueriesReportNotReady)
{
    EXPECT_MCI_ERROR(player->Play(), "No MCI device open");
    EXPECT_MCI_ERROR(player->Stop(), "No MCI device open");
    EXPECT_MCI_ERROR(player->Pause(), "No MCI device open");
    EXPECT_MCI_ERROR(player->Length(), "No MCI device open");
    player->Close(); // silent
    EXPECT_TRUE(fake->Requests().empty()) << "nothing may be sent before the check";

    EXPECT_EQ(player->Mode(), mdNotReady);
    EXPECT_NE(player->Error(), 0u);
    EXPECT_EQ(player->Position(), 0);
    EXPECT_NE(player->Error(), 0u);

    // After a close the device is closed again.
    player->SetFileName("/music/one.mp3");
    player->Open();
    player->Close();
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_EQ(player->Mode(), mdNotReady);
    EXPECT_MCI_ERROR(player->Play(), "No MCI device open");
}

TEST_F(MediaPlayerTest, OpenReadsTheLengthAndLeavesTheDeviceStoppedAtZero)
{
    player->SetFileName("/music/one.mp3");
    player->Open();
    EXPECT_NE(player->DeviceID(), 0);
    EXPECT_EQ(player->Error(), 0u);
    EXPECT_EQ(player->Length(), 3000);
    EXPECT_EQ(player->Position(), 0);
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(fake->FileOf(player->DeviceID()), "/music/one.mp3");
}

TEST_F(MediaPlayerTest, FailedOpenRaisesTheServiceTextAndLeavesTheDeviceClosed)
{
    player->SetFileName("/music/bad.mp3");
    EXPECT_MCI_ERROR(player->Open(), "Could not determine type of stream.");
    EXPECT_EQ(player->Error(), media::resOpenFailed);
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_MCI_ERROR(player->Play(), "No MCI device open");

    player->SetFileName("/music/missing.mp3");
    EXPECT_MCI_ERROR(player->Open(), "File not found: /music/missing.mp3");

    // A code the service has no text for.
    fake->FailNext(FakeMediaService::Request::Open, 4242);
    player->SetFileName("/music/one.mp3");
    EXPECT_MCI_ERROR(player->Open(), "Unknown error code");
    EXPECT_EQ(player->Error(), 4242u);
}

TEST_F(MediaPlayerTest, FailedOpenAfterAnOpenSongLeavesNothingOpen)
{
    OpenAndPlay("/music/one.mp3");
    player->SetFileName("/music/bad.mp3");
    EXPECT_THROW(player->Open(), EMCIDeviceError);
    EXPECT_EQ(player->DeviceID(), 0);
    EXPECT_EQ(fake->OpenDeviceCount(), 0);
}

TEST_F(MediaPlayerTest, DevicesThatFailTogetherKeepTheirOwnTexts)
{
    OpenAndPlay("/music/one.mp3");
    TMediaPlayer other(nullptr, fake);
    other.SetFileName("two.mp3");
    other.Open();
    const media::DeviceId first = player->DeviceID();
    const media::DeviceId second = other.DeviceID();
    fake->FailNext(FakeMediaService::Request::Stop, media::resFailed, "The first device is stuck.");
    player->Stop();
    fake->FailNext(FakeMediaService::Request::Stop, media::resFailed, "The second device is stuck.");
    other.Stop();
    EXPECT_EQ(fake->ErrorText(media::resFailed, first), "The first device is stuck.");
    EXPECT_EQ(fake->ErrorText(media::resFailed, second), "The second device is stuck.");
    // A text is kept only for the code it came with.
    EXPECT_EQ(fake->ErrorText(media::resTimeout, first), "The media device did not answer in time.");

    // An open that fails meanwhile raises its own text, not a device's.
    fake->FailNext(FakeMediaService::Request::Open, media::resFailed, "Too many media devices are open.");
    TMediaPlayer third(nullptr, fake);
    third.SetFileName("/music/one.mp3");
    EXPECT_MCI_ERROR(third.Open(), "Too many media devices are open.");
    EXPECT_EQ(fake->ErrorText(media::resFailed, second), "The second device is stuck.");

    // A device that closes takes its text with it.
    other.Close();
    EXPECT_EQ(fake->ErrorText(media::resFailed, second), "The media device failed.");
}

TEST_F(MediaPlayerTest, OpenWhileOpenClosesTheFirstFile)
{
    OpenAndPlay("/music/one.mp3");
    const auto first = player->DeviceID();
    player->SetFileName("/music/two.mp3"); // found by its file name
    player->Open();
    EXPECT_NE(player->DeviceID(), first);
    EXPECT_EQ(fake->OpenDeviceCount(), 1);
    EXPECT_EQ(player->Length(), 5000);
    EXPECT_EQ(player->Mode(), mdStopped);
    const auto& log = fake->Requests();
    const auto close = std::find(log.begin(), log.end(), "Close " + std::to_string(first));
    ASSERT_NE(close, log.end());
    EXPECT_THAT(*(close + 1), HasSubstr("Open /music/two.mp3"));
}

TEST_F(MediaPlayerTest, FailedCloseKeepsTheDeviceButOpenGoesOn)
{
    player->SetFileName("/music/one.mp3");
    player->Open();
    const auto first = player->DeviceID();
    fake->FailNext(FakeMediaService::Request::Close, media::resFailed);
    player->Close();
    EXPECT_EQ(player->Error(), media::resFailed);
    EXPECT_EQ(player->DeviceID(), first);
    EXPECT_EQ(player->Mode(), mdStopped);

    // A failed Open keeps the device that would not close.
    fake->FailNext(FakeMediaService::Request::Close, media::resFailed);
    player->SetFileName("/music/bad.mp3");
    EXPECT_THROW(player->Open(), EMCIDeviceError);
    EXPECT_EQ(player->DeviceID(), first);

    player->Play();
    fake->FailNext(FakeMediaService::Request::Close, media::resFailed);
    player->SetFileName("/music/two.mp3");
    player->Open();
    EXPECT_NE(player->DeviceID(), first);
    EXPECT_EQ(player->Length(), 5000);
    // The first song does not play on behind the second, and is closed at the next chance.
    media::DeviceMode mode{};
    ASSERT_EQ(fake->Mode(first, mode), media::resOk);
    EXPECT_EQ(mode, media::DeviceMode::Stopped);
    player->Close();
    EXPECT_EQ(fake->OpenDeviceCount(), 0);
}

TEST_F(MediaPlayerTest, PlayingToTheEndStopsThereAndNotifiesSuccess)
{
    int notified = 0;
    player->OnNotify = [&](TObject* sender) {
        EXPECT_EQ(sender, player.get());
        ++notified;
    };
    OpenAndPlay("/music/one.mp3");
    EXPECT_EQ(player->Mode(), mdPlaying);
    fake->Advance(1200);
    EXPECT_EQ(player->Position(), 1200);
    fake->Advance(5000);
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), player->Length());
    EXPECT_EQ(notified, 0) << "a notification arrives through the event loop";
    Deliver();
    EXPECT_EQ(notified, 1);
    EXPECT_EQ(player->NotifyValue(), nvSuccessful);
}

TEST_F(MediaPlayerTest, NotificationsTellHowARequestEnded)
{
    std::vector<TMPNotifyValues> seen;
    player->OnNotify = [&](TObject*) { seen.push_back(player->NotifyValue()); };
    OpenAndPlay("/music/one.mp3");
    player->Play(); // supersedes the first play
    player->Pause(); // aborts the second
    player->Pause(); // resumes
    player->Stop();  // aborts the resume
    Deliver();
    EXPECT_THAT(seen, ElementsAre(nvSuperseded, nvAborted, nvAborted));

    // A closed device tells nothing more, and a freed one is never called.
    player->Play();
    player.reset();
    Deliver();
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(MediaPlayerTest, AnErrorInTheNotifyHandlerGoesToTheDispatcher)
{
    std::vector<std::string> reported;
    TMediaPlayer::SetHandlerDispatcher([&](const std::function<void()>& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            reported.push_back(e.what());
        }
    });
    player->OnNotify = [](TObject*) { throw EMCIDeviceError("handler failed"); };
    OpenAndPlay("/music/one.mp3");
    fake->RunToEnd();
    Deliver();
    EXPECT_THAT(reported, ElementsAre("handler failed"));

    // Without a dispatcher the error stays inside the device.
    TMediaPlayer::SetHandlerDispatcher(nullptr);
    player->Play();
    fake->RunToEnd();
    EXPECT_NO_THROW(Deliver());
}

TEST_F(MediaPlayerTest, PauseTogglesAndDoesNothingWhenStopped)
{
    OpenAndPlay("/music/one.mp3");
    fake->Advance(700);
    fake->ClearRequests();
    player->Pause();
    EXPECT_EQ(player->Mode(), mdPaused);
    fake->Advance(1000);
    EXPECT_EQ(player->Position(), 700);
    player->Pause();
    EXPECT_EQ(player->Mode(), mdPlaying);
    fake->Advance(100);
    EXPECT_EQ(player->Position(), 800);
    EXPECT_THAT(fake->Requests(), ElementsAre("Pause 1", "Resume 1"));

    player->Stop();
    fake->ClearRequests();
    player->Pause();
    EXPECT_TRUE(fake->Requests().empty());
    EXPECT_EQ(player->Mode(), mdStopped);
}

TEST_F(MediaPlayerTest, FailedResumeFallsBackToPlayWithThePendingStartPoint)
{
    OpenAndPlay("/music/one.mp3");
    player->Pause();
    player->SetFrom(2000);
    fake->FailNext(FakeMediaService::Request::Resume, media::resFailed);
    fake->ClearRequests();
    player->Pause();
    EXPECT_THAT(fake->Requests(), ElementsAre("Resume failed 7", "Play 1 from 2000"));
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_EQ(player->Position(), 2000);
    EXPECT_EQ(player->Error(), 0u);
}

TEST_F(MediaPlayerTest, StopKeepsThePositionAndPlayGoesOnFromThere)
{
    OpenAndPlay("/music/one.mp3");
    fake->Advance(1500);
    player->Stop();
    EXPECT_EQ(player->Mode(), mdStopped);
    fake->Advance(500);
    EXPECT_EQ(player->Position(), 1500);
    player->Play();
    fake->Advance(100);
    EXPECT_EQ(player->Position(), 1600);
}

TEST_F(MediaPlayerTest, PlayAtTheEndRewindsOnlyWithAutoRewindAndNoStartPoint)
{
    OpenAndPlay("/music/one.mp3");
    fake->RunToEnd();
    fake->ClearRequests();
    player->Play();
    EXPECT_THAT(fake->Requests(), ElementsAre("SeekToStart 1", "Play 1"));
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_EQ(player->Position(), 0);

    // A pending start point wins, even at the end, and is used once.
    fake->RunToEnd();
    player->SetFrom(1000);
    fake->ClearRequests();
    player->Play();
    EXPECT_THAT(fake->Requests(), ElementsAre("Play 1 from 1000"));
    fake->Advance(500);
    player->Stop();
    fake->ClearRequests();
    player->Play();
    EXPECT_THAT(fake->Requests(), ElementsAre("Play 1"));
    EXPECT_EQ(player->Position(), 1500);

    // Without AutoRewind, Play at the end stays at the end.
    fake->RunToEnd();
    player->SetAutoRewind(false);
    fake->ClearRequests();
    player->Play();
    EXPECT_THAT(fake->Requests(), ElementsAre("Play 1"));
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), 3000);
}

TEST_F(MediaPlayerTest, SeekSequenceOfTheSeekBarPlaysFromTheNewPosition)
{
    // Pause (pauses or resumes), From, Play: from playing and from paused alike.
    for (bool pausedFirst : {false, true}) {
        OpenAndPlay("/music/one.mp3");
        fake->Advance(400);
        if (pausedFirst)
            player->Pause();
        player->Pause();
        player->SetFrom(2500);
        EXPECT_EQ(player->From(), 2500);
        player->Play();
        EXPECT_EQ(player->Mode(), mdPlaying);
        EXPECT_EQ(player->Position(), 2500);
    }
}

// The device's rules while its file opens in the background (the same state
// machine the GStreamer backend runs): requests made meanwhile take effect
// when the open ends, and each request is still answered exactly once.
TEST_F(MediaPlayerTest, RequestsWhileTheFileOpensTakeEffectWhenItIsReady)
{
    fake->SetOpensInBackground(true);
    std::vector<TMPNotifyValues> seen;
    player->OnNotify = [&](TObject*) { seen.push_back(player->NotifyValue()); };
    player->SetFileName("/music/one.mp3");
    player->Open();
    EXPECT_EQ(player->Length(), 0);
    EXPECT_EQ(player->Mode(), mdNotReady);
    player->SetFrom(1000);
    player->Play();
    EXPECT_EQ(player->Mode(), mdPlaying);
    EXPECT_EQ(player->Position(), 1000);
    fake->Advance(500); // no time passes for a song that is not ready
    EXPECT_EQ(player->Position(), 1000);
    fake->FinishOpens();
    EXPECT_EQ(player->Length(), 3000);
    fake->Advance(500);
    EXPECT_EQ(player->Position(), 1500);
    Deliver();
    EXPECT_TRUE(seen.empty()) << "being ready ends no request";

    // Paused before it was ready: ready and still paused at its start point.
    player->Open();
    player->Play();
    player->Pause();
    fake->FinishOpens();
    fake->Advance(500);
    EXPECT_EQ(player->Mode(), mdPaused);
    EXPECT_EQ(player->Position(), 0);
    player->Pause();
    EXPECT_EQ(player->Mode(), mdPlaying);
    Deliver();
    EXPECT_THAT(seen, ElementsAre(nvAborted));

    // A start point past the end: the play ends with the open.
    player->Open();
    player->SetFrom(9000);
    player->Play();
    fake->FinishOpens();
    EXPECT_EQ(player->Mode(), mdStopped);
    EXPECT_EQ(player->Position(), 3000);
    Deliver();
    EXPECT_THAT(seen, ElementsAre(nvAborted, nvSuccessful));
}

TEST_F(MediaPlayerTest, AnOpenThatFailsInTheBackgroundClosesTheDeviceAndRaisesItsError)
{
    std::vector<std::string> reported;
    TMediaPlayer::SetHandlerDispatcher([&](const std::function<void()>& handler) {
        try {
            handler();
        } catch (const EMCIDeviceError& e) {
            reported.push_back(e.Message());
        }
    });
    fake->SetOpensInBackground(true);
    int notified = 0;
    player->OnNotify = [&](TObject*) {
        ++notified;
        EXPECT_EQ(player->DeviceID(), 0) << "closed before the handler runs";
    };
    for (bool playing : {true, false}) {
        SCOPED_TRACE(playing);
        reported.clear();
        notified = 0;
        player->SetFileName("/music/bad.mp3");
        player->Open();
        ASSERT_NE(player->DeviceID(), 0);
        if (playing)
            player->Play();
        fake->FinishOpens();
        EXPECT_EQ(player->Mode(), mdNotReady);
        Deliver();
        EXPECT_THAT(reported, ElementsAre("Could not determine type of stream."));
        EXPECT_EQ(notified, 1);
        EXPECT_EQ(player->NotifyValue(), nvFailure);
        EXPECT_EQ(player->DeviceID(), 0);
        EXPECT_EQ(fake->OpenDeviceCount(), 0);
        EXPECT_MCI_ERROR(player->Play(), "No MCI device open");
    }
}

TEST_F(MediaPlayerTest, AutoOpenActsOnlyWhenLoadedFromADesign)
{
    player->SetFileName("/music/one.mp3");
    player->SetAutoOpen(true);
    EXPECT_EQ(fake->OpenDeviceCount(), 0);
    EXPECT_EQ(player->DeviceID(), 0);

    player->Loaded();
    EXPECT_NE(player->DeviceID(), 0);
    EXPECT_EQ(player->Mode(), mdStopped);
}

TEST_F(MediaPlayerTest, DestroyingTheDeviceClosesIt)
{
    TComponent owner(nullptr);
    auto* owned = new TMediaPlayer(&owner, fake);
    owned->SetFileName("/music/one.mp3");
    owned->Open();
    owned->Play();
    const auto id = owned->DeviceID();
    owned->SetParent(&owner);
    owned->SetVisible(false);
    EXPECT_EQ(fake->OpenDeviceCount(), 1);
    delete owned;
    EXPECT_EQ(fake->OpenDeviceCount(), 0);
    EXPECT_EQ(fake->Requests().back(), "Close " + std::to_string(id));
}

TEST_F(MediaPlayerTest, OtherDeviceTypesAndAMissingServiceGiveClearErrors)
{
    player->SetFileName("/music/one.mp3");
    player->SetDeviceType(dtCDAudio);
    try {
        player->Open();
        ADD_FAILURE() << "opened a device by type";
    } catch (const EMCIDeviceError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("choose the device from the file"));
    }

    TMediaPlayer::SetDefaultService(nullptr);
    TMediaPlayer lonely(nullptr);
    lonely.SetFileName("/music/one.mp3");
    EXPECT_MCI_ERROR(lonely.Open(), "No media service is installed in this program.");

    TMediaPlayer::SetDefaultService(fake);
    TMediaPlayer installed(nullptr);
    installed.SetFileName("/music/one.mp3");
    installed.Open();
    EXPECT_EQ(installed.Length(), 3000);
    TMediaPlayer::SetDefaultService(nullptr);
}

TEST(FakeMediaServiceTest, DefaultLengthAndSeveralDevicesKeepTheirOwnClocks)
{
    FakeMediaService fake;
    fake.SetDefaultLength(10000);
    media::DeviceId a = 0, b = 0;
    ASSERT_EQ(fake.Open({"/any/x.mp3", "", false, nullptr}, a), media::resOk);
    ASSERT_EQ(fake.Open({"/any/y.mp3", "", false, nullptr}, b), media::resOk);
    EXPECT_NE(a, b);
    fake.Play(a, std::nullopt);
    fake.Play(b, 9000);
    fake.Advance(1500);
    std::int32_t pa = 0, pb = 0;
    fake.Position(a, pa);
    fake.Position(b, pb);
    EXPECT_EQ(pa, 1500);
    EXPECT_EQ(pb, 10000);
    media::DeviceMode mode{};
    fake.Mode(b, mode);
    EXPECT_EQ(mode, media::DeviceMode::Stopped);
    EXPECT_EQ(fake.Now(), 1500);
    EXPECT_EQ(fake.Close(a), media::resOk);
    EXPECT_EQ(fake.Close(a), media::resInvalidDevice);
}

} // namespace
