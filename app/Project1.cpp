// The program: starts the application, creates the main window and runs the
// message loop until the window closes.
//   Project1 [--play-pause | --next | --previous] [FOLDER | SONG.mp3]
// A folder is selected in the folder tree and loaded; a song's folder is
// loaded and the song played. While a player runs, a second start hands its
// folder or song (or its action) to that player over the session bus, which
// comes to the front, and exits; without a bus the program starts as ever.

#include <QApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "app/DesktopWindow.h"
#include "app/Unit1.h"
#include "desktop/Drop.h"
#include "desktop/Identity.h"
#include "desktop/Instance.h"
#include "desktop/Mpris.h"
#include "forms/application.h"
#include "media/MPlayer.h"
#include "shell/ShellCtrls.h"
#include "songs/song.h"

namespace {

// How long the start waits for the session bus at most.
constexpr int kBusWaitMs = 500;

}  // namespace

int main(int argc, char** argv)
{
    // Whether a session bus answers is asked while the application starts.
    auto probe = std::make_unique<desktop::TBusProbe>();
    std::string argument;
    std::string action;
    for (int i = 1; i < argc; ++i) {
        const char* word = argv[i];
        if (std::strcmp(word, "--play-pause") == 0 || std::strcmp(word, "--next") == 0 ||
            std::strcmp(word, "--previous") == 0)
            action = word + 2;
        else if (argument.empty())
            argument = word;
    }

    // While the probe asks, the system's services are made: the mixer
    // connects to the sound server and reads the volume. None of them starts
    // a thread.
    TPlayerServices services = TPlayerServices::System();

    // The answer is taken while the process has one thread: a bus that does
    // not answer is turned off in the environment, which no other thread may
    // be reading then, and before Qt's own parts first connect to it.
    const bool answered = probe->Answered(kBusWaitMs);
    QApplication qtApp(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromUtf8(desktop::kAppId));
    desktop::TSessionBus bus(answered);
    const desktop::TSessionBus::TClaim claim = bus.Claim();
    if (claim == desktop::TSessionBus::TClaim::HeldByOther) {
        if (action.empty() ? bus.HandOff(argument) : bus.SendAction(action))
            return 0;
        // The running player did not answer: this one starts on its own.
    }
    if (!action.empty()) {
        std::fprintf(stderr, "Project1: --%s: no player is running\n", action.c_str());
        return 1;
    }

    // The folder tree's shared desktop record exists before any window.
    InitializeShell();
    TApplication app;
    app.Initialize();
    TMediaPlayer::SetHandlerDispatcher([](const std::function<void()>& handler) { Application->Dispatch(handler); });

    // frmMain is set by the window itself as its construction begins.
    auto* window = new TfrmMain(&app, std::move(services));
    TDesktopWindow desktopWindow(window);
    std::unique_ptr<desktop::TMprisService> mpris;
    if (claim == desktop::TSessionBus::TClaim::Claimed) {
        bus.Attach(&desktopWindow);
        mpris = std::make_unique<desktop::TMprisService>(&desktopWindow, bus.Connection());
        // Without the MPRIS2 name (another program holds it) the player runs
        // without media controls.
        if (!mpris->Register()) {
            std::fprintf(stderr, "Project1: media controls are off: the session bus refused the MPRIS2 name\n");
            mpris.reset();
        }
    }
    new desktop::TDropTarget(
        window->Window(), [](const std::string& file) { return songs::IsSongFile(file); },
        [window](const std::string& path) { window->OpenArgument(path); });
    window->Show();
    // The probe answered long ago: its child is reaped.
    probe.reset();
    // Once the window has been shown and painted, the media backend gets
    // ready in the background, so that the first song starts at once.
    std::thread warmUp;
    QTimer::singleShot(500, [&warmUp] { warmUp = std::thread(TPlayerServices::WarmUpMedia); });
    if (!argument.empty()) {
        // Once the window is up: the argument's work is the user's first action.
        QTimer::singleShot(0, [window, argument] { Application->Dispatch([&] { window->OpenArgument(argument); }); });
    }

    app.Run();
    if (warmUp.joinable())
        warmUp.join();
    mpris.reset();
    bus.Attach(nullptr);
    delete window;
    FinalizeShell();
    return 0;
}
