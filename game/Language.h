// The language set this build is made for, and the folder of its font images.
#pragma once

#include "base/NarrowString.h"

class Language {
public:
    // Builds for the European five (English, French, Italian, German, Spanish): texts are laid out
    // word by word. The Korean and Chinese flags would switch text blocks to per-character layout.
    static constexpr bool EN = false;
    static constexpr bool KO = false;
    static constexpr bool EFIGS = true;
    static constexpr bool CN = false;

    // Prefix of the font image names in the image table.
    static const Vorn::NarrowString FONTS_PATH;
};
