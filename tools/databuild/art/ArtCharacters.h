// The characters the game's fonts must hold: every character of the five text tables and the fixed
// set the interface draws besides (keyboard labels, digits, cursor, line feed, replacement).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace DataBuild {

// Reads the text tables of textsDir (strictly, as the texts command does) and returns the union of
// their characters and FixedFontCharacters(), sorted.
bool LoadFontCharacters(const std::string& textsDir, std::vector<uint32_t>& characters,
                        std::string& error);

} // namespace DataBuild
