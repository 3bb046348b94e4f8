// Bitmap fonts for the game: glyphs rasterised with FreeType from a TrueType file (opened by path,
// never looked up), as a grey image and the glyph table the engine's font reader takes.
//
// Every glyph is one rectangle of the line height, as wide as its advance (wider only where the
// outline would otherwise be cut), with the line's vertical centre on the middle of the capitals:
// the game centres each glyph rectangle on the y it is given. The line feed is a glyph of width 0.
// There are no kerning pairs and the default spacing is 0, because the game measures text with
// kerning but draws it without.
#pragma once

#include "art/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace DataBuild {

struct FontRecipe {
    std::string fontFile; // a TrueType file
    int pixelSize = 0;    // em size in pixels
    double slant = 0;     // horizontal shear (x += slant * y), 0 for upright
    double embolden = 0;  // extra stroke weight in pixels, 0 for none
};

struct Glyph {
    uint32_t code = 0;
    int x = 0, y = 0, width = 0, height = 0;
};

struct FontSheet {
    Canvas image; // mask: coverage of each glyph
    std::vector<Glyph> glyphs; // sorted by code
    int lineHeight = 0;
    int baseline = 0; // from the top of a glyph rectangle

    // The glyph table: a "characters" list of char elements (code, x, y, width, height) and an
    // empty "kerning" element with default 0.
    std::string DescriptionXml() const;
};

// The characters every font must hold besides those of the texts: the name keyboard's three
// pages, digits and signs of numbers and times, the typing cursor, the space, the line feed and
// the replacement character shown for anything missing.
std::vector<uint32_t> FixedFontCharacters();

// Code points of a UTF-8 string, sorted, without repeats; false on a malformed sequence.
bool DecodeCharacters(const std::string& utf8, std::vector<uint32_t>& codes);

// Rasterises the characters. Fails, naming every missing character, when the font lacks a glyph
// for any of them (a line feed needs none).
bool BuildFontSheet(const FontRecipe& recipe, const std::vector<uint32_t>& codes, FontSheet& sheet,
                    std::string& error);

} // namespace DataBuild
