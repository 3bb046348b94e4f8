// The asset dictionary's sounds: sources shared by their spec, held weakly like every named asset.
#include "base/AssetDict.h"

#include "sound/AudioSource.h"

namespace Vorn {

SmartPtr<AudioSource> AssetDict::GetAudioSource(const NarrowString& spec)
{
    SmartPtr<AudioSource> source = FindAsset<AudioSource>(spec);
    if (source)
        return source;
    source = LoadAudioSource(spec);
    if (source)
        SetAsset<AudioSource>(spec, source.Get());
    return source;
}

AudioSource* AssetDict::LoadAudioSource(const NarrowString& spec)
{
    const size_t at = spec.rfind('@');
    if (at == NarrowString::npos)
        return AudioSource::Create(spec, false);
    const NarrowString path = spec.substr(0, at);
    const NarrowString option = spec.substr(at + 1);
    if (option == "cache")
        return AudioSource::CreateStream(path);
    if (option == "buffer")
        return AudioSource::Create(path, true);
    return AudioSource::Create(path, false);
}

} // namespace Vorn
