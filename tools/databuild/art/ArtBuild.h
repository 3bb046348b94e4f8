// Assembles the content of one resolution archive: draws every image some theme uses, rasterises
// the fonts, packs the atlases the loading stages register and encodes everything as files.
#pragma once

#include "art/ArtSize.h"
#include "art/AtlasPacker.h"
#include "art/Canvas.h"
#include "art/FontSheet.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace DataBuild {

struct ArtFile {
    std::string name; // path inside the archive
    std::vector<uint8_t> bytes;
};

// One atlas of the archive: its file stem ("atlas_ui" gives atlas_ui.xml and atlas_ui.png) and
// the image ids packed into it.
struct AtlasPlan {
    std::string stem;
    std::vector<int> ids;
};

// The atlases of a base size. Images of the same screen share an atlas: the tinted interface
// masks and the fonts, the logos, the coloured icons and frames, and one atlas per block set. The
// fourth interface atlas exists only at 600 pixels, the size whose loading registers it.
std::vector<AtlasPlan> AtlasPlans(const ArtSize& size);

// The asset name under which the game asks for an image: its device path.
std::string AssetName(int id);

// The recipe of a font image id, false for ids that are not fonts the game uses.
bool FontRecipeOf(const ArtSize& size, int id, FontRecipe& recipe);

struct ArtImages {
    std::map<int, Canvas> images;   // every used id but the fonts
    std::map<int, FontSheet> fonts; // the font ids
};

// Runs the tasks on up to threads threads (0: as many as the machine has, at most 8).
void RunParallel(size_t count, int threads, const std::function<void(size_t)>& task);

// Draws the given ids (as ImageTable::UsedIds gives them) at one size. The fonts must hold
// characters; a missing glyph fails the build.
bool DrawArtImages(const ArtSize& size, const std::vector<int>& ids,
                   const std::vector<uint32_t>& characters, int threads, ArtImages& out,
                   std::string& error);

// Every file of the archive of one size, sorted by name.
bool BuildArtFiles(const ArtSize& size, const std::vector<uint32_t>& characters, int threads,
                   std::vector<ArtFile>& files, std::string& error);

} // namespace DataBuild
