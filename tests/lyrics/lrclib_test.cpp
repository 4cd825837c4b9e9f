// Lyrics from LRCLIB without the window: the choice among search results, the
// client against a local server that follows the service's documentation
// (and one that misbehaves), the cache, and publishing with its proof of work.

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

#include "lyrics/lrclib.h"
#include "lyrics/lrclibcache.h"
#include "lyrics/lrclibclient.h"
#include "lyrics/lrclibpublish.h"
#include "lyrics/lrclibsource.h"
#include "lyrics/proofofwork.h"
#include "lyrics/songtags.h"
#include "tests/lyrics/fake_lrclib.h"

namespace {

using lyrics::LrclibClient;
using lyrics::lrclib::Record;
using lyrics::lrclib::Track;
using Kind = LrclibClient::Outcome::Kind;
using Failure = LrclibClient::Failure;

template <class Done>
bool Wait(Done done, int limitMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    return done();
}

Record R(const char* track, const char* artist, double duration, const char* synced, const char* plain = "")
{
    Record r;
    r.trackName = track;
    r.artistName = artist;
    r.duration = duration;
    r.syncedLyrics = synced;
    r.plainLyrics = plain;
    return r;
}

TEST(LrclibContract, SearchResultsAreFilteredByLengthAndRankedByNamesThenLengthThenTimedLyrics)
{
    const Track song{"Hello World", "The Band", "", 200};
    std::vector<Record> found = {
        R("Hello World (Live)", "The Band", 200, "[00:01.00]live"),
        R("hello world", "the band", 203, "[00:01.00]too long"),  // outside 2 s
        R("Hello, World!", "The Band", 201.5, "", "plain words"),
        R("Hello World", "The Band", 199, "[00:01.00]exact"),
        R("Hello World", "Someone Else", 200, "[00:01.00]other artist"),
        R("Hello World", "The Band", 200, ""),                     // nothing to show
    };
    std::vector<Record> ranked = lyrics::lrclib::Rank(found, song);
    std::vector<std::string> order;
    for (const Record& r : ranked)
        order.push_back(r.syncedLyrics.empty() ? r.plainLyrics : r.syncedLyrics);
    EXPECT_EQ(order, (std::vector<std::string>{"[00:01.00]exact", "plain words", "[00:01.00]live",
                                               "[00:01.00]other artist"}));
    // A wider tolerance lets the longer one in; an unknown length filters none.
    EXPECT_EQ(lyrics::lrclib::Rank(found, song, 3.5).size(), 5u);
    EXPECT_EQ(lyrics::lrclib::Rank(found, Track{"Hello World", "The Band", "", 0}).size(), 5u);

    // Timed lyrics before plain; text without a single time is plain.
    Record both = R("a", "b", 1, "[00:01.00]timed", "plain");
    EXPECT_EQ(lyrics::lrclib::Choose(both).text, "[00:01.00]timed");
    both.syncedLyrics = "no times here";
    EXPECT_EQ(lyrics::lrclib::Choose(both).text, "plain");
    Record instrumental = R("a", "b", 1, "");
    instrumental.instrumental = true;
    EXPECT_EQ(lyrics::lrclib::Choose(instrumental).kind, lyrics::lrclib::Lyrics::Kind::Instrumental);

    // Names with "&", "?" and non-ASCII reach the server as they are.
    const QUrl url = lyrics::lrclib::GetUrl(QUrl("http://h:1/base/"), Track{"A&B? 歌", "C=D", "", 0});
    EXPECT_EQ(url.path(), "/base/api/get");
    const QUrlQuery q(url);
    EXPECT_EQ(q.queryItemValue("track_name", QUrl::FullyDecoded).toStdString(), "A&B? 歌");
    EXPECT_EQ(q.queryItemValue("artist_name", QUrl::FullyDecoded).toStdString(), "C=D");
    EXPECT_FALSE(q.hasQueryItem("duration"));
    EXPECT_FALSE(q.hasQueryItem("album_name"));
}

TEST(LrclibContract, ProofOfWorkMeetsTheTargetAsABigEndianNumber)
{
    const std::optional<lyrics::Digest> target = lyrics::ParseTarget(std::string(4, '0') + std::string(60, 'F'));
    ASSERT_TRUE(target);
    EXPECT_FALSE(lyrics::ParseTarget("00ff"));
    EXPECT_FALSE(lyrics::ParseTarget(std::string(63, '0') + "g"));
    // Our hash of prefix and decimal nonce is Qt's SHA-256 of the same bytes.
    const lyrics::Digest h = lyrics::NonceHash("VXMw", 1234567);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(h.data()), 32),
              QCryptographicHash::hash("VXMw1234567", QCryptographicHash::Sha256));
    // Equal is enough; one more in the last byte is not.
    lyrics::Digest hash = *target;
    EXPECT_TRUE(lyrics::MeetsTarget(hash, *target));
    hash[31] = 0;
    EXPECT_TRUE(lyrics::MeetsTarget(hash, *target));
    hash = *target;
    hash[1] = 1;
    hash[31] = 0;
    EXPECT_FALSE(lyrics::MeetsTarget(hash, *target));

    std::atomic<bool> cancel{false};
    const std::optional<std::uint64_t> nonce = lyrics::SolveChallenge("abc", *target, cancel);
    ASSERT_TRUE(nonce);
    const QByteArray hex = QCryptographicHash::hash("abc" + QByteArray::number(qulonglong(*nonce)),
                                                    QCryptographicHash::Sha256).toHex();
    EXPECT_TRUE(hex.startsWith("0000"));
    // No smaller nonce meets it: the search counts from 0.
    for (std::uint64_t n = 0; n < *nonce; ++n)
        ASSERT_FALSE(lyrics::MeetsTarget(lyrics::NonceHash("abc", n), *target)) << n;
    EXPECT_EQ(lyrics::PublishToken("abc", 42), "abc:42");
}

TEST(LrclibContract, TheTrackIsNamedByItsTagsOrItsFileTitle)
{
    const lyrics::SongTags named = lyrics::ReadSongTags(LYRICS_TEST_DATA "/named.mp3");
    EXPECT_EQ(named.title, "歌名 Title");
    EXPECT_EQ(named.artist, "Artist");
    EXPECT_EQ(named.album, "Album");
    EXPECT_EQ(named.lengthSec, 1);  // half a second of sound and the encoder's padding, rounded
    const lyrics::SongTags bare = lyrics::ReadSongTags(LYRICS_TEST_DATA "/no_tag.mp3");
    EXPECT_EQ(bare.title, "no_tag");
    EXPECT_EQ(bare.artist, "");
}

class LrclibClientTest : public ::testing::Test {
protected:
    LrclibClient::Outcome Find(const Track& track)
    {
        std::optional<LrclibClient::Outcome> got;
        client.FindLyrics(track, [&](LrclibClient::Outcome o) { got = std::move(o); });
        EXPECT_TRUE(Wait([&] { return got.has_value(); }));
        return got.value_or(LrclibClient::Outcome{});
    }
    FakeLrclib server;
    LrclibClient client{server.Url()};
};

TEST_F(LrclibClientTest, FoundThenSearchedThenInstrumentalThenPlainOnly)
{
    server.AddRecord("Song", "Band", "Album", 180, "[00:01.00]Synced\n[00:02.00]Two", "Synced\nTwo");
    server.AddRecord("Other Song (Live)", "Band", "", 240, "[00:01.00]Live");
    server.AddRecord("Other Song", "Band", "", 181.4, "[00:01.00]Studio");
    server.AddRecord("Quiet", "Band", "", 100, "", "", true);
    server.AddRecord("Words", "Band", "", 100, "", "Just words");

    LrclibClient::Outcome out = Find({"Song", "Band", "Album", 180});
    EXPECT_EQ(out.kind, Kind::Synced);
    EXPECT_EQ(out.text, "[00:01.00]Synced\n[00:02.00]Two");
    ASSERT_EQ(server.requests.size(), 1u);
    const FakeLrclib::Request& get = server.requests[0];
    EXPECT_EQ(get.path, "/api/get");
    EXPECT_EQ(get.query.queryItemValue("album_name"), "Album");
    EXPECT_EQ(get.query.queryItemValue("duration"), "180");
    EXPECT_TRUE(get.headers.at("user-agent").startsWith("LyricPlayer "));
    EXPECT_TRUE(get.headers.at("user-agent").contains("(https://"));

    // Not found by signature (another album): the search's best match within
    // 2 s, not the live version.
    out = Find({"Other Song", "Band", "Best Of", 180});
    EXPECT_EQ(out.kind, Kind::Synced);
    EXPECT_EQ(out.text, "[00:01.00]Studio");
    EXPECT_EQ(server.Count("/api/search"), 1);

    out = Find({"Missing", "Band", "", 180});
    EXPECT_EQ(out.kind, Kind::NotFound);
    EXPECT_EQ(Find({"Quiet", "Band", "", 100}).kind, Kind::Instrumental);
    out = Find({"Words", "Band", "", 100});
    EXPECT_EQ(out.kind, Kind::Plain);
    EXPECT_EQ(out.text, "Just words");
}

TEST_F(LrclibClientTest, BadAnswersAndNoServerEachGiveOneFailure)
{
    auto answer = [&](FakeLrclib::Reply reply) {
        server.overrides["/api/get"] = [reply](const FakeLrclib::Request&) { return reply; };
        return Find({"Song", "Band", "", 100});
    };
    EXPECT_EQ(answer({200, "{\"syncedLyrics\": \"[00:01"}).failure, Failure::Malformed);
    EXPECT_EQ(answer({200, "[1, 2]"}).failure, Failure::Malformed);
    EXPECT_EQ(answer({200, "{\"plainLyrics\": \"caf\xe9\"}"}).failure, Failure::Encoding);
    LrclibClient::Outcome out = answer({500, "{}"});
    EXPECT_EQ(out.failure, Failure::Http);
    EXPECT_EQ(out.httpStatus, 500);
    // Over 1 MiB, announced or not.
    const QByteArray huge = "{\"plainLyrics\": \"" + QByteArray(LrclibClient::kMaxBody, 'a') + "\"}";
    EXPECT_EQ(answer({200, huge}).failure, Failure::TooLarge);
    FakeLrclib::Reply unannounced{200, huge};
    unannounced.noLength = true;
    EXPECT_EQ(answer(unannounced).failure, Failure::TooLarge);
    // A server that never answers: the deadline (short here) ends the lookup.
    client.SetTimeoutMs(150);
    FakeLrclib::Reply silent;
    silent.silent = true;
    out = answer(silent);
    EXPECT_EQ(out.kind, Kind::Failed);
    EXPECT_EQ(out.failure, Failure::Timeout);

    // A port where nothing listens.
    QUrl closed;
    {
        FakeLrclib gone;
        closed = gone.Url();
    }
    LrclibClient refused(closed);
    std::optional<LrclibClient::Outcome> got;
    refused.FindLyrics({"Song", "Band", "", 100}, [&](LrclibClient::Outcome o) { got = o; });
    ASSERT_TRUE(Wait([&] { return got.has_value(); }));
    EXPECT_EQ(got->failure, Failure::Network);
}

TEST_F(LrclibClientTest, TheCacheKeepsAnswersPerSongFileAndMissesForADay)
{
    QTemporaryDir dir;
    const std::string song = (dir.path() + "/a.mp3").toStdString();
    std::ofstream(song) << "one";
    server.AddRecord("a", "", "", 0, "[00:01.00]A");
    lyrics::LrclibSource source(client, lyrics::LrclibCache(dir.path() + "/cache"));
    EXPECT_FALSE(source.Cached(song));
    std::optional<LrclibClient::Outcome> got;
    source.Fetch(song, {"a", "", "", 0}, [&](LrclibClient::Outcome o) { got = o; });
    ASSERT_TRUE(Wait([&] { return got.has_value(); }));
    // Another cache on the same folder: as after a restart.
    const lyrics::LrclibSource again(client, lyrics::LrclibCache(dir.path() + "/cache"));
    ASSERT_TRUE(again.Cached(song));
    EXPECT_EQ(again.Cached(song)->text, "[00:01.00]A");

    // The song changed on disk: asked about anew.
    std::ofstream(song, std::ios::app) << "more";
    EXPECT_FALSE(again.Cached(song));

    // A miss is kept for a day, then asked about again; a failure not at all.
    const lyrics::LrclibCache cache(dir.path() + "/cache");
    ASSERT_TRUE(cache.Store(song, {lyrics::LrclibCache::Entry::Kind::Miss, {}}, 1000000));
    EXPECT_TRUE(cache.Lookup(song, 1000000 + lyrics::LrclibCache::kMissSeconds - 1));
    EXPECT_FALSE(cache.Lookup(song, 1000000 + lyrics::LrclibCache::kMissSeconds));
    const std::string other = (dir.path() + "/b.mp3").toStdString();
    std::ofstream(other) << "b";
    server.overrides["/api/get"] = [](const FakeLrclib::Request&) { return FakeLrclib::Reply{503, "{}"}; };
    got.reset();
    source.Fetch(other, {"b", "", "", 0}, [&](LrclibClient::Outcome o) { got = o; });
    ASSERT_TRUE(Wait([&] { return got.has_value(); }));
    EXPECT_EQ(got->kind, Kind::Failed);
    EXPECT_FALSE(source.Cached(other));
}

TEST_F(LrclibClientTest, PublishingSolvesTheChallengeAndAWrongTokenIsRefused)
{
    lyrics::LrclibPublisher publisher(client);
    std::optional<lyrics::LrclibPublisher::Report> report;
    std::uint64_t lastProgress = 0;
    publisher.Start({"New", "Band", "Album", 123}, "Line\n", "[00:01.00]Line\n",
                    [&](std::uint64_t tried) { lastProgress = tried; },
                    [&](lyrics::LrclibPublisher::Report r) { report = r; });
    ASSERT_TRUE(Wait([&] { return report.has_value(); }));
    EXPECT_EQ(report->result, lyrics::LrclibPublisher::Result::Published) << report->message;
    ASSERT_EQ(server.Count("/api/publish"), 1);
    ASSERT_EQ(server.records.size(), 1);
    const QJsonObject published = server.records[0].toObject();
    EXPECT_EQ(published["trackName"].toString(), "New");
    EXPECT_EQ(published["duration"].toDouble(), 123);
    EXPECT_EQ(published["syncedLyrics"].toString(), "[00:01.00]Line\n");
    (void)lastProgress;

    // A token the server did not issue: refused with its message.
    std::optional<std::string> refusal;
    client.Publish("forged:1", lyrics::lrclib::PublishBody({"x", "y", "z", 1}, "a", ""),
                   [&](bool ok, Failure, int status, std::string message) {
                       refusal = ok ? "published" : std::to_string(status) + " " + message;
                   });
    ASSERT_TRUE(Wait([&] { return refusal.has_value(); }));
    EXPECT_EQ(*refusal, "400 The provided publish token is incorrect");

    // A target nothing meets: the work goes on until cancelled, and ends at once.
    server.target = QByteArray(64, '0');
    report.reset();
    lastProgress = 0;
    publisher.Start({"New", "Band", "", 1}, "a", "", [&](std::uint64_t tried) { lastProgress = tried; },
                    [&](lyrics::LrclibPublisher::Report r) { report = r; });
    ASSERT_TRUE(Wait([&] { return lastProgress > 0; }));
    EXPECT_TRUE(publisher.Busy());
    publisher.Cancel();
    ASSERT_TRUE(report.has_value());
    EXPECT_EQ(report->result, lyrics::LrclibPublisher::Result::Cancelled);
    EXPECT_EQ(server.Count("/api/publish"), 2);  // the forged one only
}

}  // namespace
