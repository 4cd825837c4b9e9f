#include "media/Mp3Length.h"

#include <cstdio>
#include <mpg123.h>
#include <mutex>

namespace media {

namespace {

// libmpg123 reads a few bytes at a time; through a large stdio buffer a scan
// of a long file takes a few hundred reads instead of tens of thousands.
ssize_t ReadFile(void* handle, void* buffer, size_t size)
{
    auto* file = static_cast<std::FILE*>(handle);
    const size_t got = std::fread(buffer, 1, size, file);
    return got == 0 && std::ferror(file) ? -1 : static_cast<ssize_t>(got);
}

off_t SeekFile(void* handle, off_t offset, int whence)
{
    auto* file = static_cast<std::FILE*>(handle);
    if (fseeko(file, offset, whence) != 0)
        return -1;
    return ftello(file);
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

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    struct Close {
        std::FILE* f;
        ~Close() { std::fclose(f); }
    } close{file};
    std::setvbuf(file, nullptr, _IOFBF, 1 << 20);

    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    if (mpg123_replace_reader_handle(handle, ReadFile, SeekFile, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, file) != MPG123_OK)
        return std::nullopt;
    if (mpg123_scan(handle) != MPG123_OK)
        return std::nullopt;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0)
        return std::nullopt;
    const off_t samples = mpg123_length(handle);
    if (samples <= 0)
        return std::nullopt;
    return static_cast<std::int64_t>(samples) * 1000 / rate;
}

} // namespace media
