// The running system's services: GStreamer, the default output's mixer and
// the folders of this computer.

#include <gst/gst.h>

#include "app/Unit1.h"
#include "media/GstMediaService.h"
#include "mixer/service.h"

TPlayerServices TPlayerServices::System()
{
    TPlayerServices services;
    // GStreamer is made ready once the window is up (WarmUpMedia, on a thread of its own), not while
    // the window is being built: in a fresh home it rebuilds its plugin
    // registry, which takes longer than the whole start.
    media::GstOptions options;
    options.initInBackground = false;
    services.Media = media::CreateGstMediaService(options);
    services.Mixer = mixer::OpenDefaultMixer();
    return services;
}

void TPlayerServices::WarmUpMedia()
{
    // Safe on any thread and more than once; the media service's own first
    // use waits for it.
    gst_init(nullptr, nullptr);
}
