// Any bytes as the lyric file of a song, through the player's window
// (offscreen, on the fake media service and the memory mixer): the play
// command reads and decodes the file, bounds it by the memo's capacity, shows
// it and parses it into the lyric table; then positions of the seek bar look
// up lyric lines by time, and the stop command closes the table.
//
// Checked against a plain reading of the lyric rules written here:
// - a file the memo cannot hold gives one error box and the song does not
//   start; any other file plays with no error box;
// - the lyric table holds exactly the records of the rules (one per leading
//   tag: the 5 bytes after the line's first byte, and the line less its
//   leading tags, cut to the field), in the order of their keys, as valid
//   UTF-8;
// - a seek-bar position makes current the lines of the latest time at or
//   before it (all of them marked in the grid, the first the table's current
//   record); before the first timed line nothing is marked and the shown
//   line stays as it was.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/Unit1.h"
#include "app/qivTrackBar.h"
#include "forms/stdctrls.h"
#include "fuzz/fuzz_home.h"
#include "fuzz/fuzz_qt.h"
#include "fuzz/fuzz_support.h"
#include "media/FakeMediaService.h"
#include "mixer/memory_mixer.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"
#include "text/bytes.h"
#include "text/collation.h"
#include "text/decode.h"

namespace {

using fuzz::Printable;
using Record = std::pair<std::string, std::string>;  // ID, Desc

// Small, so that files on both sides of the bound are cheap to try.
constexpr std::size_t kMemoCapacity = 2048;
constexpr int32_t kSongLength = 100 * 60 * 1000;  // keys up to "99:59" can be reached
constexpr int kLookups = 8;

struct Player {
    std::filesystem::path dir;
    std::string lyricPath;
    std::shared_ptr<media::FakeMediaService> media;
    TfrmMain* frm = nullptr;
};

Player& TheWindow()
{
    static Player* player = [] {
        fuzz::StartQt();
        auto* p = new Player;
        fuzz::TempHome home = fuzz::MakeTempHome("fuzz_lyrics");
        p->dir = home.dir;
        const std::filesystem::path songs = p->dir / "songs";
        std::filesystem::create_directories(songs);
        const std::string song = (songs / "song.mp3").string();
        std::ofstream(song, std::ios::binary) << "x";
        p->lyricPath = (songs / "song.txt").string();

        TPlayerServices services;
        p->media = std::make_shared<media::FakeMediaService>();
        p->media->AddSong(song, kSongLength);
        services.Media = p->media;
        services.Mixer = std::make_shared<mixer::MemoryMixer>();
        services.Namespace = home.space;
        p->frm = new TfrmMain(nullptr, services);
        p->frm->memLyric->SetCapacity(kMemoCapacity);
        Application->Dispatch([&] { p->frm->LoadFolder(songs.string()); });
        FUZZ_CHECK(p->frm->FileCount() == 1 && fuzz::Boxes().empty(), "the song folder did not load");
        return p;
    }();
    return *player;
}

// ---- The lyric rules, read plainly ----

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            line += text[i];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string WithoutLeadingTags(std::string line)
{
    while (!line.empty() && line[0] == '[') {
        const std::size_t close = line.find(']');
        if (close == std::string::npos)
            break;
        line.erase(0, close + 1);
    }
    return line;
}

std::vector<Record> ExpectedRecords(const std::string& text)
{
    std::vector<Record> records;
    for (std::string line : Lines(text)) {
        if (line.find('[') == std::string::npos)
            continue;
        for (;;) {
            // The key: five bytes from the second, started after the rest of
            // a first character of several bytes.
            std::string_view key = std::string_view(line).substr(1);
            while (!key.empty() && (static_cast<unsigned char>(key[0]) & 0xC0) == 0x80)
                key.remove_prefix(1);
            records.emplace_back(text::CutBytes(key, 5),
                                 text::CutBytes(WithoutLeadingTags(line), 120));
            const std::size_t close = line.find(']');
            if (close == std::string::npos)
                break;
            line.erase(0, close + 1);
            if (line.empty() || line[0] != '[')
                break;
        }
    }
    return records;
}

std::vector<Record> TableRecords(TdxMemData& table)
{
    std::vector<Record> records;
    TField* id = table.FieldByName("ID");
    TField* desc = table.FieldByName("Desc");
    for (int row = 0; row < table.RowCount(); ++row)
        records.emplace_back(table.GetAsString(row, id), table.GetAsString(row, desc));
    return records;
}

std::string Describe(const std::vector<Record>& records)
{
    std::string s;
    for (const auto& [id, desc] : records)
        s += "  (" + Printable(id) + ", " + Printable(desc) + ")\n";
    return s;
}

// The latest record time at or before position, and the rows that have it.
std::pair<std::optional<int32_t>, std::vector<int>> CurrentAt(const TfrmMain& frm, int32_t position)
{
    std::optional<int32_t> latest;
    std::vector<int> rows;
    for (int row = 0; row < frm.dxMemData2->RowCount(); ++row) {
        const std::optional<int32_t> time = frm.LyricRecordTime(row);
        if (!time || *time > position || (latest && *time < *latest))
            continue;
        if (!latest || *time > *latest)
            rows.clear();
        latest = time;
        rows.push_back(row);
    }
    return {latest, rows};
}

void CheckCurrent(const TfrmMain& frm, int32_t position, const std::string& shownBefore)
{
    const auto [latest, rows] = CurrentAt(frm, position);
    std::vector<int> marked = frm.dxDBGrid2->MarkedRows();
    std::sort(marked.begin(), marked.end());
    const std::string at = " at " + std::to_string(position) + " ms";
    FUZZ_CHECK(marked == rows, std::to_string(marked.size()) + " rows marked, not the " +
                                   std::to_string(rows.size()) + " current" + at);
    if (!latest) {
        FUZZ_CHECK(frm.pnlCurrentText->Caption() == shownBefore,
                   "no line is current" + at + ", yet the shown line changed to \"" +
                       Printable(frm.pnlCurrentText->Caption()) + "\"");
        return;
    }
    FUZZ_CHECK(frm.LyricRecordTime(frm.dxMemData2->CurrentRow()) == latest,
               "the current lyric record is not of the latest time" + at);
}

void LookUp(Player& p, int32_t ms)
{
    TfrmMain& frm = *p.frm;
    const std::string shownBefore = frm.pnlCurrentText->Caption();
    const int32_t before = frm.qivTrackBar1->Position();
    Application->Dispatch([&] { frm.qivTrackBar1->SetPosition(ms); });
    FUZZ_CHECK(fuzz::Boxes().empty(), "a seek-bar position raised: " + fuzz::Boxes().front());
    const int32_t position = frm.qivTrackBar1->Position();
    if (position == before) {
        // A write that leaves the position as it was looks nothing up.
        FUZZ_CHECK(frm.pnlCurrentText->Caption() == shownBefore, "an unchanged position changed the shown line");
        return;
    }
    const std::string key = frm.MsToMinSec(position);
    FUZZ_CHECK(frm.pnlTime->Caption() == key, "the time display shows " + frm.pnlTime->Caption() + " at " + key);
    CheckCurrent(frm, position, shownBefore);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    TheWindow();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Player& p = TheWindow();
    TfrmMain& frm = *p.frm;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(p.lyricPath, std::ios::binary | std::ios::trunc) << bytes;
    fuzz::Boxes().clear();
    p.media->ClearRequests();

    Application->Dispatch([&] { frm.btnPlayClick(nullptr); });

    // What the window should have done with the file.
    std::string text;
    bool fits = bytes.size() <= 4 * kMemoCapacity;
    if (fits) {
        text = text::DecodeLyricText(bytes).text;
        text.resize(std::min(text.size(), text.find('\0')));
        fits = text.size() <= kMemoCapacity;
    }
    if (!fits) {
        FUZZ_CHECK(fuzz::Boxes().size() == 1 && fuzz::Boxes()[0].rfind("Text exceeds memo capacity", 0) == 0,
                   "a file of " + std::to_string(size) + " bytes (" + std::to_string(text.size()) +
                       " decoded) gave " + std::to_string(fuzz::Boxes().size()) + " boxes, expected the capacity error");
        FUZZ_CHECK(!frm.Playing() && frm.dxMemData2->RecordCount() == 0, "a refused lyric file started the song");
        return 0;
    }
    FUZZ_CHECK(fuzz::Boxes().empty(), "playing gave the box \"" + fuzz::Boxes().front() + "\"");
    FUZZ_CHECK(frm.Playing(), "the song did not start");
    FUZZ_CHECK(text::IsValidUtf8(frm.memLyric->Text()), "the memo holds invalid UTF-8");
    // Qt does not keep a zero-width no-break space (a byte-order mark) at
    // the start of a text, so a text of nothing else shows as empty.
    const std::string_view visible = std::string_view(text).substr(text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0);
    FUZZ_CHECK(frm.memLyric->Text().empty() == visible.empty(), "the memo is not showing the lyric text");

    // The lyric table: the records of the rules, ordered by key.
    std::vector<Record> expected = ExpectedRecords(text);
    std::vector<Record> actual = TableRecords(*frm.dxMemData2);
    for (std::size_t i = 0; i < actual.size(); ++i) {
        FUZZ_CHECK(text::IsValidUtf8(actual[i].first) && text::IsValidUtf8(actual[i].second),
                   "a lyric record holds invalid UTF-8:\n" + Describe({actual[i]}));
        if (i > 0)
            FUZZ_CHECK(text::Collator::User().Compare(actual[i - 1].first, actual[i].first) <= 0,
                       "lyric records out of key order:\n" + Describe(actual));
    }
    std::vector<Record> sortedActual = actual;
    std::sort(expected.begin(), expected.end());
    std::sort(sortedActual.begin(), sortedActual.end());
    FUZZ_CHECK(expected == sortedActual, "lyric records differ; expected\n" + Describe(expected) + "got\n" +
                                             Describe(actual) + "from the text \"" + Printable(text) + "\"");
    // Playing from 0: the lines at 0 or before are current, else the first
    // record stays current and nothing is marked.
    if (!actual.empty() && !CurrentAt(frm, 0).first)
        FUZZ_CHECK(frm.dxMemData2->RecNo() == 1, "the first lyric record is not current after loading");
    CheckCurrent(frm, 0, frm.pnlCurrentText->Caption());

    // Lookups: positions at and just before the times of the file (a few),
    // then one from the input's last bytes, anywhere in the song or past it.
    int lookups = 0;
    std::optional<int32_t> lastTime;
    for (int row = 0; row < frm.dxMemData2->RowCount() && lookups < kLookups; ++row) {
        const std::optional<int32_t> time = frm.LyricRecordTime(row);
        if (!time || time == lastTime || *time < 1)
            continue;
        lastTime = time;
        LookUp(p, *time - static_cast<int32_t>(size % 2));
        ++lookups;
    }
    if (size >= 4) {
        const uint32_t tail = data[size - 1] | data[size - 2] << 8 | data[size - 3] << 16 |
                              static_cast<uint32_t>(data[size - 4]) << 24;
        LookUp(p, static_cast<int32_t>(tail % (kSongLength + 5000)));
    }

    // Stop: the lyric table closes; a position after that finds nothing.
    Application->Dispatch([&] { frm.btnStopClick(nullptr); });
    FUZZ_CHECK(fuzz::Boxes().empty(), "stop gave the box \"" + fuzz::Boxes().front() + "\"");
    FUZZ_CHECK(!frm.Playing() && !frm.dxMemData2->Active(), "stop left the song playing or the lyrics open");
    const std::string shown = frm.pnlCurrentText->Caption();
    Application->Dispatch([&] { frm.qivTrackBar1->SetPosition(frm.qivTrackBar1->Max() / 2); });
    FUZZ_CHECK(fuzz::Boxes().empty() && frm.pnlCurrentText->Caption() == shown,
               "a position after stop changed the shown line");
    return 0;
}
