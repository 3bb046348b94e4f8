#include "base/XmlIterator.h"

#include <clocale>
#include <cstdio>
#include <cstring>

#include <locale.h>
#include <pugixml.hpp>

#include "network/Uri.h"
#include "system/NumberParse.h"

namespace Vorn {

namespace {

pugi::xml_node Node(XmlTag tag) { return pugi::xml_node(tag); }

pugi::xml_node FirstChild(pugi::xml_node parent, const char* name)
{
    if (name)
        return parent.child(name);
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element)
            return child;
    }
    return pugi::xml_node();
}

// sscanf's "%f" follows LC_NUMERIC; the files are written with '.', so conversions run in the C
// locale for the calling thread only.
class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t CLocale()
    {
        static locale_t s_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
        return s_locale ? s_locale : LC_GLOBAL_LOCALE;
    }
    locale_t m_previous;
};

template <class V>
bool ScanOne(const char* text, const char* format, V& value)
{
    if (!text)
        return false;
    CLocaleScope scope;
    V parsed;
    if (std::sscanf(text, format, &parsed) != 1)
        return false;
    value = parsed;
    return true;
}

bool ScanFloat(const char* text, float& value)
{
    if (!text)
        return false;
    value = static_cast<float>(StrToDouble(text, nullptr));
    return true;
}

bool ScanUri(const char* text, Uri& value)
{
    if (!text)
        return false;
    Uri parsed;
    parsed.Parse(text);
    value = parsed;
    return true;
}

bool CopyNarrow(const char* text, NarrowString& value)
{
    if (!text)
        return false;
    value = text;
    return true;
}

bool CopyWide(const char* text, WideString& value)
{
    if (!text)
        return false;
    value = WideString(NarrowString(text));
    return true;
}

struct Keyword {
    const char* text;
    bool value;
};

const Keyword BOOL_KEYWORDS[] = {
    {"yes", true}, {"no", false}, {"1", true}, {"0", false}, {"true", true}, {"false", false},
};

} // namespace

XmlIterator::XmlIterator(XmlTag tag) : m_name(nullptr), m_tag(tag) {}

XmlIterator::XmlIterator(XmlTag tag, const char* name)
    : m_name(name), m_tag(tag ? FirstChild(Node(tag), name).internal_object() : nullptr)
{
}

XmlIterator::XmlIterator(const Xml& xml, const char* name) : XmlIterator(xml.GetRoot(), name) {}

void XmlIterator::Next()
{
    if (!m_tag)
        return;
    pugi::xml_node node = Node(m_tag);
    if (m_name) {
        m_tag = node.next_sibling(m_name).internal_object();
        return;
    }
    for (node = node.next_sibling(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            break;
    }
    m_tag = node.internal_object();
}

const char* XmlIterator::GetName() const { return m_tag ? Node(m_tag).name() : nullptr; }

const char* XmlIterator::GetText() const { return m_tag ? Node(m_tag).child_value() : nullptr; }

const char* XmlIterator::GetAttribute(const char* attribute) const
{
    if (!m_tag || !attribute)
        return nullptr;
    pugi::xml_attribute found = Node(m_tag).attribute(attribute);
    return found ? found.value() : nullptr;
}

bool XmlIterator::HasAttribute(const char* attribute, bool ifEmpty) const
{
    const char* text = GetAttribute(attribute);
    if (!text)
        return false;
    return *text ? true : ifEmpty;
}

bool XmlIterator::GetText(short& value) const { return ScanOne(GetText(), "%hd", value); }
bool XmlIterator::GetText(int& value) const { return ScanOne(GetText(), "%i", value); }

bool XmlIterator::GetText(float& x, float& y, float& z) const
{
    const char* text = GetText();
    if (!text)
        return false;
    CLocaleScope scope;
    float a, b, c;
    if (std::sscanf(text, " %f , %f , %f ", &a, &b, &c) != 3)
        return false;
    x = a;
    y = b;
    z = c;
    return true;
}

bool XmlIterator::GetText(float& value) const { return ScanFloat(GetText(), value); }

bool XmlIterator::GetText(bool& value) const
{
    const char* text = GetText();
    if (!text)
        return false;
    if (std::strcmp(text, "true") == 0) {
        value = true;
        return true;
    }
    if (std::strcmp(text, "false") == 0) {
        value = false;
        return true;
    }
    return false;
}

bool XmlIterator::GetText(NarrowString& value) const { return CopyNarrow(GetText(), value); }
bool XmlIterator::GetText(WideString& value) const { return CopyWide(GetText(), value); }
bool XmlIterator::GetText(Uri& value) const { return ScanUri(GetText(), value); }

bool XmlIterator::GetAttribute(const char* attribute, unsigned short& value) const
{
    return ScanOne(GetAttribute(attribute), "%hu", value);
}

bool XmlIterator::GetAttribute(const char* attribute, short& value) const
{
    return ScanOne(GetAttribute(attribute), "%hd", value);
}

bool XmlIterator::GetAttribute(const char* attribute, int& value) const
{
    return ScanOne(GetAttribute(attribute), "%i", value);
}

bool XmlIterator::GetAttribute(const char* attribute, unsigned& value) const
{
    return ScanOne(GetAttribute(attribute), "%u", value);
}

bool XmlIterator::GetAttribute(const char* attribute, float& value) const
{
    return ScanFloat(GetAttribute(attribute), value);
}

bool XmlIterator::GetAttribute(const char* attribute, bool& value) const
{
    const char* text = GetAttribute(attribute);
    if (!text)
        return false;
    for (const Keyword& keyword : BOOL_KEYWORDS) {
        if (std::strcmp(text, keyword.text) == 0) {
            value = keyword.value;
            return true;
        }
    }
    return false;
}

bool XmlIterator::GetAttribute(const char* attribute, NarrowString& value) const
{
    return CopyNarrow(GetAttribute(attribute), value);
}

bool XmlIterator::GetAttribute(const char* attribute, WideString& value) const
{
    return CopyWide(GetAttribute(attribute), value);
}

bool XmlIterator::GetAttribute(const char* attribute, Uri& value) const
{
    return ScanUri(GetAttribute(attribute), value);
}

} // namespace Vorn
