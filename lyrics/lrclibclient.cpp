#include "lyrics/lrclibclient.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace lyrics {

namespace {

using Outcome = LrclibClient::Outcome;

Outcome Failed(LrclibClient::Failure failure, int status = 0)
{
    Outcome out;
    out.kind = Outcome::Kind::Failed;
    out.failure = failure;
    out.httpStatus = status;
    return out;
}

LrclibClient::Failure BodyFailure(lrclib::BodyError error)
{
    return error == lrclib::BodyError::Encoding ? LrclibClient::Failure::Encoding : LrclibClient::Failure::Malformed;
}

Outcome FromLyrics(const lrclib::Lyrics& lyrics)
{
    Outcome out;
    switch (lyrics.kind) {
    case lrclib::Lyrics::Kind::Synced: out.kind = Outcome::Kind::Synced; break;
    case lrclib::Lyrics::Kind::Plain: out.kind = Outcome::Kind::Plain; break;
    case lrclib::Lyrics::Kind::Instrumental: out.kind = Outcome::Kind::Instrumental; break;
    case lrclib::Lyrics::Kind::None: out.kind = Outcome::Kind::NotFound; break;
    }
    out.text = lyrics.text;
    return out;
}

}  // namespace

LrclibClient::LrclibClient(QUrl server, QObject* parent) : QObject(parent), FServer(std::move(server))
{
    FNetwork.setAutoDeleteReplies(true);
}

void LrclibClient::Send(const QUrl& url, const QByteArray& verb, const QByteArray& body, int timeoutMs,
                        const QByteArray& token, std::function<void(Response)> done)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(lrclib::kUserAgent));
    request.setRawHeader("Accept", "application/json");
    if (!body.isEmpty() || verb == "POST")
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    if (!token.isEmpty())
        request.setRawHeader("X-Publish-Token", token);
    QNetworkReply* reply = verb == "GET" ? FNetwork.get(request) : FNetwork.post(request, body);

    struct State {
        QByteArray body;
        bool tooLarge = false;
        bool timedOut = false;
    };
    auto state = std::make_shared<State>();
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply, state] {
        state->timedOut = true;
        reply->abort();
    });
    deadline->start(std::max(1, timeoutMs));
    connect(reply, &QNetworkReply::metaDataChanged, reply, [reply, state] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxBody) {
            state->tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, reply, [reply, state] {
        if (state->tooLarge)
            return;
        state->body += reply->readAll();
        if (state->body.size() > kMaxBody) {
            state->tooLarge = true;
            state->body.clear();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [reply, state, done = std::move(done)] {
        Response response;
        if (!state->tooLarge && !state->timedOut)
            state->body += reply->readAll();
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (state->tooLarge || state->body.size() > kMaxBody)
            response.failure = Failure::TooLarge;
        else if (state->timedOut)
            response.failure = Failure::Timeout;
        else if (!status.isValid())
            response.failure = Failure::Network;
        else {
            response.status = status.toInt();
            response.body = std::move(state->body);
        }
        done(std::move(response));
    });
}

void LrclibClient::FindLyrics(const lrclib::Track& track, std::function<void(Outcome)> done)
{
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    Send(lrclib::GetUrl(FServer, track), "GET", {}, FTimeoutMs, {},
         [this, track, clock, done = std::move(done)](Response r) mutable {
             if (r.failure != Failure::None)
                 return done(Failed(r.failure));
             if (r.status == 404) {
                 const int left = FTimeoutMs - static_cast<int>(clock->elapsed());
                 if (left <= 0)
                     return done(Failed(Failure::Timeout));
                 return Search(track, left, std::move(done));
             }
             if (r.status != 200)
                 return done(Failed(Failure::Http, r.status));
             lrclib::BodyError error{};
             const std::optional<lrclib::Record> record = lrclib::ParseRecord(r.body, &error);
             if (!record)
                 return done(Failed(BodyFailure(error)));
             done(FromLyrics(lrclib::Choose(*record)));
         });
}

void LrclibClient::Search(const lrclib::Track& track, int timeoutMs, std::function<void(Outcome)> done)
{
    Send(lrclib::SearchUrl(FServer, track), "GET", {}, timeoutMs, {},
         [this, track, done = std::move(done)](Response r) {
             if (r.failure != Failure::None)
                 return done(Failed(r.failure));
             if (r.status == 404)
                 return done(Outcome{});
             if (r.status != 200)
                 return done(Failed(Failure::Http, r.status));
             lrclib::BodyError error{};
             std::optional<std::vector<lrclib::Record>> records = lrclib::ParseRecords(r.body, &error);
             if (!records)
                 return done(Failed(BodyFailure(error)));
             const std::vector<lrclib::Record> ranked = lrclib::Rank(std::move(*records), track, FToleranceSec);
             if (ranked.empty())
                 return done(Outcome{});
             done(FromLyrics(lrclib::Choose(ranked.front())));
         });
}

void LrclibClient::RequestChallenge(std::function<void(std::optional<lrclib::Challenge>, Failure, int)> done)
{
    Send(lrclib::ChallengeUrl(FServer), "POST", {}, FTimeoutMs, {}, [done = std::move(done)](Response r) {
        if (r.failure != Failure::None)
            return done(std::nullopt, r.failure, 0);
        if (r.status != 200)
            return done(std::nullopt, Failure::Http, r.status);
        std::optional<lrclib::Challenge> challenge = lrclib::ParseChallenge(r.body);
        done(challenge, challenge ? Failure::None : Failure::Malformed, r.status);
    });
}

void LrclibClient::Publish(const std::string& token, const QByteArray& body,
                           std::function<void(bool, Failure, int, std::string)> done)
{
    Send(lrclib::PublishUrl(FServer), "POST", body, FTimeoutMs, QByteArray::fromStdString(token),
         [done = std::move(done)](Response r) {
             if (r.failure != Failure::None)
                 return done(false, r.failure, 0, {});
             if (r.status < 200 || r.status >= 300)
                 return done(false, Failure::Http, r.status, lrclib::ErrorMessage(r.body));
             done(true, Failure::None, r.status, {});
         });
}

}  // namespace lyrics
