// A text table (data/texts/<lang>.xml): reading it strictly, and checking it against the keys the
// game looks up and against the reference language.
//
// A table is an XML document whose root element holds "string" elements, each with an "id"
// attribute and the text as its content. The game itself is lenient (it skips what it does not
// understand and shows a missing key as the key); the builder is strict instead, so that a mistake
// in a table fails the build rather than showing up on a screen.
#pragma once

#include "TextKeys.h"

#include <string>
#include <vector>

namespace DataBuild {

struct TextEntry {
    std::string id;
    std::string text; // UTF-8, entities decoded, not trimmed
    int line = 0;     // line of the element in its file, 0 when unknown
};

struct TextTable {
    std::string name; // the file, for messages
    std::vector<TextEntry> entries;

    const TextEntry* Find(const std::string& id) const;
};

// Parses a table from the bytes of its file. Refuses, with one message per problem in errors
// (each starting with the name): bytes that are not UTF-8, carriage returns, XML that is not well
// formed, a root child other than "string", a "string" without an id or with child elements,
// an id given twice, and texts holding control characters other than the line feed.
bool ParseTextTable(const std::string& bytes, const std::string& name, TextTable& table,
                    std::vector<std::string>& errors);

// Reads and parses a file; the messages name the path.
bool LoadTextTable(const std::string& path, TextTable& table, std::vector<std::string>& errors);

// The placeholders of a text, sorted: numbered "@n@" ones and "%d", "%i", "%s", "%u" (with an
// optional width).
std::vector<std::string> FindPlaceholders(const std::string& text);

// Checks a table against the game's keys: every key present with a text that is not blank, no
// other key, each text holding exactly the placeholders of its key, and no stray per cent sign in
// a text the game formats printf-style.
bool CheckTableKeys(const TextTable& table, const std::vector<TextKey>& keys,
                    std::vector<std::string>& errors);

// Checks a translation against the reference table: the same ids, the same placeholders and the
// same white space at the start and the end of each text (the game appends numbers and lines to
// some texts directly).
bool CheckAgainstReference(const TextTable& reference, const TextTable& table,
                           std::vector<std::string>& errors);

// Every character of every text, without control characters, sorted by code point and encoded as
// UTF-8: what the fonts must hold.
std::string CollectCharacters(const std::vector<TextTable>& tables);

} // namespace DataBuild
