// Texture atlases: many pictures packed into one image, with the description the engine's atlas
// reader takes (one "rect" element per frame: id, x, y, width, height). Frame names are the
// asset names the game asks the asset dictionary for, so its image loads find them.
#pragma once

#include "art/Canvas.h"

#include <string>
#include <vector>

namespace DataBuild {

struct AtlasEntry {
    std::string name;
    const Canvas* image = nullptr;
};

struct AtlasFrame {
    std::string name;
    int x = 0, y = 0, width = 0, height = 0;
};

struct PackedAtlas {
    Canvas image;
    std::vector<AtlasFrame> frames; // sorted by name

    std::string DescriptionXml() const;
};

// Text with the five XML special characters written as references, for attribute values.
std::string EscapeXml(const std::string& text);

// Packs the entries, which must all have one format, into one image at most maxSize pixels on
// each side, leaving gap transparent pixels around every frame so that no draw of one frame picks
// up a neighbour's texels. Chooses the smallest image it finds; the result depends only on the
// entries. False when a name repeats or the pictures do not fit.
bool PackAtlas(const std::vector<AtlasEntry>& entries, int maxSize, int gap, PackedAtlas& atlas,
               std::string& error);

} // namespace DataBuild
