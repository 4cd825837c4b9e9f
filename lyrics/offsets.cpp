#include "lyrics/offsets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStandardPaths>

#include "lyrics/lrcwrite.h"

namespace lyrics {

namespace {

QJsonObject ReadStore(const std::string& file)
{
    QFile in(QString::fromStdString(file));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(in.readAll()).object();
}

const char* kLatencyKey = "lyrics/latencyOffsetMs";

// The player's own settings file, whatever the running program is called.
std::int32_t ReadLatency()
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, "lyricplayer", "player");
    return settings.value(kLatencyKey, 0).toInt();
}

}  // namespace

OffsetStore::OffsetStore()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (folder.isEmpty())
        folder = QDir::homePath() + "/.local/share";
    folder += "/lyricplayer";
    FFile = (folder + "/lyric-offsets.json").toStdString();
}

std::int32_t OffsetStore::Get(const std::string& songPath) const
{
    return ReadStore(FFile).value(QString::fromStdString(songPath)).toInt(0);
}

void OffsetStore::Set(const std::string& songPath, std::int32_t ms)
{
    QJsonObject store = ReadStore(FFile);
    const QString key = QString::fromStdString(songPath);
    if (ms == 0 && !store.contains(key))
        return;
    if (ms == 0)
        store.remove(key);
    else
        store.insert(key, ms);
    const QString folder = QFileInfo(QString::fromStdString(FFile)).absolutePath();
    if (!QDir().mkpath(folder))
        throw SaveError("Cannot create folder \"" + folder.toStdString() + "\".");
    SaveFileAtomically(FFile, QJsonDocument(store).toJson().toStdString());
}

std::int32_t LatencyOffset() { return ReadLatency(); }

void SetLatencyOffset(std::int32_t ms)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, "lyricplayer", "player");
    settings.setValue(kLatencyKey, ms);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw SaveError("Cannot write the settings file \"" + settings.fileName().toStdString() + "\".");
}

bool IsLrcFile(const std::string& lyricSource)
{
    if (lyricSource.size() < 5 || lyricSource.front() != '/')
        return false;
    std::string ext = lyricSource.substr(lyricSource.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(c | 0x20);
    return ext == ".lrc";
}

void KeepSongOffset(OffsetStore& store, const std::string& songPath, const std::string& lyricSource,
                    std::int32_t ms)
{
    if (IsLrcFile(lyricSource))
        WriteLrcOffset(lyricSource, ms);
    else
        store.Set(songPath, ms);
}

}  // namespace lyrics
