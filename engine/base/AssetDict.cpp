#include "base/AssetDict.h"

#include <algorithm>

#include "graphics/image/ImageLoader.h"
#include "graphics/surface/Atlas.h"
#include "graphics/surface/Surface.h"
#include "vfs/Vfs.h"

namespace Vorn {

SmartPtr<AssetDict> g_assetDict;

namespace {

void ApplyRgb565(Surface& surface)
{
    surface.ConvertTo565();
}

void ApplyRle(Surface& surface)
{
    surface.ConvertToRLE();
}

void ApplyColorKey(Surface& surface)
{
    if (PixelData* pixels = surface.GetPixelData())
        pixels->SetColorKey(255, 0, 255, 255);
    surface.SetFlags(surface.GetFlags() | Surface::FLAG_COLORKEY);
}

void ApplyLinear(Surface& surface)
{
    surface.SetFlags(surface.GetFlags() | Surface::FLAG_LINEAR);
}

struct SurfaceOption {
    const char* name;
    void (*apply)(Surface& surface);
};

const SurfaceOption s_surfaceOptions[] = {
    {"565", &ApplyRgb565},
    {"rle", &ApplyRle},
    {"ck", &ApplyColorKey},
    {"linear", &ApplyLinear},
};

// The path itself when it opens, else the first path + image extension that does; "" when none.
NarrowString ResolveImagePath(const NarrowString& path)
{
    SmartPtr<File> probe(Vfs::Open(path.c_str()));
    if (probe)
        return path;
    return ImageLoader::FindImageFile(path);
}

}  // namespace

AssetDict::AssetDict() = default;

AssetDict::~AssetDict() = default;

Surface* AssetDict::LoadSurface(const NarrowString& spec)
{
    const size_t at = spec.rfind('@');
    const NarrowString path = ResolveImagePath(at == NarrowString::npos ? spec : NarrowString(spec.substr(0, at)));
    if (path.empty())
        return nullptr;
    Surface* surface = ImageLoader::Load(path);
    if (!surface || at == NarrowString::npos)
        return surface;

    const NarrowString::const_iterator end = spec.end();
    NarrowString::const_iterator option = spec.begin() + at + 1;
    for (;;) {
        option = std::find_if(option, end, &IsNotComma);
        if (option == end)
            break;
        const NarrowString::const_iterator optionEnd = std::find_if(option, end, &IsComma);
        const NarrowString name(std::string(option, optionEnd));
        for (const SurfaceOption& known : s_surfaceOptions) {
            if (name == known.name)
                known.apply(*surface);
        }
        option = optionEnd;
    }
    return surface;
}

bool AssetDict::LoadAtlas(const NarrowString& spec)
{
    auto loaded = m_atlases.find(spec);
    if (loaded == m_atlases.end()) {
        const size_t at = spec.rfind('@');
        const NarrowString xmlPath = at == NarrowString::npos ? spec : NarrowString(spec.substr(0, at));
        const NarrowString suffix = at == NarrowString::npos ? NarrowString() : NarrowString(spec.substr(at + 1));
        // "ui.xml" gives the image base "ui.", to which the image loader appends its extensions.
        const NarrowString imageBase = xmlPath.substr(0, xmlPath.size() >= 3 ? xmlPath.size() - 3 : 0);
        SmartPtr<Atlas> atlas(new Atlas(xmlPath, imageBase, suffix));
        if (!atlas->IsLoaded())
            return false;
        loaded = m_atlases.emplace(spec, atlas).first;
    }
    // Loading a spec again does not make a second atlas; its frames take their names back.
    for (const auto& frame : loaded->second->GetFrames())
        SetAsset<Surface>(frame.first, frame.second.Get());
    return true;
}

void AssetDict::UnloadAtlas(const NarrowString& spec)
{
    m_atlases.erase(spec);
}

}  // namespace Vorn
