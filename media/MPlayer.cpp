#include "media/MPlayer.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace {

// Stands in until the program installs a real service.
class TNoMediaService : public media::MediaService {
public:
    media::ResultCode Open(const media::OpenRequest&, media::DeviceId& device) override
    {
        device = 0;
        return Fail(media::resOpenFailed, "No media service is installed in this program.");
    }
    media::ResultCode Close(media::DeviceId) override { return media::resInvalidDevice; }
    media::ResultCode Play(media::DeviceId, std::optional<std::int32_t>) override { return media::resInvalidDevice; }
    media::ResultCode Pause(media::DeviceId) override { return media::resInvalidDevice; }
    media::ResultCode Resume(media::DeviceId) override { return media::resInvalidDevice; }
    media::ResultCode Stop(media::DeviceId) override { return media::resInvalidDevice; }
    media::ResultCode SeekToStart(media::DeviceId) override { return media::resInvalidDevice; }
    media::ResultCode Length(media::DeviceId, std::int32_t& ms) override { ms = 0; return media::resInvalidDevice; }
    media::ResultCode Position(media::DeviceId, std::int32_t& ms) override { ms = 0; return media::resInvalidDevice; }
    media::ResultCode Mode(media::DeviceId, media::DeviceMode& mode) override
    {
        mode = media::DeviceMode::NotReady;
        return media::resInvalidDevice;
    }
};

std::mutex gDefaultLock;
std::shared_ptr<media::MediaService> gDefaultService;
TMediaPlayer::THandlerDispatcher gDispatcher;

const char* const kNoDeviceOpen = "No MCI device open";
const char* const kUnknownError = "Unknown error code";

} // namespace

const char* DeviceTypeName(TMPDeviceTypes type)
{
    static const char* const names[] = {"",        "AVIVideo", "CDAudio",   "DAT",       "DigitalVideo",
                                        "MMMovie", "Other",    "Overlay",   "Scanner",   "Sequencer",
                                        "VCR",     "Videodisc", "WaveAudio"};
    const int index = static_cast<int>(type);
    return index >= 0 && index < static_cast<int>(std::size(names)) ? names[index] : "";
}

void TMediaPlayer::SetDefaultService(std::shared_ptr<media::MediaService> service)
{
    std::lock_guard guard(gDefaultLock);
    gDefaultService = std::move(service);
}

std::shared_ptr<media::MediaService> TMediaPlayer::DefaultService()
{
    std::lock_guard guard(gDefaultLock);
    if (!gDefaultService)
        gDefaultService = std::make_shared<TNoMediaService>();
    return gDefaultService;
}

void TMediaPlayer::SetHandlerDispatcher(THandlerDispatcher dispatcher)
{
    gDispatcher = std::move(dispatcher);
}

TMediaPlayer::TMediaPlayer(TComponent* AOwner) : TMediaPlayer(AOwner, nullptr) {}

TMediaPlayer::TMediaPlayer(TComponent* AOwner, std::shared_ptr<media::MediaService> service)
    : TComponent(AOwner), FService(service ? std::move(service) : DefaultService())
{
}

TMediaPlayer::~TMediaPlayer()
{
    // Closing is best effort here: its result is of no use to anyone.
    if (FDeviceID != 0)
        FService->Close(FDeviceID);
    CloseUnclosed();
    FService->DetachTarget(this);
}

void TMediaPlayer::Loaded()
{
    TComponent::Loaded();
    if (FAutoOpen)
        Open();
}

void TMediaPlayer::CheckOpen() const
{
    if (!FOpen)
        throw EMCIDeviceError(kNoDeviceOpen);
}

std::string TMediaPlayer::ErrorMessage(std::uint16_t device) const
{
    if (auto text = FService->ErrorText(FError, device))
        return *text;
    return kUnknownError;
}

void TMediaPlayer::Open()
{
    if (FOpen)
        Close();
    media::OpenRequest request;
    request.deviceType = DeviceTypeName(FDeviceType);
    request.fileName = FFileName;
    request.shareable = FShareable;
    request.target = this;
    media::DeviceId id = 0;
    FError = FService->Open(request, id);
    if (FError != 0)
        throw EMCIDeviceError(ErrorMessage(id));
    if (FOpen) {
        // The previous device would not close. Rather than leave it playing
        // with no one to stop it, silence it now and close it later.
        FService->Stop(FDeviceID);
        FUnclosed.push_back(FDeviceID);
    }
    FOpen = true;
    FDeviceID = id;
    Length();
}

void TMediaPlayer::CloseUnclosed()
{
    std::erase_if(FUnclosed, [this](std::uint16_t id) { return FService->Close(id) == 0; });
}

void TMediaPlayer::Close()
{
    CloseUnclosed();
    if (FDeviceID == 0)
        return;
    FError = FService->Close(FDeviceID);
    if (FError == 0) {
        FOpen = false;
        FDeviceID = 0;
    }
}

void TMediaPlayer::Play()
{
    CheckOpen();
    if (FAutoRewind && !FFromPending && Position() == Length())
        FService->SeekToStart(FDeviceID);
    std::optional<std::int32_t> from;
    if (FFromPending) {
        from = FFrom;
        FFromPending = false;
    }
    FError = FService->Play(FDeviceID, from);
}

void TMediaPlayer::Stop()
{
    CheckOpen();
    FError = FService->Stop(FDeviceID);
}

void TMediaPlayer::Pause()
{
    CheckOpen();
    if (Mode() == mdPlaying) {
        FError = FService->Pause(FDeviceID);
        return;
    }
    if (Mode() == mdPaused) {
        FError = FService->Resume(FDeviceID);
        if (FError != 0)
            Play();
    }
}

void TMediaPlayer::SetFrom(std::int32_t value)
{
    FFrom = value;
    FFromPending = true;
}

std::int32_t TMediaPlayer::Length()
{
    CheckOpen();
    std::int32_t ms = 0;
    FError = FService->Length(FDeviceID, ms);
    return ms;
}

std::int32_t TMediaPlayer::Position()
{
    std::int32_t ms = 0;
    FError = FService->Position(FDeviceID, ms);
    return ms;
}

TMediaMode TMediaPlayer::Mode()
{
    media::DeviceMode mode = media::DeviceMode::NotReady;
    FError = FService->Mode(FDeviceID, mode);
    if (FError != 0)
        return mdNotReady;
    switch (mode) {
    case media::DeviceMode::Stopped: return mdStopped;
    case media::DeviceMode::Playing: return mdPlaying;
    case media::DeviceMode::Paused: return mdPaused;
    case media::DeviceMode::NotReady: break;
    }
    return mdNotReady;
}

void TMediaPlayer::MediaNotify(std::uint32_t flag)
{
    // The file is ready: no request ended, and the loop that delivered this
    // has woken, so its idle pass can read the length.
    if (flag == media::notifyReady)
        return;
    std::optional<std::string> openFailure;
    if (flag == media::notifyFailure && FOpen) {
        // A failure of the open itself: the device closes, as after an Open
        // that failed at once, and the error is the open's.
        media::DeviceMode mode{};
        const media::ResultCode code = FService->Mode(FDeviceID, mode);
        if (code != media::resOk && code != media::resInvalidDevice) {
            FError = code;
            openFailure = ErrorMessage(FDeviceID);
            if (FService->Close(FDeviceID) != 0)
                FUnclosed.push_back(FDeviceID);
            FOpen = false;
            FDeviceID = 0;
        }
    }
    switch (flag) {
    case media::notifySuccessful: FNotifyValue = nvSuccessful; break;
    case media::notifySuperseded: FNotifyValue = nvSuperseded; break;
    case media::notifyAborted: FNotifyValue = nvAborted; break;
    case media::notifyFailure: FNotifyValue = nvFailure; break;
    default: break;
    }
    if (!OnNotify && !openFailure)
        return;
    // Called from the event loop: an error in the handler must not unwind into it.
    auto handler = [this, openFailure] {
        if (OnNotify)
            OnNotify(this);
        if (openFailure)
            throw EMCIDeviceError(*openFailure);
    };
    try {
        if (gDispatcher)
            gDispatcher(handler);
        else
            handler();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Error in a media notification handler: %s\n", e.what());
    }
}
