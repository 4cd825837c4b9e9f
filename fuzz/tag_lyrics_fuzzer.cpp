// Any bytes as an MP3 file whose lyrics are looked for in its ID3v2 tag (the
// seeds are real tags written by mutagen, each before a few frames of sound):
// the song's lyrics are found as the play command finds them, from the file
// on disk, and read again from the same bytes in memory.
//
// Checked:
// - no crash, no hang, and no error but a text too large for the memo;
// - the file and the bytes in memory give the same result;
// - a text found is valid UTF-8 without a NUL, fits the memo, and names its
//   frame; SYLT text is LRC, every line of it beginning with a time tag, so
//   it gives a timed record for each line.

#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "forms/exception.h"
#include "fuzz/fuzz_support.h"
#include "lyrics/lrc.h"
#include "lyrics/source.h"
#include "lyrics/tag.h"
#include "text/decode.h"

namespace {

using fuzz::Printable;

// Small, so that texts on both sides of the bound are cheap to reach.
constexpr std::size_t kMemoCapacity = 2048;

const std::string& SongPath()
{
    static const std::string path = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "fuzz_tag_lyrics_XXXXXX").string();
        FUZZ_CHECK(mkdtemp(dir.data()) != nullptr, "cannot make a temporary folder " + dir);
        static const std::string made = dir;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return dir + "/song.mp3";
    }();
    return path;
}

struct Outcome {
    std::optional<lyrics::LyricText> found;
    bool tooLarge = false;
};

template <class Read>
Outcome Run(Read read, std::string_view input)
{
    Outcome outcome;
    try {
        outcome.found = read();
    } catch (const lyrics::LyricError& e) {
        FUZZ_CHECK(e.kind == lyrics::LyricError::Kind::TooLarge, std::string(e.what()) + "\ninput: " + Printable(input));
        outcome.tooLarge = true;
    } catch (const Exception& e) {
        FUZZ_CHECK(e.Message() == "Text exceeds memo capacity", e.Message() + "\ninput: " + Printable(input));
        outcome.tooLarge = true;
    }
    return outcome;
}

// "[" at least two digits ":" two digits "." two digits "]"
bool BeginsWithTimeTag(std::string_view line)
{
    std::size_t i = 1;
    if (line.empty() || line[0] != '[')
        return false;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
        ++i;
    if (i < 3 || line.size() < i + 7)
        return false;
    const std::string_view rest = line.substr(i, 7);
    return rest[0] == ':' && std::isdigit(static_cast<unsigned char>(rest[1])) &&
           std::isdigit(static_cast<unsigned char>(rest[2])) && rest[3] == '.' &&
           std::isdigit(static_cast<unsigned char>(rest[4])) && std::isdigit(static_cast<unsigned char>(rest[5])) &&
           rest[6] == ']';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream song(SongPath(), std::ios::binary | std::ios::trunc);
        song.write(input.data(), static_cast<std::streamsize>(input.size()));
        FUZZ_CHECK(song.good(), "cannot write " + SongPath());
    }
    const Outcome fromFile = Run([] { return lyrics::FindLyrics(SongPath(), kMemoCapacity); }, input);
    const Outcome fromBytes = Run([&] { return lyrics::ReadTagLyricsFromBytes(input, kMemoCapacity); }, input);

    FUZZ_CHECK(fromFile.tooLarge == fromBytes.tooLarge && fromFile.found.has_value() == fromBytes.found.has_value(),
               "the file and the bytes differ\ninput: " + Printable(input));
    if (!fromFile.found)
        return 0;
    const lyrics::LyricText& found = *fromFile.found;
    FUZZ_CHECK(found.text == fromBytes.found->text && found.source == fromBytes.found->source,
               "the file and the bytes differ\ninput: " + Printable(input));
    FUZZ_CHECK(found.source == lyrics::kSyltSource || found.source == lyrics::kUsltSource, found.source);
    FUZZ_CHECK(text::IsValidUtf8(found.text), Printable(found.text));
    FUZZ_CHECK(found.text.find('\0') == std::string::npos, Printable(found.text));
    FUZZ_CHECK(found.text.size() <= kMemoCapacity, std::to_string(found.text.size()));

    const std::vector<lyrics::LyricLine> records = lyrics::ParseLyrics(found.text);
    if (found.source == lyrics::kSyltSource) {
        FUZZ_CHECK(!found.text.empty() && found.text.back() == '\n', Printable(found.text));
        std::size_t lines = 0;
        for (std::size_t start = 0; start < found.text.size(); ++lines) {
            const std::size_t end = found.text.find('\n', start);
            const std::string_view line = std::string_view(found.text).substr(start, end - start);
            FUZZ_CHECK(BeginsWithTimeTag(line), "line " + Printable(line) + "\nof " + Printable(found.text));
            start = end + 1;
        }
        FUZZ_CHECK(records.size() >= lines, Printable(found.text));
    }
    return 0;
}
