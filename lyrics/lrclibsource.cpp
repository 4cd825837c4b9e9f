#include "lyrics/lrclibsource.h"

namespace lyrics {

namespace {

using Kind = LrclibClient::Outcome::Kind;
using EntryKind = LrclibCache::Entry::Kind;

}  // namespace

std::optional<LrclibClient::Outcome> LrclibSource::Cached(const std::string& songPath) const
{
    const std::optional<LrclibCache::Entry> entry = FCache.Lookup(songPath);
    if (!entry)
        return std::nullopt;
    LrclibClient::Outcome out;
    switch (entry->kind) {
    case EntryKind::Synced: out.kind = Kind::Synced; break;
    case EntryKind::Plain: out.kind = Kind::Plain; break;
    case EntryKind::Instrumental: out.kind = Kind::Instrumental; break;
    case EntryKind::Miss: out.kind = Kind::NotFound; break;
    }
    out.text = entry->text;
    return out;
}

void LrclibSource::Fetch(const std::string& songPath, const lrclib::Track& track,
                         std::function<void(LrclibClient::Outcome)> done)
{
    FClient.FindLyrics(track, [this, songPath, done = std::move(done)](LrclibClient::Outcome out) {
        LrclibCache::Entry entry;
        entry.text = out.text;
        switch (out.kind) {
        case Kind::Synced: entry.kind = EntryKind::Synced; break;
        case Kind::Plain: entry.kind = EntryKind::Plain; break;
        case Kind::Instrumental: entry.kind = EntryKind::Instrumental; break;
        case Kind::NotFound: entry.kind = EntryKind::Miss; break;
        case Kind::Failed: return done(std::move(out));
        }
        FCache.Store(songPath, entry);
        done(std::move(out));
    });
}

}  // namespace lyrics
