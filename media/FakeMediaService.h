#pragma once
// A media service for tests: songs are names with lengths, time is a virtual
// clock that only moves when the test says so.
//
//   auto fake = std::make_shared<media::FakeMediaService>();
//   fake->AddSong("a.mp3", 3000);                 // matched by path or by file name
//   fake->AddBrokenFile("bad.mp3", "Not an MP3"); // Open fails with this text
//   ... player->Open(); player->Play();
//   fake->Advance(1000);                          // one second of playing
//   fake->RunToEnd();                             // every playing song reaches its end
//   fake->SetOpensInBackground(true);             // opens end only at FinishOpens(),
//   ... player->Open(); player->Play();           // as a real device's do later
//   fake->FinishOpens();
//
// Every request is logged (Requests()), so a test can see what was sent.

#include <map>
#include <string>
#include <vector>

#include "media/DeviceState.h"
#include "media/MediaService.h"

namespace media {

class FakeMediaService : public MediaService {
public:
    enum class Request { Open, Close, Play, Pause, Resume, Stop, SeekToStart, Length, Position, Mode };

    FakeMediaService();
    ~FakeMediaService() override;

    // A file that opens as a song of the given length.
    void AddSong(const std::string& fileName, std::int32_t lengthMs);
    // A file whose Open fails with this text.
    void AddBrokenFile(const std::string& fileName, const std::string& errorText);
    // Files not added open with this length (by default they fail as missing).
    void SetDefaultLength(std::optional<std::int32_t> lengthMs) { FDefaultLength = lengthMs; }

    // Moves the virtual clock: every playing device moves on; one that reaches
    // its end stops there and is told so.
    void Advance(std::int32_t ms);
    // Every playing device reaches its end.
    void RunToEnd();
    std::int64_t Now() const { return FNow; }

    // When set, an Open hands back its device at once and the open ends (ready,
    // or failed for a broken file) only at FinishOpens, which tells each device's
    // target through the event loop, as a device that opens in the background does.
    void SetOpensInBackground(bool value) { FOpensInBackground = value; }
    void FinishOpens();

    // The next request of this kind fails with this code (once); the text, when
    // given, is recorded for the device that request names.
    void FailNext(Request request, ResultCode code, const std::string& text = {});

    // Log of requests, one line each, e.g. "Open /m/a.mp3 -> 1", "Play 1 from 500".
    const std::vector<std::string>& Requests() const { return FRequests; }
    void ClearRequests() { FRequests.clear(); }
    int OpenDeviceCount() const { return static_cast<int>(FDevices.size()); }
    // The file an open device holds ("" when none).
    std::string FileOf(DeviceId device) const;

    ResultCode Open(const OpenRequest& request, DeviceId& device) override;
    ResultCode Close(DeviceId device) override;
    ResultCode Play(DeviceId device, std::optional<std::int32_t> from) override;
    ResultCode Pause(DeviceId device) override;
    ResultCode Resume(DeviceId device) override;
    ResultCode Stop(DeviceId device) override;
    ResultCode SeekToStart(DeviceId device) override;
    ResultCode Length(DeviceId device, std::int32_t& ms) override;
    ResultCode Position(DeviceId device, std::int32_t& ms) override;
    ResultCode Mode(DeviceId device, DeviceMode& mode) override;

private:
    struct Song {
        std::int32_t length = 0;
        std::optional<std::string> error;
    };
    struct Device {
        std::string fileName;
        std::int32_t length = 0;
        std::optional<std::string> error; // the open fails with this text
        DeviceState state;
    };

    const Song* FindSong(const std::string& fileName) const;
    Device* Find(DeviceId device);
    std::optional<ResultCode> Injected(Request request, DeviceId device);
    // Answers an injected failure or an unknown device; else finds the device
    // (and logs the request when `logged`).
    ResultCode Enter(Request request, DeviceId device, Device*& found, bool logged);
    void Log(std::string line) { FRequests.push_back(std::move(line)); }
    void Owe(DeviceId device, const DeviceState::Owed& flags);
    // Ends the open of a device, as its backend's worker would.
    void FinishOpen(DeviceId id, Device& device, bool late);

    std::map<std::string, Song> FSongs;
    std::optional<std::int32_t> FDefaultLength;
    std::map<DeviceId, Device> FDevices;
    struct Injection {
        ResultCode code;
        std::string text;
    };
    std::map<Request, Injection> FFailures;
    std::vector<std::string> FRequests;
    DeviceId FLastId = 0;
    std::int64_t FNow = 0;
    bool FOpensInBackground = false;
};

} // namespace media
