#include "media/Mp3Length.h"

#include <cstdio>
#include <mpg123.h>
#include <mutex>

namespace media {

namespace {

// The file as libmpg123 reads it: from `base` on, so that each part of a
// stream joined from several encodings is opened as a stream of its own.
// libmpg123 reads a few bytes at a time; through a large stdio buffer a scan
// of a long file takes a few hundred reads instead of tens of thousands.
struct Source {
    std::FILE* file = nullptr;
    off_t base = 0;
};

ssize_t ReadFile(void* handle, void* buffer, size_t size)
{
    auto* source = static_cast<Source*>(handle);
    const size_t got = std::fread(buffer, 1, size, source->file);
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
    off_t bytes = 0; // where the part ends, from its start
    long frames = 0;
};

// Reads the frames of one part, without decoding them. A part ends where its
// Info header's frame count says (MPG123_NO_FRANKENSTEIN) or at the end of the
// file. A part of one sample rate (every encoded file) gets the gapless length
// libmpg123 gives; a part without a header whose rate changes counts each
// frame at its own rate.
Part ScanPart(mpg123_handle* handle)
{
    Part part;
    long firstRate = 0;
    long rate = 0;
    bool oneRate = true;
    double frameMs = 0;
    for (;;) {
        const int got = mpg123_framebyframe_next(handle);
        if (got != MPG123_OK && got != MPG123_NEW_FORMAT)
            break;
        // The rate can only change where libmpg123 reports a new format.
        if (got == MPG123_NEW_FORMAT || part.frames == 0) {
            mpg123_frameinfo2 info{};
            if (mpg123_info(handle, &info) != MPG123_OK || info.rate <= 0)
                break;
            rate = info.rate;
            if (part.frames == 0)
                firstRate = rate;
            else if (rate != firstRate)
                oneRate = false;
        }
        frameMs += mpg123_spf(handle) * 1000.0 / rate;
        ++part.frames;
    }
    if (part.frames == 0)
        return part;
    const off_t samples = mpg123_length(handle);
    part.ms = oneRate && samples > 0 ? samples * 1000.0 / firstRate : frameMs;
    part.bytes = mpg123_tell_stream(handle);
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

    Source source{std::fopen(path.c_str(), "rb"), 0};
    if (!source.file)
        return std::nullopt;
    struct Close {
        std::FILE* f;
        ~Close() { std::fclose(f); }
    } close{source.file};
    std::setvbuf(source.file, nullptr, _IOFBF, 1 << 20);

    // Two files joined with `cat` are two parts, each with its own header,
    // encoder delay and padding, often at different sample rates: each part
    // is measured as the file it was.
    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN | MPG123_QUIET, 0);
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
        // Each part holds at least one frame, so the loop ends.
        if (part.frames == 0 || part.bytes <= 0)
            break;
        source.base += part.bytes;
    }
    if (frames == 0 || totalMs <= 0)
        return std::nullopt;
    return static_cast<std::int64_t>(totalMs + 1e-6);
}

} // namespace media
