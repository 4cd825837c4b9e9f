// The running system's services: GStreamer, the default output's mixer and
// the folders of this computer.

#include "app/Unit1.h"
#include "media/GstMediaService.h"
#include "mixer/service.h"

TPlayerServices TPlayerServices::System()
{
    TPlayerServices services;
    services.Media = media::CreateGstMediaService();
    services.Mixer = mixer::OpenDefaultMixer();
    return services;
}
