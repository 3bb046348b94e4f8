#include "graphics/image/AnimImageLoader.h"

#include <map>
#include <vector>

#include "base/AssetDict.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "graphics/surface/AnimatedSurface.h"
#include "graphics/surface/Atlas.h"

namespace Vorn {

namespace {

const char DECLARATION[] = "<?xml version=\"1.0\"";
const u32 DECLARATION_LENGTH = sizeof DECLARATION - 1;

// The frame's picture as an atlas finds its image: a live named asset, then a file by extension,
// then a load by asset specification; without an asset dictionary, the file itself.
SmartPtr<Surface> LoadPicture(const NarrowString& name)
{
    if (name.empty())
        return nullptr;
    if (g_assetDict)
        return Atlas::LoadImage(name);
    return SmartPtr<Surface>(ImageLoader::Load(name));
}

}  // namespace

int AnimImageLoader::s_nesting = 0;

bool AnimImageLoader::CanLoad(SeekableStream* stream)
{
    return StartsWith(stream, DECLARATION, DECLARATION_LENGTH);
}

Surface* AnimImageLoader::Load()
{
    if (!m_stream || s_nesting >= MAX_NESTING)
        return nullptr;
    struct Nesting {
        Nesting() { ++s_nesting; }
        ~Nesting() { --s_nesting; }
    } nesting;

    SmartPtr<Xml> xml = Xml::CreateFromStream(m_stream.Get());
    if (!xml || !xml->GetRoot())
        return nullptr;
    XmlIterator root(xml->GetRoot());
    bool loop = false;
    if (root.HasAttribute("loop", false))
        root.GetAttribute("loop", loop);
    NarrowString script;
    root.GetAttribute("script", script);

    // Frames that repeat a picture share it, so each name is obtained once: a description whose
    // frames name animations costs one load per distinct name and level, not one per frame.
    std::map<NarrowString, SmartPtr<Surface>> pictures;
    std::vector<AnimatedSurface::Frame> frames;
    for (XmlIterator frame(xml->GetRoot(), "frame"); frame.IsValid(); frame.Next()) {
        NarrowString image;
        int milliseconds = 0, x = 0, y = 0;
        frame.GetAttribute("image", image);
        // A frame must say how long it shows; none has a sensible default.
        if (!frame.GetAttribute("time", milliseconds))
            return nullptr;
        frame.GetAttribute("x", x);
        frame.GetAttribute("y", y);
        AnimatedSurface::Frame record;
        auto known = pictures.find(image);
        if (known == pictures.end())
            known = pictures.emplace(image, LoadPicture(image)).first;
        record.surface = known->second;
        if (!record.surface)
            return nullptr;
        record.seconds = static_cast<float>(milliseconds) * 0.001f;
        record.x = x;
        record.y = y;
        frames.push_back(record);
    }
    if (frames.empty())
        return nullptr;
    return new AnimatedSurface(frames, loop, script);
}

}  // namespace Vorn
