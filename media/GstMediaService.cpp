#include "media/GstMediaService.h"

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <cstring>
#include <list>
#include <sys/stat.h>

#include "media/DeviceState.h"
#include "media/Mp3Length.h"

namespace media {

namespace {

constexpr guint kPlayFlagAudio = 1u << 1; // playbin: audio only, no video, text or visualisation
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

// Each device has a worker thread of its own that does everything that may
// wait on GStreamer: it builds the pipeline, prerolls the file while it counts
// its frames, then moves the pipeline to where the device's state says it
// should be (a start point to reach, playing or paused) each time a request
// changes that state. The main thread only changes the state and wakes it.
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
        std::string fileName;
        std::thread worker;

        // Shared with the worker and GStreamer's threads.
        std::mutex lock;
        std::condition_variable changed;
        DeviceState state;
        // Set by the worker once the file is ready; read by the main thread only then.
        GstElement* pipeline = nullptr;
        // Its audio sink, which answers position queries in fewer steps than
        // the whole pipeline (the answer is the same: it is the only sink).
        GstElement* output = nullptr;
        // The pipeline as the bus handler knows it, from before it is ready.
        GstElement* element = nullptr;
        bool prerolled = false;
        std::optional<std::string> error;
        std::chrono::steady_clock::time_point seekStarted;
        bool closing = false;
        bool finished = false; // the worker has let go of everything
    };

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    static void Work(Device* device);
    // The open, on the worker: the pipeline prerolled and the length known, or
    // the failure's code with its text.
    static ResultCode OpenPipeline(Device& device, GstElement*& pipeline, std::int32_t& length, std::string& text);
    static void Release(GstElement* pipeline);
    Device* Find(DeviceId device);
    // Posts what a change owes and wakes the worker.
    void Changed(Device& device, const DeviceState::Owed& owed);
    // A change of state made at the output's position (pause, stop).
    ResultCode AtPosition(DeviceId id, DeviceState::Owed (DeviceState::*change)(std::int32_t));
    // Joins the workers of closed devices that have finished (all: wait for them).
    void Reap(bool all);
    // Where the pipeline is now (nothing while it cannot say).
    static std::optional<std::int32_t> OutputPosition(Device& device);

    GstOptions FOptions;
    std::thread FInit;
    std::map<DeviceId, std::unique_ptr<Device>> FDevices;
    std::list<std::unique_ptr<Device>> FClosing;
    DeviceId FLastId = 0;
};

GstMediaService::GstMediaService(const GstOptions& options) : FOptions(options)
{
    if (FOptions.initInBackground)
        FInit = std::thread(EnsureGstInit);
}

GstMediaService::~GstMediaService()
{
    while (!FDevices.empty())
        Close(FDevices.begin()->first);
    Reap(true);
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
        DeviceState::Owed owed;
        {
            std::lock_guard guard(device->lock);
            if (!device->error)
                device->error = text;
            // A device still opening reports the failure as its open's end.
            if (device->state.Ready() && !device->closing) {
                owed = device->state.Broke();
                device->service->Fail(resFailed, text, device->id);
            }
        }
        device->changed.notify_all();
        for (std::uint32_t flag : owed)
            device->service->Notify(device->id, flag);
        break;
    }
    case GST_MESSAGE_EOS: {
        DeviceState::Owed owed;
        bool closing = false;
        {
            std::lock_guard guard(device->lock);
            owed = device->state.Ended();
            closing = device->closing;
        }
        device->changed.notify_all();
        if (closing)
            break;
        // Either way the main loop wakes at once, so the end is noticed now.
        if (owed.empty())
            PostToMainThread([] {});
        for (std::uint32_t flag : owed)
            device->service->Notify(device->id, flag);
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) == GST_OBJECT(device->element)) {
            {
                std::lock_guard guard(device->lock);
                device->prerolled = true;
                device->state.SeekDone();
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

void GstMediaService::Release(GstElement* pipeline)
{
    if (!pipeline)
        return;
    // NULL stops GStreamer's threads; after that nothing calls the handler.
    gst_element_set_state(pipeline, GST_STATE_NULL);
    GstRef<GstBus> bus(gst_element_get_bus(pipeline));
    gst_bus_set_sync_handler(bus.p, nullptr, nullptr, nullptr);
    gst_object_unref(pipeline);
}

ResultCode GstMediaService::OpenPipeline(Device& device, GstElement*& pipeline, std::int32_t& length, std::string& text)
{
    EnsureGstInit();
    const std::string& fileName = device.fileName;
    GError* err = nullptr;
    gchar* uri = gst_filename_to_uri(fileName.c_str(), &err);
    if (!uri) {
        text = err ? err->message : "The file name is not valid.";
        g_clear_error(&err);
        return resOpenFailed;
    }
    pipeline = gst_element_factory_make("playbin", nullptr);
    if (!pipeline) {
        g_free(uri);
        text = "GStreamer's playbin element is missing (gstreamer1.0-plugins-base).";
        return resFailed;
    }
    gst_object_ref_sink(pipeline);
    std::string sinkError;
    GstElement* sink = MakeAudioSink(device.service->FOptions.audioSink, sinkError);
    if (!sink) {
        g_free(uri);
        text = sinkError.empty() ? "No audio output could be made." : sinkError;
        return resFailed;
    }
    g_object_set(pipeline, "uri", uri, "flags", kPlayFlagAudio, "audio-sink", sink, nullptr);
    // The property holds its own reference.
    gst_object_unref(sink);
    g_free(uri);
    device.element = pipeline;
    {
        GstRef<GstBus> bus(gst_element_get_bus(pipeline));
        gst_bus_set_sync_handler(bus.p, &GstMediaService::OnBusMessage, &device, nullptr);
    }

    const GstStateChangeReturn started = gst_element_set_state(pipeline, GST_STATE_PAUSED);
    // The frames are counted while GStreamer's threads preroll the file.
    const std::optional<std::int64_t> scanned = ScanMp3LengthMs(fileName);

    std::optional<std::string> failure;
    bool timedOut = false;
    bool closing = false;
    {
        std::unique_lock guard(device.lock);
        if (started == GST_STATE_CHANGE_FAILURE && !device.error)
            device.error = "The file could not be opened.";
        timedOut = !device.changed.wait_for(
            guard, std::chrono::milliseconds(device.service->FOptions.openTimeoutMs),
            [&] { return device.prerolled || device.error.has_value() || device.closing; });
        failure = device.error;
        closing = device.closing;
    }
    if (closing) {
        text = "The device was closed while it opened.";
        return resFailed;
    }
    if (failure) {
        text = *failure;
        return resOpenFailed;
    }
    if (timedOut) {
        text = "The file did not become ready to play in time: " + fileName;
        return resTimeout;
    }
    gint audioStreams = 0;
    g_object_get(pipeline, "n-audio", &audioStreams, nullptr);
    if (audioStreams <= 0) {
        text = "The file holds no audio stream that can be played: " + fileName;
        return resNoAudio;
    }
    gint64 duration = -1;
    if (scanned && *scanned > 0 && HasElementOfFactory(GST_BIN(pipeline), "mpegaudioparse"))
        length = ClampMs(*scanned);
    else if (gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration) && duration > 0)
        length = ClampMs(duration / GST_MSECOND);
    else {
        text = "The length of the file could not be found: " + fileName;
        return resFailed;
    }
    return resOk;
}

void GstMediaService::Work(Device* device)
{
    GstElement* pipeline = nullptr;
    std::int32_t length = 0;
    std::string text;
    const ResultCode opened = OpenPipeline(*device, pipeline, length, text);
    GstMediaService* service = device->service;
    DeviceState::Owed owed;
    bool closing = false;
    {
        // Under the lock, so that a Close either comes first and hears
        // nothing, or after and drops the text with the device.
        std::lock_guard guard(device->lock);
        closing = device->closing;
        if (!closing) {
            if (opened == resOk) {
                device->pipeline = pipeline;
                g_object_get(pipeline, "audio-sink", &device->output, nullptr);
                owed = device->state.Opened(length);
            } else {
                owed = device->state.OpenFailed(opened);
                service->Fail(opened, text, device->id);
            }
        }
    }
    if (!closing) {
        for (std::uint32_t flag : owed)
            service->Notify(device->id, flag);
        if (opened == resOk)
            service->Notify(device->id, notifyReady);
    }

    // Moves the pipeline to where the state says, each time it changes.
    bool running = false;
    while (opened == resOk) {
        std::optional<std::int32_t> seek;
        bool run = false;
        {
            std::unique_lock guard(device->lock);
            device->changed.wait(guard, [&] {
                return device->closing || device->state.Running() != running || device->state.SeekPending();
            });
            if (device->closing)
                break;
            seek = device->state.TakeSeek();
            if (seek)
                device->seekStarted = std::chrono::steady_clock::now();
            run = device->state.Running();
        }
        if (seek && !gst_element_seek_simple(pipeline, GST_FORMAT_TIME,
                                             GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                             gint64(*seek) * GST_MSECOND)) {
            std::lock_guard guard(device->lock);
            device->state.SeekDone();
        }
        if (run != running) {
            if (gst_element_set_state(pipeline, run ? GST_STATE_PLAYING : GST_STATE_PAUSED) ==
                GST_STATE_CHANGE_FAILURE) {
                DeviceState::Owed broke;
                {
                    std::lock_guard guard(device->lock);
                    if (device->closing)
                        break;
                    broke = device->state.Broke();
                    service->Fail(resFailed, device->error.value_or("The device could not start playing."),
                                  device->id);
                }
                for (std::uint32_t flag : broke)
                    service->Notify(device->id, flag);
            }
            running = run;
        }
    }
    GstElement* output = nullptr;
    {
        std::lock_guard guard(device->lock);
        output = std::exchange(device->output, nullptr);
    }
    Release(pipeline);
    if (output)
        gst_object_unref(output);
    std::lock_guard guard(device->lock);
    device->pipeline = nullptr;
    device->finished = true;
}

GstMediaService::Device* GstMediaService::Find(DeviceId device)
{
    auto it = FDevices.find(device);
    return it == FDevices.end() ? nullptr : it->second.get();
}

void GstMediaService::Changed(Device& device, const DeviceState::Owed& owed)
{
    device.changed.notify_all();
    for (std::uint32_t flag : owed)
        Notify(device.id, flag);
}

void GstMediaService::Reap(bool all)
{
    for (auto it = FClosing.begin(); it != FClosing.end();) {
        bool finished = false;
        {
            std::lock_guard guard((*it)->lock);
            finished = (*it)->finished;
        }
        if (finished || all) {
            (*it)->worker.join();
            it = FClosing.erase(it);
        } else {
            ++it;
        }
    }
}

std::optional<std::int32_t> GstMediaService::OutputPosition(Device& device)
{
    GstElement* output = nullptr;
    {
        std::lock_guard guard(device.lock);
        if (!device.state.Running() || device.state.Seeking() || device.state.AtEnd())
            return std::nullopt;
        output = device.output ? device.output : device.pipeline;
    }
    // The pipeline lives until the device is closed, which only this thread does.
    gint64 position = -1;
    if (output && gst_element_query_position(output, GST_FORMAT_TIME, &position) && position >= 0)
        return ClampMs(position / GST_MSECOND);
    return std::nullopt;
}

ResultCode GstMediaService::Open(const OpenRequest& request, DeviceId& device)
{
    device = 0;
    Reap(false);
    if (!request.deviceType.empty())
        return resUnsupportedDevice;
    if (request.fileName.empty())
        return Fail(resOpenFailed, "No file name was given.");
    // Only regular files: a named pipe or a device under a song's name would
    // keep GStreamer waiting for a writer for ever.
    struct stat st {};
    if (::stat(request.fileName.c_str(), &st) != 0)
        return Fail(resOpenFailed, std::string(std::strerror(errno)) + ": " + request.fileName);
    if (!S_ISREG(st.st_mode))
        return Fail(resOpenFailed, "The file is not a regular file.");

    const DeviceId id = NextDeviceId(FLastId, [this](DeviceId candidate) {
        return FDevices.count(candidate) > 0 ||
               std::any_of(FClosing.begin(), FClosing.end(), [&](const auto& d) { return d->id == candidate; });
    });
    if (id == 0)
        return Fail(resFailed, "Too many media devices are open.");
    FLastId = id;
    auto opened = std::make_unique<Device>();
    opened->service = this;
    opened->id = id;
    opened->fileName = request.fileName;
    Device* worked = opened.get();
    FDevices[id] = std::move(opened);
    RegisterTarget(id, request.target);
    worked->worker = std::thread(&GstMediaService::Work, worked);
    device = id;
    return resOk;
}

ResultCode GstMediaService::Close(DeviceId device)
{
    auto it = FDevices.find(device);
    if (it == FDevices.end())
        return resInvalidDevice;
    std::unique_ptr<Device> closing = std::move(it->second);
    FDevices.erase(it);
    {
        std::lock_guard guard(closing->lock);
        closing->closing = true;
    }
    // After the flag: nothing the device's threads report from now on is kept.
    UnregisterTarget(device);
    closing->changed.notify_all();
    // The worker lets the pipeline go by itself; it is joined later, so that
    // closing never waits for GStreamer.
    FClosing.push_back(std::move(closing));
    Reap(false);
    return resOk;
}

ResultCode GstMediaService::Play(DeviceId id, std::optional<std::int32_t> from)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    DeviceState::Owed owed;
    {
        std::lock_guard guard(device->lock);
        owed = device->state.Play(from);
        if (device->state.Mode() == DeviceMode::Playing)
            device->error.reset();
    }
    Changed(*device, owed);
    return resOk;
}

ResultCode GstMediaService::AtPosition(DeviceId id, DeviceState::Owed (DeviceState::*change)(std::int32_t))
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    // Asked before the lock: the pipeline's answer may take a while.
    const std::optional<std::int32_t> at = OutputPosition(*device);
    DeviceState::Owed owed;
    {
        std::lock_guard guard(device->lock);
        owed = (device->state.*change)(device->state.Position(at));
    }
    Changed(*device, owed);
    return resOk;
}

ResultCode GstMediaService::Pause(DeviceId id) { return AtPosition(id, &DeviceState::Pause); }

ResultCode GstMediaService::Resume(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    DeviceState::Owed owed;
    ResultCode result = resOk;
    {
        std::lock_guard guard(device->lock);
        result = device->state.Resume(owed);
    }
    Changed(*device, owed);
    return result;
}

ResultCode GstMediaService::Stop(DeviceId id) { return AtPosition(id, &DeviceState::Stop); }

ResultCode GstMediaService::SeekToStart(DeviceId id)
{
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    DeviceState::Owed owed;
    {
        std::lock_guard guard(device->lock);
        owed = device->state.SeekToStart();
    }
    Changed(*device, owed);
    return resOk;
}

ResultCode GstMediaService::Length(DeviceId id, std::int32_t& ms)
{
    ms = 0;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    std::lock_guard guard(device->lock);
    ms = device->state.Length();
    return resOk;
}

ResultCode GstMediaService::Position(DeviceId id, std::int32_t& ms)
{
    ms = 0;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    const std::optional<std::int32_t> at = OutputPosition(*device);
    std::lock_guard guard(device->lock);
    // A start point that is never confirmed counts as reached after a while.
    if (device->state.Seeking() && !device->state.SeekPending() &&
        std::chrono::steady_clock::now() - device->seekStarted >= kSeekSettleLimit)
        device->state.SeekDone();
    ms = device->state.Position(at);
    return resOk;
}

ResultCode GstMediaService::Mode(DeviceId id, DeviceMode& mode)
{
    mode = DeviceMode::NotReady;
    Device* device = Find(id);
    if (!device)
        return resInvalidDevice;
    std::lock_guard guard(device->lock);
    if (const ResultCode failed = device->state.OpenFailure())
        return failed;
    mode = device->state.Mode();
    return resOk;
}

std::shared_ptr<MediaService> CreateGstMediaService(const GstOptions& options)
{
    return std::make_shared<GstMediaService>(options);
}

} // namespace media
