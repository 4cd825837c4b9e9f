#pragma once
// The LRCLIB lyric service's contract, without the network: the requests'
// addresses and bodies, the answers read from their JSON, and the choice
// among the records a search returns. QtCore only.

#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lyrics::lrclib {

// The server asked when LYRICPLAYER_LRCLIB_URL does not name another.
inline constexpr const char* kDefaultServer = "https://lrclib.net";
// Sent with every request, as the service asks of its clients.
inline constexpr const char* kUserAgent = "LyricPlayer 1.0 (https://github.com/lyricplayer/LyricPlayer)";
// Where lyrics had from the service say they came from.
inline constexpr const char* kSourceName = "LRCLIB";

// A song as the service knows it: names from its tags, length in seconds
// (0 when unknown).
struct Track {
    std::string title;
    std::string artist;
    std::string album;
    int durationSec = 0;
};

// One lyric record of the service.
struct Record {
    std::int64_t id = 0;
    std::string trackName;
    std::string artistName;
    std::string albumName;
    double duration = 0;
    bool instrumental = false;
    std::string plainLyrics;
    std::string syncedLyrics;
};

// What a record gives: timed lyrics before plain ones; an instrumental; or
// nothing usable.
struct Lyrics {
    enum class Kind { Synced, Plain, Instrumental, None };
    Kind kind = Kind::None;
    std::string text;
};
Lyrics Choose(const Record& record);

// The server from LYRICPLAYER_LRCLIB_URL, else kDefaultServer.
QUrl ServerUrl();
// GET /api/get with the track's signature; album and duration only when known.
QUrl GetUrl(const QUrl& server, const Track& track);
// GET /api/search by track and artist name.
QUrl SearchUrl(const QUrl& server, const Track& track);
QUrl ChallengeUrl(const QUrl& server);
QUrl PublishUrl(const QUrl& server);

// Why a body could not be read.
enum class BodyError { None, Encoding, Malformed };

// The record of a /api/get answer; nullopt with the reason otherwise.
std::optional<Record> ParseRecord(const QByteArray& body, BodyError* error = nullptr);
// The records of a /api/search answer (an array); nullopt when it is not one.
std::optional<std::vector<Record>> ParseRecords(const QByteArray& body, BodyError* error = nullptr);

// The records of a search that may be the track: within toleranceSec of its
// length (when known), with lyrics or marked instrumental; best first by
// closeness of title, artist and album, then of length, timed lyrics first.
std::vector<Record> Rank(std::vector<Record> records, const Track& track, double toleranceSec = 2.0);

// A challenge to solve before publishing.
struct Challenge {
    std::string prefix;
    std::string target;  // 64 hex digits
};
std::optional<Challenge> ParseChallenge(const QByteArray& body);
// The body of /api/publish: the track's fields and its lyrics.
QByteArray PublishBody(const Track& track, const std::string& plainLyrics, const std::string& syncedLyrics);
// The "message" of an error answer, or empty.
std::string ErrorMessage(const QByteArray& body);

}  // namespace lyrics::lrclib
