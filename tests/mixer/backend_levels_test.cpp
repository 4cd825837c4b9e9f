#include <gtest/gtest.h>

#include <pulse/channelmap.h>

#include "mixer/alsa_mixer.h"
#include "mixer/pulse_mixer.h"

namespace {

using mixer::Levels;

pa_channel_map Map(std::initializer_list<pa_channel_position_t> positions)
{
    pa_channel_map map;
    pa_channel_map_init(&map);
    for (pa_channel_position_t p : positions)
        map.map[map.channels++] = p;
    return map;
}

pa_cvolume Volume(std::initializer_list<pa_volume_t> values)
{
    pa_cvolume volume;
    pa_cvolume_init(&volume);
    for (pa_volume_t v : values)
        volume.values[volume.channels++] = v;
    return volume;
}

TEST(PulseLevels, StereoSinkTakesEachSideAsItIs)
{
    const pa_channel_map stereo = Map({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT});
    const pa_cvolume v = mixer::SinkVolumeFor(stereo, {5898, 2949});
    ASSERT_EQ(v.channels, 2);
    EXPECT_EQ(v.values[0], 5898u);
    EXPECT_EQ(v.values[1], 2949u);
    EXPECT_TRUE(pa_cvolume_valid(&v));
    EXPECT_EQ(mixer::LevelsOfSinkVolume(stereo, v), (Levels{5898, 2949}));
    // The order of the channels in the map decides, not their place in the list.
    const pa_channel_map swapped = Map({PA_CHANNEL_POSITION_FRONT_RIGHT, PA_CHANNEL_POSITION_FRONT_LEFT});
    EXPECT_EQ(mixer::LevelsOfSinkVolume(swapped, Volume({100, 200})), (Levels{200, 100}));
}

TEST(PulseLevels, SurroundAndMonoSinks)
{
    const pa_channel_map surround = Map({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT,
        PA_CHANNEL_POSITION_FRONT_CENTER, PA_CHANNEL_POSITION_LFE, PA_CHANNEL_POSITION_REAR_LEFT,
        PA_CHANNEL_POSITION_REAR_RIGHT});
    const pa_cvolume v = mixer::SinkVolumeFor(surround, {1000, 3000});
    ASSERT_EQ(v.channels, 6);
    EXPECT_EQ((std::vector<pa_volume_t>(v.values, v.values + 6)),
        (std::vector<pa_volume_t>{1000, 3000, 3000, 3000, 1000, 3000}));
    // Each side reads as its loudest channel.
    EXPECT_EQ(mixer::LevelsOfSinkVolume(surround, Volume({1000, 3000, 9000, 9000, 2000, 500})), (Levels{2000, 3000}));

    const pa_channel_map mono = Map({PA_CHANNEL_POSITION_MONO});
    const pa_cvolume m = mixer::SinkVolumeFor(mono, {1000, 3000});
    ASSERT_EQ(m.channels, 1);
    EXPECT_EQ(m.values[0], 3000u);
    EXPECT_EQ(mixer::LevelsOfSinkVolume(mono, m), (Levels{3000, 3000}));

    // A sink with only one side reads the same level on both.
    const pa_channel_map leftOnly = Map({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_CENTER});
    EXPECT_EQ(mixer::LevelsOfSinkVolume(leftOnly, Volume({700, 900})), (Levels{700, 700}));
}

TEST(PulseLevels, AmplifiedSinksReadAsFullScale)
{
    const pa_channel_map stereo = Map({PA_CHANNEL_POSITION_FRONT_LEFT, PA_CHANNEL_POSITION_FRONT_RIGHT});
    EXPECT_EQ(mixer::LevelsOfSinkVolume(stereo, Volume({PA_VOLUME_NORM, PA_VOLUME_NORM * 3 / 2})),
        (Levels{65535, 65535}));
    const pa_cvolume v = mixer::SinkVolumeFor(stereo, {70000, 65535});
    EXPECT_EQ(v.values[0], 65535u);
    EXPECT_EQ(v.values[1], 65535u);
}

TEST(AlsaLevels, LevelsMapOntoTheControlsRange)
{
    // A typical hardware range of 0 to 87 steps.
    EXPECT_EQ(mixer::AlsaValueForLevel(0, 0, 87), 0);
    EXPECT_EQ(mixer::AlsaValueForLevel(65535, 0, 87), 87);
    EXPECT_EQ(mixer::AlsaValueForLevel(32767, 0, 87), 43);  // 43.4993...
    EXPECT_EQ(mixer::AlsaValueForLevel(32768, 0, 87), 44);  // 43.5006...
    EXPECT_EQ(mixer::LevelOfAlsaValue(0, 0, 87), 0u);
    EXPECT_EQ(mixer::LevelOfAlsaValue(87, 0, 87), 65535u);
    // Ranges that do not start at 0, and values outside the range.
    EXPECT_EQ(mixer::AlsaValueForLevel(65535, -10239, 400), 400);
    EXPECT_EQ(mixer::AlsaValueForLevel(0, -10239, 400), -10239);
    EXPECT_EQ(mixer::LevelOfAlsaValue(-20000, -10239, 400), 0u);
    EXPECT_EQ(mixer::LevelOfAlsaValue(1000, -10239, 400), 65535u);
    EXPECT_EQ(mixer::AlsaValueForLevel(70000, 0, 87), 87);
    // A control without a range.
    EXPECT_EQ(mixer::AlsaValueForLevel(5898, 5, 5), 5);
    EXPECT_EQ(mixer::LevelOfAlsaValue(5, 5, 5), 0u);
}

TEST(AlsaLevels, EveryStepSurvivesTheRoundTrip)
{
    // Writing a step's level and reading it back gives the same step, so a
    // level read from the card and written again does not drift.
    for (long max : {31L, 87L, 255L, 65536L}) {
        for (long step = 0; step <= max; step += (max > 1000 ? 97 : 1))
            EXPECT_EQ(mixer::AlsaValueForLevel(mixer::LevelOfAlsaValue(step, 0, max), 0, max), step)
                << "step " << step << " of " << max;
    }
}

TEST(AlsaMixer, ACardThatDoesNotExistGivesNoMixer)
{
    EXPECT_EQ(mixer::AlsaMixer::Open(99), nullptr);
}

}  // namespace
