#pragma once
// Lyrics from LRCLIB for a song on disk: what the cache keeps for it, else a
// lookup whose answer (lyrics, an instrumental, nothing found) the cache then
// keeps. Failures are not kept: the song is asked about again.

#include <functional>
#include <optional>
#include <string>

#include "lyrics/lrclib.h"
#include "lyrics/lrclibcache.h"
#include "lyrics/lrclibclient.h"

namespace lyrics {

class LrclibSource {
public:
    LrclibSource(LrclibClient& client, LrclibCache cache) : FClient(client), FCache(std::move(cache)) {}

    std::optional<LrclibClient::Outcome> Cached(const std::string& songPath) const;
    void Fetch(const std::string& songPath, const lrclib::Track& track,
               std::function<void(LrclibClient::Outcome)> done);

    LrclibClient& Client() { return FClient; }
    const LrclibCache& Cache() const { return FCache; }

private:
    LrclibClient& FClient;
    LrclibCache FCache;
};

}  // namespace lyrics
