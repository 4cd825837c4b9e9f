#include "lyrics/tag.h"

#include <algorithm>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/mpegheader.h>
#include <taglib/synchronizedlyricsframe.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tfilestream.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include "text/decode.h"

namespace lyrics {

namespace {

using TagLib::ID3v2::SynchronizedLyricsFrame;
using TagLib::ID3v2::UnsynchronizedLyricsFrame;

// The song's path is filled in by ReadTagLyrics, which knows it.
[[noreturn]] void TooLarge() { throw LyricError(LyricError::Kind::TooLarge, {}); }

// A frame's text as bytes: UTF-8 for a frame in a Unicode encoding (what is
// not a character, such as half a surrogate pair, as U+FFFD); for a Latin-1
// frame its own bytes, which are often legacy text (GBK, Big5).
std::string FrameBytes(const TagLib::String& s, bool latin1)
{
    std::string out;
    out.reserve(s.size());
    for (const wchar_t wc : s) {
        auto c = static_cast<std::uint32_t>(wc);
        if (latin1) {
            out += static_cast<char>(c <= 0xFF ? c : '?');
            continue;
        }
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            c = 0xFFFD;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Text ready to be shown: the bytes of a Latin-1 frame decoded as a lyric file
// is, UTF-8 kept; a NUL ends the text.
std::string FinishText(std::string bytes, bool latin1, std::size_t maxBytes)
{
    std::string text = latin1 ? text::DecodeLyricText(bytes).text : std::move(bytes);
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos)
        text.resize(zero);
    if (text.size() > maxBytes)
        TooLarge();
    return text;
}

// A frame larger than this cannot fit in the memo once decoded: any
// encoding takes at most four bytes a character (as for a lyric file).
void CheckFrameSize(const TagLib::ID3v2::Frame& frame, std::size_t maxBytes)
{
    if (frame.size() / 4 > maxBytes)
        TooLarge();
}

// The length of one MPEG frame of the stream, in samples and samples a
// second, for SYLT times counted in frames. A stream whose first frame cannot
// be found is taken for the usual MPEG-1 Layer III at 44.1 kHz.
struct FrameLength {
    std::uint64_t samples = 1152;
    std::uint64_t rate = 44100;
};

FrameLength StreamFrameLength(TagLib::MPEG::File& file)
{
    const long offset = file.firstFrameOffset();
    if (offset >= 0) {
        const TagLib::MPEG::Header header(&file, offset, true);
        if (header.isValid() && header.sampleRate() > 0 && header.samplesPerFrame() > 0)
            return {static_cast<std::uint64_t>(header.samplesPerFrame()), static_cast<std::uint64_t>(header.sampleRate())};
    }
    return {};
}

// "[mm:ss.xx]": minutes of at least two digits, hundredths cut.
void AppendTimeTag(std::string& out, std::uint64_t ms)
{
    char tag[32];
    char* end = tag + sizeof tag;
    char* p = end;
    *--p = ']';
    const unsigned hundredths = static_cast<unsigned>(ms % 1000 / 10);
    const unsigned seconds = static_cast<unsigned>(ms / 1000 % 60);
    const auto twoDigits = [&](unsigned n, char before) {
        *--p = static_cast<char>('0' + n % 10);
        *--p = static_cast<char>('0' + n / 10);
        *--p = before;
    };
    twoDigits(hundredths, '.');
    twoDigits(seconds, ':');
    std::uint64_t minutes = ms / 60000;
    for (int digits = 0; digits < 2 || minutes > 0; ++digits, minutes /= 10)
        *--p = static_cast<char>('0' + minutes % 10);
    *--p = '[';
    out.append(p, static_cast<std::size_t>(end - p));
}

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// The text less one line break at its start (CR, LF or CR LF).
std::string_view DropBreak(std::string_view s)
{
    if (s.starts_with("\r\n"))
        s.remove_prefix(2);
    else if (!s.empty() && IsBreak(s.front()))
        s.remove_prefix(1);
    return s;
}

struct SyncedEntry {
    std::uint64_t ms;
    std::string text;
};

// The entries of a SYLT frame as LRC text, one line a lyric line. When some
// entry after the first begins with a line break, or one before the last ends
// with one, the entries are syllables: they are joined, and a line break
// starts a new line, at its entry's time (at the next entry's when the break
// ends its entry). Otherwise each entry is a line of its own. A break inside
// an entry's text starts a new line at the entry's time. Entries stay in the
// order of the frame, whatever their times.
std::string SyncedToLrc(const std::vector<SyncedEntry>& entries)
{
    bool syllables = false;
    for (std::size_t i = 0; i < entries.size() && !syllables; ++i) {
        const std::string& s = entries[i].text;
        syllables = !s.empty() && ((i > 0 && IsBreak(s.front())) || (i + 1 < entries.size() && IsBreak(s.back())));
    }
    std::string out;
    std::size_t size = 0;
    for (const SyncedEntry& entry : entries)
        size += entry.text.size() + 12;
    out.reserve(size);
    bool open = false;       // a line has been begun
    bool lineEnded = false;  // the entry before ended with a break
    auto startLine = [&](std::uint64_t ms) {
        if (open)
            out += '\n';
        AppendTimeTag(out, ms);
        open = true;
    };
    for (const SyncedEntry& entry : entries) {
        std::string_view s = entry.text;
        if (!syllables || !open || lineEnded || (!s.empty() && IsBreak(s.front()))) {
            startLine(entry.ms);
            s = DropBreak(s);
        }
        lineEnded = false;
        for (;;) {
            const std::size_t at = static_cast<std::size_t>(std::find_if(s.begin(), s.end(), IsBreak) - s.begin());
            out.append(s.substr(0, at));
            if (at == s.size())
                break;
            s = DropBreak(s.substr(at));
            if (s.empty()) {
                lineEnded = true;
                break;
            }
            startLine(entry.ms);
        }
    }
    if (open)
        out += '\n';
    return out;
}

std::optional<LyricText> SyltLyrics(TagLib::MPEG::File& file, const SynchronizedLyricsFrame& frame,
                                    std::size_t maxBytes)
{
    CheckFrameSize(frame, maxBytes);
    const bool latin1 = frame.textEncoding() == TagLib::String::Latin1;
    const bool frames = frame.timestampFormat() == SynchronizedLyricsFrame::AbsoluteMpegFrames;
    const FrameLength length = frames ? StreamFrameLength(file) : FrameLength{};
    // A const list: iterating a list TagLib shares would copy it first.
    const SynchronizedLyricsFrame::SynchedTextList list = frame.synchedText();
    std::vector<SyncedEntry> entries;
    entries.reserve(list.size());
    for (const SynchronizedLyricsFrame::SynchedText& synched : list) {
        std::uint64_t ms = synched.time;
        if (frames)
            ms = (ms * length.samples * 1000 + length.rate / 2) / length.rate;
        entries.push_back({ms, FrameBytes(synched.text, latin1)});
    }
    return LyricText{FinishText(SyncedToLrc(entries), latin1, maxBytes), kSyltSource};
}

std::optional<LyricText> UsltLyrics(const UnsynchronizedLyricsFrame& frame, std::size_t maxBytes)
{
    CheckFrameSize(frame, maxBytes);
    const bool latin1 = frame.textEncoding() == TagLib::String::Latin1;
    return LyricText{FinishText(FrameBytes(frame.text(), latin1), latin1, maxBytes), kUsltSource};
}

std::optional<LyricText> ReadFromStream(TagLib::IOStream& stream, std::size_t maxBytes)
{
    // Only a tag at the start of the file is looked for, as players do: a file
    // that does not begin with one is not searched through.
    stream.seek(0);
    if (!stream.readBlock(TagLib::ID3v2::Header::size()).startsWith(TagLib::ID3v2::Header::fileIdentifier()))
        return std::nullopt;
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid() || !file.hasID3v2Tag())
        return std::nullopt;
    const TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("SYLT")) {
        const auto* sylt = dynamic_cast<const SynchronizedLyricsFrame*>(frame);
        if (sylt && sylt->type() == SynchronizedLyricsFrame::Lyrics && !sylt->synchedText().isEmpty())
            return SyltLyrics(file, *sylt, maxBytes);
    }
    for (const TagLib::ID3v2::Frame* frame : tag->frameList("USLT")) {
        const auto* uslt = dynamic_cast<const UnsynchronizedLyricsFrame*>(frame);
        if (uslt && !uslt->text().isEmpty())
            return UsltLyrics(*uslt, maxBytes);
    }
    return std::nullopt;
}

}  // namespace

std::optional<LyricText> ReadTagLyrics(const std::string& path, std::size_t maxBytes)
{
    // Only a regular file is read, so that a pipe under a song's name cannot
    // stall the window.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    TagLib::FileStream stream(fd, true);  // closes the descriptor when it has opened it
    if (!stream.isOpen()) {
        ::close(fd);
        return std::nullopt;
    }
    try {
        return ReadFromStream(stream, maxBytes);
    } catch (LyricError& e) {
        e.path = path;
        throw;
    }
}

std::optional<LyricText> ReadTagLyricsFromBytes(std::string_view mp3, std::size_t maxBytes)
{
    TagLib::ByteVectorStream stream(TagLib::ByteVector(mp3.data(), static_cast<unsigned int>(mp3.size())));
    return ReadFromStream(stream, maxBytes);
}

}  // namespace lyrics
