// Registry of loaded assets by name, reached through g_assetDict.
//
// Named assets are weak: an asset lives only while some user holds it strongly, and a later request
// for the same name either finds it alive or loads it again. Images are stored as
// WeakPtr<Surface>, sounds as WeakPtr<AudioSource>; each reader knows which kind its names hold.
// The dictionary also owns the atlases it loaded (strongly, until unloaded).
#pragma once

#include <map>

#include "base/Any.h"
#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"

namespace Vorn {

class Atlas;
class AudioSource;
class Surface;

class AssetDict : public RefCounter {
public:
    // Keys compare byte by byte (std::string order), so names are case-sensitive.
    typedef std::map<NarrowString, Any> AssetMap;
    typedef std::map<NarrowString, SmartPtr<Atlas>> AtlasMap;

    AssetDict();
    ~AssetDict() override;

    // Loads one surface from a spec: a path, optionally followed by '@' and comma-separated options
    // (split at the last '@'): "565" converts the pending pixels to 16-bit colour, "ck" turns the
    // colour key (opaque magenta) on, "linear" asks for linear filtering, "rle" does nothing;
    // unknown options and empty items are ignored. A path that does not open is tried with the
    // image extensions appended. Returns a new surface nobody references yet, or null. Touches no
    // map.
    static Surface* LoadSurface(const NarrowString& spec);

    // Loads the atlas of spec ("path.xml" or "path.xml@options") and names every frame of it as a
    // weak asset, replacing same-named assets. A spec that is loaded already is not loaded again:
    // its frames take their names back. False, and nothing changed, when the description or the
    // image cannot be loaded.
    bool LoadAtlas(const NarrowString& spec);
    // Releases the atlas of spec; frames nobody else holds die, and their names lock to null.
    void UnloadAtlas(const NarrowString& spec);

    // The sound source of spec, shared by name: the live one named spec, or else a new one from
    // LoadAudioSource, named weakly (the caller's reference keeps it). Null, and no entry, when
    // the spec gives no source.
    SmartPtr<AudioSource> GetAudioSource(const NarrowString& spec);
    // A new source for a sound spec, split at the last '@': "path" streams by the factory,
    // "path@cache" is an Ogg stream over a memory copy of the file, "path@buffer" is decoded
    // whole into memory; other options count as none. Count 0.
    static AudioSource* LoadAudioSource(const NarrowString& spec);

    AssetMap& GetAssets() { return m_assets; }
    // A second set of names, of the same kind as the named assets; the console marks the names
    // it shares with them. Nothing in the engine fills it.
    AssetMap& GetCachedAssets() { return m_cachedAssets; }
    const AtlasMap& GetAtlases() const { return m_atlases; }

    // The live object named name, stored as WeakPtr<T>; null when the name is absent or its
    // object is gone, in which case the dead entry is dropped.
    template <class T>
    SmartPtr<T> FindAsset(const NarrowString& name);
    // Names object weakly unless name is taken by a live object; true when it was stored.
    template <class T>
    bool AddAsset(const NarrowString& name, T* object);
    // Names object weakly, replacing whatever held the name.
    template <class T>
    void SetAsset(const NarrowString& name, T* object);

    // Character predicates that split an option list.
    static bool IsComma(char c) { return c == ','; }
    static bool IsNotComma(char c) { return c != ','; }

private:
    AssetMap m_assets;
    AssetMap m_cachedAssets;
    AtlasMap m_atlases;
};

// The process's dictionary: installed by the game's application, released by the application base.
extern SmartPtr<AssetDict> g_assetDict;

template <class T>
SmartPtr<T> AssetDict::FindAsset(const NarrowString& name)
{
    const auto found = m_assets.find(name);
    if (found == m_assets.end())
        return SmartPtr<T>();
    SmartPtr<T> object;
    if (!found->second.IsEmpty())
        object = found->second.Get<WeakPtr<T>>().Lock();
    if (!object)
        m_assets.erase(found);
    return object;
}

template <class T>
bool AssetDict::AddAsset(const NarrowString& name, T* object)
{
    if (!object || FindAsset<T>(name))
        return false;
    m_assets[name] = Any(WeakPtr<T>(object));
    return true;
}

template <class T>
void AssetDict::SetAsset(const NarrowString& name, T* object)
{
    m_assets[name] = Any(WeakPtr<T>(object));
}

}  // namespace Vorn
