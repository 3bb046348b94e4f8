#include "sound/AudioDevice.h"

namespace Vorn {

namespace {
AudioDevice::Factory s_factory = nullptr;
}

AudioDevice* AudioDevice::Create(const AudioFormat& format, const AudioBufferSpec& spec)
{
    if (s_factory)
        return s_factory(format, spec);
    return CreatePlatform(format, spec);
}

void AudioDevice::SetFactory(Factory factory)
{
    s_factory = factory;
}

} // namespace Vorn
