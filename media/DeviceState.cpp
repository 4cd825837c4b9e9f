#include "media/DeviceState.h"

#include <algorithm>
#include <utility>

namespace media {

void DeviceState::End(Owed& owed, std::uint32_t flag)
{
    if (auto ended = FPending.Take(flag))
        owed.push_back(*ended);
}

DeviceState::Owed DeviceState::Opened(std::int32_t lengthMs)
{
    Owed owed;
    if (FPhase != Phase::Opening)
        return owed;
    FPhase = Phase::Ready;
    FLength = std::max<std::int32_t>(lengthMs, 0);
    FPosition = std::clamp<std::int32_t>(FPosition, 0, FLength);
    // Moving to the start is what a fresh output does anyway.
    if (FSeek && *FSeek == 0)
        FSeek.reset();
    if (FMode == DeviceMode::NotReady)
        FMode = DeviceMode::Stopped;
    if (FMode == DeviceMode::Playing && FPosition >= FLength) {
        // A start point at or past the end: nothing left to play.
        FSeek.reset();
        FAtEnd = true;
        FPosition = FLength;
        FMode = DeviceMode::Stopped;
        End(owed, notifySuccessful);
    }
    return owed;
}

DeviceState::Owed DeviceState::OpenFailed(ResultCode code)
{
    Owed owed;
    if (FPhase != Phase::Opening)
        return owed;
    FPhase = Phase::Failed;
    FOpenFailure = code;
    FMode = DeviceMode::NotReady;
    FSeek.reset();
    End(owed, notifyFailure);
    // The open was a request of its own: its caller hears of the failure
    // even when no play waited for it.
    if (owed.empty())
        owed.push_back(notifyFailure);
    return owed;
}

DeviceState::Owed DeviceState::Play(std::optional<std::int32_t> from)
{
    Owed owed;
    if (auto superseded = FPending.Start())
        owed.push_back(*superseded);
    if (FPhase == Phase::Failed) {
        End(owed, notifyFailure);
        return owed;
    }
    if (from) {
        FPosition = Ready() ? std::clamp<std::int32_t>(*from, 0, FLength) : std::max<std::int32_t>(*from, 0);
        FAtEnd = Ready() && FPosition >= FLength;
        if (!FAtEnd)
            FSeek = FPosition;
    }
    if (Ready() && (FAtEnd || FPosition >= FLength)) {
        // Nothing left to play: the request ends at once.
        FSeek.reset();
        FAtEnd = true;
        FPosition = FLength;
        FMode = DeviceMode::Stopped;
        End(owed, notifySuccessful);
        return owed;
    }
    FMode = DeviceMode::Playing;
    return owed;
}

DeviceState::Owed DeviceState::Pause(std::int32_t position)
{
    Owed owed;
    if (FMode != DeviceMode::Playing)
        return owed;
    if (Ready() && !Seeking())
        FPosition = std::clamp<std::int32_t>(position, 0, FLength);
    FMode = DeviceMode::Paused;
    End(owed, notifyAborted);
    return owed;
}

ResultCode DeviceState::Resume(Owed& owed)
{
    if (FMode != DeviceMode::Paused)
        return resNotPaused;
    if (auto superseded = FPending.Start())
        owed.push_back(*superseded);
    FMode = DeviceMode::Playing;
    return resOk;
}

DeviceState::Owed DeviceState::Halt()
{
    Owed owed;
    if (FPhase != Phase::Failed)
        FMode = Opening() && FMode == DeviceMode::NotReady ? DeviceMode::NotReady : DeviceMode::Stopped;
    End(owed, notifyAborted);
    return owed;
}

DeviceState::Owed DeviceState::Stop(std::int32_t position)
{
    if (FMode == DeviceMode::Playing && Ready() && !Seeking() && !FAtEnd)
        FPosition = std::clamp<std::int32_t>(position, 0, FLength);
    return Halt();
}

DeviceState::Owed DeviceState::SeekToStart()
{
    FPosition = 0;
    FAtEnd = false;
    FSeek = 0;
    return Halt();
}

DeviceState::Owed DeviceState::Ended()
{
    Owed owed;
    // An end reported before a start point was reached belongs to the old position.
    if (!Ready() || FSeek)
        return owed;
    FSeeking = false;
    FAtEnd = true;
    FPosition = FLength;
    if (FMode == DeviceMode::Playing)
        FMode = DeviceMode::Stopped;
    End(owed, notifySuccessful);
    return owed;
}

DeviceState::Owed DeviceState::Broke()
{
    Owed owed;
    if (FMode == DeviceMode::Playing)
        FMode = DeviceMode::Stopped;
    End(owed, notifyFailure);
    return owed;
}

DeviceMode DeviceState::Mode() const
{
    return FMode;
}

std::int32_t DeviceState::Position(std::optional<std::int32_t> output)
{
    if (FAtEnd)
        return FLength;
    if (Running() && !Seeking() && output)
        FPosition = std::clamp<std::int32_t>(*output, 0, FLength);
    return FPosition;
}

std::optional<std::int32_t> DeviceState::TakeSeek()
{
    if (!Ready() || !FSeek)
        return std::nullopt;
    FSeeking = true;
    return std::exchange(FSeek, std::nullopt);
}

void DeviceState::SeekDone()
{
    if (!FSeek)
        FSeeking = false;
}

} // namespace media
