#pragma once
// Turns of the message loop for tests that play in real time or wait for
// notifications: each turn handles what is queued, runs the idle pass as the
// loop is about to wait (as the program's loop does), then waits 20 ms at most.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

inline void Pump()
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(20);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs the loop until done() holds or limitMs has passed; returns done().
template <class Done>
bool RunUntil(Done done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        Pump();
    return done();
}
