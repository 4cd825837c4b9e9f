#include "forms/timer.h"

#include <QTimer>

#include "forms/application.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FTimer(std::make_unique<QTimer>())
{
    FTimer->setTimerType(Qt::PreciseTimer);
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] {
        if (FRealigned) {
            FRealigned = false;
            FTimer->setInterval(FInterval);
        }
        Tick();
    });
    Update();
}

TTimer::~TTimer() = default;

void TTimer::SetEnabled(bool value)
{
    if (value == FEnabled)
        return;
    FEnabled = value;
    Update();
}

void TTimer::SetInterval(int value)
{
    if (value == FInterval)
        return;
    FInterval = value;
    Update();
}

void TTimer::Realign(int firstDelay)
{
    if (!FEnabled || FInterval <= 0)
        return;
    FRealigned = true;
    FFirstDelay = firstDelay < 0 ? 0 : firstDelay;
    FTimer->start(FFirstDelay);
}

void TTimer::Update()
{
    FTimer->stop();
    FRealigned = false;
    if (FEnabled && FInterval > 0)
        FTimer->start(FInterval);
}

void TTimer::Tick()
{
    if (!OnTimer)
        return;
    if (Application)
        Application->Dispatch([this] { OnTimer(this); });
    else
        OnTimer(this);
}
