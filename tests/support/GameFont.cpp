#include "support/GameFont.h"

#include "Content.h"
#include "Image.h"
#include "Images.h"
#include "graphics/surface/Surface.h"
#include "support/HeadlessGL.h"
#include "support/MemoryMount.h"

namespace VornTest {

namespace {

std::map<unsigned, int> Widths(const TestFontSpec& spec)
{
    std::map<unsigned, int> widths;
    for (unsigned code = 32; code <= 126; ++code)
        widths[code] = spec.advance;
    for (const auto& entry : spec.widths)
        widths[entry.first] = entry.second;
    return widths;
}

}  // namespace

std::string TestFontXml(const TestFontSpec& spec)
{
    std::string xml = "<font><characters>";
    int x = 0;
    for (const auto& entry : Widths(spec)) {
        xml += "<char code='" + std::to_string(entry.first) + "' x='" + std::to_string(x) +
               "' y='0' width='" + std::to_string(entry.second) + "' height='" +
               std::to_string(spec.height) + "'/>";
        x += entry.second;
    }
    xml += "</characters><kerning default='" + std::to_string(spec.defaultSpacing) + "'>";
    for (const auto& pair : spec.kerning)
        xml += "<pair left='" + std::to_string(std::get<0>(pair)) + "' right='" +
               std::to_string(std::get<1>(pair)) + "' distance='" +
               std::to_string(std::get<2>(pair)) + "'/>";
    return xml + "</kerning></font>";
}

int TestFontStripWidth(const TestFontSpec& spec)
{
    int width = 0;
    for (const auto& entry : Widths(spec))
        width += entry.second;
    return width;
}

void AddTestFont(MemoryMount& mount, int imageId, const TestFontSpec& spec)
{
    const std::string& name = Images::files[imageId];
    mount.Add(name.substr(0, name.find('.')) + ".xml", TestFontXml(spec));
}

void CacheTestFontImage(int imageId, const TestFontSpec& spec, bool withSurface)
{
    const int width = TestFontStripWidth(spec);
    Vorn::SmartPtr<::Image> image(new ::Image(width, spec.height));
    if (withSurface)
        image->surface = MakeRgbaSurface(width, spec.height, [](int, int) { return 0xFFFFFFFFu; });
    Content::s_images[imageId] = image;
}

}  // namespace VornTest
