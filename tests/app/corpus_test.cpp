// The lyric corpus check, off by default: with LYRICS_CORPUS_DIR naming a
// folder, every .txt and .lrc file under it is loaded as the lyric file of a
// song, and its lyric records are printed, one a line: ID, time, Desc. It
// fails only on a crash or on a file that takes more than 5 seconds.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

#include "tests/app/window_fixture.h"

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

TEST_F(WindowTest, LyricCorpus)
{
    const char* dir = std::getenv("LYRICS_CORPUS_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "set LYRICS_CORPUS_DIR to a folder of lyric files";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;

    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             dir, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string ext = Lower(it->path().extension().string());
        if ((ext == ".txt" || ext == ".lrc") && it->is_regular_file())
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());

    // Each file is the lyric file of the one song of a folder of its own.
    Start();
    Song("corpus", "song.mp3");
    const std::filesystem::path lyric = root / "corpus" / "song.txt";
    ClickFolder("corpus");
    ASSERT_EQ(frm->FileCount(), 1);

    // A watchdog ends the program when one file takes too long.
    std::atomic<long long> started{0};
    std::atomic<bool> done{false};
    std::atomic<std::size_t> current{0};  // index into files
    std::thread watchdog([&] {
        while (!done) {
            const long long since = started.load();
            const long long now = std::chrono::steady_clock::now().time_since_epoch().count();
            if (since != 0 && now - since > std::chrono::nanoseconds(std::chrono::seconds(5)).count()) {
                std::fprintf(stderr, "lyric file took more than 5 s: %s\n", files[current].c_str());
                std::fflush(stdout);
                _exit(2);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });

    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::filesystem::path& file = files[i];
        current = i;
        std::filesystem::remove(lyric);
        std::filesystem::create_symlink(std::filesystem::absolute(file), lyric);
        boxes.clear();
        started = std::chrono::steady_clock::now().time_since_epoch().count();
        User([&] {
            frm->ClearLyrics();
            frm->LoadLyrics();
        });
        started = 0;
        std::printf("== %s\n", file.string().c_str());
        // Errors (a file too large for the memo, ...) go to stderr, so that
        // stdout holds only the paths and the records.
        for (const std::string& box : boxes)
            std::fprintf(stderr, "%s: %s\n", file.string().c_str(), box.c_str());
        // ID, time in ms after the file's offset ("-" for none), Desc.
        const auto records = LyricRecords();
        for (std::size_t row = 0; row < records.size(); ++row) {
            const std::optional<int32_t> time = frm->LyricRecordTime(static_cast<int>(row));
            const std::string shown = time ? std::to_string(*time) : "-";
            std::printf("%s\t%s\t%s\n", records[row].first.c_str(), shown.c_str(), records[row].second.c_str());
        }
    }
    std::fflush(stdout);
    done = true;
    watchdog.join();
}

}  // namespace
