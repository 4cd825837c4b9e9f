// Lyrics from a song's ID3v2 tag and from .lrc files, through the window: the
// memo, the lyric table, the raw panel's tab hint and the log line. The tagged
// songs were made by mutagen at build time.

#include "tests/app/lyric_trace.h"
#include "tests/app/window_fixture.h"
#include "text/decode.h"

namespace {

namespace fs = std::filesystem;

class WindowLyricSources : public WindowTest {
protected:
    // A copy of a tagged song in the test's folder, known to the fake service.
    std::string Tagged(const std::string& folder, const char* data, const std::string& name, int lengthMs = 3000)
    {
        fs::create_directories(root / folder);
        const fs::path path = root / folder / name;
        fs::copy_file(fs::path(LYRICS_TEST_DATA) / data, path);
        media->AddSong(path.string(), lengthMs);
        return path.string();
    }
    std::string Hint() const { return frm->dpnlLyric->Hint(); }
};

TEST_F(WindowLyricSources, EachSourceFillsMemoAndTableAndNamesItselfInTheHintAndTheLog)
{
    Start();
    Tagged("m", "sylt_utf8_ms.mp3", "a.mp3");
    Tagged("m", "uslt_plain.mp3", "b.mp3");
    const std::string c = Tagged("m", "no_tag.mp3", "c.mp3");
    Text("m", "c.LRC", "[00:01.00]From the file\n");
    Tagged("m", "no_tag.mp3", "d.mp3");
    ClickFolder("m");
    const LyricTrace log;

    DoubleClickRow(1);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->memLyric->Text(), "[00:01.00]First line\r\n[00:02.50]第二行\r\n[100:00.00]Past a hundred minutes\r\n");
    EXPECT_EQ(LyricRecords(), (std::vector<std::pair<std::string, std::string>>{
                                  {"00:01", "First line"}, {"00:02", "第二行"}, {"100:0", "Past a hundred minutes"}}));
    EXPECT_EQ(Hint(), "ID3v2 SYLT");

    DoubleClickRow(2);  // plain text: shown, no lyric records
    EXPECT_EQ(frm->memLyric->Text(), "Just words\r\nno times\r\n");
    EXPECT_TRUE(LyricRecords().empty());
    EXPECT_EQ(Hint(), "ID3v2 USLT");

    DoubleClickRow(3);
    const std::string lrc = (root / "m" / "c.LRC").string();
    EXPECT_EQ(frm->memLyric->Text(), "[00:01.00]From the file\r\n");
    EXPECT_EQ(Hint(), lrc);

    DoubleClickRow(4);  // no lyrics: the hint goes with the text
    EXPECT_EQ(frm->memLyric->Text(), "");
    EXPECT_EQ(Hint(), "");
    EXPECT_TRUE(boxes.empty());

    // One line a load with lyrics: its timed lines and its source.
    const std::vector<std::string>& lines = LyricTrace::Lines();
    std::vector<std::string> loaded;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(loaded),
                 [](const std::string& line) { return line.starts_with("loaded "); });
    EXPECT_EQ(loaded, (std::vector<std::string>{"loaded 3 timed lines from ID3v2 SYLT",
                                                "loaded 0 timed lines from ID3v2 USLT",
                                                "loaded 1 timed lines from " + lrc}));
}

TEST_F(WindowLyricSources, BadTagsGiveOneClearOutcomeEachAndTheWindowGoesOn)
{
    Start();
    // In title order.
    Tagged("bad", "bad_50mb.mp3", "a_50mb.mp3");
    Tagged("bad", "bad_frame_claim.mp3", "b_frame_claim.mp3");
    Tagged("bad", "bad_garbled.mp3", "c_garbled.mp3");
    Tagged("bad", "bad_tag_claim.mp3", "d_tag_claim.mp3");
    Tagged("bad", "bad_truncated.mp3", "e_truncated.mp3");
    Tagged("bad", "bad_unsorted.mp3", "f_unsorted.mp3");
    ClickFolder("bad");

    // Too large for the memo: the error of a lyric file that large; the song does not start.
    DoubleClickRow(1);
    EXPECT_EQ(boxes, std::vector<std::string>{"Text exceeds memo capacity."});
    EXPECT_FALSE(frm->Playing());
    EXPECT_EQ(media->OpenDeviceCount(), 0);
    boxes.clear();

    // A frame that claims more than the file holds, a cut tag: the frame before it.
    for (int row : {2, 5}) {
        DoubleClickRow(row);
        EXPECT_TRUE(frm->Playing()) << row;
        EXPECT_EQ(frm->memLyric->Text(), "[00:01.00]Kept") << row;
        EXPECT_EQ(LyricRecords(), (std::vector<std::pair<std::string, std::string>>{{"00:01", "Kept"}})) << row;
        EXPECT_EQ(Hint(), "ID3v2 USLT") << row;
    }

    // Garbled SYLT data: whatever it reads as, valid text, and the song plays.
    DoubleClickRow(3);
    EXPECT_TRUE(frm->Playing());
    EXPECT_TRUE(text::IsValidUtf8(frm->memLyric->Text()));

    // A tag that claims 256 MB: all of its lines.
    DoubleClickRow(4);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(Hint(), "ID3v2 SYLT");
    EXPECT_EQ(LyricRecords().size(), 40u);

    // Unsorted and repeated times: the lines as the frame has them; the
    // table orders its records by key.
    DoubleClickRow(6);
    EXPECT_TRUE(frm->Playing());
    EXPECT_EQ(frm->memLyric->Text(), "[00:03.00]Three\r\n[00:01.00]One\r\n[00:01.00]One again\r\n[00:02.00]Two\r\n");
    ASSERT_EQ(LyricRecords().size(), 4u);
    EXPECT_EQ(LyricRecords().front().first, "00:01");
    EXPECT_EQ(LyricRecords().back(), (std::pair<std::string, std::string>{"00:03", "Three"}));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
