#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "mixer/SSVolumeController.h"
#include "mixer/memory_mixer.h"

namespace {

using mixer::Levels;
using mixer::MemoryMixer;

// A memory mixer that also keeps the order of the requests it was sent.
class RecordingMixer : public MemoryMixer {
public:
    using MemoryMixer::MemoryMixer;
    std::optional<Levels> ReadLevels() override
    {
        log.push_back("read");
        return MemoryMixer::ReadLevels();
    }
    bool WriteLevels(const Levels& levels) override
    {
        log.push_back("levels " + std::to_string(levels.left) + " " + std::to_string(levels.right));
        return MemoryMixer::WriteLevels(levels);
    }
    bool WriteMute(bool mute) override
    {
        log.push_back(mute ? "mute on" : "mute off");
        return MemoryMixer::WriteMute(mute);
    }
    std::vector<std::string> log;
};

struct Controller : ::testing::Test {
    std::shared_ptr<MemoryMixer> device = std::make_shared<MemoryMixer>(Levels{32768, 32768});
    TssVolumeController controller{nullptr, device};
};

TEST_F(Controller, WrittenVolumeReadsBackOneLessExceptAtEveryFifthStep)
{
    controller.SetVolume(9);
    EXPECT_EQ(device->Current(), (Levels{5898, 5898}));
    EXPECT_EQ(controller.Volume(), 8);

    controller.SetVolume(20);
    EXPECT_EQ(device->Current(), (Levels{13107, 13107}));
    EXPECT_EQ(controller.Volume(), 20);

    controller.SetVolume(100);
    EXPECT_EQ(device->Current(), (Levels{65535, 65535}));
    EXPECT_EQ(controller.Volume(), 100);

    for (int v = 0; v <= 100; ++v) {
        controller.SetVolume(v);
        const bool exact = v % 20 == 0;
        EXPECT_EQ(controller.Volume(), exact ? v : v - 1) << "volume " << v;
        EXPECT_EQ(controller.Balance(), 0) << "volume " << v;
    }
}

TEST_F(Controller, WritesOutsideTheRangesChangeNothing)
{
    controller.SetVolume(50);
    const int writes = device->LevelWrites();
    controller.SetVolume(101);
    controller.SetVolume(-1);
    controller.SetBalance(101);
    controller.SetBalance(-101);
    EXPECT_EQ(device->LevelWrites(), writes);
    EXPECT_EQ(device->Current(), (Levels{32767, 32767}));

    // The stored values are untouched too: the next valid write still uses volume 50, balance 0.
    controller.SetBalance(0);
    EXPECT_EQ(device->Current(), (Levels{32767, 32767}));
    controller.SetVolume(50);
    controller.SetBalance(-100);
    controller.SetBalance(-101);
    controller.SetVolume(100);
    EXPECT_EQ(device->Current(), (Levels{65535, 0}));
}

TEST_F(Controller, BalanceLowersTheFarSide)
{
    controller.SetVolume(100);
    controller.SetBalance(-100);
    EXPECT_EQ(device->Current(), (Levels{65535, 0}));
    EXPECT_EQ(controller.Balance(), -100);
    controller.SetBalance(100);
    EXPECT_EQ(device->Current(), (Levels{0, 65535}));
    EXPECT_EQ(controller.Balance(), 100);

    controller.SetVolume(9);
    controller.SetBalance(-50);
    EXPECT_EQ(device->Current(), (Levels{5898, 2949}));
    EXPECT_EQ(controller.Balance(), -50);
    // That read also took the volume back as 8, which the next balance write uses.
    controller.SetBalance(50);
    EXPECT_EQ(device->Current(), (Levels{2621, 5242}));
    EXPECT_EQ(controller.Balance(), 50);
    EXPECT_EQ(controller.Volume(), 7);
}

TEST_F(Controller, QuietLevelsReadAsVolumeZeroAndCentred)
{
    device->SetCurrent({655, 0});
    EXPECT_EQ(controller.Balance(), 0);
    EXPECT_EQ(controller.Volume(), 0);
    device->SetCurrent({0, 655});
    EXPECT_EQ(controller.Balance(), 0);
    // One step louder the balance shows again.
    device->SetCurrent({656, 0});
    EXPECT_EQ(controller.Volume(), 1);
    EXPECT_EQ(controller.Balance(), -100);
}

TEST_F(Controller, ReadingRefreshesBothStoredValuesFromTheDevice)
{
    // Another program moves the balance to the left.
    device->SetCurrent({65535, 32767});
    EXPECT_EQ(controller.Volume(), 100);
    // The balance read with it is kept by the next volume write.
    controller.SetVolume(9);
    EXPECT_EQ(device->Current(), (Levels{5898, 2949}));
    EXPECT_EQ(controller.Balance(), -50);

    // Each read is one request to the device; Mute asks nothing.
    const int reads = device->Reads();
    controller.Volume();
    controller.Balance();
    (void)controller.Mute();
    EXPECT_EQ(device->Reads(), reads + 2);
}

TEST_F(Controller, LevelsAboveFullScaleReadAsFullVolume)
{
    device->SetCurrent({70000, 98304});
    EXPECT_EQ(controller.Volume(), 100);
    EXPECT_EQ(controller.Balance(), 0);
}

TEST_F(Controller, MuteIsSentOnEveryWriteAndReadFromTheStoredValue)
{
    const int writes = device->MuteWrites();
    controller.SetMute(true);
    EXPECT_TRUE(device->Muted());
    controller.SetMute(true);
    EXPECT_EQ(device->MuteWrites(), writes + 2);

    // Another program unmutes: the controller still reports its own value.
    device->SetMuted(false);
    EXPECT_TRUE(controller.Mute());
    controller.SetMute(false);
    EXPECT_FALSE(controller.Mute());
    EXPECT_FALSE(device->Muted());
    // Volume writes leave the mute switch alone.
    controller.SetVolume(0);
    EXPECT_FALSE(controller.Mute());
    EXPECT_EQ(device->MuteWrites(), writes + 3);
}

TEST(ControllerStart, UnmutesAndTakesTheDevicesLevels)
{
    auto device = std::make_shared<RecordingMixer>(Levels{65535, 32767}, true);
    TssVolumeController controller(nullptr, device);
    EXPECT_EQ(device->log, (std::vector<std::string>{"mute off", "read"}));
    EXPECT_FALSE(device->Muted());
    EXPECT_FALSE(controller.Mute());
    // The levels were only read, not written.
    EXPECT_EQ(device->Current(), (Levels{65535, 32767}));
}

TEST(ControllerStart, DesignValuesAreWrittenInOrderWhenLoadingCompletes)
{
    // The device starts muted and panned fully left.
    auto device = std::make_shared<RecordingMixer>(Levels{40000, 0}, true);
    TssVolumeController controller(nullptr, device);
    controller.ReadDesign({false, 9, 0});
    // Nothing is written before loading completes.
    EXPECT_EQ(device->log.size(), 2u);
    controller.Loaded();
    EXPECT_EQ(device->log, (std::vector<std::string>{"mute off", "read", "mute off", "levels 5898 0", "levels 5898 5898"}));
    EXPECT_EQ(controller.Volume(), 8);
    EXPECT_FALSE(device->Muted());

    // A second pass has no design values left to write.
    device->log.clear();
    controller.Loaded();
    EXPECT_TRUE(device->log.empty());
}

TEST(ControllerStart, DesignValuesOutOfRangeAreIgnoredLikeAnyWrite)
{
    auto device = std::make_shared<RecordingMixer>(Levels{13107, 13107});
    TssVolumeController controller(nullptr, device);
    controller.ReadDesign({true, 150, -300});
    controller.Loaded();
    EXPECT_EQ(device->log, (std::vector<std::string>{"mute off", "read", "mute on"}));
    EXPECT_EQ(device->Current(), (Levels{13107, 13107}));
    EXPECT_TRUE(controller.Mute());
}

TEST(ControllerWithoutMixer, EveryCallFailsQuietlyAndVolumeStaysInRange)
{
    TssVolumeController controller(nullptr, nullptr);
    EXPECT_EQ(controller.Mixer().Name(), "none");
    EXPECT_EQ(controller.Volume(), 0);
    EXPECT_EQ(controller.Balance(), 0);
    controller.ReadDesign({false, 9, 0});
    controller.Loaded();
    // Nothing to read back: the stored values stand.
    EXPECT_EQ(controller.Volume(), 9);
    controller.SetBalance(-30);
    EXPECT_EQ(controller.Balance(), -30);
    controller.SetMute(true);
    EXPECT_TRUE(controller.Mute());
}

TEST(ControllerWithoutMixer, TheNoMixerRefusesEveryRequest)
{
    auto none = mixer::OpenNoMixer();
    EXPECT_FALSE(none->ReadLevels().has_value());
    EXPECT_FALSE(none->WriteLevels({1, 1}));
    EXPECT_FALSE(none->WriteMute(true));
}

TEST(ControllerOwnership, AnOwnerFreesItsController)
{
    auto device = std::make_shared<MemoryMixer>();
    {
        TComponent form(nullptr);
        auto* controller = new TssVolumeController(&form, device);
        controller->SetName("ssVolumeController1");
        EXPECT_EQ(form.FindComponent("ssVolumeController1"), controller);
        controller->SetVolume(40);
    }
    // The device outlives the form and keeps what was written.
    EXPECT_EQ(device->Current(), (Levels{26214, 26214}));
}

}  // namespace
