#include "TextTable.h"

#include "Files.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>

namespace DataBuild {

namespace {

// Decodes one UTF-8 sequence at text[pos]; returns its length, or 0 for an invalid, overlong or
// truncated sequence, a surrogate or a value above U+10FFFF.
size_t DecodeUtf8(const std::string& text, size_t pos, char32_t& out)
{
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    size_t length;
    char32_t value, minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    out = value;
    return length;
}

void EncodeUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int LineAt(const std::string& bytes, size_t offset)
{
    offset = std::min(offset, bytes.size());
    return 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + offset, '\n'));
}

// Characters that have no business in a text shown to the player: C0 controls but the line feed,
// DEL and the C1 controls, the byte order mark and the replacement character (the trace of a
// broken conversion).
bool IsForbidden(char32_t c)
{
    return (c < 0x20 && c != '\n') || (c >= 0x7F && c <= 0x9F) || c == 0xFEFF || c == 0xFFFD;
}

bool IsControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

std::string Describe(char32_t c)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

std::string JoinList(const std::vector<std::string>& items)
{
    if (items.empty())
        return "none";
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : " ") + item;
    return out;
}

std::string At(const TextTable& table, const TextEntry& entry)
{
    return table.name + (entry.line > 0 ? ":" + std::to_string(entry.line) : std::string()) +
           ": " + entry.id;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\t';
}

std::string LeadingSpace(const std::string& text)
{
    size_t n = 0;
    while (n < text.size() && IsSpace(text[n]))
        ++n;
    return text.substr(0, n);
}

std::string TrailingSpace(const std::string& text)
{
    size_t n = text.size();
    while (n > 0 && IsSpace(text[n - 1]))
        --n;
    return text.substr(n);
}

std::string ShowSpace(const std::string& space)
{
    if (space.empty())
        return "nothing";
    std::string out = "\"";
    for (char c : space)
        out += c == '\n' ? "\\n" : c == '\t' ? "\\t" : std::string(1, c);
    return out + "\"";
}

// The raw bytes first: the XML parser would quietly turn a carriage return into a line feed
// and pass broken UTF-8 through.
bool CheckRawBytes(const std::string& bytes, const std::string& name, std::vector<std::string>& errors)
{
    for (size_t pos = 0; pos < bytes.size();) {
        if (bytes[pos] == '\r') {
            errors.push_back(name + ":" + std::to_string(LineAt(bytes, pos)) +
                             ": carriage return (the tables use line feeds only)");
            return false;
        }
        char32_t c;
        size_t length = DecodeUtf8(bytes, pos, c);
        if (length == 0) {
            errors.push_back(name + ":" + std::to_string(LineAt(bytes, pos)) +
                             ": invalid UTF-8 at byte " + std::to_string(pos));
            return false;
        }
        pos += length;
    }
    return true;
}

// Parses the document, which must have one root element.
bool ParseDocument(const std::string& bytes, const std::string& name, pugi::xml_document& document,
                   std::vector<std::string>& errors)
{
    // The options of the engine's reader, so the builder sees the texts the game will show
    // (a text of white space alone included).
    pugi::xml_parse_result parsed =
        document.load_buffer(bytes.data(), bytes.size(),
                             pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_utf8);
    if (!parsed) {
        errors.push_back(name + ":" + std::to_string(LineAt(bytes, parsed.offset)) +
                         ": not well-formed XML: " + parsed.description());
        return false;
    }
    int roots = 0;
    for (pugi::xml_node node : document.children())
        roots += node.type() == pugi::node_element;
    if (roots != 1) {
        errors.push_back(name + ": expected one root element, found " + std::to_string(roots));
        return false;
    }
    return true;
}

// One child of the root as an entry; false, with the reason in errors, for a node that gives none.
// An entry with a forbidden character is kept, with its error.
bool ReadEntry(pugi::xml_node node, const std::string& bytes, const std::string& name,
               std::map<std::string, int>& firstLine, TextEntry& entry, std::vector<std::string>& errors)
{
    const int line = LineAt(bytes, static_cast<size_t>(std::max<ptrdiff_t>(0, node.offset_debug())));
    const std::string where = name + ":" + std::to_string(line) + ": ";
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
        errors.push_back(where + "text outside a string element");
        return false;
    }
    if (node.type() != pugi::node_element)
        return false;
    if (std::string(node.name()) != "string") {
        errors.push_back(where + "unexpected element <" + node.name() + ">");
        return false;
    }
    const std::string id = node.attribute("id").value();
    if (id.empty()) {
        errors.push_back(where + "string element without an id");
        return false;
    }
    entry = TextEntry{id, std::string(), line};
    bool nested = false;
    for (pugi::xml_node part : node.children()) {
        if (part.type() == pugi::node_pcdata || part.type() == pugi::node_cdata)
            entry.text += part.value();
        else if (part.type() == pugi::node_element)
            nested = true;
    }
    if (nested) {
        errors.push_back(where + id + ": elements inside a text (write < as &lt;)");
        return false;
    }
    auto seen = firstLine.find(id);
    if (seen != firstLine.end()) {
        errors.push_back(where + id + ": given twice (first at line " + std::to_string(seen->second) + ")");
        return false;
    }
    firstLine[id] = line;
    for (size_t pos = 0; pos < entry.text.size();) {
        char32_t c = 0;
        pos += DecodeUtf8(entry.text, pos, c);
        if (IsForbidden(c)) {
            errors.push_back(where + id + ": forbidden character " + Describe(c));
            break;
        }
    }
    return true;
}

} // namespace

const TextEntry* TextTable::Find(const std::string& id) const
{
    for (const TextEntry& entry : entries)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

bool ParseTextTable(const std::string& bytes, const std::string& name, TextTable& table,
                    std::vector<std::string>& errors)
{
    const size_t errorsBefore = errors.size();
    table.name = name;
    table.entries.clear();
    pugi::xml_document document;
    if (!CheckRawBytes(bytes, name, errors) || !ParseDocument(bytes, name, document, errors))
        return false;
    std::map<std::string, int> firstLine;
    for (pugi::xml_node node : document.document_element().children()) {
        TextEntry entry;
        if (ReadEntry(node, bytes, name, firstLine, entry, errors))
            table.entries.push_back(entry);
    }
    return errors.size() == errorsBefore;
}

bool LoadTextTable(const std::string& path, TextTable& table, std::vector<std::string>& errors)
{
    std::string bytes, error;
    if (!ReadWholeFile(path, bytes, error)) {
        table.name = path;
        table.entries.clear();
        errors.push_back(error);
        return false;
    }
    return ParseTextTable(bytes, path, table, errors);
}

std::vector<std::string> FindPlaceholders(const std::string& text)
{
    std::vector<std::string> found;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '@') {
            size_t end = i + 1;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                ++end;
            if (end > i + 1 && end < text.size() && text[end] == '@') {
                found.push_back(text.substr(i, end + 1 - i));
                i = end;
            }
        } else if (text[i] == '%') {
            size_t end = i + 1;
            while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
                ++end;
            if (end < text.size() && std::string("disu").find(text[end]) != std::string::npos) {
                found.push_back(text.substr(i, end + 1 - i));
                i = end;
            }
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool CheckTableKeys(const TextTable& table, const std::vector<TextKey>& keys,
                    std::vector<std::string>& errors)
{
    const size_t errorsBefore = errors.size();
    std::set<std::string> known;
    for (const TextKey& key : keys) {
        known.insert(key.id);
        const TextEntry* entry = table.Find(key.id);
        if (!entry) {
            errors.push_back(table.name + ": missing key " + key.id);
            continue;
        }
        if (LeadingSpace(entry->text).size() == entry->text.size()) {
            errors.push_back(At(table, *entry) + (entry->text.empty() ? ": empty text" : ": blank text"));
            continue;
        }
        std::vector<std::string> placeholders = FindPlaceholders(entry->text);
        if (placeholders != key.placeholders)
            errors.push_back(At(table, *entry) + ": placeholders " + JoinList(placeholders) +
                             ", the game fills " + JoinList(key.placeholders));
        // A text the game formats printf-style may hold no other per cent sign: one would be
        // read as a conversion of its own.
        const long formatted = std::count_if(key.placeholders.begin(), key.placeholders.end(),
                                             [](const std::string& p) { return p[0] == '%'; });
        if (formatted > 0 && std::count(entry->text.begin(), entry->text.end(), '%') != formatted)
            errors.push_back(At(table, *entry) +
                             ": a per cent sign besides the placeholder (the game formats this text)");
    }
    for (const TextEntry& entry : table.entries)
        if (!known.count(entry.id))
            errors.push_back(At(table, entry) + ": a key the game never looks up");
    return errors.size() == errorsBefore;
}

bool CheckAgainstReference(const TextTable& reference, const TextTable& table,
                           std::vector<std::string>& errors)
{
    const size_t errorsBefore = errors.size();
    for (const TextEntry& wanted : reference.entries) {
        const TextEntry* entry = table.Find(wanted.id);
        if (!entry) {
            errors.push_back(table.name + ": missing key " + wanted.id + " (present in " +
                             reference.name + ")");
            continue;
        }
        std::vector<std::string> placeholders = FindPlaceholders(entry->text);
        std::vector<std::string> expected = FindPlaceholders(wanted.text);
        if (placeholders != expected)
            errors.push_back(At(table, *entry) + ": placeholders " + JoinList(placeholders) +
                             ", " + reference.name + " has " + JoinList(expected));
        if (LeadingSpace(entry->text) != LeadingSpace(wanted.text))
            errors.push_back(At(table, *entry) + ": starts with " +
                             ShowSpace(LeadingSpace(entry->text)) + ", " + reference.name +
                             " with " + ShowSpace(LeadingSpace(wanted.text)));
        if (TrailingSpace(entry->text) != TrailingSpace(wanted.text))
            errors.push_back(At(table, *entry) + ": ends with " +
                             ShowSpace(TrailingSpace(entry->text)) + ", " + reference.name +
                             " with " + ShowSpace(TrailingSpace(wanted.text)));
    }
    for (const TextEntry& entry : table.entries)
        if (!reference.Find(entry.id))
            errors.push_back(At(table, entry) + ": not in " + reference.name);
    return errors.size() == errorsBefore;
}

std::string CollectCharacters(const std::vector<TextTable>& tables)
{
    std::set<char32_t> characters;
    for (const TextTable& table : tables) {
        for (const TextEntry& entry : table.entries) {
            for (size_t pos = 0; pos < entry.text.size();) {
                char32_t c = 0;
                size_t length = DecodeUtf8(entry.text, pos, c);
                if (length == 0) // only parsed tables come here; skip rather than loop
                    length = 1;
                else if (!IsControl(c))
                    characters.insert(c);
                pos += length;
            }
        }
    }
    std::string out;
    for (char32_t c : characters)
        EncodeUtf8(c, out);
    return out;
}

} // namespace DataBuild
