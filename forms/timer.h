#pragma once
// A timer component over QTimer. Its ticks run OnTimer through the application's
// dispatcher, so an error in the handler is reported and the timer goes on.

#include <memory>

#include "forms/component.h"

class QTimer;

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int Interval() const { return FInterval; }
    void SetInterval(int value);

    // Starts the next period after firstDelay ms instead of Interval (the
    // following ticks keep Interval). Does nothing while disabled.
    void Realign(int firstDelay);
    // The delay that starts the current period: after Realign, its first delay
    // until that tick has come; else Interval.
    int NextDelay() const { return FRealigned ? FFirstDelay : FInterval; }

    TNotifyEvent OnTimer;

    // Fires one tick as the loop would (tests drive the timer with it).
    void Tick();

private:
    void Update();

    bool FEnabled = true;
    int FInterval = 1000;
    std::unique_ptr<QTimer> FTimer;
    bool FRealigned = false;
    int FFirstDelay = 0;
};
