#include "graphics/FontEx.h"

#include "base/AssetDict.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "graphics/image/ImageLoader.h"
#include "graphics/surface/Atlas.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

// True when every attribute is there with a non-empty text.
bool HasAll(const XmlIterator& element, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        if (!element.HasAttribute(name, false))
            return false;
    }
    return true;
}

}  // namespace

FontEx::FontEx(const NarrowString& descriptionPath, const NarrowString& imageName)
    : m_defaultSpacing(0), m_lineHeight(0), m_parsed(false)
{
    SmartPtr<File> description(Vfs::Open(descriptionPath.c_str()));
    if (description)
        m_parsed = ParseXml(description.Get());
    LoadImage(imageName);
}

FontEx::~FontEx()
{
    m_image = nullptr;
    m_kerning.clear();
    m_glyphs.clear();
}

bool FontEx::ParseXml(SeekableStream* stream)
{
    SmartPtr<Xml> xml = Xml::CreateFromStream(stream);
    if (!xml || !xml->GetRoot())
        return false;

    // The line height is the first nonzero glyph height: a font may begin with an empty glyph
    // (a space drawn as nothing) and must still report the height its text occupies.
    for (XmlIterator glyph(XmlIterator(xml->GetRoot(), "characters").GetTag(), "char"); glyph.IsValid(); glyph.Next()) {
        if (!HasAll(glyph, {"code", "x", "y", "width", "height"}))
            break;
        unsigned code = 0;
        Glyph record = {0, 0, 0, 0};
        glyph.GetAttribute("code", code);
        glyph.GetAttribute("x", record.x);
        glyph.GetAttribute("y", record.y);
        glyph.GetAttribute("width", record.width);
        glyph.GetAttribute("height", record.height);
        if (m_lineHeight != 0 && record.height != m_lineHeight)
            return false;
        if (m_lineHeight == 0)
            m_lineHeight = record.height;
        m_glyphs.emplace(code, record);
    }

    const XmlIterator kerning(xml->GetRoot(), "kerning");
    if (kerning.IsValid()) {
        kerning.GetAttribute("default", m_defaultSpacing);
        for (XmlIterator pair(kerning.GetTag(), "pair"); pair.IsValid(); pair.Next()) {
            if (!HasAll(pair, {"left", "right", "distance"}))
                break;
            unsigned left = 0, right = 0;
            int distance = 0;
            pair.GetAttribute("left", left);
            pair.GetAttribute("right", right);
            pair.GetAttribute("distance", distance);
            m_kerning.emplace(std::make_pair(left, right), distance);
        }
    }
    return !m_glyphs.empty();
}

bool FontEx::LoadImage(const NarrowString& name)
{
    if (!g_assetDict)
        m_image = ImageLoader::Load(name);
    else
        m_image = Atlas::LoadImage(name);
    return static_cast<bool>(m_image);
}

const FontEx::Glyph& FontEx::GetChar(u32 code) const
{
    static const Glyph s_none = {0, 0, 0, 0};
    auto found = m_glyphs.find(code);
    if (found == m_glyphs.end())
        found = m_glyphs.find(REPLACEMENT_CHARACTER);
    if (found == m_glyphs.end())
        found = m_glyphs.begin();
    return found == m_glyphs.end() ? s_none : found->second;
}

s32 FontEx::GetKerning(u32 left, u32 right) const
{
    if (left == 0)
        return 0;
    const auto found = m_kerning.find(std::make_pair(left, right));
    return found == m_kerning.end() ? m_defaultSpacing : found->second;
}

}  // namespace Vorn
