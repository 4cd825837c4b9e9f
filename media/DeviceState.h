#pragma once
// The rules of one open media device, shared by every backend: its mode, the
// one pending asynchronous request, the open that may still be under way,
// the end of the song and where it stands. A backend keeps one per device,
// changes it under its own lock, carries out on its output what the state
// asks for (TakeSeek, Running) and posts the notifications each change owes.
//
// A device opens in the background: until the open ends it has no length, a
// Play waits for it (the mode already says playing, the position stays at the
// start point), and the open ends either ready (Opened) or failed
// (OpenFailed, which owes a failure notification whether or not a play was
// waiting).

#include <cstdint>
#include <optional>
#include <vector>

#include "media/MediaService.h"

namespace media {

class DeviceState {
public:
    using Owed = std::vector<std::uint32_t>;

    bool Opening() const { return FPhase == Phase::Opening; }
    bool Ready() const { return FPhase == Phase::Ready; }
    // The code the open failed with (0: it did not fail).
    ResultCode OpenFailure() const { return FOpenFailure; }

    // The open ended with the file ready to play at this length.
    Owed Opened(std::int32_t lengthMs);
    // The open ended in failure (code not 0).
    Owed OpenFailed(ResultCode code);

    Owed Play(std::optional<std::int32_t> from);
    // Pauses a playing device at `position`; anything else stays as it is.
    Owed Pause(std::int32_t position);
    // resNotPaused when the device is not paused.
    ResultCode Resume(Owed& owed);
    Owed Stop(std::int32_t position);
    Owed SeekToStart();
    // The output played to its end.
    Owed Ended();
    // The output failed while playing.
    Owed Broke();

    DeviceMode Mode() const;
    std::int32_t Length() const { return FLength; }
    bool AtEnd() const { return FAtEnd; }
    // Where the device stands, given where the output says it is while it
    // plays (nothing: not known now). At the end: the length; while a start
    // point is being reached: that point; else the output's position, kept
    // for when the output cannot say.
    std::int32_t Position(std::optional<std::int32_t> output);
    // The output should be playing (else paused).
    bool Running() const { return Ready() && FMode == DeviceMode::Playing; }

    // The start point the output must move to, once; then SeekDone when it is there.
    std::optional<std::int32_t> TakeSeek();
    bool SeekPending() const { return Ready() && FSeek.has_value(); }
    bool Seeking() const { return FSeek.has_value() || FSeeking; }
    void SeekDone();

private:
    enum class Phase { Opening, Ready, Failed };
    // The pending request ends with `flag` (if one is pending).
    void End(Owed& owed, std::uint32_t flag);
    // Stopped (not ready while it still opens, as it was after a failure),
    // the pending request aborted.
    Owed Halt();

    Phase FPhase = Phase::Opening;
    ResultCode FOpenFailure = resOk;
    DeviceMode FMode = DeviceMode::NotReady;
    std::int32_t FLength = 0;
    std::int32_t FPosition = 0;
    bool FAtEnd = false;
    std::optional<std::int32_t> FSeek;
    bool FSeeking = false;
    PendingNotify FPending;
};

} // namespace media
