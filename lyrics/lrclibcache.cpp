#include "lyrics/lrclibcache.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <sys/stat.h>

namespace lyrics {

namespace {

struct Stamp {
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;
};

std::optional<Stamp> StampOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return Stamp{static_cast<std::int64_t>(st.st_size),
                 static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

QString FileName(const std::string& path)
{
    return QString::fromLatin1(
               QCryptographicHash::hash(QByteArray::fromStdString(path), QCryptographicHash::Sha256).toHex()) +
           QStringLiteral(".json");
}

std::int64_t Now(std::int64_t nowSec) { return nowSec ? nowSec : QDateTime::currentSecsSinceEpoch(); }

const char* KindName(LrclibCache::Entry::Kind kind)
{
    switch (kind) {
    case LrclibCache::Entry::Kind::Synced: return "synced";
    case LrclibCache::Entry::Kind::Plain: return "plain";
    case LrclibCache::Entry::Kind::Instrumental: return "instrumental";
    case LrclibCache::Entry::Kind::Miss: break;
    }
    return "miss";
}

}  // namespace

LrclibCache::LrclibCache(QString folder) : FFolder(std::move(folder)) {}

QString LrclibCache::DefaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/lyricplayer/lrclib");
}

std::optional<LrclibCache::Entry> LrclibCache::Lookup(const std::string& songPath, std::int64_t nowSec) const
{
    const std::optional<Stamp> stamp = StampOf(songPath);
    if (!stamp)
        return std::nullopt;
    QFile file(FFolder + u'/' + FileName(songPath));
    // An entry is a few kilobytes; anything far larger is not ours.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4 * 1024 * 1024)
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (o.value(u"path").toString().toStdString() != songPath ||
        o.value(u"size").toInteger() != stamp->size || o.value(u"mtime").toString() != QString::number(stamp->mtimeNs))
        return std::nullopt;
    const QString kind = o.value(u"kind").toString();
    Entry entry;
    if (kind == u"synced")
        entry.kind = Entry::Kind::Synced;
    else if (kind == u"plain")
        entry.kind = Entry::Kind::Plain;
    else if (kind == u"instrumental")
        entry.kind = Entry::Kind::Instrumental;
    else if (kind == u"miss") {
        const std::int64_t age = Now(nowSec) - o.value(u"stored").toInteger();
        if (age < 0 || age >= kMissSeconds)
            return std::nullopt;
    } else
        return std::nullopt;
    entry.text = o.value(u"text").toString().toStdString();
    return entry;
}

bool LrclibCache::Store(const std::string& songPath, const Entry& entry, std::int64_t nowSec) const
{
    const std::optional<Stamp> stamp = StampOf(songPath);
    if (!stamp || !QDir().mkpath(FFolder))
        return false;
    QJsonObject o;
    o.insert(u"path", QString::fromStdString(songPath));
    o.insert(u"size", qint64(stamp->size));
    o.insert(u"mtime", QString::number(stamp->mtimeNs));
    o.insert(u"stored", qint64(Now(nowSec)));
    o.insert(u"kind", QString::fromLatin1(KindName(entry.kind)));
    o.insert(u"text", QString::fromStdString(entry.text));
    QSaveFile file(FFolder + u'/' + FileName(songPath));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(o).toJson(QJsonDocument::Compact));
    return file.commit();
}

}  // namespace lyrics
