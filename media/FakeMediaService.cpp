#include "media/FakeMediaService.h"

#include <algorithm>

namespace media {

namespace {

std::string BaseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* RequestName(FakeMediaService::Request request)
{
    using R = FakeMediaService::Request;
    switch (request) {
    case R::Open: return "Open";
    case R::Close: return "Close";
    case R::Play: return "Play";
    case R::Pause: return "Pause";
    case R::Resume: return "Resume";
    case R::Stop: return "Stop";
    case R::SeekToStart: return "SeekToStart";
    case R::Length: return "Length";
    case R::Position: return "Position";
    case R::Mode: return "Mode";
    }
    return "?";
}

} // namespace

FakeMediaService::FakeMediaService() = default;
FakeMediaService::~FakeMediaService() = default;

void FakeMediaService::AddSong(const std::string& fileName, std::int32_t lengthMs)
{
    FSongs[fileName] = Song{std::max<std::int32_t>(lengthMs, 0), std::nullopt};
}

void FakeMediaService::AddBrokenFile(const std::string& fileName, const std::string& errorText)
{
    FSongs[fileName] = Song{0, errorText};
}

const FakeMediaService::Song* FakeMediaService::FindSong(const std::string& fileName) const
{
    auto it = FSongs.find(fileName);
    if (it == FSongs.end())
        it = FSongs.find(BaseName(fileName));
    return it == FSongs.end() ? nullptr : &it->second;
}

FakeMediaService::Device* FakeMediaService::Find(DeviceId device)
{
    auto it = FDevices.find(device);
    return it == FDevices.end() ? nullptr : &it->second;
}

std::string FakeMediaService::FileOf(DeviceId device) const
{
    auto it = FDevices.find(device);
    return it == FDevices.end() ? std::string() : it->second.fileName;
}

void FakeMediaService::FailNext(Request request, ResultCode code, const std::string& text)
{
    FFailures[request] = Injection{code, text};
}

std::optional<ResultCode> FakeMediaService::Injected(Request request, DeviceId device)
{
    auto it = FFailures.find(request);
    if (it == FFailures.end())
        return std::nullopt;
    const Injection failure = it->second;
    FFailures.erase(it);
    Log(std::string(RequestName(request)) + " failed " + std::to_string(failure.code));
    if (!failure.text.empty())
        Fail(failure.code, failure.text, device);
    return failure.code;
}

ResultCode FakeMediaService::Enter(Request request, DeviceId device, Device*& found, bool logged)
{
    found = nullptr;
    if (auto code = Injected(request, device))
        return *code;
    found = Find(device);
    if (!found)
        return resInvalidDevice;
    if (logged)
        Log(std::string(RequestName(request)) + " " + std::to_string(device));
    return resOk;
}

void FakeMediaService::Owe(DeviceId device, const DeviceState::Owed& flags)
{
    for (std::uint32_t flag : flags)
        Notify(device, flag);
}

void FakeMediaService::FinishOpen(DeviceId id, Device& device, bool late)
{
    if (device.error) {
        Fail(resOpenFailed, *device.error, id);
        Owe(id, device.state.OpenFailed(resOpenFailed));
        return;
    }
    Owe(id, device.state.Opened(device.length));
    // Start points are reached at once here.
    if (device.state.TakeSeek())
        device.state.SeekDone();
    if (late)
        Notify(id, notifyReady);
}

void FakeMediaService::FinishOpens()
{
    for (auto& [id, device] : FDevices)
        if (device.state.Opening())
            FinishOpen(id, device, true);
}

ResultCode FakeMediaService::Open(const OpenRequest& request, DeviceId& device)
{
    device = 0;
    if (auto code = Injected(Request::Open, 0))
        return *code;
    if (!request.deviceType.empty()) {
        Log("Open type " + request.deviceType + " refused");
        return resUnsupportedDevice;
    }
    const Song* song = FindSong(request.fileName);
    if (!song && !FDefaultLength) {
        Log("Open " + request.fileName + " refused");
        return Fail(resOpenFailed, "File not found: " + request.fileName);
    }
    if (song && song->error && !FOpensInBackground) {
        Log("Open " + request.fileName + " refused");
        return Fail(resOpenFailed, *song->error);
    }
    const DeviceId id = NextDeviceId(FLastId, [this](DeviceId candidate) { return FDevices.count(candidate) > 0; });
    if (id == 0)
        return Fail(resFailed, "Too many media devices are open.");
    FLastId = id;
    Device& opened = FDevices[id];
    opened.fileName = request.fileName;
    opened.length = song ? song->length : *FDefaultLength;
    if (song)
        opened.error = song->error;
    RegisterTarget(id, request.target);
    device = id;
    Log("Open " + request.fileName + " -> " + std::to_string(id));
    if (!FOpensInBackground)
        FinishOpen(id, opened, false);
    return resOk;
}

ResultCode FakeMediaService::Close(DeviceId device)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Close, device, found, true))
        return code;
    // A closed device tells its target nothing more.
    UnregisterTarget(device);
    FDevices.erase(device);
    return resOk;
}

ResultCode FakeMediaService::Play(DeviceId device, std::optional<std::int32_t> from)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Play, device, found, false))
        return code;
    Log("Play " + std::to_string(device) + (from ? " from " + std::to_string(*from) : std::string()));
    Owe(device, found->state.Play(from));
    if (found->state.TakeSeek())
        found->state.SeekDone();
    return resOk;
}

ResultCode FakeMediaService::Pause(DeviceId device)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Pause, device, found, true))
        return code;
    Owe(device, found->state.Pause(found->state.Position(std::nullopt)));
    return resOk;
}

ResultCode FakeMediaService::Resume(DeviceId device)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Resume, device, found, true))
        return code;
    DeviceState::Owed owed;
    const ResultCode result = found->state.Resume(owed);
    Owe(device, owed);
    return result;
}

ResultCode FakeMediaService::Stop(DeviceId device)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Stop, device, found, true))
        return code;
    Owe(device, found->state.Stop(found->state.Position(std::nullopt)));
    return resOk;
}

ResultCode FakeMediaService::SeekToStart(DeviceId device)
{
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::SeekToStart, device, found, true))
        return code;
    Owe(device, found->state.SeekToStart());
    if (found->state.TakeSeek())
        found->state.SeekDone();
    return resOk;
}

ResultCode FakeMediaService::Length(DeviceId device, std::int32_t& ms)
{
    ms = 0;
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Length, device, found, false))
        return code;
    ms = found->state.Length();
    return resOk;
}

ResultCode FakeMediaService::Position(DeviceId device, std::int32_t& ms)
{
    ms = 0;
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Position, device, found, false))
        return code;
    ms = found->state.Position(std::nullopt);
    return resOk;
}

ResultCode FakeMediaService::Mode(DeviceId device, DeviceMode& mode)
{
    mode = DeviceMode::NotReady;
    Device* found = nullptr;
    if (const ResultCode code = Enter(Request::Mode, device, found, false))
        return code;
    if (const ResultCode failed = found->state.OpenFailure())
        return failed;
    mode = found->state.Mode();
    return resOk;
}

void FakeMediaService::Advance(std::int32_t ms)
{
    if (ms <= 0)
        return;
    FNow += ms;
    for (auto& [id, device] : FDevices) {
        DeviceState& state = device.state;
        if (!state.Running())
            continue;
        const std::int64_t next = std::int64_t(state.Position(std::nullopt)) + ms;
        if (next >= state.Length())
            Owe(id, state.Ended());
        else
            state.Position(static_cast<std::int32_t>(next));
    }
}

void FakeMediaService::RunToEnd()
{
    std::int32_t longest = 0;
    for (auto& [id, device] : FDevices)
        if (device.state.Running())
            longest = std::max(longest, device.state.Length() - device.state.Position(std::nullopt));
    Advance(longest);
}

} // namespace media
