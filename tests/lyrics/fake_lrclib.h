#pragma once
// An LRCLIB server for the tests, in the test's own process on 127.0.0.1: a
// few records answered as the service's documentation describes (/api/get,
// /api/search, /api/request-challenge, /api/publish with its token checked),
// plus answers a test sets for a path: slow, silent, malformed, oversized.

#include <QCryptographicHash>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class FakeLrclib : public QObject {
public:
    struct Request {
        QByteArray method;
        QString path;
        QUrlQuery query;
        std::map<QByteArray, QByteArray> headers;  // names in lower case
        QByteArray body;
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        int delayMs = 0;
        bool silent = false;      // never answers
        bool noLength = false;    // no Content-Length: the body ends with the connection
    };
    // A path's answer set by the test, before the documented ones.
    std::map<QString, std::function<Reply(const Request&)>> overrides;
    std::vector<Request> requests;
    QJsonArray records;
    // The challenge's target: easy enough for a test.
    QByteArray target = "00ffffffffffffffffffffffffffffffffffffffffffffffffffffffffffffff";

    FakeLrclib()
    {
        FServer.listen(QHostAddress::LocalHost, 0);
        connect(&FServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = FServer.nextPendingConnection()) {
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                    *buffer += socket->readAll();
                    Serve(socket, *buffer);
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QUrl Url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(FServer.serverPort())); }
    int Count(const QString& path) const
    {
        int n = 0;
        for (const Request& r : requests)
            n += r.path == path;
        return n;
    }

    void AddRecord(const QString& track, const QString& artist, const QString& album, double duration,
                   const QString& synced, const QString& plain = {}, bool instrumental = false)
    {
        QJsonObject o{{"id", records.size() + 1},     {"trackName", track}, {"artistName", artist},
                      {"albumName", album},           {"duration", duration}, {"instrumental", instrumental},
                      {"plainLyrics", plain.isEmpty() ? QJsonValue() : QJsonValue(plain)},
                      {"syncedLyrics", synced.isEmpty() ? QJsonValue() : QJsonValue(synced)}};
        records.append(o);
    }

private:
    void Serve(QTcpSocket* socket, QByteArray& buffer)
    {
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        Request request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        const QUrl target(QString::fromUtf8(first.value(1)));
        request.path = target.path();
        request.query = QUrlQuery(target);
        for (int i = 1; i < lines.size(); ++i) {
            const int colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers[lines[i].left(colon).trimmed().toLower()] = lines[i].mid(colon + 1).trimmed();
        }
        const qsizetype length = request.headers["content-length"].toLongLong();
        if (buffer.size() < end + 4 + length)
            return;
        request.body = buffer.mid(end + 4, length);
        buffer.clear();
        requests.push_back(request);
        const auto found = overrides.find(request.path);
        const Reply reply = found != overrides.end() ? found->second(request) : Documented(request);
        if (reply.silent)
            return;
        QTimer::singleShot(reply.delayMs, socket, [socket, reply] {
            QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + " X\r\nContent-Type: application/json\r\n";
            if (!reply.noLength)
                head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            socket->write(head + "Connection: close\r\n\r\n" + reply.body);
            socket->disconnectFromHost();
        });
    }

    static QByteArray Json(const QJsonValue& v)
    {
        return v.isArray() ? QJsonDocument(v.toArray()).toJson() : QJsonDocument(v.toObject()).toJson();
    }
    static Reply Error(int status, const char* name, const char* message)
    {
        return {status, Json(QJsonObject{{"code", status}, {"name", name}, {"message", message}})};
    }

    Reply Documented(const Request& r)
    {
        const QString track = r.query.queryItemValue("track_name", QUrl::FullyDecoded);
        const QString artist = r.query.queryItemValue("artist_name", QUrl::FullyDecoded);
        if (r.path == "/api/get") {
            const double duration = r.query.queryItemValue("duration").toDouble();
            for (const QJsonValue& v : records) {
                const QJsonObject o = v.toObject();
                if (o["trackName"].toString().compare(track, Qt::CaseInsensitive) == 0 &&
                    o["artistName"].toString().compare(artist, Qt::CaseInsensitive) == 0 &&
                    (!r.query.hasQueryItem("album_name") ||
                     o["albumName"].toString() == r.query.queryItemValue("album_name", QUrl::FullyDecoded)) &&
                    (!r.query.hasQueryItem("duration") || std::abs(o["duration"].toDouble() - duration) <= 2))
                    return {200, Json(o)};
            }
            return Error(404, "TrackNotFound", "Failed to find specified track");
        }
        if (r.path == "/api/search") {
            QJsonArray found;
            for (const QJsonValue& v : records)
                if (v.toObject()["trackName"].toString().contains(track, Qt::CaseInsensitive))
                    found.append(v);
            return {200, Json(found)};
        }
        if (r.path == "/api/request-challenge" && r.method == "POST") {
            const QByteArray prefix = "prefix" + QByteArray::number(++FChallenges);
            FIssued.push_back(prefix);
            return {200, Json(QJsonObject{{"prefix", QString::fromLatin1(prefix)}, {"target", QString::fromLatin1(target)}})};
        }
        if (r.path == "/api/publish" && r.method == "POST") {
            const auto token = r.headers.find("x-publish-token");
            const QList<QByteArray> parts = token == r.headers.end() ? QList<QByteArray>() : token->second.split(':');
            // Lower-case hex digits of equal length compare as the numbers do.
            const bool valid = parts.size() == 2 && std::count(FIssued.begin(), FIssued.end(), parts[0]) == 1 &&
                               QCryptographicHash::hash(parts[0] + parts[1], QCryptographicHash::Sha256).toHex() <= target;
            if (!valid)
                return Error(400, "IncorrectPublishToken", "The provided publish token is incorrect");
            const QJsonObject o = QJsonDocument::fromJson(r.body).object();
            AddRecord(o["trackName"].toString(), o["artistName"].toString(), o["albumName"].toString(),
                      o["duration"].toDouble(), o["syncedLyrics"].toString(), o["plainLyrics"].toString());
            return {201, {}};
        }
        return Error(404, "NotFound", "No such endpoint");
    }

    QTcpServer FServer;
    int FChallenges = 0;
    std::vector<QByteArray> FIssued;
};
