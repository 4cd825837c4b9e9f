// The window's lyric timing editor and the latency offset: both open from the
// lyric grid's context menu. The editor times the playing song's lyrics;
// saving writes the song's .lrc file and the window shows the new times at once.

#include <QAction>
#include <QInputDialog>
#include <QMainWindow>
#include <filesystem>

#include "app/LyricEditor.h"
#include "app/Unit1.h"
#include "app/qivTrackBar.h"
#include "forms/application.h"
#include "forms/dialogs.h"
#include "forms/exception.h"
#include "forms/stdctrls.h"
#include "lyrics/lrcwrite.h"
#include "lyrics/songinfo.h"
#include "lyrics/source.h"
#include "media/MPlayer.h"
#include "songs/song.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace {

bool EndsWithTxt(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(c | 0x20);
    return ext == ".txt";
}

}  // namespace

void TfrmMain::CreateEditorControls()
{
    QMainWindow* window = Window();
    actEditLyrics = new QAction(QString::fromUtf8("編輯歌詞時間…"), window);
    QObject::connect(actEditLyrics, &QAction::triggered, window,
                     [this] { Application->Dispatch([this] { OpenLyricEditor(); }); });
    actLyricsLatency = new QAction(QString::fromUtf8("全部歌曲的歌詞延遲（輸出延遲補償）…"), window);
    QObject::connect(actLyricsLatency, &QAction::triggered, window, [this] {
        bool ok = false;
        const int ms = QInputDialog::getInt(Window(), QString::fromUtf8("歌詞延遲"),
                                            QString::fromUtf8("每首歌的歌詞都再提前（正）或延後（負）幾毫秒："),
                                            FLatencyOffset, -lyrics::LyricPresenter::MaxShift,
                                            lyrics::LyricPresenter::MaxShift, 10, &ok);
        if (ok)
            Application->Dispatch([this, ms] { SetLatencyOffset(ms); });
    });
    dxDBGrid2->Widget()->addActions({actEditLyrics, actLyricsLatency});
}

void TfrmMain::SetLatencyOffset(int32_t ms)
{
    FLatencyOffset = ms;
    ApplyLyricShift();
    SyncLyrics();
    try {
        lyrics::SetLatencyOffset(ms);
    } catch (const lyrics::SaveError& e) {
        throw Exception(e.what());
    }
}

void TfrmMain::OpenLyricEditor()
{
    if (!FPlaying)
        throw Exception("請先播放要編輯歌詞的歌曲");
    if (LyricEditorWindow) {
        LyricEditorWindow->raise();
        LyricEditorWindow->activateWindow();
        return;
    }
    TLyricEditorHost host;
    // Stamps and seeks are for the song the lines belong to, only while it plays.
    const auto playing = [this, song = FPlayingPath] {
        if (!FPlaying || FPlayingPath != song)
            throw Exception(Format("\"%s\" is not playing any more: play it again to time its lyrics",
                                   std::filesystem::path(song).filename().c_str()));
    };
    host.StampTime = [this, playing] {
        playing();
        return FPlayer->Position() + FLatencyOffset;
    };
    host.Seek = [this, playing](int32_t ms) {
        playing();
        PlayFrom(ms);
        qivTrackBar1->SetPosition(ms);
    };
    // The song the lines belong to, whatever plays when they are saved.
    host.Save = [this, song = FPlayingPath, source = FLyrics.Source()](const lyrics::LyricEditor& edited) {
        return SaveEditedLyrics(edited, song, source);
    };
    LyricEditorWindow = new TLyricEditor(Window(), FCurrentTitle, std::move(host));
    LyricEditorWindow->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(LyricEditorWindow, &QObject::destroyed, Window(), [this] { LyricEditorWindow = nullptr; });
    // The times as the lines play now, the song's own offset in them.
    LyricEditorWindow->Model().Load(FLyrics.Text(), FLyrics.Source().empty() ? 0 : FSongOffset - FOffsetBase);
    LyricEditorWindow->Refresh();
    LyricEditorWindow->show();
}

bool TfrmMain::CloseLyricEditor() { return !LyricEditorWindow || LyricEditorWindow->close(); }

bool TfrmMain::SaveEditedLyrics(const lyrics::LyricEditor& edited, const std::string& song,
                                const std::string& source)
{
    if (song.empty() || !std::filesystem::is_regular_file(song))
        throw Exception(Format("The song \"%s\" is no longer there: the lyrics are not saved", song.c_str()));
    const std::string target = lyrics::IsLrcFile(source) ? source : songs::StripFileExt(song) + ".lrc";
    bool renameTxt = false;
    if (EndsWithTxt(source) && source.front() == '/') {
        const std::string name = std::filesystem::path(source).filename().string();
        const TAnswer answer = AskQuestion(
            "這首歌的歌詞來自 " + name + "。找歌詞時 .txt 排在 .lrc 之前，所以存好的 .lrc 要等 " + name +
            " 改名後才會用上。\n\n要把 " + name + " 改名為 " + name + ".bak 嗎？\n（是：存檔並改名；否：只存檔）");
        if (answer == TAnswer::Cancel)
            return false;
        renameTxt = answer == TAnswer::Yes;
    }
    lyrics::SongInfo info = lyrics::ReadSongInfo(song);
    if (info.lengthMs <= 0 && FPlayer && song == FPlayingPath)
        info.lengthMs = FPlayer->Length();
    try {
        lyrics::SaveFileAtomically(target, lyrics::WriteLrc(edited.Lines(), edited.OtherTags(), info));
    } catch (const lyrics::SaveError& e) {
        throw Exception(e.what());
    }
    if (renameTxt) {
        const std::string backup = source + ".bak";
        std::error_code error;
        if (std::filesystem::exists(backup, error))
            throw Exception(Format("Saved \"%s\", but \"%s\" is not renamed: \"%s\" exists", target.c_str(),
                                   source.c_str(), backup.c_str()));
        std::filesystem::rename(source, backup, error);
        if (error)
            throw Exception(Format("Saved \"%s\", but \"%s\" is not renamed. %s", target.c_str(), source.c_str(),
                                   error.message().c_str()));
    }
    if (song == FPlayingPath)
        ReloadLyrics();
    return true;
}

void TfrmMain::ReloadLyrics()
{
    if (!FPlaying || !dxMemData2->Active())
        return;
    ClearLyrics();
    std::optional<lyrics::LyricText> found;
    try {
        found = lyrics::FindLyrics(FPlayingPath, memLyric->Capacity());
    } catch (const lyrics::LyricError& e) {
        throw Exception(e.what());
    }
    if (found)
        LoadLyricText(std::move(found->text), std::move(found->source));
    SyncLyrics();
}
