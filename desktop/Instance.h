#pragma once
// The player's place on the session bus: a connection that never holds up the
// start, the application id that keeps the player to one window, and the
// hand-off of a second start to the window that runs.
//
// The first player owns the id and answers org.freedesktop.Application on it:
// Activate raises the window, Open opens the first file:// URI as the
// program's argument, ActivateAction runs "play-pause", "next" or "previous".

#include <QDBusConnection>
#include <QObject>
#include <memory>
#include <string>
#include <sys/types.h>

#include "desktop/PlayerWindow.h"

namespace desktop {

class TInstanceService;

// Asks a child process whether the session bus answers. A bus that accepts
// connections but never answers would hold up whichever thread first connects
// (libdbus waits 25 s, and Qt's accessibility bridge connects while the
// window is being built); the child bears that wait instead.
class TBusProbe {
public:
    // Starts the probe. Call it first in the program, while the process has
    // one thread. The child is reaped when the probe goes: end it once the
    // answer is taken and the window is up.
    TBusProbe();
    ~TBusProbe();
    TBusProbe(const TBusProbe&) = delete;
    TBusProbe& operator=(const TBusProbe&) = delete;

    // Waits at most waitMs (from the start of the probe) for its answer. A
    // bus that has not answered by then is turned off for the process (in
    // its environment), so that every later use of it fails at once: call it
    // while the process still has one thread, before the application object.
    bool Answered(int waitMs);

private:
    static constexpr char kAnswers = 'y';
    static constexpr char kNone = 'n';
    pid_t FChild = -1;
    int FPipe = -1;
    long long FStartMs = 0;
};

class TSessionBus {
public:
    // Connects to the session bus when the probe found one that answers.
    explicit TSessionBus(bool answered);
    ~TSessionBus();
    TSessionBus(const TSessionBus&) = delete;
    TSessionBus& operator=(const TSessionBus&) = delete;

    bool Connected() const { return FConnected; }
    QDBusConnection Connection() const;

    enum class TClaim { Claimed, HeldByOther, Failed };
    // Exports the application object (its window attached later) and asks
    // for the application id.
    TClaim Claim();
    // The window that the application object drives, once it exists.
    void Attach(TPlayerWindow* window);

    // A second start: hands the path (a folder or song; empty: none) to the
    // running player, which comes to the front. False when it did not answer.
    bool HandOff(const std::string& path);
    // A second start with an action ("play-pause", "next", "previous").
    bool SendAction(const std::string& action);

private:
    bool CallRunning(const QString& method, const QVariantList& arguments);

    bool FConnected = false;
    std::unique_ptr<TInstanceService> FService;
};

}  // namespace desktop
