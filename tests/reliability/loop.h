#pragma once
// One turn of the message loop, for tests that act between turns: it handles
// what is queued, runs the idle pass as the loop is about to wait (as the
// program's loop does), then waits 20 ms at most.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

inline void Pump()
{
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(20);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
