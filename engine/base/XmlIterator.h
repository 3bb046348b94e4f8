// A cursor over elements of an Xml document, with typed readers for texts and attributes.
#pragma once

#include "base/NarrowString.h"
#include "base/WideString.h"
#include "base/Xml.h"

namespace Vorn {

class Uri;

// Every typed getter returns false and leaves its output unchanged when the cursor is empty or the
// text or attribute is missing, so callers preset their defaults; a value that does not convert
// also gives false. Numbers are read in the C locale whatever the process has set. The cursor
// borrows its document and its name filter and must not outlive either.
class XmlIterator {
public:
    // On the tag itself, without a name filter.
    explicit XmlIterator(XmlTag tag);
    // On the first child of tag called name, or with a null name on its first child element.
    XmlIterator(XmlTag tag, const char* name);
    // The same below the document's root element.
    XmlIterator(const Xml& xml, const char* name);

    // To the next sibling of the same name, or with no filter to the next sibling element.
    void Next();
    bool IsValid() const { return m_tag != nullptr; }
    XmlTag GetTag() const { return m_tag; }
    // The element's name; null on an empty cursor.
    const char* GetName() const;

    // The element's character data, "" when it has none; null on an empty cursor.
    const char* GetText() const;
    // The attribute's text; null when the cursor is empty or the attribute is missing.
    const char* GetAttribute(const char* attribute) const;
    // Whether the attribute is there with a non-empty text; ifEmpty when its text is empty.
    bool HasAttribute(const char* attribute, bool ifEmpty) const;

    bool GetText(short& value) const;                           // "%hd"
    bool GetText(int& value) const;                             // "%i": 0x hexadecimal, 0 octal
    bool GetText(float& x, float& y, float& z) const;           // "x , y , z"
    bool GetText(float& value) const;                           // StrToDouble: always converts
    bool GetText(bool& value) const;                            // exactly "true" or "false"
    bool GetText(NarrowString& value) const;
    bool GetText(WideString& value) const;                      // UTF-8 decoded
    bool GetText(Uri& value) const;

    bool GetAttribute(const char* attribute, unsigned short& value) const; // "%hu"
    bool GetAttribute(const char* attribute, short& value) const;          // "%hd"
    bool GetAttribute(const char* attribute, int& value) const;            // "%i"
    bool GetAttribute(const char* attribute, unsigned& value) const;       // "%u"
    bool GetAttribute(const char* attribute, float& value) const;          // always converts
    bool GetAttribute(const char* attribute, bool& value) const; // yes/no, 1/0, true/false
    bool GetAttribute(const char* attribute, NarrowString& value) const;
    bool GetAttribute(const char* attribute, WideString& value) const;
    bool GetAttribute(const char* attribute, Uri& value) const;

private:
    const char* m_name;
    XmlTag m_tag;
};

} // namespace Vorn
