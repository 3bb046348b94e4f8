#include "base/Xml.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <pugixml.hpp>

#include "base/SeekableStream.h"
#include "system/Memory.h"
#include "vfs/File.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

// The parser's own allocations go through the engine's front-end like every library's.
struct PugiMemory {
    PugiMemory() { pugi::set_memory_management_functions(&Malloc, &Free); }
} s_pugiMemory;

const unsigned PARSE_OPTIONS = pugi::parse_default | pugi::parse_ws_pcdata_single;

bool IsText(const pugi::xml_node& node)
{
    return node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata;
}

// Joins each element's text pieces into its first one, so that an element's text is one string
// the document owns, whatever elements and comments stand between the pieces.
void JoinTexts(pugi::xml_node element)
{
    // Iterative, so deeply nested input cannot exhaust the stack.
    pugi::xml_node node = element;
    while (node) {
        if (node.type() == pugi::node_element) {
            pugi::xml_node first;
            std::string joined;
            bool several = false;
            for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
                if (!IsText(child))
                    continue;
                if (!first)
                    first = child;
                else
                    several = true;
                joined += child.value();
            }
            if (several) {
                first.set_value(joined.c_str());
                for (pugi::xml_node child = first.next_sibling(); child;) {
                    pugi::xml_node next = child.next_sibling();
                    if (IsText(child))
                        node.remove_child(child);
                    child = next;
                }
            }
        }
        // Depth-first walk over elements.
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node && node != element && !node.next_sibling())
            node = node.parent();
        if (!node || node == element)
            break;
        node = node.next_sibling();
    }
}

} // namespace

Xml::Xml(char* buffer, u32 length)
    : m_document(new pugi::xml_document), m_buffer(buffer), m_root(nullptr), m_error(false)
{
    Parse(length);
}

Xml::Xml(const NarrowString& text)
    : m_document(new pugi::xml_document), m_buffer(nullptr), m_root(nullptr), m_error(false)
{
    if (text.empty())
        return;
    m_buffer = new char[text.size()];
    std::memcpy(m_buffer, text.data(), text.size());
    Parse(static_cast<u32>(text.size()));
}

Xml::~Xml()
{
    delete m_document;
    delete[] m_buffer;
}

void Xml::Parse(u32 length)
{
    pugi::xml_parse_result result = m_document->load_buffer_inplace(
        m_buffer, length, PARSE_OPTIONS, pugi::encoding_utf8);
    if (!result) {
        m_error = true;
        return;
    }
    int roots = 0;
    for (pugi::xml_node child = m_document->first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            ++roots;
    }
    if (roots != 1) {
        m_error = true;
        return;
    }
    pugi::xml_node root = m_document->document_element();
    JoinTexts(root);
    m_root = root.internal_object();
}

SmartPtr<Xml> Xml::CreateFromBuffer(char* buffer, u32 length)
{
    SmartPtr<Xml> xml(new Xml(buffer, length));
    if (xml->HasError())
        return SmartPtr<Xml>();
    return xml;
}

SmartPtr<Xml> Xml::CreateFromStream(SeekableStream* stream)
{
    if (!stream)
        return SmartPtr<Xml>();
    // The size is only what the stream claims: the buffer grows with the bytes really delivered.
    const u32 CHUNK = 64 * 1024;
    u32 size = stream->GetSize();
    std::vector<char> data;
    while (data.size() < size) {
        size_t at = data.size();
        u32 want = static_cast<u32>(std::min<size_t>(CHUNK, size - at));
        data.resize(at + want);
        s32 n = stream->Read(data.data() + at, want);
        data.resize(at + static_cast<size_t>(n > 0 ? n : 0));
        if (n <= 0)
            break;
    }
    char* buffer = new char[data.size() ? data.size() : 1];
    if (!data.empty())
        std::memcpy(buffer, data.data(), data.size());
    SmartPtr<Xml> xml = CreateFromBuffer(buffer, static_cast<u32>(data.size()));
    if (!xml)
        stream->ReportDamage("it is not a well-formed XML document");
    return xml;
}

SmartPtr<Xml> Xml::CreateFromFile(const char* path)
{
    SmartPtr<File> file(Vfs::Open(path));
    if (!file)
        return SmartPtr<Xml>();
    return CreateFromStream(file.Get());
}

SmartPtr<Xml> Xml::CreateFromString(const NarrowString& text)
{
    SmartPtr<Xml> xml(new Xml(text));
    if (xml->HasError())
        return SmartPtr<Xml>();
    return xml;
}

} // namespace Vorn
