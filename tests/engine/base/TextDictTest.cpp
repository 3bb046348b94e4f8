#include <map>
#include <string>

#include <gtest/gtest.h>

#include "base/TextDict.h"
#include "vfs/CachedFile.h"
#include "vfs/Vfs.h"
#include "vfs/VfsMount.h"

using namespace Vorn;

namespace {

class TableMount : public VfsMount {
public:
    explicit TableMount(std::map<std::string, std::string> files)
        : VfsMount("texts/", 0), m_files(std::move(files)) {}
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

class TextDictTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Vfs::Init();
        Vfs::AddMount(g_vfsStaticData.Get(), new TableMount({
            {"en.xml",
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<texts>\n"
             "  <string id=\"hello\">Hello</string>\n"
             "  <string id=\"only_en\">English only</string>\n"
             "  <string id=\"hello\">Second hello</string>\n"
             "  <other id=\"skipped\">not a string</other>\n"
             "  <group><string id=\"nested\">too deep</string></group>\n"
             "  <string>no id</string>\n"
             "  <string id=\"space\"> </string>\n"
             "  <string id=\"empty\"></string>\n"
             "  <string id=\"Case\">upper</string>\n"
             "</texts>\n"},
            {"fr.xml",
             "<texts><string id=\"hello\">Bonjour &amp; caf\xC3\xA9</string>"
             "<string id=\"emoji\">\xF0\x9F\x98\x80</string></texts>"},
            {"broken.xml", "<texts><string id=\"x\">y</texts>"},
        }));
    }
    void TearDown() override { Vfs::Shutdown(); }

    SmartPtr<TextDict> dict = new TextDict;
};

} // namespace

TEST_F(TextDictTest, LoadsTheStringsOfTheRoot)
{
    ASSERT_TRUE(dict->Load("texts/en.xml"));
    EXPECT_EQ(WideString(L"Hello"), dict->GetText("hello")); // the first of two entries wins
    EXPECT_EQ(WideString(L"English only"), dict->GetText("only_en"));
    EXPECT_EQ(WideString(L" "), dict->GetText("space"));
    EXPECT_EQ(WideString(L""), dict->GetText("empty"));
    EXPECT_EQ(WideString(L"upper"), dict->GetText("Case"));
    EXPECT_EQ(5u, dict->GetTexts().size());
    // Not "string" elements of the root: absent, so the id comes back.
    EXPECT_EQ(WideString(L"skipped"), dict->GetText("skipped"));
    EXPECT_EQ(WideString(L"nested"), dict->GetText("nested"));
    EXPECT_EQ(WideString(L"case"), dict->GetText("case"));
}

TEST_F(TextDictTest, MissingIdYieldsTheIdDecoded)
{
    EXPECT_EQ(WideString(L"menu.caf\xE9"), dict->GetText("menu.caf\xC3\xA9"));
    EXPECT_EQ(WideString(L""), dict->GetText(""));
}

TEST_F(TextDictTest, DecodesUtf8AndEntities)
{
    ASSERT_TRUE(dict->Load("texts/fr.xml"));
    WideString hello = dict->GetText("hello");
    EXPECT_EQ(WideString(L"Bonjour & caf\xE9"), hello);
    EXPECT_EQ(1u, dict->GetText("emoji").size());
    EXPECT_EQ(static_cast<wchar_t>(0x1F600), dict->GetText("emoji")[0]);
}

TEST_F(TextDictTest, SecondLoadReplacesEverything)
{
    ASSERT_TRUE(dict->Load("texts/en.xml"));
    ASSERT_TRUE(dict->Load("texts/fr.xml"));
    EXPECT_EQ(WideString(L"only_en"), dict->GetText("only_en"));
    EXPECT_EQ(2u, dict->GetTexts().size());
}

TEST_F(TextDictTest, FailedLoadKeepsTheTexts)
{
    ASSERT_TRUE(dict->Load("texts/en.xml"));
    EXPECT_FALSE(dict->Load("texts/missing.xml"));
    EXPECT_FALSE(dict->Load("texts/broken.xml"));
    EXPECT_EQ(WideString(L"Hello"), dict->GetText("hello"));
}

TEST(TextDictSubstitute, ReplacesEveryTag)
{
    WideString text(L"$(N) and $(N), not $(M) or $(n)");
    EXPECT_EQ(2u, TextDict::Substitute(text, "N", L"x"));
    EXPECT_EQ(WideString(L"x and x, not $(M) or $(n)"), text);

    WideString none(L"nothing here $(");
    EXPECT_EQ(0u, TextDict::Substitute(none, "N", L"x"));
    EXPECT_EQ(WideString(L"nothing here $("), none);

    WideString adjacent(L"$(N)$(N)$(N)");
    EXPECT_EQ(3u, TextDict::Substitute(adjacent, "N", L""));
    EXPECT_TRUE(adjacent.empty());
}

TEST(TextDictSubstitute, InsertedTextIsNotSearchedAgain)
{
    WideString text(L"a$(N)b$(N)c");
    EXPECT_EQ(2u, TextDict::Substitute(text, "N", L"<$(N)>"));
    EXPECT_EQ(WideString(L"a<$(N)>b<$(N)>c"), text);

    // Removing a tag can join its neighbours into a new one; that one is not replaced either.
    WideString joined(L"$($(N)N)");
    EXPECT_EQ(1u, TextDict::Substitute(joined, "N", L""));
    EXPECT_EQ(WideString(L"$(N)"), joined);
}

TEST(TextDictSubstitute, NamesAndValuesBeyondAscii)
{
    WideString text(L"[$(\xE9)]");
    EXPECT_EQ(1u, TextDict::Substitute(text, "\xC3\xA9", WideString(L"\x1F600")));
    EXPECT_EQ(WideString(L"[\x1F600]"), text);
}

TEST(TextDictWeak, WeakPointerSeesTheDictionaryGo)
{
    SmartPtr<TextDict> dict(new TextDict);
    WeakPtr<TextDict> weak(dict);
    EXPECT_EQ(dict, weak.Lock());
    dict = nullptr;
    EXPECT_FALSE(weak.Lock());
}
