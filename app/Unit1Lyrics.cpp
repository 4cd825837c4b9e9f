// The window's lyrics at their own time: the current lines follow the
// device's position through one single-shot timer, armed for the next change
// after every play, seek, pause and resume; lines that share a time show
// together; the strip fills the words sung; the user can seek to a line and
// move the lyrics at run time.

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/Unit1.h"
#include "app/lyriclog.h"
#include "app/qivTrackBar.h"
#include "forms/application.h"
#include "forms/comctrls.h"
#include "forms/exception.h"
#include "forms/stdctrls.h"
#include "forms/timer.h"
#include "lyrics/lrcwrite.h"
#include "media/MPlayer.h"
#include "table/dxDBGrid.h"
#include "table/dxmdaset.h"

namespace {

// Timers that fire once: armed with a delay, disabled when they fire.
void Arm(TTimer* timer, int delayMs)
{
    timer->SetEnabled(false);
    timer->SetInterval(std::max(1, delayMs));
    timer->SetEnabled(true);
}

QAction* LyricAction(QWidget* window, const char* text, const QKeySequence& keys, std::function<void()> run)
{
    auto* action = new QAction(QString::fromUtf8(text), window);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, [run = std::move(run)] { Application->Dispatch(run); });
    window->addAction(action);
    return action;
}

}  // namespace

void TfrmMain::CreateLyricControls()
{
    tmrLyric = new TTimer(this);
    tmrLyric->SetName("tmrLyric");
    tmrLyric->SetEnabled(false);
    tmrLyric->OnTimer = [this](TObject* Sender) { tmrLyricTimer(Sender); };
    tmrLyricNote = new TTimer(this);
    tmrLyricNote->SetName("tmrLyricNote");
    tmrLyricNote->SetEnabled(false);
    tmrLyricNote->OnTimer = [this](TObject* Sender) { tmrLyricNoteTimer(Sender); };

    dxDBGrid2->OnDblClick = [this](TObject* Sender) { dxDBGrid2DblClick(Sender); };
    // The current lines are the grid's highlight; the cursor is only outlined.
    dxDBGrid2->SetHighlightFocus(false);
    // Word-time marks are not shown.
    for (int i = 0; i < dxDBGrid2->ColumnCount(); ++i) {
        TdxDBGridColumn* column = dxDBGrid2->Columns(i);
        if (column->FieldName() != "Desc")
            continue;
        column->OnGetText = [this](int tableRow, const std::string& text) {
            const std::optional<std::size_t> record = FLyrics.RecordOfRow(tableRow);
            return record ? FLyrics.ShownText(*record) : text;
        };
    }
    // The strip paints its text, with the words sung in yellow; a new line
    // repaints it without laying out the window again.
    pnlCurrentText->SetPaintsCaption(true);
    pnlCurrentText->SetHighlightColor(clYellow);

    QMainWindow* window = Window();
    actLyricsEarlier = LyricAction(window, "歌詞提前 0.1 秒", QKeySequence(Qt::ALT | Qt::Key_Left),
                                   [this] { ShiftLyrics(LyricStepMs); });
    actLyricsLater = LyricAction(window, "歌詞延後 0.1 秒", QKeySequence(Qt::ALT | Qt::Key_Right),
                                 [this] { ShiftLyrics(-LyricStepMs); });
    actLyricsOnTime = LyricAction(window, "歌詞時間還原", QKeySequence(Qt::ALT | Qt::Key_Down),
                                  [this] { ResetLyricShift(); });
    // The context menus of the lyric grid and the strip.
    for (QWidget* widget : {dxDBGrid2->Widget(), pnlCurrentText->Widget()}) {
        widget->addActions({actLyricsEarlier, actLyricsLater, actLyricsOnTime});
        widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    }
    CreateEditorControls();
}

void TfrmMain::LyricsLoaded()
{
    StopLyricTimer();
    // Where each record stands in the table, now that all are posted: the
    // table numbers its records from 1 in the order they were posted.
    std::vector<std::size_t> recordOfRow;
    for (int row = 0; row < dxMemData2->RowCount(); ++row) {
        const std::optional<int32_t> recId = dxMemData2->GetAsInteger(row, dxMemData2->RecIdField());
        recordOfRow.push_back(recId && *recId > 0 ? static_cast<std::size_t>(*recId - 1) : SIZE_MAX);
    }
    FLyrics.SetRowRecords(std::move(recordOfRow));
    dxDBGrid2->SetMarkedRows({});
    RestoreLyricOffset();
}

void TfrmMain::RestoreLyricOffset()
{
    const std::string& source = FLyrics.Source();
    const bool lrc = lyrics::IsLrcFile(source);
    FOffsetBase = lrc ? lyrics::FileOffset(FLyrics.Text()) : 0;
    const std::string song = FPlayer ? FPlayer->FileName() : std::string();
    FSongOffset = source.empty() ? 0 : lrc ? FOffsetBase : FOffsetStore.Get(song);
    FLatencyOffset = lyrics::LatencyOffset();
    ApplyLyricShift();
}

void TfrmMain::ApplyLyricShift() { FLyrics.SetShift(FSongOffset - FOffsetBase + FLatencyOffset); }

std::optional<int32_t> TfrmMain::LyricRecordTime(int row) const { return FLyrics.RowTime(row); }

void TfrmMain::ShowLyricAt(int32_t position)
{
    // After a stop the table is closed: nothing to show.
    if (!dxMemData2->Active())
        return;
    if (FLyrics.MoveTo(position)) {
        std::vector<int> rows = FLyrics.CurrentRows();
        if (FLyrics.Current()) {
            qCDebug(lcLyrics, "current line %d ms at position %d ms", FLyrics.Current()->time, position);
            // The first line of the group is the table's current record, so
            // the grid centres it.
            if (!rows.empty() && rows.front() < dxMemData2->RowCount())
                dxMemData2->SetRecNo(rows.front() + 1);
        }
        dxDBGrid2->SetMarkedRows(std::move(rows));
    }
    ShowLyricStrip(position);
}

void TfrmMain::ShowLyricStrip(int32_t position)
{
    // Before the first line of a song, and under a notice, the strip keeps
    // what it shows.
    std::optional<lyrics::LyricPresenter::Strip> strip = FLyrics.StripAt(position);
    if (!strip)
        return;
    if (strip->text != pnlCurrentText->Caption())
        pnlCurrentText->SetCaption(strip->text);
    pnlCurrentText->SetHighlights(std::move(strip->sung));
}

void TfrmMain::SyncLyrics()
{
    StopLyricTimer();
    if (!FPlaying || !FPlayer || FLyrics.TimedCount() == 0)
        return;
    const TMediaMode mode = FPlayer->Mode();
    if (mode != mdPlaying && mode != mdPaused)
        return;
    const int32_t position = FPlayer->Position();
    ShowLyricAt(position);
    if (mode != mdPlaying)
        return;
    if (const std::optional<int32_t> next = FLyrics.NextChange(position))
        Arm(tmrLyric, *next);
}

void TfrmMain::StopLyricTimer()
{
    if (tmrLyric)
        tmrLyric->SetEnabled(false);
}

void TfrmMain::tmrLyricTimer(TObject*)
{
    tmrLyric->SetEnabled(false);
    // Early or late, the device's position decides; the timer is armed again
    // for what comes next.
    SyncLyrics();
}

void TfrmMain::PlayFrom(int32_t ms)
{
    FPlayer->Pause();
    FPlayer->SetFrom(ms);
    FPlayer->Play();
    Timer1->SetEnabled(true);
    AlignTicks(ms);
    SyncLyrics();
}

void TfrmMain::dxDBGrid2DblClick(TObject*)
{
    if (!FPlaying || !dxMemData2->Active() || dxMemData2->IsEmpty())
        return;
    const std::optional<int32_t> ms = FLyrics.RowPlayTime(dxMemData2->CurrentRow(), qivTrackBar1->Max());
    if (!ms)
        return;
    PlayFrom(*ms);
    qivTrackBar1->SetPosition(*ms);
}

std::string TfrmMain::LyricShiftNotice(int32_t ms)
{
    if (ms == 0)
        return "歌詞時間還原";
    return Format(ms > 0 ? "歌詞提前 %.1f 秒" : "歌詞延後 %.1f 秒", std::abs(ms) / 1000.0);
}

void TfrmMain::ShiftLyrics(int32_t ms)
{
    const int32_t max = lyrics::LyricPresenter::MaxShift;
    FSongOffset = static_cast<int32_t>(std::clamp<int64_t>(int64_t{FSongOffset} + ms, -max, max));
    ApplyLyricShift();
    FLyrics.BeginNotice(pnlCurrentText->Caption());
    pnlCurrentText->SetCaption(LyricShiftNotice(FSongOffset));
    Arm(tmrLyricNote, LyricNoticeMs);
    SyncLyrics();
    // Kept for the song's next play: in its .lrc file, or in the offset store.
    if (!FPlaying)
        return;
    try {
        lyrics::KeepSongOffset(FOffsetStore, FPlayingPath, FLyrics.Source(), FSongOffset);
    } catch (const lyrics::SaveError& e) {
        throw Exception(e.what());
    }
}

void TfrmMain::ResetLyricShift() { ShiftLyrics(-FSongOffset); }

void TfrmMain::tmrLyricNoteTimer(TObject*)
{
    tmrLyricNote->SetEnabled(false);
    const std::string before = FLyrics.EndNotice();
    if (FLyrics.Current() && FPlaying && FPlayer->Mode() != mdStopped)
        ShowLyricStrip(FPlayer->Position());
    else
        pnlCurrentText->SetCaption(before);
}
