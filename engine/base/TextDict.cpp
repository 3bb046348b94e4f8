#include "base/TextDict.h"

#include "base/Xml.h"
#include "base/XmlIterator.h"

namespace Vorn {

SmartPtr<TextDict> g_textDict;

bool TextDict::Load(const NarrowString& path)
{
    SmartPtr<Xml> xml = Xml::CreateFromFile(path.c_str());
    if (!xml)
        return false;
    m_texts.clear();
    for (XmlIterator it(*xml, "string"); it.IsValid(); it.Next()) {
        const char* id = it.GetAttribute("id");
        if (!id)
            continue;
        WideString text;
        it.GetText(text);
        m_texts.emplace(NarrowString(id), std::move(text)); // keeps an earlier entry of the same id
    }
    return true;
}

WideString TextDict::GetText(const NarrowString& id) const
{
    TextMap::const_iterator found = m_texts.find(id);
    if (found != m_texts.end())
        return found->second;
    return WideString(id);
}

u32 TextDict::Substitute(WideString& text, const NarrowString& name, const WideString& value)
{
    WideString tag(NarrowString("$(" + name + ")"));
    u32 count = 0;
    size_t at = text.find(tag);
    while (at != WideString::npos) {
        text.replace(at, tag.size(), value);
        ++count;
        at = text.find(tag, at + value.size());
    }
    return count;
}

} // namespace Vorn
