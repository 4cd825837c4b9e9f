#include "lyrics/lrclib.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QUrlQuery>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <tuple>

namespace lyrics::lrclib {

namespace {

std::string Utf8(const QJsonValue& value) { return value.isString() ? value.toString().toStdString() : std::string(); }

QUrl At(const QUrl& server, const char* path, const QUrlQuery& query = {})
{
    QUrl url = server;
    QString base = url.path();
    while (base.endsWith(u'/'))
        base.chop(1);
    url.setPath(base + QString::fromLatin1(path));
    url.setQuery(query);
    return url;
}

Record FromObject(const QJsonObject& o)
{
    Record r;
    r.id = static_cast<std::int64_t>(o.value(u"id").toDouble());
    r.trackName = Utf8(o.value(u"trackName"));
    r.artistName = Utf8(o.value(u"artistName"));
    r.albumName = Utf8(o.value(u"albumName"));
    r.duration = o.value(u"duration").toDouble();
    r.instrumental = o.value(u"instrumental").toBool();
    r.plainLyrics = Utf8(o.value(u"plainLyrics"));
    r.syncedLyrics = Utf8(o.value(u"syncedLyrics"));
    return r;
}

// The JSON document of a body that is UTF-8 (as JSON must be).
std::optional<QJsonDocument> Document(const QByteArray& body, BodyError* error)
{
    auto fail = [error](BodyError why) {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8.decode(body));
    if (utf8.hasError())
        return fail(BodyError::Encoding);
    QJsonParseError parse{};
    QJsonDocument doc = QJsonDocument::fromJson(body, &parse);
    if (parse.error != QJsonParseError::NoError)
        return fail(BodyError::Malformed);
    if (error)
        *error = BodyError::None;
    return doc;
}

// Names compared as people write them: case, spaces and punctuation aside.
QString Folded(const std::string& s)
{
    QString out;
    for (const QChar c : QString::fromStdString(s).toCaseFolded())
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

// 0 same name, 1 one holds the other, 2 other.
int Distance(const std::string& wanted, const std::string& found)
{
    const QString a = Folded(wanted);
    const QString b = Folded(found);
    if (a == b)
        return 0;
    if (!a.isEmpty() && !b.isEmpty() && (a.contains(b) || b.contains(a)))
        return 1;
    return 2;
}

bool HasTimes(const std::string& text)
{
    // A line that starts with a time tag, "[mm:ss".
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::string_view line(text.data() + at, (end == std::string::npos ? text.size() : end) - at);
        if (line.size() > 3 && line[0] == '[' && std::isdigit(static_cast<unsigned char>(line[1])))
            return true;
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return false;
}

}  // namespace

Lyrics Choose(const Record& record)
{
    if (!record.syncedLyrics.empty() && HasTimes(record.syncedLyrics))
        return {Lyrics::Kind::Synced, record.syncedLyrics};
    if (!record.plainLyrics.empty())
        return {Lyrics::Kind::Plain, record.plainLyrics};
    if (!record.syncedLyrics.empty())
        return {Lyrics::Kind::Plain, record.syncedLyrics};
    if (record.instrumental)
        return {Lyrics::Kind::Instrumental, {}};
    return {};
}

QUrl ServerUrl()
{
    const QByteArray env = qgetenv("LYRICPLAYER_LRCLIB_URL");
    const QUrl url(QString::fromUtf8(env), QUrl::StrictMode);
    if (!env.isEmpty() && url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https"))
        return url;
    return QUrl(QString::fromLatin1(kDefaultServer));
}

QUrl GetUrl(const QUrl& server, const Track& track)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("track_name"), QString::fromStdString(track.title));
    query.addQueryItem(QStringLiteral("artist_name"), QString::fromStdString(track.artist));
    if (!track.album.empty())
        query.addQueryItem(QStringLiteral("album_name"), QString::fromStdString(track.album));
    if (track.durationSec > 0)
        query.addQueryItem(QStringLiteral("duration"), QString::number(track.durationSec));
    return At(server, "/api/get", query);
}

QUrl SearchUrl(const QUrl& server, const Track& track)
{
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("track_name"), QString::fromStdString(track.title));
    if (!track.artist.empty())
        query.addQueryItem(QStringLiteral("artist_name"), QString::fromStdString(track.artist));
    return At(server, "/api/search", query);
}

QUrl ChallengeUrl(const QUrl& server) { return At(server, "/api/request-challenge"); }
QUrl PublishUrl(const QUrl& server) { return At(server, "/api/publish"); }

std::optional<Record> ParseRecord(const QByteArray& body, BodyError* error)
{
    const std::optional<QJsonDocument> doc = Document(body, error);
    if (!doc)
        return std::nullopt;
    if (!doc->isObject()) {
        if (error)
            *error = BodyError::Malformed;
        return std::nullopt;
    }
    return FromObject(doc->object());
}

std::optional<std::vector<Record>> ParseRecords(const QByteArray& body, BodyError* error)
{
    const std::optional<QJsonDocument> doc = Document(body, error);
    if (!doc)
        return std::nullopt;
    if (!doc->isArray()) {
        if (error)
            *error = BodyError::Malformed;
        return std::nullopt;
    }
    std::vector<Record> records;
    for (const QJsonValue& value : doc->array())
        if (value.isObject())
            records.push_back(FromObject(value.toObject()));
    return records;
}

std::vector<Record> Rank(std::vector<Record> records, const Track& track, double toleranceSec)
{
    std::erase_if(records, [&](const Record& r) {
        if (track.durationSec > 0 && std::abs(r.duration - track.durationSec) > toleranceSec)
            return true;
        return Choose(r).kind == Lyrics::Kind::None;
    });
    auto key = [&](const Record& r) {
        const int names = Distance(track.title, r.trackName) + Distance(track.artist, r.artistName);
        const int album = track.album.empty() ? 0 : Distance(track.album, r.albumName);
        const double off = track.durationSec > 0 ? std::abs(r.duration - track.durationSec) : 0.0;
        const int kind = static_cast<int>(Choose(r).kind);
        return std::make_tuple(names, album, off, kind);
    };
    std::stable_sort(records.begin(), records.end(),
                     [&](const Record& a, const Record& b) { return key(a) < key(b); });
    return records;
}

std::optional<Challenge> ParseChallenge(const QByteArray& body)
{
    const std::optional<QJsonDocument> doc = Document(body, nullptr);
    if (!doc || !doc->isObject())
        return std::nullopt;
    Challenge c{Utf8(doc->object().value(u"prefix")), Utf8(doc->object().value(u"target"))};
    if (c.prefix.empty() || c.target.size() != 64)
        return std::nullopt;
    return c;
}

QByteArray PublishBody(const Track& track, const std::string& plainLyrics, const std::string& syncedLyrics)
{
    QJsonObject o;
    o.insert(u"trackName", QString::fromStdString(track.title));
    o.insert(u"artistName", QString::fromStdString(track.artist));
    o.insert(u"albumName", QString::fromStdString(track.album));
    o.insert(u"duration", track.durationSec);
    o.insert(u"plainLyrics", QString::fromStdString(plainLyrics));
    o.insert(u"syncedLyrics", QString::fromStdString(syncedLyrics));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::string ErrorMessage(const QByteArray& body)
{
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    return doc.isObject() ? Utf8(doc.object().value(u"message")) : std::string();
}

}  // namespace lyrics::lrclib
