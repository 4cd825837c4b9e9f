#include "media/MediaService.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace media {

void PostToMainThread(std::function<void()> task)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

// The device -> target table. Posted deliveries hold it weakly, so a service
// that is gone before they run delivers nothing.
struct MediaService::Router {
    std::mutex lock;
    std::unordered_map<DeviceId, NotifyTarget*> targets;

    void Deliver(DeviceId device, std::uint32_t flag)
    {
        NotifyTarget* target = nullptr;
        {
            std::lock_guard guard(lock);
            auto it = targets.find(device);
            if (it != targets.end())
                target = it->second;
        }
        if (target)
            target->MediaNotify(flag);
    }
};

MediaService::MediaService() : FRouter(std::make_shared<Router>()) {}

MediaService::~MediaService() = default;

std::optional<std::string> MediaService::ErrorText(ResultCode code, DeviceId device) const
{
    {
        std::lock_guard guard(FErrorLock);
        auto it = FErrorTexts.find(device);
        if (it != FErrorTexts.end() && it->second.code == code)
            return it->second.text;
    }
    switch (code) {
    case resOk:
        return "The operation completed successfully.";
    case resInvalidDevice:
        return "The media device is not open.";
    case resOpenFailed:
        return "The file could not be opened.";
    case resNoAudio:
        return "The file holds no audio stream that can be played.";
    case resUnsupportedDevice:
        return "Only media files can be opened; choose the device from the file.";
    case resNotPaused:
        return "The media device is not paused.";
    case resTimeout:
        return "The media device did not answer in time.";
    case resFailed:
        return "The media device failed.";
    default:
        return std::nullopt;
    }
}

ResultCode MediaService::Fail(ResultCode code, const std::string& text, DeviceId device)
{
    std::lock_guard guard(FErrorLock);
    if (text.empty())
        FErrorTexts.erase(device);
    else
        FErrorTexts[device] = Failure{code, text};
    return code;
}

void MediaService::RegisterTarget(DeviceId device, NotifyTarget* target)
{
    std::lock_guard guard(FRouter->lock);
    if (target)
        FRouter->targets[device] = target;
    else
        FRouter->targets.erase(device);
}

void MediaService::UnregisterTarget(DeviceId device)
{
    {
        std::lock_guard guard(FRouter->lock);
        FRouter->targets.erase(device);
    }
    std::lock_guard guard(FErrorLock);
    FErrorTexts.erase(device);
}

void MediaService::DetachTarget(NotifyTarget* target)
{
    std::lock_guard guard(FRouter->lock);
    std::erase_if(FRouter->targets, [target](const auto& entry) { return entry.second == target; });
}

void MediaService::Notify(DeviceId device, std::uint32_t flag)
{
    std::weak_ptr<Router> router = FRouter;
    PostToMainThread([router, device, flag] {
        if (auto alive = router.lock())
            alive->Deliver(device, flag);
    });
}

DeviceId MediaService::NextDeviceId(DeviceId last, const std::function<bool(DeviceId)>& inUse)
{
    DeviceId id = last;
    for (int tries = 0; tries < 65535; ++tries) {
        id = static_cast<DeviceId>(id == 65535 ? 1 : id + 1);
        if (!inUse(id))
            return id;
    }
    return 0;
}

} // namespace media
