// The text keys the game looks up, and the languages it ships: the reference the text tables are
// checked against (data/texts/README.md says which screen shows each key).
#pragma once

#include <string>
#include <vector>

namespace DataBuild {

struct TextKey {
    std::string id;
    // The placeholders the game fills in this text, sorted ("%d", "@1@"); every language must hold
    // exactly these, and a text the game does not fill must hold none.
    std::vector<std::string> placeholders;
};

// Language codes in the order of the game's language setting (0 = English); each has the table
// "<code>.xml". The first is the reference the others are compared with.
const std::vector<std::string>& TextLanguages();

// Every key the game looks up, in a fixed order: interface texts, then the level titles of the
// seven packs in level order. The numbered title series whose levels are not shipped are not
// listed: their texts are read at start-up but never shown.
const std::vector<TextKey>& GameTextKeys();

} // namespace DataBuild
