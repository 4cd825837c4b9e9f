#pragma once
// The main window as the desktop layer sees it: its state as of the last idle
// pass and its commands, each run by the window's own handler.

#include "desktop/PlayerWindow.h"

class TfrmMain;

class TDesktopWindow : public desktop::TPlayerWindow {
public:
    // Counts the user's releases of the seek bar from now on.
    explicit TDesktopWindow(TfrmMain* window);

    desktop::TPlayerState State() override;
    std::int64_t PositionMs() override;
    std::string LyricText() override;

    void Play() override;
    void Pause() override;
    void PlayPause() override;
    void Stop() override;
    void Next() override;
    void Previous() override;
    void ReleaseSeekBar(std::int64_t positionMs) override;
    void SetVolume(int percent) override;
    void Open(const std::string& path) override;
    void Raise() override;
    void Quit() override;

private:
    bool Paused();

    TfrmMain* FWindow;
    int FJumps = 0;
};
