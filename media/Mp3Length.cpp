#include "media/Mp3Length.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mpg123.h>
#include <mutex>
#include <vector>

namespace media {

namespace {

// The bytes libmpg123 searches for the next frame after a damaged one: a few
// of the largest frames.
constexpr long kResyncLimit = 16 * 1024;

// The file as libmpg123 reads it: from `base` on, so that each part of a
// stream joined from several encodings is opened as a stream of its own and
// libmpg123 reads the part's header.
// libmpg123 reads a few bytes at a time; through a large stdio buffer a scan
// of a long file takes a few hundred reads instead of tens of thousands, and
// without stdio's lock, as only this scan uses the file.
struct Source {
    std::FILE* file = nullptr;
    off_t base = 0;
};

ssize_t ReadFile(void* handle, void* buffer, size_t size)
{
    auto* source = static_cast<Source*>(handle);
    const size_t got = fread_unlocked(buffer, 1, size, source->file);
    return got == 0 && std::ferror(source->file) ? -1 : static_cast<ssize_t>(got);
}

off_t SeekFile(void* handle, off_t offset, int whence)
{
    auto* source = static_cast<Source*>(handle);
    if (whence == SEEK_SET)
        offset += source->base;
    if (fseeko(source->file, offset, whence) != 0)
        return -1;
    return ftello(source->file) - source->base;
}

struct Part {
    double ms = 0;
    off_t next = 0; // where the next part starts, from this part's start; 0 at the end of the file
    long frames = 0;
};

// Whether a layer III frame is an Xing/Info header (a LAME header sits in
// the same frame): its tag follows the side information.
bool IsInfoFrame(const mpg123_frameinfo2& info, const unsigned char* body, size_t bytes)
{
    if (info.layer != 3)
        return false;
    const bool mono = info.mode == MPG123_M_MONO;
    size_t at = info.version == MPG123_1_0 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    if (info.flags & MPG123_CRC)
        at += 2;
    return bytes >= at + 4 &&
           (std::memcmp(body + at, "Xing", 4) == 0 || std::memcmp(body + at, "Info", 4) == 0);
}

// Reads the frames of one part, without decoding them, until the end of the
// file, a frame that is a new Xing/Info header, or a frame after an ID3v2
// tag. libmpg123 has read the part's own header (and left it out of the
// frames) when it opened the part. Each frame counts at its own rate; the
// delay and padding recorded in the part's header are left out.
Part ScanPart(mpg123_handle* handle)
{
    Part part;
    double samplesMs = 0; // the frames' durations
    long firstRate = 0;
    for (;;) {
        const int got = mpg123_framebyframe_next(handle);
        if (got != MPG123_OK && got != MPG123_NEW_FORMAT)
            break;
        mpg123_frameinfo2 info{};
        if (mpg123_info2(handle, &info) != MPG123_OK || info.rate <= 0)
            break;
        const bool newTag = mpg123_meta_check(handle) & MPG123_NEW_ID3;
        if (newTag) { // taken, so that the next tag is reported as new again
            mpg123_id3v1* v1 = nullptr;
            mpg123_id3v2* v2 = nullptr;
            mpg123_id3(handle, &v1, &v2);
        }
        if (part.frames > 0) {
            unsigned long header = 0;
            unsigned char* body = nullptr;
            size_t bytes = 0;
            if (newTag || (mpg123_framedata(handle, &header, &body, &bytes) == MPG123_OK &&
                           IsInfoFrame(info, body, bytes))) {
                part.next = mpg123_framepos(handle);
                break;
            }
        } else {
            firstRate = info.rate;
        }
        samplesMs += mpg123_spf(handle) * 1000.0 / info.rate;
        ++part.frames;
    }
    if (part.frames == 0)
        return part;
    long delay = -1;
    long padding = -1;
    double unused = 0;
    mpg123_getstate(handle, MPG123_ENC_DELAY, &delay, &unused);
    mpg123_getstate(handle, MPG123_ENC_PADDING, &padding, &unused);
    const double trimmedMs = (std::max(0L, delay) + std::max(0L, padding)) * 1000.0 / firstRate;
    part.ms = std::max(0.0, samplesMs - trimmedMs);
    return part;
}

} // namespace

std::optional<std::int64_t> ScanMp3LengthMs(const std::string& path)
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });

    int err = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &err);
    if (!handle)
        return std::nullopt;
    struct Free {
        mpg123_handle* h;
        ~Free()
        {
            mpg123_close(h);
            mpg123_delete(h);
        }
    } free{handle};

    // glibc keeps the file system's block size (4 KiB) when setvbuf is given
    // no buffer of its own. Made before the file, so that it outlives it.
    std::vector<char> buffer(1 << 20);
    Source source{std::fopen(path.c_str(), "rb"), 0};
    if (!source.file)
        return std::nullopt;
    struct Close {
        std::FILE* f;
        ~Close() { std::fclose(f); }
    } close{source.file};
    std::setvbuf(source.file, buffer.data(), _IOFBF, buffer.size());

    // libmpg123 follows changes of rate and format inside a part; a damaged
    // frame is skipped as long as the next good frame is within a few frames.
    // No MPG123_GAPLESS: with it libmpg123 holds back the frames that lie
    // wholly in the encoder delay (one 576-sample MPEG-2 frame), which this
    // scan must count before it takes the delay off.
    mpg123_param(handle, MPG123_FLAGS, MPG123_QUIET, 0);
    mpg123_param(handle, MPG123_RESYNC_LIMIT, kResyncLimit, 0);
    if (mpg123_replace_reader_handle(handle, ReadFile, SeekFile, nullptr) != MPG123_OK)
        return std::nullopt;
    double totalMs = 0;
    long frames = 0;
    for (;;) {
        if (fseeko(source.file, source.base, SEEK_SET) != 0 || mpg123_open_handle(handle, &source) != MPG123_OK)
            break;
        const Part part = ScanPart(handle);
        mpg123_close(handle);
        totalMs += part.ms;
        frames += part.frames;
        // A part ends at a frame after its first one, so the loop moves on.
        if (part.frames == 0 || part.next <= 0)
            break;
        source.base += part.next;
    }
    if (frames == 0 || totalMs <= 0)
        return std::nullopt;
    return static_cast<std::int64_t>(totalMs + 1e-6);
}

} // namespace media
