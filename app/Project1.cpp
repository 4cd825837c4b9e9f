// The program: starts the application, creates the main window and runs the
// message loop until the window closes.

#include <QApplication>

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

    app.Run();
    delete window;
    FinalizeShell();
    return 0;
}
