// The program: starts the application, creates the main window and runs the
// message loop until the window closes.
//   Project1 [FOLDER | SONG.mp3]
// A folder is selected in the folder tree and loaded; a song's folder is
// loaded and the song played.

#include <QApplication>
#include <QTimer>
#include <string>
#include <thread>

#include "app/Unit1.h"
#include "forms/application.h"
#include "media/MPlayer.h"
#include "shell/ShellCtrls.h"

int main(int argc, char** argv)
{
    // The folder tree's shared desktop record exists before any window.
    InitializeShell();
    QApplication qtApp(argc, argv);
    TApplication app;
    app.Initialize();
    TMediaPlayer::SetHandlerDispatcher([](const std::function<void()>& handler) { Application->Dispatch(handler); });

    // frmMain is set by the window itself as its construction begins.
    auto* window = new TfrmMain(&app, TPlayerServices::System());
    window->Show();
    // Once the window has been shown and painted, the media backend gets
    // ready in the background, so that the first song starts at once.
    std::thread warmUp;
    QTimer::singleShot(500, [&warmUp] { warmUp = std::thread(TPlayerServices::WarmUpMedia); });
    if (argc > 1) {
        // Once the window is up: the argument's work is the user's first action.
        const std::string argument = argv[1];
        QTimer::singleShot(0, [window, argument] { Application->Dispatch([&] { window->OpenArgument(argument); }); });
    }

    app.Run();
    if (warmUp.joinable())
        warmUp.join();
    delete window;
    FinalizeShell();
    return 0;
}
