#include "Image.h"

#include "base/AssetDict.h"
#include "graphics/surface/Surface.h"

Image::Image() : width(0), height(0) {}

Image::Image(int w, int h) : width(w), height(h) {}

Image::~Image() {}

Vorn::SmartPtr<Image> Image::Create(const Vorn::NarrowString& name)
{
    Vorn::SmartPtr<Image> image(new Image());
    image->Load("device" + name);
    return image;
}

bool Image::Load(const Vorn::NarrowString& path)
{
    Vorn::SmartPtr<Vorn::Surface> loaded;
    if (Vorn::g_assetDict)
        loaded = Vorn::g_assetDict->FindAsset<Vorn::Surface>(path);
    if (!loaded) {
        loaded = Vorn::AssetDict::LoadSurface(path);
        if (loaded && Vorn::g_assetDict)
            Vorn::g_assetDict->SetAsset(path, loaded.Get());
    }
    surface = loaded;
    width = loaded ? loaded->GetWidth() : 0;
    height = loaded ? loaded->GetHeight() : 0;
    return static_cast<bool>(loaded);
}

Vorn::SmartPtr<Vorn::Surface> Image::GetSurface() const
{
    return surface;
}
