#pragma once
// The media service over GStreamer: one playbin per open file, audio only,
// driven by a worker thread of the device's own, so that no request waits for
// GStreamer. GStreamer is initialised off the start path (in the background
// when the service is made, or by the first device's worker at the latest).

#include <memory>
#include <string>

#include "media/MediaService.h"

namespace media {

struct GstOptions {
    // The audio output, as a GStreamer bin description (e.g. "fakesink sync=true").
    // Empty: the system's audio output, or, when none can be opened, a silent
    // sink that still plays in real time.
    std::string audioSink;
    // How long a device waits for its file to be ready to play before its
    // open fails (in the background: Open itself does not wait).
    int openTimeoutMs = 10000;
    bool initInBackground = true;
};

std::shared_ptr<MediaService> CreateGstMediaService(const GstOptions& options = {});

} // namespace media
