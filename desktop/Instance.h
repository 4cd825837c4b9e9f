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
#include <thread>

#include "desktop/PlayerWindow.h"

namespace desktop {

class TInstanceService;

class TSessionBus {
public:
    // Connects to the session bus, waiting at most waitMs. No bus, or one that
    // has not answered in that time, leaves the link unconnected; a late
    // connection is then not used.
    explicit TSessionBus(int waitMs);
    // Waits for a connection still being made (the bus's own time limit).
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

    std::thread FConnecting;
    bool FConnected = false;
    std::unique_ptr<TInstanceService> FService;
};

}  // namespace desktop
