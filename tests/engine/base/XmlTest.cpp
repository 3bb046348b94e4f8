#include <clocale>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/SeekableStream.h"
#include "base/Xml.h"
#include "base/XmlIterator.h"
#include "network/Uri.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

using namespace Vorn;

namespace {

SmartPtr<Xml> Parse(const std::string& text)
{
    char* buffer = new char[text.size() ? text.size() : 1];
    std::memcpy(buffer, text.data(), text.size());
    return Xml::CreateFromBuffer(buffer, static_cast<u32>(text.size()));
}

std::string RootText(const std::string& text)
{
    SmartPtr<Xml> xml = Parse(text);
    if (!xml)
        return "<null document>";
    return XmlIterator(xml->GetRoot()).GetText();
}

// A stream that claims more bytes than it has and hands them out a few at a time, as a damaged
// or slow file would.
class ShortStream : public SeekableStream {
public:
    ShortStream(const std::string& data, u32 claimed, u32 piece)
        : m_data(data), m_claimed(claimed), m_piece(piece) {}
    s32 Read(void* buffer, u32 count) override
    {
        u32 n = std::min<u32>({count, m_piece, static_cast<u32>(m_data.size() - m_at)});
        std::memcpy(buffer, m_data.data() + m_at, n);
        m_at += n;
        return static_cast<s32>(n);
    }
    u32 Write(const void*, u32) override { return 0; }
    bool Seek(int, int) override { return false; }
    u32 Tell() override { return m_at; }
    u32 GetSize() override { return m_claimed; }
    void ReportDamage(const char* why) override { said.push_back(why); }

    std::vector<std::string> said;

private:
    std::string m_data;
    u32 m_claimed;
    u32 m_piece;
    u32 m_at = 0;
};

// Serves files from memory under its mount point.
class MemoryMount : public VfsMount {
public:
    MemoryMount(const char* mountPoint, std::map<std::string, std::string> files)
        : VfsMount(mountPoint, 0), m_files(std::move(files)) {}
    File* Open(const char* relativePath) override
    {
        auto found = m_files.find(relativePath);
        if (found == m_files.end())
            return nullptr;
        return new CachedFile(found->second.data(), static_cast<u32>(found->second.size()), true);
    }
    File* OpenWrite(const char*) override { return nullptr; }

private:
    std::map<std::string, std::string> m_files;
};

class XmlFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        Vfs::Init();
        Vfs::AddMount(g_vfsStaticData.Get(),
                      new MemoryMount("mem/", {{"good.xml", "<a><b>1</b></a>"}, {"bad.xml", "<a><b></a>"}}));
    }
    void TearDown() override { Vfs::Shutdown(); }
};

} // namespace

TEST(Xml, TextKeepsWhitespaceAndJoinsPieces)
{
    EXPECT_EQ(" ", RootText("<a> </a>"));
    EXPECT_EQ("\n  \t", RootText("<a>\n  \t</a>"));
    EXPECT_EQ("xyz", RootText("<a>x<b>inner</b>y<!-- note --><![CDATA[z]]></a>"));
    EXPECT_EQ("", RootText("<a><b/></a>"));
    EXPECT_EQ("<\xE2\x82\xAC&\"'", RootText("<a>&lt;&#x20AC;&amp;&quot;&apos;</a>"));
    EXPECT_EQ("keep <this>", RootText("<a><![CDATA[keep <this>]]></a>"));
}

TEST(Xml, JoinedTextBelongsToEachElementAlone)
{
    SmartPtr<Xml> xml = Parse("<r><a>1<x>inner</x>2</a><b>3<y/>4<z>5</z>6</b></r>");
    ASSERT_TRUE(xml);
    XmlIterator a(xml->GetRoot(), "a");
    XmlIterator b(xml->GetRoot(), "b");
    EXPECT_STREQ("12", a.GetText());
    EXPECT_STREQ("inner", XmlIterator(a.GetTag(), "x").GetText());
    EXPECT_STREQ("346", b.GetText());
    EXPECT_STREQ("5", XmlIterator(b.GetTag(), "z").GetText());
}

TEST(Xml, RefusesWhatIsNotOneDocument)
{
    const char* refused[] = {
        "",                  // empty input
        "   \n",             // no root element
        "<a/><b/>",          // second root
        "<a></a><a></a>",
        "<a><b></a>",        // mismatched tags
        "<a",                // cut short
        "<a x=\"1></a>",
        "text only",
    };
    for (const char* text : refused)
        EXPECT_FALSE(Parse(text)) << '"' << text << '"';
    EXPECT_TRUE(Parse("<?xml version=\"1.0\"?>\n<!-- c --><a/>\n<!-- d -->"));
}

TEST(Xml, EmptyStringIsADocumentWithoutRoot)
{
    SmartPtr<Xml> xml = Xml::CreateFromString("");
    ASSERT_TRUE(xml);
    EXPECT_EQ(nullptr, xml->GetRoot());
    XmlIterator it(*xml, "string");
    EXPECT_FALSE(it.IsValid());
    EXPECT_FALSE(XmlIterator(*xml, nullptr).IsValid());
    EXPECT_EQ(nullptr, it.GetText());
    it.Next();
    EXPECT_FALSE(it.IsValid());

    EXPECT_TRUE(Xml::CreateFromString("<a>x</a>"));
    EXPECT_FALSE(Xml::CreateFromString("<a>x</b>"));
    EXPECT_FALSE(Xml::CreateFromString(" "));
}

TEST(Xml, ConstructorsNeverFail)
{
    Xml broken(NarrowString("<a><b>"));
    EXPECT_TRUE(broken.HasError());
    Xml empty(NarrowString(""));
    EXPECT_FALSE(empty.HasError());
    EXPECT_EQ(nullptr, empty.GetRoot());
}

TEST(Xml, StreamIsParsedFromTheBytesItDelivers)
{
    const std::string doc = "<r><v>42</v></r>";
    // Claims far more than it holds: only the delivered bytes are parsed.
    ShortStream lying(doc, 100000, 1 << 20);
    SmartPtr<Xml> xml = Xml::CreateFromStream(&lying);
    ASSERT_TRUE(xml);
    int value = 0;
    EXPECT_TRUE(XmlIterator(xml->GetRoot(), "v").GetText(value));
    EXPECT_EQ(42, value);

    // Delivers three bytes per read: every piece is collected.
    ShortStream trickle(doc, static_cast<u32>(doc.size()), 3);
    EXPECT_TRUE(Xml::CreateFromStream(&trickle));

    EXPECT_TRUE(trickle.said.empty());

    // Delivers less than a document: refused, and the stream is told it is damaged.
    ShortStream cut(doc.substr(0, 8), static_cast<u32>(doc.size()), 100);
    EXPECT_FALSE(Xml::CreateFromStream(&cut));
    EXPECT_EQ(cut.said, std::vector<std::string>{"it is not a well-formed XML document"});

    ShortStream nothing("", 0, 1);
    EXPECT_FALSE(Xml::CreateFromStream(&nothing));
    EXPECT_FALSE(Xml::CreateFromStream(nullptr));
}

TEST_F(XmlFiles, OpensThroughTheFileSystem)
{
    SmartPtr<Xml> xml = Xml::CreateFromFile("mem/good.xml");
    ASSERT_TRUE(xml);
    EXPECT_STREQ("1", XmlIterator(xml->GetRoot(), "b").GetText());
    EXPECT_FALSE(Xml::CreateFromFile("mem/bad.xml"));
    EXPECT_FALSE(Xml::CreateFromFile("mem/missing.xml"));
    EXPECT_FALSE(Xml::CreateFromFile("elsewhere/good.xml"));
}

TEST(Xml, DeepNestingNeitherCrashesNorLosesText)
{
    const int depth = 20000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<e>t";
    for (int i = 0; i < depth; ++i)
        text += "u</e>";
    SmartPtr<Xml> xml = Parse(text);
    ASSERT_TRUE(xml);
    XmlTag tag = xml->GetRoot();
    for (int i = 0; i < depth - 1; ++i)
        tag = XmlIterator(tag, "e").GetTag();
    ASSERT_NE(nullptr, tag);
    EXPECT_STREQ("tu", XmlIterator(tag).GetText());
}

TEST(XmlIterator, IteratesByNameAndInDocumentOrder)
{
    SmartPtr<Xml> xml = Parse("<r>text<a n=\"1\"/><b n=\"2\"/><!-- c --><a n=\"3\"/>tail<c n=\"4\"/></r>");
    ASSERT_TRUE(xml);
    std::string named;
    for (XmlIterator it(*xml, "a"); it.IsValid(); it.Next())
        named += it.GetAttribute("n");
    EXPECT_EQ("13", named);

    std::string all;
    for (XmlIterator it(*xml, nullptr); it.IsValid(); it.Next())
        all += std::string(it.GetName()) + it.GetAttribute("n");
    EXPECT_EQ("a1b2a3c4", all);

    EXPECT_FALSE(XmlIterator(*xml, "missing").IsValid());
    EXPECT_FALSE(XmlIterator(nullptr, "a").IsValid());
    EXPECT_FALSE(XmlIterator(nullptr).IsValid());
    EXPECT_EQ(nullptr, XmlIterator(nullptr).GetName());
}

TEST(XmlIterator, TypedAttributes)
{
    SmartPtr<Xml> xml = Parse(
        "<r><t yes=\"yes\" Yes=\"Yes\" one=\"1\" zero=\"0\" no=\"no\" tr=\"true\" fa=\"false\" empty=\"\""
        " hex=\"0x10\" oct=\"010\" neg=\"-5\" big=\"70000\" f=\"2.5\" abc=\"abc\""
        " name=\"caf\xC3\xA9\" uri=\"http://h:80/p%20q?x=1#f\"/></r>");
    ASSERT_TRUE(xml);
    XmlIterator t(xml->GetRoot(), "t");

    struct BoolCase {
        const char* attribute;
        bool found;
        bool value;
    };
    const BoolCase bools[] = {{"yes", true, true},  {"no", true, false}, {"one", true, true},
                              {"zero", true, false}, {"tr", true, true},  {"fa", true, false},
                              {"Yes", false, false}, {"empty", false, false}, {"missing", false, false}};
    for (const BoolCase& c : bools) {
        for (bool preset : {false, true}) {
            bool value = preset;
            EXPECT_EQ(c.found, t.GetAttribute(c.attribute, value)) << c.attribute;
            EXPECT_EQ(c.found ? c.value : preset, value) << c.attribute;
        }
    }

    int i = -1;
    EXPECT_TRUE(t.GetAttribute("hex", i));
    EXPECT_EQ(16, i);
    EXPECT_TRUE(t.GetAttribute("oct", i));
    EXPECT_EQ(8, i);
    unsigned u = 99;
    EXPECT_TRUE(t.GetAttribute("hex", u));
    EXPECT_EQ(0u, u);
    u = 99;
    EXPECT_FALSE(t.GetAttribute("abc", u));
    EXPECT_EQ(99u, u);
    short s = 0;
    EXPECT_TRUE(t.GetAttribute("neg", s));
    EXPECT_EQ(-5, s);
    unsigned short us = 0;
    EXPECT_TRUE(t.GetAttribute("one", us));
    EXPECT_EQ(1, us);
    i = 7;
    EXPECT_FALSE(t.GetAttribute("empty", i));
    EXPECT_EQ(7, i);

    float f = -1;
    EXPECT_TRUE(t.GetAttribute("f", f));
    EXPECT_EQ(2.5f, f);
    EXPECT_TRUE(t.GetAttribute("abc", f));
    EXPECT_EQ(0.0f, f);
    f = 3;
    EXPECT_FALSE(t.GetAttribute("missing", f));
    EXPECT_EQ(3.0f, f);

    NarrowString narrow("unchanged");
    EXPECT_FALSE(t.GetAttribute("missing", narrow));
    EXPECT_EQ("unchanged", narrow);
    EXPECT_TRUE(t.GetAttribute("empty", narrow));
    EXPECT_EQ("", narrow);
    WideString wide;
    EXPECT_TRUE(t.GetAttribute("name", wide));
    EXPECT_EQ(WideString(L"caf\xE9"), wide);

    Uri uri;
    EXPECT_TRUE(t.GetAttribute("uri", uri));
    EXPECT_EQ("http", uri.scheme);
    EXPECT_EQ("h", uri.host);
    EXPECT_EQ("80", uri.port);
    EXPECT_EQ("/p q", uri.path);
    EXPECT_EQ("x=1", uri.query);
    EXPECT_EQ("f", uri.fragment);

    EXPECT_TRUE(t.HasAttribute("yes", false));
    EXPECT_TRUE(t.HasAttribute("empty", true));
    EXPECT_FALSE(t.HasAttribute("empty", false));
    EXPECT_FALSE(t.HasAttribute("missing", true));
    EXPECT_EQ(nullptr, t.GetAttribute("missing"));
}

TEST(XmlIterator, TypedTexts)
{
    SmartPtr<Xml> xml = Parse(
        "<r><i>0x1F</i><s>-12</s><v>1, 2 ,3</v><v2>1,2</v2><f>abc</f><b>true</b><b2>True</b2>"
        "<w>\xC3\xA9t\xC3\xA9</w><n>12abc</n></r>");
    ASSERT_TRUE(xml);
    XmlTag root = xml->GetRoot();
    int i = 0;
    EXPECT_TRUE(XmlIterator(root, "i").GetText(i));
    EXPECT_EQ(31, i);
    EXPECT_TRUE(XmlIterator(root, "n").GetText(i));
    EXPECT_EQ(12, i);
    short s = 0;
    EXPECT_TRUE(XmlIterator(root, "s").GetText(s));
    EXPECT_EQ(-12, s);

    float x = 0, y = 0, z = 0;
    EXPECT_TRUE(XmlIterator(root, "v").GetText(x, y, z));
    EXPECT_EQ(1.0f, x);
    EXPECT_EQ(2.0f, y);
    EXPECT_EQ(3.0f, z);
    EXPECT_FALSE(XmlIterator(root, "v2").GetText(x, y, z));

    float f = 5;
    EXPECT_TRUE(XmlIterator(root, "f").GetText(f));
    EXPECT_EQ(0.0f, f);

    bool b = false;
    EXPECT_TRUE(XmlIterator(root, "b").GetText(b));
    EXPECT_TRUE(b);
    b = false;
    EXPECT_FALSE(XmlIterator(root, "b2").GetText(b));
    EXPECT_FALSE(b);

    WideString w;
    EXPECT_TRUE(XmlIterator(root, "w").GetText(w));
    EXPECT_EQ(WideString(L"\xE9t\xE9"), w);

    // An empty cursor changes nothing.
    XmlIterator none(root, "missing");
    i = 3;
    EXPECT_FALSE(none.GetText(i));
    EXPECT_EQ(3, i);
    NarrowString n("keep");
    EXPECT_FALSE(none.GetText(n));
    EXPECT_EQ("keep", n);
    EXPECT_FALSE(none.GetText(f));
    EXPECT_FALSE(none.GetText(x, y, z));
}

TEST(XmlIterator, NumbersIgnoreTheProcessLocale)
{
    SmartPtr<Xml> xml = Parse("<r><v>1.5, 2.25, 3.75</v></r>");
    ASSERT_TRUE(xml);
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    float x = 0, y = 0, z = 0;
    bool ok = XmlIterator(xml->GetRoot(), "v").GetText(x, y, z);
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_TRUE(ok);
    EXPECT_EQ(1.5f, x);
    EXPECT_EQ(2.25f, y);
    EXPECT_EQ(3.75f, z);
}
