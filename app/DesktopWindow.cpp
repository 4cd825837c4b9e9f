#include "app/DesktopWindow.h"

#include <QMainWindow>
#include <algorithm>

#include "app/Unit1.h"
#include "app/qivTrackBar.h"
#include "forms/buttons.h"
#include "forms/comctrls.h"
#include "forms/stdctrls.h"
#include "media/MPlayer.h"

TDesktopWindow::TDesktopWindow(TfrmMain* window) : FWindow(window)
{
    TMouseEvent release = FWindow->qivTrackBar1->onMouseUp;
    FWindow->qivTrackBar1->onMouseUp = [this, release](TObject* Sender, TMouseButton Button, TShiftState Shift,
                                                       int X, int Y) {
        // A release moves the song only while one plays.
        const bool jumps = FWindow->Playing();
        if (release)
            release(Sender, Button, Shift, X, Y);
        if (jumps)
            ++FJumps;
    };
}

bool TDesktopWindow::Paused()
{
    if (!FWindow->Playing() || !FWindow->Player())
        return false;
    try {
        return FWindow->Player()->Mode() == mdPaused;
    } catch (const std::exception&) {
        return false;
    }
}

desktop::TPlayerState TDesktopWindow::State()
{
    desktop::TPlayerState state;
    const bool paused = Paused();
    state.Status = !FWindow->Playing() ? desktop::TPlaybackStatus::Stopped
                   : paused            ? desktop::TPlaybackStatus::Paused
                                       : desktop::TPlaybackStatus::Playing;
    // A song that plays counts too: clients take a player that cannot play
    // for one that has nothing to control.
    state.CanPlay = FWindow->btnPlay->Enabled() || FWindow->btnPause->Enabled();
    state.CanPause = FWindow->btnPause->Enabled();
    state.CanGoNext = FWindow->btnNext->Enabled();
    state.CanGoPrevious = FWindow->btnPrior->Enabled();
    state.CanSeek = FWindow->Playing() && FWindow->qivTrackBar1->Max() > 0;
    state.Volume = FWindow->TrackBar1->Position();
    state.SongStart = FWindow->SongStarts();
    state.Path = FWindow->PlayingPath();
    state.Title = FWindow->CurrentTitle();
    // The seek bar's range is the length of the song last started.
    state.LengthMs = state.SongStart > 0 ? FWindow->qivTrackBar1->Max() : 0;
    state.Jumps = FJumps;
    state.LateLyrics = FWindow->OnlineLoads();
    return state;
}

std::int64_t TDesktopWindow::PositionMs()
{
    if (!FWindow->Playing() || !FWindow->Player())
        return 0;
    try {
        return std::clamp<std::int64_t>(FWindow->Player()->Position(), 0, FWindow->qivTrackBar1->Max());
    } catch (const std::exception&) {
        return 0;
    }
}

std::string TDesktopWindow::LyricText() { return FWindow->memLyric->Text(); }

void TDesktopWindow::Play()
{
    if (Paused()) {
        if (FWindow->btnPause->Enabled())
            FWindow->btnPause->Click();
    } else if (FWindow->btnPlay->Enabled()) {
        FWindow->btnPlay->Click();
    }
}

void TDesktopWindow::Pause()
{
    if (!Paused() && FWindow->btnPause->Enabled())
        FWindow->btnPause->Click();
}

void TDesktopWindow::PlayPause()
{
    if (FWindow->btnPause->Enabled())
        FWindow->btnPause->Click();
    else if (FWindow->btnPlay->Enabled())
        FWindow->btnPlay->Click();
}

void TDesktopWindow::Stop()
{
    if (FWindow->btnStop->Enabled())
        FWindow->btnStop->Click();
}

void TDesktopWindow::Next()
{
    if (FWindow->btnNext->Enabled())
        FWindow->btnNext->Click();
}

void TDesktopWindow::Previous()
{
    if (FWindow->btnPrior->Enabled())
        FWindow->btnPrior->Click();
}

void TDesktopWindow::ReleaseSeekBar(std::int64_t positionMs)
{
    TqivTrackBar* bar = FWindow->qivTrackBar1;
    bar->SetPosition(static_cast<int>(std::clamp<std::int64_t>(positionMs, bar->Min(), bar->Max())));
    if (bar->onMouseUp)
        bar->onMouseUp(bar, TMouseButton::mbLeft, 0, 0, 0);
}

void TDesktopWindow::SetVolume(int percent) { FWindow->TrackBar1->SetPosition(percent); }

void TDesktopWindow::Open(const std::string& path) { FWindow->OpenArgument(path); }

void TDesktopWindow::Raise()
{
    QMainWindow* window = FWindow->Window();
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

void TDesktopWindow::Quit() { FWindow->Close(); }
