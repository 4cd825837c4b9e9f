#include "media/GstMediaService.h"

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <sys/stat.h>

#include "media/Mp3Length.h"

namespace media {

namespace {

constexpr guint kPlayFlagAudio = 1u << 1; // playbin: audio only, no video, text or visualisation
constexpr GstClockTime kStateTimeout = 5 * GST_SECOND;
constexpr auto kSeekSettleLimit = std::chrono::seconds(2);

void EnsureGstInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        // Load what playing an MP3 needs now rather than at the first Open.
        for (const char* name : {"playbin", "typefind", "id3demux", "mpegaudioparse", "mpg123audiodec", "audioconvert",
                                 "audioresample", "volume", "autoaudiosink", "fakesink"}) {
            if (GstElementFactory* factory = gst_element_factory_find(name)) {
                if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory)))
                    gst_object_unref(loaded);
                gst_object_unref(factory);
            }
        }
    });
}

std::int32_t ClampMs(std::int64_t ms)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(ms, 0, INT32_MAX));
}

// Takes ownership of a GStreamer reference and drops it at scope end.
template <typename T>
struct GstRef {
    T* p = nullptr;
    explicit GstRef(T* ptr = nullptr) : p(ptr) {}
    ~GstRef()
    {
        if (p)
            gst_object_unref(p);
    }
    GstRef(const GstRef&) = delete;
    GstRef& operator=(const GstRef&) = delete;
};

bool HasElementOfFactory(GstBin* bin, const char* factoryName)
{
    bool found = false;
    GstIterator* it = gst_bin_iterate_recurse(bin);
    GValue item = G_VALUE_INIT;
    bool done = false;
    while (!done && !found) {
        switch (gst_iterator_next(it, &item)) {
        case GST_ITERATOR_OK: {
            auto* element = GST_ELEMENT(g_value_get_object(&item));
            GstElementFactory* factory = gst_element_get_factory(element);
            if (factory && g_strcmp0(GST_OBJECT_NAME(factory), factoryName) == 0)
                found = true;
            g_value_reset(&item);
            break;
        }
        case GST_ITERATOR_RESYNC:
            gst_iterator_resync(it);
            break;
        default:
            done = true;
            break;
        }
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// A sink that keeps time without sound, for machines with no audio output.
GstElement* MakeSilentSink()
{
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (sink)
        g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
}

// The system's audio output when one can be opened, else the silent sink.
// Returns a full (not floating) reference.
GstElement* MakeAudioSink(const std::string& description, std::string& error)
{
    if (!description.empty()) {
        GError* err = nullptr;
        GstElement* sink = gst_parse_bin_from_description(description.c_str(), TRUE, &err);
        if (!sink) {
            error = err ? err->message : "The audio output could not be made.";
            g_clear_error(&err);
            return nullptr;
        }
        return GST_ELEMENT(gst_object_ref_sink(sink));
    }
    GstElement* sink = gst_element_factory_make("autoaudiosink", nullptr);
    if (sink) {
        gst_object_ref_sink(sink);
        // Going to READY picks and opens the real output; when none opens, the
        // auto sink settles for a fake one, which we replace by a timed one.
        bool real = gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS &&
                    !HasElementOfFactory(GST_BIN(sink), "fakesink");
        gst_element_set_state(sink, GST_STATE_NULL);
        if (real)
            return sink;
        gst_object_unref(sink);
    }
    GstElement* silent = MakeSilentSink();
    return silent ? GST_ELEMENT(gst_object_ref_sink(silent)) : nullptr;
}

} // namespace

class GstMediaService : public MediaService {
public:
    explicit GstMediaService(const GstOptions& options);
    ~GstMediaService() override;

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
    struct Device {
        GstMediaService* service = nullptr;
        DeviceId id = 0;
        GstElement* pipeline = nullptr;
        std::int32_t length = 0;

        // Shared with GStreamer's threads.
        std::mutex lock;
        std::condition_variable changed;
        DeviceMode mode = DeviceMode::Stopped;
        bool prerolled = false;
        bool atEnd = false;
        bool seeking = false;
        std::int32_t seekTarget = 0;
        std::chrono::steady_clock::time_point seekStarted;
        std::int32_t lastPosition = 0;
        std::optional<std::string> error;
        PendingNotify pending;
    };

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    Device* Find(DeviceId device);
    void Destroy(std::unique_ptr<Device> device);
    // Moves to a state and waits until it is reached (or the wait times out).
    static bool ChangeState(Device& device, GstState state);
    bool Seek(Device& device, std::int32_t ms);
    // The device has left playing for `mode`: its pending play ends, aborted.
    void Halted(Device& device, DeviceMode mode);
    // Play or Resume could not start: back to `mode`, the request fails.
    ResultCode PlayFailed(Device& device, DeviceMode mode, const std::string& fallback);

    GstOptions FOptions;
    std::thread FInit;
    std::map<DeviceId, std::unique_ptr<Device>> FDevices;
    DeviceId FLastId = 0;
};

GstMediaService::GstMediaService(const GstOptions& options) : FOptions(options)
{
    if (FOptions.initInBackground)
        FInit = std::thread(EnsureGstInit);
}

GstMediaService::~GstMediaService()
{
    while (!FDevices.empty()) {
        auto node = FDevices.extract(FDevices.begin());
        UnregisterTarget(node.key());
        Destroy(std::move(node.mapped()));
    }
    if (FInit.joinable())
        FInit.join();
}

GstBusSyncReply GstMediaService::OnBusMessage(GstBus*, GstMessage* message, gpointer data)
{
    auto* device = static_cast<Device*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        GError* err = nullptr;
        gst_message_parse_error(message, &err, nullptr);
        std::string text = err && err->message ? err->message : "The media device failed.";
        g_clear_error(&err);
        std::optional<std::uint32_t> owed;
        DeviceId id = 0;
        {
            std::lock_guard guard(device->lock);
            if (!device->error)
                device->error = text;
            if (device->mode == DeviceMode::Playing)
                device->mode = DeviceMode::Stopped;
            owed = device->pending.Take(notifyFailure);
            id = device->id;
        }
        device->changed.notify_all();
        // A device still opening has no id yet: its Open reports the text itself.
        if (id != 0)
            device->service->Fail(resFailed, text, id);
        if (owed)
            device->service->Notify(id, *owed);
        break;
    }
    case GST_MESSAGE_EOS: {
        std::optional<std::uint32_t> owed;
        {
            std::lock_guard guard(device->lock);
            device->atEnd = true;
            device->seeking = false;
            if (device->mode == DeviceMode::Playing)
                device->mode = DeviceMode::Stopped;
            owed = device->pending.Take(notifySuccessful);
        }
        // Either way the main loop wakes at once, so the end is noticed now.
        if (owed)
            device->service->Notify(device->id, *owed);
        else
            PostToMainThread([] {});
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(device->pipeline)) {
            {
                std::lock_guard guard(device->lock);
                device->prerolled = true;
                device->seeking = false;
            }
            device->changed.notify_all();
        }
        break;
    default:
        break;
    }
    // Nothing reads the bus's queue: every message ends here, and a dropped
    // message is ours to release.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

GstMediaService::Device* GstMediaService::Find(DeviceId device)
{
    auto it = FDevices.find(device);
    return it == FDevices.end() ? nullptr : it->second.get();
}

void GstMediaService::Destroy(std::unique_ptr<Device> device)
{
    if (!device || !device->pipeline)
        return;
    // NULL stops GStreamer's threads; after that nothing calls the handler.
    gst_element_set_state(device->pipeline, GST_STATE_NULL);
    GstRef<GstBus> bus(gst_element_get_bus(device->pipeline));
    gst_bus_set_sync_handler(bus.p, nullptr, nullptr, nullptr);
    gst_object_unref(device->pipeline);
    device->pipeline = nullptr;
}

bool GstMediaService::ChangeState(Device& device, GstState state)
{
    if (gst_element_set_state(device.pipeline, state) == GST_STATE_CHANGE_FAILURE)
        return false;
    return gst_element_get_state(device.pipeline, nullptr, nullptr, kStateTimeout) != GST_STATE_CHANGE_FAILURE;
}

bool GstMediaService::Seek(Device& device, std::int32_t ms)
{
    {
        std::lock_guard guard(device.lock);
        device.seeking = true;
        device.seekTarget = ms;
        device.seekStarted = std::chrono::steady_clock::now();
    }
    const bool ok = gst_element_seek_simple(device.pipeline, GST_FORMAT_TIME,
                                            GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                            gint64(ms) * GST_MSECOND);
    std::lock_guard guard(device.lock);
    // The flush is over when the seek returns: an end reported before it is stale.
    device.atEnd = false;
    if (!ok)
        device.seeking = false;
    return ok;
}

ResultCode GstMediaService::Open(const OpenRequest& request, DeviceId& device)
{
    device = 0;
    if (!request.deviceType.empty())
        return resUnsupportedDevice;
    if (request.fileName.empty())
        return Fail(resOpenFailed, "No file name was given.");
    // Only regular files: a named pipe or a device under a song's name would
    // keep GStreamer (and the window with it) waiting for a writer for ever.
    if (struct stat st {}; ::stat(request.fileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return Fail(resOpenFailed, "The file is not a regular file.");
    // The frames are counted while GStreamer gets ready and prerolls the file.
    auto scanning = std::async(std::launch::async, [path = request.fileName] { return ScanMp3LengthMs(path); });
    EnsureGstInit();

    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(request.fileName.c_str(), &err);
    if (!uri) {
        std::string text = err ? err->message : "The file name is not valid.";
        g_clear_error(&err);
        return Fail(resOpenFailed, text);
    }
    GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
    if (!pipeline) {
        g_free(uri);
        return Fail(resFailed, "GStreamer's playbin element is missing (gstreamer1.0-plugins-base).");
    }
    gst_object_ref_sink(pipeline);
    std::string sinkError;
    GstElement* sink = MakeAudioSink(FOptions.audioSink, sinkError);
    if (!sink) {
        g_free(uri);
        gst_object_unref(pipeline);
        return Fail(resFailed, sinkError.empty() ? "No audio output could be made." : sinkError);
    }
    g_object_set(pipeline, "uri", uri, "flags", kPlayFlagAudio, "audio-sink", sink, nullptr);
    // The property holds its own reference.
    gst_object_unref(sink);
    g_free(uri);

    auto opened = std::make_unique<Device>();
    opened->service = this;
    opened->pipeline = pipeline;
    {
        GstRef<GstBus> bus(gst_element_get_bus(pipeline));
        gst_bus_set_sync_handler(bus.p, &GstMediaService::OnBusMessage, opened.get(), nullptr);
    }

    const GstStateChangeReturn started = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    const std::optional<std::int64_t> scanned = scanning.get();

    std::optional<std::string> failure;
    bool timedOut = false;
    {
        std::unique_lock guard(opened->lock);
        if (started == GST_STATE_CHANGE_FAILURE && !opened->error)
            opened->error = "The file could not be opened.";
        timedOut = !opened->changed.wait_for(guard, std::chrono::milliseconds(FOptions.openTimeoutMs),
                                             [&] { return opened->prerolled || opened->error.has_value(); });
        failure = opened->error;
    }
    ResultCode result = resOk;
    std::string text;
    if (failure) {
        result = resOpenFailed;
        text = *failure;
    } else if (timedOut) {
        result = resTimeout;
        text = "The file did not become ready to play in time: " + request.fileName;
    } else {
        gint audioStreams = 0;
        g_object_get(pipeline, "n-audio", &audioStreams, nullptr);
        if (audioStreams <= 0) {
            result = resNoAudio;
            text = "The file holds no audio stream that can be played: " + request.fileName;
        }
    }
    if (result == resOk) {
        gint64 duration = -1;
        if (scanned && *scanned > 0 && HasElementOfFactory(GST_BIN(pipeline), "mpegaudioparse"))
            opened->length = ClampMs(*scanned);
        else if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) && duration > 0)
            opened->length = ClampMs(duration / GST_MSECOND);
        else {
            result = resFailed;
            text = "The length of the file could not be found: " + request.fileName;
        }
    }
    if (result != resOk) {
        Destroy(std::move(opened));
        return Fail(result, text);
    }

    const DeviceId id = NextDeviceId(FLastId, [this](DeviceId candidate) { return FDevices.count(candidate) > 0; });
    if (id == 0) {
        Destroy(std::move(opened));
        return Fail(resFailed, "Too many media devices are open.");
    }
    FLastId = id;
    {
        std::lock_guard guard(opened->lock);
        opened->id = id;
    }
    FDevices[id] = std::move(opened);
    RegisterTarget(id, request.target);
    device = id;
    return resOk;
}

ResultCode GstMediaService::Close(DeviceId device)
{
    auto it = FDevices.find(device);
    if (it == FDevices.end())
        return resInvalidDevice;
    UnregisterTarget(device);
    std::unique_ptr<Device> closing = std::move(it->second);
    FDevices.erase(it);
    Destroy(std::move(closing));
    return resOk;
}

ResultCode GstMediaService::Play(DeviceId id, std::optional<std::int32_t> from)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    bool nothingLeft = false;
    if (from) {
        const std::int32_t target = std::clamp<std::int32_t>(*from, 0, device->length);
        if (target >= device->length) {
            std::lock_guard guard(device->lock);
            device->atEnd = true;
            device->lastPosition = device->length;
            nothingLeft = true;
        } else if (!Seek(*device, target)) {
            return Fail(resFailed, "The device could not move to the start point.", id);
        }
    } else {
        std::lock_guard guard(device->lock);
        nothingLeft = device->atEnd;
    }
    std::optional<std::uint32_t> superseded;
    std::optional<std::uint32_t> finished;
    {
        std::lock_guard guard(device->lock);
        superseded = device->pending.Start();
        if (nothingLeft) {
            device->mode = DeviceMode::Stopped;
            finished = device->pending.Take(notifySuccessful);
        } else {
            device->mode = DeviceMode::Playing;
            device->error.reset();
        }
    }
    if (superseded)
        Notify(id, *superseded);
    if (finished) {
        Notify(id, *finished);
        return resOk;
    }
    if (gst_element_set_state(device->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return PlayFailed(*device, DeviceMode::Stopped, "The device could not start playing.");
    return resOk;
}

ResultCode GstMediaService::Pause(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    {
        std::lock_guard guard(device->lock);
        if (device->mode != DeviceMode::Playing)
            return resOk;
    }
    const bool ok = ChangeState(*device, GST_STATE_PAUSED);
    Halted(*device, DeviceMode::Paused);
    return ok ? resOk : Fail(resFailed, "The device could not pause.", id);
}

ResultCode GstMediaService::Resume(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    std::optional<std::uint32_t> superseded;
    {
        std::lock_guard guard(device->lock);
        if (device->mode != DeviceMode::Paused)
            return resNotPaused;
        superseded = device->pending.Start();
        device->mode = DeviceMode::Playing;
    }
    if (superseded)
        Notify(id, *superseded);
    if (gst_element_set_state(device->pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
        return PlayFailed(*device, DeviceMode::Paused, "The device could not resume playing.");
    return resOk;
}

ResultCode GstMediaService::Stop(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    const bool ok = ChangeState(*device, GST_STATE_PAUSED);
    Halted(*device, DeviceMode::Stopped);
    return ok ? resOk : Fail(resFailed, "The device could not stop.", id);
}

ResultCode GstMediaService::SeekToStart(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    const bool paused = ChangeState(*device, GST_STATE_PAUSED);
    const bool sought = Seek(*device, 0);
    {
        std::lock_guard guard(device->lock);
        device->lastPosition = 0;
    }
    Halted(*device, DeviceMode::Stopped);
    return paused && sought ? resOk : Fail(resFailed, "The device could not move to the start.", id);
}

ResultCode GstMediaService::PlayFailed(Device& device, DeviceMode mode, const std::string& fallback)
{
    std::optional<std::uint32_t> owed;
    std::string text;
    {
        std::lock_guard guard(device.lock);
        device.mode = mode;
        owed = device.pending.Take(notifyFailure);
        text = device.error.value_or(fallback);
    }
    if (owed)
        Notify(device.id, *owed);
    return Fail(resFailed, text, device.id);
}

void GstMediaService::Halted(Device& device, DeviceMode mode)
{
    std::optional<std::uint32_t> owed;
    {
        std::lock_guard guard(device.lock);
        // Only a playing song pauses: one that ended meanwhile stays stopped at its end.
        if (mode != DeviceMode::Paused || device.mode == DeviceMode::Playing)
            device.mode = mode;
        owed = device.pending.Take(notifyAborted);
    }
    if (owed)
        Notify(device.id, *owed);
}

ResultCode GstMediaService::Length(DeviceId id, std::int32_t& ms)
{
    ms = 0;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    ms = device->length;
    return resOk;
}

ResultCode GstMediaService::Position(DeviceId id, std::int32_t& ms)
{
    ms = 0;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    {
        std::lock_guard guard(device->lock);
        if (device->atEnd) {
            ms = device->length;
            return resOk;
        }
        if (device->seeking) {
            if (std::chrono::steady_clock::now() - device->seekStarted < kSeekSettleLimit) {
                ms = device->seekTarget;
                return resOk;
            }
            device->seeking = false;
        }
    }
    gint64 position = -1;
    const bool known = gst_element_query_position(device->pipeline, GST_FORMAT_TIME, &position) && position >= 0;
    std::lock_guard guard(device->lock);
    if (device->atEnd)
        ms = device->length;
    else {
        if (known)
            device->lastPosition = std::min(ClampMs(position / GST_MSECOND), device->length);
        ms = device->lastPosition;
    }
    return resOk;
}

ResultCode GstMediaService::Mode(DeviceId id, DeviceMode& mode)
{
    mode = DeviceMode::NotReady;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    std::lock_guard guard(device->lock);
    mode = device->mode;
    return resOk;
}

std::shared_ptr<MediaService> CreateGstMediaService(const GstOptions& options)
{
    return std::make_shared<GstMediaService>(options);
}

} // namespace media
