#pragma once
// A media service that passes every request to another one and keeps, for
// each file the window tried to open, whether it opened. The window's own
// device never knows it is watched: notifications go straight from the real
// service to the device, and error texts are handed on unchanged.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media/MediaService.h"

class RecordingService : public media::MediaService {
public:
    explicit RecordingService(std::shared_ptr<media::MediaService> inner) : FInner(std::move(inner)) {}

    struct Attempt {
        std::string fileName;
        media::ResultCode result;
    };
    const std::vector<Attempt>& Attempts() const { return FAttempts; }
    // Files that opened at least once, and files whose every open failed.
    std::vector<std::string> Opened() const;
    std::vector<std::string> Failed() const;
    int Plays() const { return FPlays; }

    media::ResultCode Open(const media::OpenRequest& request, media::DeviceId& device) override;
    media::ResultCode Close(media::DeviceId device) override { return Pass(FInner->Close(device), device); }
    media::ResultCode Play(media::DeviceId device, std::optional<std::int32_t> from) override;
    media::ResultCode Pause(media::DeviceId device) override { return Pass(FInner->Pause(device), device); }
    media::ResultCode Resume(media::DeviceId device) override { return Pass(FInner->Resume(device), device); }
    media::ResultCode Stop(media::DeviceId device) override { return Pass(FInner->Stop(device), device); }
    media::ResultCode SeekToStart(media::DeviceId device) override { return Pass(FInner->SeekToStart(device), device); }
    media::ResultCode Length(media::DeviceId device, std::int32_t& ms) override
    {
        return Pass(FInner->Length(device, ms), device);
    }
    media::ResultCode Position(media::DeviceId device, std::int32_t& ms) override
    {
        return Pass(FInner->Position(device, ms), device);
    }
    // A device whose open failed in the background answers with the failure:
    // its file counts as not opened.
    media::ResultCode Mode(media::DeviceId device, media::DeviceMode& mode) override;

private:
    // A failure keeps the inner service's text, so the window reports it.
    media::ResultCode Pass(media::ResultCode code, media::DeviceId device);

    std::shared_ptr<media::MediaService> FInner;
    std::vector<Attempt> FAttempts;
    std::map<media::DeviceId, std::size_t> FAttemptOf;
    int FPlays = 0;
};
