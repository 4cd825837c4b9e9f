// A long run on the fake media service with its virtual clock: 500 songs with
// lyrics played through with auto-advance, twice. What the process holds
// after the second pass (resident memory, open descriptors) must be what it
// held after the first: a leak grows with every song.

#include <QCoreApplication>
#include <QEvent>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <unistd.h>
#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer's runtime: empties its quarantine and returns free memory.
extern "C" void __sanitizer_purge_allocator();
#endif

#include "loop.h"
#include "tests/app/window_fixture.h"

namespace {

struct Usage {
    long residentKiB = 0;
    long descriptors = 0;
};

Usage Measure()
{
    // Settle first: deferred deletions, then memory the allocator can return
    // (under AddressSanitizer that includes the freed blocks it holds back
    // to catch uses after free).
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    malloc_trim(0);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_purge_allocator();
#endif
    Usage usage;
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    usage.residentKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++usage.descriptors;
    return usage;
}

class LongRun : public WindowTest {
protected:
    // Plays the list from its first row until the window stops by itself;
    // returns the titles in the order they started.
    std::vector<std::string> PlayThrough()
    {
        std::vector<std::string> started;
        DoubleClickRow(1);
        while (frm->Playing() && started.size() <= 2 * kSongs) {
            if (started.empty() || started.back() != frm->CurrentTitle())
                started.push_back(frm->CurrentTitle());
            for (int second = 0; second < kSongLengthMs / 1000; ++second) {
                media->Advance(1000);
                Tick();
            }
            // The end of the song is noticed by the idle pass, which starts the next.
            Pump();
        }
        return started;
    }

    static constexpr std::size_t kSongs = 500;
    static constexpr int kSongLengthMs = 3000;
};

TEST_F(LongRun, FiveHundredSongsPlayedTwiceHoldNoMoreMemoryOrDescriptors)
{
    std::vector<std::string> titles;
    for (std::size_t i = 0; i < kSongs; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "song %03zu", i);
        titles.push_back(title);
        Song("songs", titles.back() + ".mp3", kSongLengthMs);
        Text("songs", titles.back() + ".txt",
             "[ti:" + titles.back() + "]\r\n[00:00.50]first line of " + titles.back() +
                 "\r\n[00:01.10][00:02.20]chorus of " + titles.back() + "\r\n");
    }
    Start();
    ClickFolder("songs");
    ASSERT_EQ(frm->FileCount(), static_cast<int>(kSongs));

    EXPECT_EQ(PlayThrough(), titles);
    EXPECT_FALSE(frm->Playing());
    // The stop after the last song moves the seek bar to 0, before the song's
    // first line: the strip keeps the last line shown.
    EXPECT_EQ(frm->pnlCurrentText->Caption(), "chorus of song 499");
    const Usage first = Measure();

    EXPECT_EQ(PlayThrough(), titles);
    EXPECT_FALSE(frm->Playing());
    const Usage second = Measure();

    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    EXPECT_LE(second.residentKiB, first.residentKiB + first.residentKiB / 20);
    EXPECT_LE(second.descriptors, first.descriptors + first.descriptors / 20);
    std::printf("[ figures  ] after pass 1: %ld KiB resident, %ld descriptors; after pass 2: %ld KiB, %ld\n",
                first.residentKiB, first.descriptors, second.residentKiB, second.descriptors);
}

}  // namespace
