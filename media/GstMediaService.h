#pragma once
// The media service over GStreamer: one playbin per open file, audio only.
// GStreamer is initialised off the start path (in the background when the
// service is made, or at the first Open at the latest).

#include <memory>
#include <string>

#include "media/MediaService.h"

namespace media {

struct GstOptions {
    // The audio output, as a GStreamer bin description (e.g. "fakesink sync=true").
    // Empty: the system's audio output, or, when none can be opened, a silent
    // sink that still plays in real time.
    std::string audioSink;
    // How long Open waits for the file to be ready to play.
    int openTimeoutMs = 10000;
    bool initInBackground = true;
};

std::shared_ptr<MediaService> CreateGstMediaService(const GstOptions& options = {});

} // namespace media
