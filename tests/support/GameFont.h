// Game fonts for tests: a glyph table served from memory for an image id of the image table, and a
// stand-in picture in the image cache, so that fonts measure, wrap and draw without the built data.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace VornTest {

class MemoryMount;

struct TestFontSpec {
    int height = 10;
    int advance = 10;                    // width of every printable ASCII code not listed below
    std::map<unsigned, int> widths;      // other widths, and extra codes
    std::vector<std::tuple<unsigned, unsigned, int>> kerning;  // left, right, distance
    int defaultSpacing = 0;
};

// The glyph table: codes 32..126 and the listed ones, laid side by side in one row from x = 0.
std::string TestFontXml(const TestFontSpec& spec);
// Width of the strip of glyphs the table lays out.
int TestFontStripWidth(const TestFontSpec& spec);

// Adds the glyph table of image id imageId ("<name without extension>.xml" of Images::files) to
// mount, which serves "device/". Images::Init must have run.
void AddTestFont(MemoryMount& mount, int imageId, const TestFontSpec& spec);

// Puts a stand-in picture of the glyph strip into the image cache under imageId (no surface, for
// recording; or an opaque white picture when GL is up and withSurface is set).
void CacheTestFontImage(int imageId, const TestFontSpec& spec, bool withSurface);

}  // namespace VornTest
