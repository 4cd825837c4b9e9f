#pragma once
// MPRIS2: the object /org/mpris/MediaPlayer2 with the interfaces
// org.mpris.MediaPlayer2 and org.mpris.MediaPlayer2.Player, over a player
// window. Calls from the bus are checked first; the commands then run on the
// window's loop after the reply has gone, so a command's error report never
// holds up the caller. After each idle pass the changed properties are
// announced (PropertiesChanged) and a jump of the position (Seeked).

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

#include "desktop/PlayerWindow.h"

namespace desktop {

class TMprisService : public QObject {
    Q_OBJECT
public:
    TMprisService(TPlayerWindow* window, QDBusConnection connection);
    ~TMprisService() override;

    // Exports the object and asks for the MPRIS2 name; false when the bus
    // refuses either, and then nothing stays exported and no change is
    // announced.
    bool Register();

    // Compares the window's state with that of the last call and announces
    // what changed. Runs after each idle pass.
    void Refresh();

    // The id of the song last started, and its metadata.
    QDBusObjectPath TrackId(const TPlayerState& state) const;
    QVariantMap Metadata(const TPlayerState& state) const;

    TPlayerWindow* Window() const { return FWindow; }
    const QDBusConnection& Connection() const { return FConnection; }
    // Runs a command of the window on its loop, as user input runs.
    void Later(std::function<void(TPlayerWindow*)> command);

private:
    void Announce(const char* interface, const QVariantMap& changed);

    TPlayerWindow* FWindow;
    QDBusConnection FConnection;
    TPlayerState FLast;
    bool FRegistered = false;
    int FIdleId = 0;
};

}  // namespace desktop
