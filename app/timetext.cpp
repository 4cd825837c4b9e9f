#include "app/timetext.h"

std::string MsToMinSec(int32_t ms)
{
    int32_t seconds = ms / 1000;
    const int32_t minutes = seconds / 60;
    seconds -= 60 * minutes;
    auto two = [](int32_t n) {
        std::string s = std::to_string(n);
        return n <= 9 ? "0" + s : s;
    };
    return two(minutes) + ":" + two(seconds);
}

int NextTickDelay(int32_t positionMs)
{
    // Far enough past the second that the device reports it, close enough
    // that the time display does not lag.
    constexpr int kMargin = 20;
    const int32_t into = positionMs < 0 ? 0 : positionMs % 1000;
    return 1000 - into + kMargin;
}
