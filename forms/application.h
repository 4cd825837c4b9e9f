#pragma once
// The application object: the message loop, the idle event and the default
// error handler. Event handlers that start from user input, a timer or the idle
// pass run through Dispatch(), which reports an escaping error in a message box
// and lets the loop go on. Handlers called from inside another handler let the
// error unwind to the outermost one.

#include <functional>
#include <string>
#include <vector>

#include "forms/component.h"

class QObject;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Hooks the idle event to the running Qt application's event dispatcher.
    // A QApplication must exist.
    void Initialize();

    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }

    // Runs the message loop until Terminate() or the last window closes.
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // Runs a handler as the outermost handler would run: an Exception (or any
    // std::exception) escaping it is shown by ShowException.
    void Dispatch(const std::function<void()>& handler);
    bool InHandler() const { return FHandlerDepth > 0; }

    // The default error report: a message box with an error icon and an OK
    // button, titled with Title(), showing the message with "." added when its
    // last character's code is greater than that of ".".
    void ShowException(const std::string& message);
    static std::string ErrorText(const std::string& message);

    // The idle event. Several listeners (TApplicationEvents) may subscribe.
    using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
    int AddIdleHandler(TIdleEvent handler);
    void RemoveIdleHandler(int id);
    // One idle pass, as the loop runs it each time the queue has been emptied.
    void DoIdle();

    // Replaces the message box (tests record the reports instead).
    using TMessageBoxHook = std::function<void(const std::string& title, const std::string& text)>;
    void SetMessageBoxHook(TMessageBoxHook hook) { FMessageBoxHook = std::move(hook); }

private:
    std::string FTitle = "Project1";
    bool FTerminated = false;
    bool FInIdle = false;
    int FModalReports = 0;
    int FHandlerDepth = 0;
    int FHandlerLoopLevel = 0;
    int FNextIdleId = 1;
    std::vector<std::pair<int, TIdleEvent>> FIdleHandlers;
    TMessageBoxHook FMessageBoxHook;
    QObject* FIdleConnection = nullptr;
};

// The one application object of the process.
extern TApplication* Application;

// Binds the application's idle event to a handler of a form.
class TApplicationEvents : public TComponent {
public:
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;
    TApplication::TIdleEvent OnIdle;

private:
    int FIdleId = 0;
};
