#include "graphics/surface/Atlas.h"

#include "base/AssetDict.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "graphics/image/ImageLoader.h"

namespace Vorn {

namespace {

// A numeric attribute: 0 when it is missing or does not read as a number.
int IntAttribute(const XmlIterator& element, const char* name)
{
    int value = 0;
    element.GetAttribute(name, value);
    return value;
}

NarrowString FrameName(const XmlIterator& element, const NarrowString& suffix)
{
    NarrowString id;
    element.GetAttribute("id", id);
    if (!suffix.empty())
        id += "@" + suffix;
    return id;
}

SurfacePiece ReadPiece(const XmlIterator& element)
{
    const int x = IntAttribute(element, "x");
    const int y = IntAttribute(element, "y");
    const int ax = IntAttribute(element, "ax");
    const int ay = IntAttribute(element, "ay");
    bool rotated = false;
    element.GetAttribute("f", rotated);
    SurfacePiece piece = {};
    // The frame position keeps its low 16 bits; the offsets use the full values (computed wide,
    // so that no pair of attribute values can overflow).
    piece.x = static_cast<u16>(x);
    piece.y = static_cast<u16>(y);
    piece.w = static_cast<u16>(IntAttribute(element, "w"));
    piece.h = static_cast<u16>(IntAttribute(element, "h"));
    piece.ax = ax;
    piece.ay = ay;
    piece.dx = static_cast<s32>(static_cast<s64>(ax) - x);
    piece.dy = static_cast<s32>(static_cast<s64>(ay) - y);
    piece.rotated = rotated ? 1 : 0;
    return piece;
}

}  // namespace

Atlas::Atlas(const NarrowString& descriptionPath, const NarrowString& imageBase, const NarrowString& suffix)
    : m_loaded(false)
{
    const NarrowString imagePath = ImageLoader::FindImageFile(imageBase);
    if (imagePath.empty())
        return;
    m_image = LoadImage(suffix.empty() ? imagePath : NarrowString(imagePath + "@" + suffix));
    if (!m_image)
        return;
    ReadDescription(descriptionPath, suffix);
}

Atlas::~Atlas()
{
    m_frames.clear();
    m_image = nullptr;
}

AtlasSurface* Atlas::GetFrame(const NarrowString& name) const
{
    const auto found = m_frames.find(name);
    return found == m_frames.end() ? nullptr : found->second.Get();
}

void Atlas::ReadDescription(const NarrowString& path, const NarrowString& suffix)
{
    SmartPtr<Xml> xml = Xml::CreateFromFile(path.c_str());
    if (!xml || !xml->GetRoot())
        return;

    for (XmlIterator rect(xml->GetRoot(), "rect"); rect.IsValid(); rect.Next()) {
        SmartPtr<AtlasSurface> frame(new AtlasSurface(m_image.Get(), IntAttribute(rect, "x"), IntAttribute(rect, "y"),
                                                      IntAttribute(rect, "width"), IntAttribute(rect, "height")));
        m_frames.emplace(FrameName(rect, suffix), frame);
    }

    for (XmlIterator asset(xml->GetRoot(), "asset"); asset.IsValid(); asset.Next()) {
        const NarrowString name = FrameName(asset, suffix);
        if (m_frames.count(name))
            continue;
        // The piece array holds no more slots than the description has pieces, whatever "rects"
        // claims; pieces beyond "rects" have no slot.
        const int claimed = IntAttribute(asset, "rects");
        u32 present = 0;
        for (XmlIterator piece(asset.GetTag(), "rect"); piece.IsValid() && present < static_cast<u32>(claimed > 0 ? claimed : 0); piece.Next())
            ++present;
        SmartPtr<AtlasSurface> frame(new AtlasSurface(m_image.Get(), 0, 0, IntAttribute(asset, "w"), IntAttribute(asset, "h")));
        frame->AllocPieces(present);
        u32 index = 0;
        for (XmlIterator piece(asset.GetTag(), "rect"); piece.IsValid() && index < present; piece.Next())
            frame->SetPiece(index++, ReadPiece(piece));
        m_frames.emplace(name, frame);
    }
    m_loaded = true;
}

SmartPtr<Surface> Atlas::LoadImage(const NarrowString& name)
{
    AssetDict* dict = g_assetDict.Get();
    if (dict) {
        if (SmartPtr<Surface> named = dict->FindAsset<Surface>(name))
            return named;
        const size_t at = name.rfind('@');
        const NarrowString head = at == NarrowString::npos ? name : NarrowString(name.substr(0, at));
        const NarrowString tail = at == NarrowString::npos ? NarrowString() : NarrowString(name.substr(at));
        for (const char* const* extension = ImageLoader::GetExtensions(); *extension; ++extension) {
            if (SmartPtr<Surface> named = dict->FindAsset<Surface>(head + *extension + tail))
                return named;
        }
    }
    SmartPtr<Surface> loaded(AssetDict::LoadSurface(name));
    if (loaded && dict)
        dict->AddAsset<Surface>(name, loaded.Get());
    return loaded;
}

}  // namespace Vorn
