#include "art/ArtCharacters.h"

#include "TextKeys.h"
#include "TextTable.h"
#include "art/FontSheet.h"

#include <algorithm>

namespace DataBuild {

bool LoadFontCharacters(const std::string& textsDir, std::vector<uint32_t>& characters,
                        std::string& error)
{
    characters.clear();
    std::vector<TextTable> tables;
    std::vector<std::string> errors;
    for (const std::string& language : TextLanguages()) {
        TextTable table;
        if (!LoadTextTable(textsDir + "/" + language + ".xml", table, errors)) {
            error = errors.empty() ? textsDir + "/" + language + ".xml: cannot be read" : errors[0];
            return false;
        }
        tables.push_back(std::move(table));
    }
    std::vector<uint32_t> used;
    if (!DecodeCharacters(CollectCharacters(tables), used)) {
        error = textsDir + ": the texts are not valid UTF-8";
        return false;
    }
    const std::vector<uint32_t> fixed = FixedFontCharacters();
    characters = used;
    characters.insert(characters.end(), fixed.begin(), fixed.end());
    std::sort(characters.begin(), characters.end());
    characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
    return true;
}

} // namespace DataBuild
