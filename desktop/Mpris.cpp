#include "desktop/Mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <taglib/mpegfile.h>

#include "desktop/Identity.h"
#include "forms/application.h"
#include "songs/song.h"

namespace desktop {

namespace {

constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

QString StatusText(TPlaybackStatus status)
{
    switch (status) {
    case TPlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case TPlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case TPlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

// True when TagLib finds MPEG audio of some length in the file.
bool HoldsMpegAudio(const std::string& path)
{
    TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
    return file.isValid() && file.audioProperties() && file.audioProperties()->lengthInMilliseconds() > 0;
}

bool SameSong(const TPlayerState& a, const TPlayerState& b)
{
    return a.SongStart == b.SongStart && a.Path == b.Path && a.Title == b.Title && a.LengthMs == b.LengthMs;
}

}  // namespace

// org.mpris.MediaPlayer2: the player as an application.
class TMprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

public:
    explicit TMprisRootAdaptor(TMprisService* service) : QDBusAbstractAdaptor(service), FService(service) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QString::fromUtf8(kIdentity); }
    QString DesktopEntry() const { return QString::fromUtf8(kAppId); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const { return {QStringLiteral("audio/mpeg")}; }

public slots:
    void Raise()
    {
        FService->Later([](TPlayerWindow* window) { window->Raise(); });
    }
    void Quit()
    {
        FService->Later([](TPlayerWindow* window) { window->Quit(); });
    }

private:
    TMprisService* FService;
};

// org.mpris.MediaPlayer2.Player: the playback commands and their state.
class TMprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)

public:
    explicit TMprisPlayerAdaptor(TMprisService* service) : QDBusAbstractAdaptor(service), FService(service) {}

    QString PlaybackStatus() const { return StatusText(State().Status); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}  // one rate only
    QVariantMap Metadata() const { return FService->Metadata(State()); }
    double Volume() const { return State().Volume / 100.0; }
    void SetVolume(double value)
    {
        if (std::isnan(value))
            return;
        const int percent = static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0) * 100));
        FService->Later([percent](TPlayerWindow* window) { window->SetVolume(percent); });
    }
    qlonglong Position() const { return FService->Window()->PositionMs() * 1000; }
    bool CanGoNext() const { return State().CanGoNext; }
    bool CanGoPrevious() const { return State().CanGoPrevious; }
    bool CanPlay() const { return State().CanPlay; }
    bool CanPause() const { return State().CanPause; }
    bool CanSeek() const { return State().CanSeek; }
    bool CanControl() const { return true; }

public slots:
    void Play() { Run(&TPlayerWindow::Play); }
    void Pause() { Run(&TPlayerWindow::Pause); }
    void PlayPause() { Run(&TPlayerWindow::PlayPause); }
    void Stop() { Run(&TPlayerWindow::Stop); }
    void Next() { Run(&TPlayerWindow::Next); }
    void Previous() { Run(&TPlayerWindow::Previous); }

    // offset in microseconds from the playing position: past the end is the
    // next song, before the start is the start.
    void Seek(qlonglong offset)
    {
        FService->Later([offset](TPlayerWindow* window) {
            const TPlayerState state = window->State();
            if (!state.CanSeek)
                return;
            const std::int64_t target = window->PositionMs() + offset / 1000;
            if (target > state.LengthMs)
                window->Next();
            else
                window->ReleaseSeekBar(std::max<std::int64_t>(target, 0));
        });
    }

    // position in microseconds; only for the song that is current, and only
    // within it.
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position)
    {
        FService->Later([this, trackId, position](TPlayerWindow* window) {
            const TPlayerState state = window->State();
            if (!state.CanSeek || trackId != FService->TrackId(state))
                return;
            if (position < 0 || position > state.LengthMs * 1000)
                return;
            window->ReleaseSeekBar(position / 1000);
        });
    }

    void OpenUri(const QString& uri, const QDBusMessage& message)
    {
        const QUrl url(uri, QUrl::StrictMode);
        QString refusal;
        std::string path;
        if (!url.isValid() || url.scheme() != QLatin1String("file") || !url.host().isEmpty()) {
            refusal = QStringLiteral("%1: only file:// URIs are supported").arg(uri);
        } else {
            const QFileInfo file(url.toLocalFile());
            path = file.absoluteFilePath().toStdString();
            if (!file.exists())
                refusal = QStringLiteral("%1: no such file").arg(uri);
            // TagLib reads only regular files: a pipe would hold up the window.
            else if (!file.isFile() || !songs::IsSongFile(path) || !HoldsMpegAudio(path))
                refusal = QStringLiteral("%1: not an MP3 song").arg(uri);
        }
        if (!refusal.isEmpty()) {
            message.setDelayedReply(true);
            FService->Connection().send(
                message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"), refusal));
            return;
        }
        FService->Later([path](TPlayerWindow* window) {
            window->Raise();
            window->Open(path);
        });
    }

signals:
    void Seeked(qlonglong Position);

private:
    TPlayerState State() const { return FService->Window()->State(); }
    void Run(void (TPlayerWindow::*command)())
    {
        FService->Later([command](TPlayerWindow* window) { (window->*command)(); });
    }

    TMprisService* FService;
};

TMprisService::TMprisService(TPlayerWindow* window, QDBusConnection connection)
    : FWindow(window), FConnection(std::move(connection))
{
    new TMprisRootAdaptor(this);
    new TMprisPlayerAdaptor(this);
    FLast = FWindow->State();
    if (Application)
        FIdleId = Application->AddIdleHandler([this](TObject*, bool&) { Refresh(); });
}

TMprisService::~TMprisService()
{
    if (Application && FIdleId)
        Application->RemoveIdleHandler(FIdleId);
    if (FRegistered) {
        FConnection.unregisterObject(QString::fromUtf8(kObjectPath));
        FConnection.interface()->unregisterService(QString::fromUtf8(kMprisName));
    }
}

bool TMprisService::Register()
{
    if (FRegistered)
        return true;
    // The object is there before the name, so that a client that sees the
    // name finds it; without the name it is taken away again.
    if (!FConnection.registerObject(QString::fromUtf8(kObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = FConnection.interface()->registerService(
        QString::fromUtf8(kMprisName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    FRegistered = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!FRegistered)
        FConnection.unregisterObject(QString::fromUtf8(kObjectPath));
    return FRegistered;
}

QDBusObjectPath TMprisService::TrackId(const TPlayerState& state) const
{
    return QDBusObjectPath(QStringLiteral("%1/Track/%2").arg(QString::fromUtf8(kAppPath)).arg(state.SongStart));
}

QVariantMap TMprisService::Metadata(const TPlayerState& state) const
{
    // Empty until a song has been started.
    QVariantMap metadata;
    if (state.SongStart == 0)
        return metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(TrackId(state)));
    metadata.insert(QStringLiteral("mpris:length"), static_cast<qlonglong>(state.LengthMs * 1000));
    metadata.insert(QStringLiteral("xesam:title"), QString::fromStdString(state.Title));
    metadata.insert(QStringLiteral("xesam:url"),
                    QUrl::fromLocalFile(QString::fromStdString(state.Path)).toString(QUrl::FullyEncoded));
    metadata.insert(QStringLiteral("xesam:asText"), QString::fromStdString(FWindow->LyricText()));
    return metadata;
}

void TMprisService::Later(std::function<void(TPlayerWindow*)> command)
{
    QMetaObject::invokeMethod(
        this,
        [this, command = std::move(command)] {
            if (Application)
                Application->Dispatch([&] { command(FWindow); });
            else
                command(FWindow);
        },
        Qt::QueuedConnection);
}

void TMprisService::Refresh()
{
    const TPlayerState now = FWindow->State();
    if (now == FLast)
        return;
    QVariantMap changed;
    if (now.Status != FLast.Status)
        changed.insert(QStringLiteral("PlaybackStatus"), StatusText(now.Status));
    if (!SameSong(now, FLast) || now.LateLyrics != FLast.LateLyrics)
        changed.insert(QStringLiteral("Metadata"), Metadata(now));
    if (now.Volume != FLast.Volume)
        changed.insert(QStringLiteral("Volume"), now.Volume / 100.0);
    const std::pair<const char*, bool TPlayerState::*> flags[] = {
        {"CanPlay", &TPlayerState::CanPlay},         {"CanPause", &TPlayerState::CanPause},
        {"CanGoNext", &TPlayerState::CanGoNext},     {"CanGoPrevious", &TPlayerState::CanGoPrevious},
        {"CanSeek", &TPlayerState::CanSeek}};
    for (const auto& [name, flag] : flags)
        if (now.*flag != FLast.*flag)
            changed.insert(QString::fromUtf8(name), now.*flag);
    const bool jumped = now.Jumps != FLast.Jumps;
    FLast = now;
    if (!FRegistered)
        return;
    if (!changed.isEmpty())
        Announce(kPlayerInterface, changed);
    if (jumped) {
        if (auto* player = findChild<TMprisPlayerAdaptor*>())
            emit player->Seeked(FWindow->PositionMs() * 1000);
    }
}

void TMprisService::Announce(const char* interface, const QVariantMap& changed)
{
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromUtf8(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromUtf8(interface) << changed << QStringList();
    FConnection.send(signal);
}

}  // namespace desktop

#include "Mpris.moc"
