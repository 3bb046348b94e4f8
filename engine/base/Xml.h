// A parsed XML document. Parsing happens in place in a buffer the document owns.
#pragma once

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "system/Types.h"

namespace pugi {
class xml_document;
struct xml_node_struct;
} // namespace pugi

namespace Vorn {

class SeekableStream;

// One element of a document; null for none. Valid as long as its document lives.
typedef pugi::xml_node_struct* XmlTag;

// What every reader of the engine relies on: entities are decoded; an element's text is all of its
// own character data (text and CDATA pieces) joined, and whitespace-only text is kept when it is
// the element's only content; a document has exactly one root element.
class Xml : public RefCounter {
public:
    // Takes over buffer (allocated with new[]) and parses length bytes of it. A malformed text
    // gives whatever could be parsed; the factories below refuse it instead.
    Xml(char* buffer, u32 length);
    // Copies the text and parses the copy; an empty text gives a document without a root.
    explicit Xml(const NarrowString& text);
    ~Xml() override;
    Xml(const Xml&) = delete;
    Xml& operator=(const Xml&) = delete;

    // Null when the text is not a well-formed document with one root element (empty input
    // included); the buffer goes with the refused document.
    static SmartPtr<Xml> CreateFromBuffer(char* buffer, u32 length);
    // Reads as many bytes as the stream's size and parses the bytes actually delivered; null when
    // they do not make a document, which the stream is told is damage.
    static SmartPtr<Xml> CreateFromStream(SeekableStream* stream);
    // Opens the path through the virtual file system; null when it cannot be opened or parsed.
    static SmartPtr<Xml> CreateFromFile(const char* path);
    // As the text constructor, then refused like CreateFromBuffer; an empty text is a valid
    // document without a root.
    static SmartPtr<Xml> CreateFromString(const NarrowString& text);

    // The root element, null when the document has none.
    XmlTag GetRoot() const { return m_root; }
    bool HasError() const { return m_error; }

private:
    void Parse(u32 length);

    pugi::xml_document* m_document;
    char* m_buffer;
    XmlTag m_root;
    bool m_error;
};

} // namespace Vorn
