// Contact sheets of the art: for a theme and a base size, mock-ups of the main menu, the board in
// play and a settings screen drawn the way the game draws them, then every image the theme uses.
#pragma once

#include <string>
#include <vector>

namespace DataBuild {

// "preview art TEXTS_DIR OUT_DIR [--size W]... [--theme T]... [--language L]": writes
// OUT_DIR/art_<theme>_<width>.png for each chosen theme and size (all by default).
int RunArtPreview(const std::vector<std::string>& args);

} // namespace DataBuild
