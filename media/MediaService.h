#pragma once
// The media service: opens one media file per device and plays it, with every
// time in milliseconds. TMediaPlayer talks only to this interface; the
// GStreamer backend plays real files, the fake one keeps a virtual clock.
//
// All requests are made from the main thread and none of them waits for the
// device. A request returns a result code, 0 for success; ErrorText turns a
// code into a readable message. Open hands back a device at once and opens
// the file in the background: until it is ready its Length is 0, its Mode is
// NotReady (or what a Play, Pause or Stop made of it meanwhile: a Play waits
// for the open and then plays), and its Position is the start point. The
// open's end is told to the notification target: notifyReady when the file is
// ready to play, notifyFailure when it could not be opened (then Mode returns
// the failure's code, with its text in ErrorText, until the device is closed).
// Play and Resume return at once: the device plays on by itself and, when that
// request ends, its notification target hears how it ended, on the main
// thread, through the Qt event loop (so the loop wakes at once when a song
// reaches its end).

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace media {

using DeviceId = std::uint16_t;
using ResultCode = std::uint32_t;

// Result codes shared by the backends.
enum : ResultCode {
    resOk = 0,
    resInvalidDevice = 1,     // no open device has that id
    resOpenFailed = 2,        // the file could not be opened (the backend's own text)
    resNoAudio = 3,           // the file opened but holds no audio stream
    resUnsupportedDevice = 4, // a device type other than auto-select was asked for
    resNotPaused = 5,         // resume of a device that is not paused
    resTimeout = 6,           // the device did not answer in time
    resFailed = 7,            // any other failure (the backend's own text)
};

// The device's own mode.
enum class DeviceMode { NotReady, Stopped, Playing, Paused };

// How an asynchronous request (Play, Resume) ended.
enum NotifyFlag : std::uint32_t {
    notifySuccessful = 1, // played to its end
    notifySuperseded = 2, // another Play or Resume took its place
    notifyAborted = 4,    // stopped, paused, sought or closed before the end
    notifyFailure = 8,    // the device failed while playing, or its open failed
    notifyReady = 16,     // the open ended: the file is ready to play, its length known
};

// Receives the notifications of the devices it opened.
class NotifyTarget {
public:
    virtual void MediaNotify(std::uint32_t flag) = 0;

protected:
    ~NotifyTarget() = default;
};

struct OpenRequest {
    std::string fileName;
    std::string deviceType; // empty: choose the device from the file
    bool shareable = false;
    NotifyTarget* target = nullptr;
};

class MediaService {
public:
    MediaService();
    virtual ~MediaService();
    MediaService(const MediaService&) = delete;
    MediaService& operator=(const MediaService&) = delete;

    // Opens the file in the background (see above); fails at once only for what
    // needs no look inside the file (no name, no such file, not a regular file).
    virtual ResultCode Open(const OpenRequest& request, DeviceId& device) = 0;
    virtual ResultCode Close(DeviceId device) = 0;
    // Plays from the current position, or from `from` when given.
    virtual ResultCode Play(DeviceId device, std::optional<std::int32_t> from) = 0;
    virtual ResultCode Pause(DeviceId device) = 0;
    virtual ResultCode Resume(DeviceId device) = 0;
    // Stops where it is; the position stays.
    virtual ResultCode Stop(DeviceId device) = 0;
    virtual ResultCode SeekToStart(DeviceId device) = 0;
    virtual ResultCode Length(DeviceId device, std::int32_t& ms) = 0;
    virtual ResultCode Position(DeviceId device, std::int32_t& ms) = 0;
    virtual ResultCode Mode(DeviceId device, DeviceMode& mode) = 0;

    // The text for a result code of a request to `device` (0: a request that
    // names no open device, as Open): the detailed text of that device's latest
    // failure when it ended with this code, else the code's own text; nothing
    // for a code this service does not know.
    std::optional<std::string> ErrorText(ResultCode code, DeviceId device = 0) const;

    // Stops notifications to a target that is going away.
    void DetachTarget(NotifyTarget* target);

protected:
    // Records a failure of a request to `device` (0: none open yet) with its
    // detailed text and returns its code. Each device keeps its own text, so
    // a failure posted from a streaming thread for one device never replaces
    // the text of another's.
    ResultCode Fail(ResultCode code, const std::string& text, DeviceId device = 0);

    // Notification routing. Register when a device opens, unregister when it
    // closes (which drops its error text); Notify may be called from any thread and delivers on the main
    // thread, later, to the target still registered for that device.
    void RegisterTarget(DeviceId device, NotifyTarget* target);
    void UnregisterTarget(DeviceId device);
    void Notify(DeviceId device, std::uint32_t flag);

    // The id after `last` (1 to 65535, wrapping) that is not in use.
    static DeviceId NextDeviceId(DeviceId last, const std::function<bool(DeviceId)>& inUse);

private:
    struct Router;
    std::shared_ptr<Router> FRouter;
    mutable std::mutex FErrorLock;
    struct Failure {
        ResultCode code;
        std::string text;
    };
    std::unordered_map<DeviceId, Failure> FErrorTexts;
};

// Runs a task on the main thread from the Qt event loop, posted from any
// thread. Without a Qt application object the task is dropped.
void PostToMainThread(std::function<void()> task);

// Tracks the one pending asynchronous request of a device, so that each
// Play or Resume is answered exactly once.
class PendingNotify {
public:
    // A new asynchronous request: returns the flag owed to the one it replaces.
    std::optional<std::uint32_t> Start()
    {
        auto owed = Take(notifySuperseded);
        FPending = true;
        return owed;
    }
    // The pending request ends with `flag` (if one is pending).
    std::optional<std::uint32_t> Take(std::uint32_t flag)
    {
        if (!FPending)
            return std::nullopt;
        FPending = false;
        return flag;
    }
    bool Pending() const { return FPending; }

private:
    bool FPending = false;
};

} // namespace media
