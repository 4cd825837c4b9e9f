#pragma once
// TMediaPlayer: the invisible media device. It opens one file at a time
// through a media service and plays, pauses, resumes, stops and closes it;
// Length, Position and From are milliseconds.
//
// Open returns before the file is ready: Length is 0 until then, and a Play
// made meanwhile starts once it is. The event loop wakes when the file is
// ready (no OnNotify: no request ended). When it could not be opened after
// all, the device is closed again (DeviceID 0, NotifyValue nvFailure), OnNotify
// is called, and then the open's EMCIDeviceError goes to the handler dispatcher.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/component.h"
#include "forms/exception.h"
#include "media/MediaService.h"

enum TMediaMode {
    mdNotReady = 0,
    mdStopped = 1,
    mdPlaying = 2,
    mdRecording = 3,
    mdSeeking = 4,
    mdPaused = 5,
    mdOpen = 6,
};

enum TMPDeviceTypes {
    dtAutoSelect = 0,
    dtAVIVideo,
    dtCDAudio,
    dtDAT,
    dtDigitalVideo,
    dtMMMovie,
    dtOther,
    dtOverlay,
    dtScanner,
    dtSequencer,
    dtVCR,
    dtVideodisc,
    dtWaveAudio,
};

// The name a device type is opened by ("" for auto-select).
const char* DeviceTypeName(TMPDeviceTypes type);

enum TMPNotifyValues { nvSuccessful = 0, nvSuperseded = 1, nvAborted = 2, nvFailure = 3 };

class EMCIDeviceError : public Exception {
public:
    using Exception::Exception;
};

class TMediaPlayer : public TComponent, private media::NotifyTarget {
public:
    // Uses the process's media service (see SetDefaultService).
    explicit TMediaPlayer(TComponent* AOwner);
    TMediaPlayer(TComponent* AOwner, std::shared_ptr<media::MediaService> service);
    ~TMediaPlayer() override;

    // The service that players created without one use. Until one is set,
    // every Open fails with a message that says so.
    static void SetDefaultService(std::shared_ptr<media::MediaService> service);
    static std::shared_ptr<media::MediaService> DefaultService();

    // Notifications arrive from the event loop; the handler runs through this
    // (the program passes its application's Dispatch, so an error in OnNotify
    // is reported like any other). By default an error is written to stderr.
    using THandlerDispatcher = std::function<void(const std::function<void()>&)>;
    static void SetHandlerDispatcher(THandlerDispatcher dispatcher);

    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }
    bool AutoOpen() const { return FAutoOpen; }
    void SetAutoOpen(bool value) { FAutoOpen = value; }
    bool AutoRewind() const { return FAutoRewind; }
    void SetAutoRewind(bool value) { FAutoRewind = value; }
    bool AutoEnable() const { return FAutoEnable; }
    void SetAutoEnable(bool value) { FAutoEnable = value; }
    TMPDeviceTypes DeviceType() const { return FDeviceType; }
    void SetDeviceType(TMPDeviceTypes value) { FDeviceType = value; }
    bool Shareable() const { return FShareable; }
    void SetShareable(bool value) { FShareable = value; }

    // The device shows nothing; the window still gives it a parent and hides it.
    TComponent* Parent() const { return FParent; }
    void SetParent(TComponent* value) { FParent = value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool value) { FVisible = value; }

    void Open();
    void Close();
    void Play();
    void Stop();
    // Pauses a playing device, resumes a paused one, does nothing otherwise.
    void Pause();

    // The start point of the next Play (used once).
    std::int32_t From() const { return FFrom; }
    void SetFrom(std::int32_t value);

    std::int32_t Length();
    std::int32_t Position();
    TMediaMode Mode();

    std::uint32_t Error() const { return FError; }
    std::uint16_t DeviceID() const { return FDeviceID; }
    TMPNotifyValues NotifyValue() const { return FNotifyValue; }

    TNotifyEvent OnNotify;

    // Opens the file when AutoOpen is set, once the design values are in.
    void Loaded() override;

private:
    void CheckOpen() const;
    // Retries closing the devices whose close failed before another was opened.
    void CloseUnclosed();
    // The service's text for Error, as a request to `device` left it.
    std::string ErrorMessage(std::uint16_t device) const;
    void MediaNotify(std::uint32_t flag) override;

    std::shared_ptr<media::MediaService> FService;
    std::string FFileName;
    bool FAutoOpen = false;
    bool FAutoRewind = true;
    bool FAutoEnable = true;
    TMPDeviceTypes FDeviceType = dtAutoSelect;
    bool FShareable = false;
    TComponent* FParent = nullptr;
    bool FVisible = true;

    bool FOpen = false;
    std::uint16_t FDeviceID = 0;
    std::uint32_t FError = 0;
    std::int32_t FFrom = 0;
    bool FFromPending = false;
    std::vector<std::uint16_t> FUnclosed;
    TMPNotifyValues FNotifyValue = nvSuccessful;
};
