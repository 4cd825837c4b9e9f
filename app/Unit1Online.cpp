// The window's lyrics from LRCLIB: a song with no lyrics of its own is looked
// up once (the cache keeps the answer), without the window ever waiting; the
// strip says in a few words what came of it. The lyric grid's context menu
// turns the lookup on and off, saves what was found as the song's .lrc file,
// and publishes the lyrics shown.

#include <QAction>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSaveFile>
#include <QSettings>
#include <QTimer>
#include <cmath>
#include <filesystem>

#include "app/Unit1.h"
#include "app/lyriclog.h"
#include "app/qivTrackBar.h"
#include "forms/application.h"
#include "forms/exception.h"
#include "forms/stdctrls.h"
#include "lyrics/lrclibpublish.h"
#include "lyrics/lrclibsource.h"
#include "lyrics/songtags.h"
#include "media/MPlayer.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"
#include "dock/dock.h"

namespace {

using Outcome = lyrics::LrclibClient::Outcome;
using Failure = lyrics::LrclibClient::Failure;

constexpr const char* kOnlineKey = "Lyrics/OnlineSearch";

QSettings Settings() { return QSettings(QStringLiteral("lyricplayer"), QStringLiteral("LyricPlayer")); }

std::string FailureNotice(Failure failure, int status)
{
    switch (failure) {
    case Failure::Timeout: return "LRCLIB 逾時";
    case Failure::Http: return Format("LRCLIB 錯誤 %d", status);
    case Failure::TooLarge: return "LRCLIB 回應過大";
    case Failure::Malformed:
    case Failure::Encoding: return "LRCLIB 回應無法解讀";
    case Failure::Network:
    case Failure::None: break;
    }
    return "LRCLIB 無法連線";
}

// The song's signature for the service: its tags, and the length the player
// gives when TagLib cannot tell.
lyrics::lrclib::Track TrackOf(const std::string& songPath, int32_t lengthMs)
{
    const lyrics::SongTags tags = lyrics::ReadSongTags(songPath);
    lyrics::lrclib::Track track{tags.title, tags.artist, tags.album, tags.lengthSec};
    if (track.durationSec <= 0 && lengthMs > 0)
        track.durationSec = static_cast<int>(std::lround(lengthMs / 1000.0));
    return track;
}

}  // namespace

void TfrmMain::CreateOnlineControls()
{
    FLrclib = std::make_unique<lyrics::LrclibClient>();
    FLrclibSource = std::make_unique<lyrics::LrclibSource>(*FLrclib, lyrics::LrclibCache());
    FPublisher = std::make_unique<lyrics::LrclibPublisher>(*FLrclib);

    QWidget* window = Window();
    auto action = [window](const char* text, std::function<void()> run) {
        auto* a = new QAction(QString::fromUtf8(text), window);
        QObject::connect(a, &QAction::triggered, window, [run = std::move(run)] { Application->Dispatch(run); });
        return a;
    };
    actLyricsOnline = action("線上搜尋歌詞 (LRCLIB)", [this] { SetOnlineSearch(actLyricsOnline->isChecked()); });
    actLyricsOnline->setCheckable(true);
    actLyricsOnline->setChecked(OnlineSearch());
    actLyricsSaveLrc = action("將線上歌詞存成 .lrc 檔", [this] { SaveLyricsAsLrc(); });
    actLyricsSaveLrc->setEnabled(false);
    actLyricsPublish = action("發佈歌詞到 LRCLIB…", [this] { PublishLyrics(); });
    dxDBGrid2->Widget()->addActions({actLyricsOnline, actLyricsSaveLrc, actLyricsPublish});
}

bool TfrmMain::OnlineSearch() const { return Settings().value(kOnlineKey, true).toBool(); }

void TfrmMain::SetOnlineSearch(bool on)
{
    Settings().setValue(kOnlineKey, on);
    actLyricsOnline->setChecked(on);
}

void TfrmMain::DropOnlineLyrics()
{
    FOnlineRequest = 0;
    FFetched.clear();
    FFetchedSong.clear();
    actLyricsSaveLrc->setEnabled(false);
    // A word about the song before is not about this one.
    if (!FOnlineNotice.empty() && pnlCurrentText->Caption() == FOnlineNotice)
        pnlCurrentText->SetCaption("");
    FOnlineNotice.clear();
}

void TfrmMain::ShowOnlineNotice(const std::string& text)
{
    FOnlineNotice = text;
    pnlCurrentText->SetCaption(text);
}

void TfrmMain::SearchLyricsOnline(const std::string& songPath)
{
    if (!OnlineSearch())
        return;
    static std::uint64_t requests = 0;
    const std::uint64_t request = ++requests;
    FOnlineRequest = request;
    FFetchedSong = songPath;
    if (const std::optional<Outcome> cached = FLrclibSource->Cached(songPath)) {
        qCDebug(lcLyrics, "LRCLIB answer for %s from the cache", songPath.c_str());
        ShowOnlineLyrics(static_cast<int>(cached->kind), cached->text, 0, 0);
        return;
    }
    // The strip keeps what it shows until the answer comes. The request goes
    // once the song has started, when the player knows its length.
    QTimer::singleShot(0, FLrclib.get(), [this, request, songPath] {
        if (request != FOnlineRequest)
            return;
        const int32_t length = FPlaying && FPlayer && FPlayingPath == songPath ? qivTrackBar1->Max() : 0;
        FLrclibSource->Fetch(songPath, TrackOf(songPath, length), [this, request, songPath](Outcome out) {
            // An answer for a song that no longer plays is dropped.
            if (request != FOnlineRequest || !FPlaying || FPlayingPath != songPath || !dxMemData2->Active()) {
                qCDebug(lcLyrics, "dropped a late LRCLIB answer for %s", songPath.c_str());
                return;
            }
            Application->Dispatch([&] {
                ShowOnlineLyrics(static_cast<int>(out.kind), out.text, static_cast<int>(out.failure), out.httpStatus);
                SyncLyrics();
            });
        });
    });
}

void TfrmMain::ShowOnlineLyrics(int kind, const std::string& fetched, int failure, int httpStatus)
{
    // Cut at a NUL, as lyric files are.
    const std::string text = fetched.substr(0, fetched.find('\0'));
    switch (static_cast<Outcome::Kind>(kind)) {
    case Outcome::Kind::Synced:
    case Outcome::Kind::Plain:
        if (text.size() > memLyric->Capacity()) {
            ShowOnlineNotice("LRCLIB 回應過大");
            return;
        }
        ShowOnlineNotice(static_cast<Outcome::Kind>(kind) == Outcome::Kind::Plain ? "LRCLIB 僅有未對時歌詞" : "");
        LoadLyricText(text, lyrics::lrclib::kSourceName);
        FFetched = text;
        actLyricsSaveLrc->setEnabled(true);
        ++FOnlineLoads;
        return;
    case Outcome::Kind::Instrumental:
        dpnlLyric->SetHint(lyrics::lrclib::kSourceName);
        ShowOnlineNotice("純音樂 Instrumental");
        return;
    case Outcome::Kind::NotFound:
        ShowOnlineNotice("LRCLIB 查無歌詞");
        return;
    case Outcome::Kind::Failed:
        ShowOnlineNotice(FailureNotice(static_cast<Failure>(failure), httpStatus));
        return;
    }
}

void TfrmMain::SaveLyricsAsLrc()
{
    if (FFetched.empty() || FFetchedSong.empty())
        return;
    const std::filesystem::path song(FFetchedSong);
    const std::string path = (song.parent_path() / song.stem()).string() + ".lrc";
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
        const bool replace =
            OnConfirmReplace ? OnConfirmReplace(path)
                             : QMessageBox::question(Window(), QStringLiteral("LRCLIB"),
                                                     QString::fromStdString(Format("「%s」已存在，要取代嗎？", path.c_str()))) ==
                                   QMessageBox::Yes;
        if (!replace)
            return;
    }
    // Written aside and moved into place: a failed write leaves the old file.
    QSaveFile file(QString::fromStdString(path));
    const QByteArray bytes = QByteArray::fromStdString(FFetched);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw Exception(Format("Cannot create file \"%s\". %s", path.c_str(), file.errorString().toStdString().c_str()));
    qCDebug(lcLyrics, "saved LRCLIB lyrics as %s", path.c_str());
}

void TfrmMain::PublishLyrics()
{
    const std::string text = memLyric->Text();
    if (!FPlaying || text.empty())
        throw Exception("沒有可發佈的歌詞");
    // Timed lyrics go as they are, and as plain text without their times.
    // Lines end in LF, as the service keeps them.
    std::string plain;
    std::string lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        plain += StripTimeTags(line) + "\n";
        lines += line + "\n";
        at = end + 1;
    }
    const std::string synced = FLyrics.TimedCount() > 0 ? lines : std::string();
    const lyrics::lrclib::Track track = TrackOf(FPlayingPath, qivTrackBar1->Max());

    auto* progress = new QProgressDialog(QStringLiteral("計算發佈憑證…"), QStringLiteral("取消"), 0, 0, Window());
    progress->setWindowTitle(QStringLiteral("LRCLIB"));
    progress->setAttribute(Qt::WA_DeleteOnClose);
    progress->setMinimumDuration(0);
    QObject::connect(progress, &QProgressDialog::canceled, FPublisher.get(), [this] { FPublisher->Cancel(); });
    QPointer<QProgressDialog> dialog(progress);
    FPublisher->Start(
        track, plain, synced,
        [dialog](std::uint64_t tried) {
            if (dialog)
                dialog->setLabelText(QStringLiteral("計算發佈憑證… 已試 %1 次").arg(tried));
        },
        [this, dialog](lyrics::LrclibPublisher::Report report) {
            if (dialog)
                dialog->close();
            using Result = lyrics::LrclibPublisher::Result;
            if (report.result == Result::Published) {
                ShowOnlineNotice("已發佈到 LRCLIB");
                return;
            }
            if (report.result == Result::Cancelled)
                return;
            std::string why = report.message.empty() ? FailureNotice(report.failure, report.httpStatus) : report.message;
            Application->Dispatch([&] { throw Exception("發佈失敗：" + why); });
        });
    progress->show();
}
