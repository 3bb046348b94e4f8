// The check `vorn-pak extract` makes of each file it reads out of an archive, by its formats.
#pragma once

#include <cstddef>
#include <string>

#include "system/Types.h"

namespace VornPak {

// Whether the size bytes at data, a file named name, pass the checks of every format that
// carries checksums of its own and that the file is taken for: by its name's ending (any a format
// goes by, in any case) or by its first bytes (a signature one byte off among them). A file taken
// for none passes. On failure, why says what is wrong.
bool CheckContent(const std::string& name, const Vorn::u8* data, size_t size, std::string& why);

} // namespace VornPak
