#include "recording_service.h"

#include <algorithm>
#include <set>

media::ResultCode RecordingService::Pass(media::ResultCode code, media::DeviceId device)
{
    if (code == media::resOk)
        return code;
    return Fail(code, FInner->ErrorText(code, device).value_or("Unknown error code"), device);
}

media::ResultCode RecordingService::Open(const media::OpenRequest& request, media::DeviceId& device)
{
    const media::ResultCode code = Pass(FInner->Open(request, device), device);
    FAttempts.push_back({request.fileName, code});
    if (code == media::resOk)
        FAttemptOf[device] = FAttempts.size() - 1;
    return code;
}

media::ResultCode RecordingService::Mode(media::DeviceId device, media::DeviceMode& mode)
{
    const media::ResultCode code = Pass(FInner->Mode(device, mode), device);
    const auto attempt = FAttemptOf.find(device);
    if (code != media::resOk && code != media::resInvalidDevice && attempt != FAttemptOf.end())
        FAttempts[attempt->second].result = code;
    return code;
}

media::ResultCode RecordingService::Play(media::DeviceId device, std::optional<std::int32_t> from)
{
    const media::ResultCode code = Pass(FInner->Play(device, from), device);
    if (code == media::resOk)
        ++FPlays;
    return code;
}

std::vector<std::string> RecordingService::Opened() const
{
    std::set<std::string> names;
    for (const Attempt& a : FAttempts)
        if (a.result == media::resOk)
            names.insert(a.fileName);
    return {names.begin(), names.end()};
}

std::vector<std::string> RecordingService::Failed() const
{
    const std::vector<std::string> opened = Opened();
    std::set<std::string> names;
    for (const Attempt& a : FAttempts)
        if (a.result != media::resOk && !std::binary_search(opened.begin(), opened.end(), a.fileName))
            names.insert(a.fileName);
    return {names.begin(), names.end()};
}
