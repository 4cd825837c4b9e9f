// The controller and the PulseAudio backend against real servers: the one the
// test fixture starts (PULSE_SERVER), and private ones that the fault cases
// kill or pause.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "mixer/SSVolumeController.h"
#include "mixer/alsa_mixer.h"
#include "mixer/pulse_mixer.h"
#include "pulse_support.h"

namespace {

using mixer::Levels;
using mixer::PulseMixer;
using pulse_test::SinkLevels;
using pulse_test::SinkMuted;

// Each case starts from a sink at full volume, unmuted.
class PulseSink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr)
            << "run through ctest, whose fixture starts the test server and sets PULSE_SERVER";
        pulse_test::SetSinkLevels(65536, 65536);
        pulse_test::SetSinkMuted(false);
        ASSERT_EQ(SinkLevels(), (Levels{65536, 65536}));
    }
};

TEST_F(PulseSink, TheDefaultMixerIsTheServersDefaultSink)
{
    TssVolumeController controller(nullptr);
    EXPECT_EQ(controller.Mixer().Name(), "pulse");
    // Full volume (100 % on the server) reads as 100, centred.
    EXPECT_EQ(controller.Volume(), 100);
    EXPECT_EQ(controller.Balance(), 0);
}

TEST_F(PulseSink, VolumeNineLeavesTheSinkAt5898OnBothChannels)
{
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.SetVolume(9);
    EXPECT_EQ(SinkLevels(), (Levels{5898, 5898}));
    EXPECT_EQ(controller.Volume(), 8);
    controller.SetVolume(100);
    EXPECT_EQ(SinkLevels(), (Levels{65535, 65535}));
    EXPECT_EQ(controller.Volume(), 100);
}

TEST_F(PulseSink, BalanceFullyLeftSilencesTheRightChannel)
{
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.SetVolume(50);
    controller.SetBalance(-100);
    EXPECT_EQ(SinkLevels(), (Levels{32767, 0}));
    EXPECT_EQ(controller.Balance(), -100);
    // That read took the volume back as 49 (32767 truncated), which the next write uses.
    controller.SetBalance(100);
    EXPECT_EQ(SinkLevels(), (Levels{0, 32112}));
}

TEST_F(PulseSink, MuteSwitchesTheSink)
{
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.SetMute(true);
    EXPECT_TRUE(SinkMuted());
    controller.SetMute(false);
    EXPECT_FALSE(SinkMuted());
    // The levels are left alone by the mute switch.
    EXPECT_EQ(SinkLevels(), (Levels{65536, 65536}));
}

TEST_F(PulseSink, AControllerMadeWhileTheSinkIsMutedUnmutesIt)
{
    pulse_test::SetSinkMuted(true);
    ASSERT_TRUE(SinkMuted());
    TssVolumeController controller(nullptr, PulseMixer::Open());
    EXPECT_FALSE(SinkMuted());
    EXPECT_FALSE(controller.Mute());
}

TEST_F(PulseSink, StartingFromTheDesignValuesUnmutesAndSetsVolumeNine)
{
    pulse_test::SetSinkMuted(true);
    pulse_test::SetSinkLevels(40000, 0);
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.ReadDesign({false, 9, 0});
    controller.Loaded();
    EXPECT_FALSE(SinkMuted());
    EXPECT_EQ(SinkLevels(), (Levels{5898, 5898}));
    EXPECT_EQ(controller.Volume(), 8);
}

TEST_F(PulseSink, AnotherClientsChangeIsReadBack)
{
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.SetVolume(20);
    pulse_test::SetSinkLevels(30000, 40000);
    EXPECT_EQ(controller.Volume(), 61);
    EXPECT_EQ(controller.Balance(), 25);
    // The next volume write keeps the balance it read.
    controller.SetVolume(50);
    EXPECT_EQ(SinkLevels(), (Levels{24575, 32767}));

    // Muting from elsewhere is not read back: Mute is the value last written.
    pulse_test::SetSinkMuted(true);
    EXPECT_FALSE(controller.Mute());
}

// A second sink made the default for the length of a test.
class SecondSink {
public:
    SecondSink()
    {
        const std::string index = pulse_test::Run("pactl load-module module-null-sink sink_name=second_sink 2>&1");
        FModule = index.substr(0, index.find_first_not_of("0123456789"));
        pulse_test::Run("pactl set-default-sink second_sink 2>&1");
    }
    ~SecondSink()
    {
        pulse_test::Run("pactl set-default-sink test_sink 2>&1");
        if (!FModule.empty())
            pulse_test::Run("pactl unload-module " + FModule + " 2>&1");
    }
    bool Loaded() const { return !FModule.empty(); }

private:
    std::string FModule;
};

TEST_F(PulseSink, TheControllerFollowsTheDefaultSinkWhenItChanges)
{
    TssVolumeController controller(nullptr, PulseMixer::Open());
    controller.SetVolume(50);
    {
        SecondSink second;
        ASSERT_TRUE(second.Loaded());
        pulse_test::SetSinkLevels(13107, 13107);
        EXPECT_EQ(controller.Volume(), 20);
        controller.SetVolume(9);
        EXPECT_EQ(SinkLevels(), (Levels{5898, 5898}));
        // The sink that was the default keeps what it had.
        EXPECT_EQ(SinkLevels("", "test_sink"), (Levels{32767, 32767}));
    }
}

// The ALSA backend on the "Master" control that ALSA's pulse plugin makes of
// the same sink: the closest thing to a sound card that a machine without one has.
TEST_F(PulseSink, TheAlsaBackendDrivesAMasterControl)
{
    pulse_test::SetSinkMuted(true);
    auto alsa = std::shared_ptr<mixer::AlsaMixer>(mixer::AlsaMixer::OpenDevice("pulse"));
    ASSERT_NE(alsa, nullptr);
    TssVolumeController controller(nullptr, alsa);
    EXPECT_EQ(controller.Mixer().Name(), "alsa");
    EXPECT_FALSE(SinkMuted());

    controller.SetVolume(9);
    EXPECT_EQ(SinkLevels(), (Levels{5898, 5898}));
    EXPECT_EQ(controller.Volume(), 8);
    // The volume read back as 8 is what the balance write uses.
    controller.SetBalance(-100);
    EXPECT_EQ(SinkLevels(), (Levels{5242, 0}));
    controller.SetMute(true);
    EXPECT_TRUE(SinkMuted());

    // The plugin hears of another client's change a moment later (a card's own
    // controls report it at once): wait for it, then read it through the controller.
    pulse_test::SetSinkLevels(30000, 40000);
    const Levels expected{30000, 39999};  // 30000 and 40000 on the control's 0 to 65536
    for (int i = 0; i < 200 && alsa->ReadLevels() != expected; ++i)
        usleep(10000);
    ASSERT_EQ(alsa->ReadLevels(), expected);
    EXPECT_EQ(controller.Volume(), 61);
    EXPECT_EQ(controller.Balance(), 24);  // 9999 * 100 / 39999
}

// A socket that accepts connections and never answers, like a hung server.
class SilentSocket {
public:
    SilentSocket()
    {
        char pattern[] = "/tmp/mixer-silent-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        FDir = pattern;
        FPath = FDir + "/native";
        FSocket = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        FPath.copy(address.sun_path, sizeof(address.sun_path) - 1);
        if (bind(FSocket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(FSocket, 8) != 0)
            FPath.clear();
    }
    ~SilentSocket()
    {
        if (FSocket >= 0)
            close(FSocket);
        if (!FDir.empty()) {
            unlink((FDir + "/native").c_str());
            rmdir(FDir.c_str());
        }
    }
    std::string Address() const { return "unix:" + FPath; }
    bool Ready() const { return !FPath.empty(); }

private:
    std::string FDir;
    std::string FPath;
    int FSocket = -1;
};

TEST(PulseFaults, NoServerGivesNoPulseMixer)
{
    PulseMixer::Options options;
    options.server = "unix:/nonexistent/mixer-test/native";
    EXPECT_EQ(PulseMixer::Open(options), nullptr);

    // A server that accepts and never answers is given up within the connect timeout.
    SilentSocket silent;
    ASSERT_TRUE(silent.Ready());
    const std::string address = silent.Address();
    options.server = address.c_str();
    EXPECT_EQ(PulseMixer::Open(options), nullptr);
}

TEST(PulseFaults, WithoutAServerTheDefaultMixerFallsBack)
{
    const std::string saved = std::getenv("PULSE_SERVER") ? std::getenv("PULSE_SERVER") : "";
    SilentSocket silent;
    ASSERT_TRUE(silent.Ready());
    setenv("PULSE_SERVER", silent.Address().c_str(), 1);
    std::shared_ptr<mixer::MixerService> fallback = mixer::OpenDefaultMixer();
    if (saved.empty())
        unsetenv("PULSE_SERVER");
    else
        setenv("PULSE_SERVER", saved.c_str(), 1);

    ASSERT_NE(fallback, nullptr);
    EXPECT_NE(fallback->Name(), "pulse");
    // On a machine with a sound card this is its "Master", which a test must
    // not turn up or unmute; without one it is no mixer, and the controller on
    // it starts and runs quietly.
    if (fallback->Name() != "none")
        GTEST_SKIP() << "a sound card answered; its controls are left alone";
    TssVolumeController controller(nullptr, fallback);
    controller.ReadDesign({false, 9, 0});
    controller.Loaded();
    EXPECT_EQ(controller.Volume(), 9);
    controller.SetMute(true);
    EXPECT_TRUE(controller.Mute());
}

TEST(PulseFaults, AServerKilledBetweenTwoWritesLeavesTheControllerWorkingQuietly)
{
    pulse_test::PrivateServer server;
    ASSERT_TRUE(server.Started());
    PulseMixer::Options options;
    options.server = server.Address().c_str();
    auto backend = std::shared_ptr<PulseMixer>(PulseMixer::Open(options));
    ASSERT_NE(backend, nullptr);
    TssVolumeController controller(nullptr, backend);
    controller.SetVolume(30);
    EXPECT_EQ(SinkLevels(server.Address()), (Levels{19660, 19660}));

    server.Kill();
    controller.SetVolume(40);
    EXPECT_FALSE(backend->Connected());
    controller.SetMute(true);
    controller.SetBalance(-20);
    // Nothing can be read any more: the values last written stand.
    EXPECT_EQ(controller.Volume(), 40);
    EXPECT_EQ(controller.Balance(), -20);
    EXPECT_TRUE(controller.Mute());
}

TEST(PulseFaults, AServerThatStopsAnsweringIsGivenUpAfterOneWait)
{
    pulse_test::PrivateServer server;
    ASSERT_TRUE(server.Started());
    PulseMixer::Options options;
    options.server = server.Address().c_str();
    options.requestTimeout = std::chrono::milliseconds(300);
    auto backend = std::shared_ptr<PulseMixer>(PulseMixer::Open(options));
    ASSERT_NE(backend, nullptr);
    TssVolumeController controller(nullptr, backend);
    controller.SetVolume(30);
    ASSERT_TRUE(backend->Connected());

    server.Pause();
    controller.SetVolume(40);
    EXPECT_FALSE(backend->Connected());
    // Later requests fail at once instead of waiting again.
    EXPECT_FALSE(backend->WriteMute(true));
    EXPECT_FALSE(backend->ReadLevels().has_value());
    EXPECT_EQ(controller.Volume(), 40);
    server.Resume();
    // The server itself was not harmed: it still holds the last level that reached it.
    EXPECT_EQ(SinkLevels(server.Address()), (Levels{19660, 19660}));
}

}  // namespace
