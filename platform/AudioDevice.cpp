#include "platform/AudioDevice.h"

#include "platform/OpenALAudioDevice.h"

namespace plat
{

namespace
{
AudioDeviceOpener& installedOpener()
{
    static AudioDeviceOpener opener;
    return opener;
}
}

std::unique_ptr<AudioDevice> openAudioDevice()
{
    if (installedOpener()) {
        return installedOpener()();
    }
    return OpenALAudioDevice::openDefault();
}

void setAudioDeviceOpener(AudioDeviceOpener opener)
{
    installedOpener() = std::move(opener);
}

}
