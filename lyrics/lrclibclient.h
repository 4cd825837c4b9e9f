#pragma once
// Asks an LRCLIB server, asynchronously, on the thread that made the client:
// lyrics for a track (/api/get, and on 404 /api/search ranked by our own
// rules), a publish challenge, and the publishing itself. Every request names
// the program in its User-Agent, gives up at a deadline and takes at most
// kMaxBody bytes of answer; each callback runs once, from the event loop.

#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>
#include <functional>
#include <optional>
#include <string>

#include "lyrics/lrclib.h"

namespace lyrics {

class LrclibClient : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaxBody = 1024 * 1024;
    static constexpr int kTimeoutMs = 10000;

    // Why a request gave nothing.
    enum class Failure { None, Network, Timeout, Http, TooLarge, Malformed, Encoding };

    struct Outcome {
        enum class Kind { Synced, Plain, Instrumental, NotFound, Failed };
        Kind kind = Kind::NotFound;
        std::string text;  // Synced and Plain
        Failure failure = Failure::None;
        int httpStatus = 0;  // Http
    };

    explicit LrclibClient(QUrl server = lrclib::ServerUrl(), QObject* parent = nullptr);

    const QUrl& Server() const { return FServer; }
    // The whole of a lookup (both its requests) or of one publishing request.
    void SetTimeoutMs(int ms) { FTimeoutMs = ms; }
    int TimeoutMs() const { return FTimeoutMs; }
    // How far a search result's length may be from the track's.
    void SetToleranceSec(double seconds) { FToleranceSec = seconds; }

    // Lyrics for the track: /api/get; on 404, the best of /api/search.
    void FindLyrics(const lrclib::Track& track, std::function<void(Outcome)> done);

    // A challenge from /api/request-challenge; nullopt with the failure.
    void RequestChallenge(std::function<void(std::optional<lrclib::Challenge>, Failure, int httpStatus)> done);
    // Sends lyrics with a solved challenge's token: true when the server took
    // them; otherwise the failure and the server's message, if any.
    void Publish(const std::string& token, const QByteArray& body,
                 std::function<void(bool, Failure, int httpStatus, std::string message)> done);

private:
    struct Response {
        Failure failure = Failure::None;
        int status = 0;
        QByteArray body;
    };
    void Send(const QUrl& url, const QByteArray& verb, const QByteArray& body, int timeoutMs,
              const QByteArray& token, std::function<void(Response)> done);
    void Search(const lrclib::Track& track, int timeoutMs, std::function<void(Outcome)> done);

    QNetworkAccessManager FNetwork;
    QUrl FServer;
    int FTimeoutMs = kTimeoutMs;
    double FToleranceSec = 2.0;
};

}  // namespace lyrics
