#include "Language.h"

const Vorn::NarrowString Language::FONTS_PATH("fonts/efigs/");
