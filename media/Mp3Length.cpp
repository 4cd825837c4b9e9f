#include "media/Mp3Length.h"

#include <mpg123.h>
#include <mutex>

namespace media {

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

    mpg123_param(handle, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    if (mpg123_open(handle, path.c_str()) != MPG123_OK)
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
