// Feeds arbitrary bytes to the XML wrapper the way the engine's readers do: parse a buffer, then
// walk every element with the cursor and read its text and attributes through each typed getter.
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "network/Uri.h"

using namespace Vorn;

namespace {

const char* const ATTRIBUTES[] = {"id", "name", "x", "y", "w", "h", "type", "value"};

void ReadEverything(const XmlIterator& it)
{
    int i = 0;
    short s = 0;
    unsigned u = 0;
    unsigned short us = 0;
    float f = 0, g = 0, h = 0;
    bool b = false;
    NarrowString narrow;
    WideString wide;
    Uri uri;
    it.GetText(i);
    it.GetText(s);
    it.GetText(f, g, h);
    it.GetText(f);
    it.GetText(b);
    it.GetText(narrow);
    it.GetText(wide);
    it.GetText(uri);
    for (const char* attribute : ATTRIBUTES) {
        it.HasAttribute(attribute, true);
        it.GetAttribute(attribute, us);
        it.GetAttribute(attribute, s);
        it.GetAttribute(attribute, i);
        it.GetAttribute(attribute, u);
        it.GetAttribute(attribute, f);
        it.GetAttribute(attribute, b);
        it.GetAttribute(attribute, narrow);
        it.GetAttribute(attribute, wide);
        it.GetAttribute(attribute, uri);
    }
}

void Walk(const Xml& xml)
{
    if (!xml.GetRoot())
        return;
    // Depth-first over every element without recursion; bounded so one input stays fast.
    std::vector<XmlTag> pending(1, xml.GetRoot());
    int visited = 0;
    while (!pending.empty() && visited < 20000) {
        XmlTag tag = pending.back();
        pending.pop_back();
        ++visited;
        ReadEverything(XmlIterator(tag));
        for (XmlIterator child(tag, nullptr); child.IsValid(); child.Next())
            pending.push_back(child.GetTag());
        for (XmlIterator named(tag, "string"); named.IsValid(); named.Next())
            named.GetText();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    char* buffer = new char[size ? size : 1];
    std::memcpy(buffer, data, size);
    SmartPtr<Xml> xml = Xml::CreateFromBuffer(buffer, static_cast<u32>(size));
    if (xml)
        Walk(*xml);

    SmartPtr<Xml> fromString = Xml::CreateFromString(NarrowString(reinterpret_cast<const char*>(data), size));
    if (fromString)
        Walk(*fromString);
    return 0;
}
