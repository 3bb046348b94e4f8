#include <gtest/gtest.h>

#include "StringTools.h"
#include "TextsManager.h"
#include "base/TextDict.h"
#include "support/MemoryMount.h"
#include "vfs/Vfs.h"

using Vorn::WideString;

namespace {

// Every test leaves the methods as a sound start-up chooses them.
class Placeholders : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StringTools::Init()); }
    void TearDown() override { StringTools::Init(); }
};

WideString Filled(const wchar_t* text, int value)
{
    WideString out(text);
    StringTools::SprintfRef(out, value);
    return out;
}

}  // namespace

TEST_F(Placeholders, SoundSystemChoosesTheFirstPair)
{
    EXPECT_EQ(0, StringTools::g_stringToWStringConvert);
    EXPECT_EQ(0, StringTools::g_replaceTag);
}

TEST_F(Placeholders, EachArgumentFillsTheFirstOccurrenceOfItsTag)
{
    for (int method : {0, 1}) {
        SCOPED_TRACE(method);
        StringTools::g_replaceTag = method;
        EXPECT_EQ(WideString(L"5 and @1@"), Filled(L"@1@ and @1@", 5));
        EXPECT_EQ(WideString(L"-5"), Filled(L"@1@", -5));
        EXPECT_EQ(WideString(L"no tags"), Filled(L"no tags", 7));
        EXPECT_EQ(WideString(L"@2@ only"), Filled(L"@2@ only", 7));

        // Arguments go in order: the second fills the copy of "@2@" the first one brought in,
        // and the text's own "@2@" stays.
        WideString text(L"@1@ then @2@");
        StringTools::SprintfRef(text, WideString(L"<@2@>"), 9);
        EXPECT_EQ(WideString(L"<9> then @2@"), text);

        WideString mixed(L"@1@|@2@|@3@|@4@|@5@");
        wchar_t one[2] = {L'x', 0};
        StringTools::SprintfRef(mixed, WideString(L"w"), one, 3, L"z", 2147483647L);
        EXPECT_EQ(WideString(L"w|x|3|z|2147483647"), mixed);
    }
}

TEST_F(Placeholders, NarrowArgumentsFollowTheConversionMethod)
{
    WideString text(L"[@1@]");
    StringTools::SprintfRef(text, "\xC3\xA9t\xC3\xA9");  // UTF-8 "été"
    EXPECT_EQ(WideString(L"[\u00E9t\u00E9]"), text);

    StringTools::g_stringToWStringConvert = 1;
    WideString bytes;
    StringTools::StringToWString(bytes, Vorn::NarrowString("a\xC3"));
    ASSERT_EQ(2u, bytes.size());
    EXPECT_EQ(L'a', bytes[0]);
    EXPECT_EQ(static_cast<wchar_t>(-61), bytes[1]);  // bytes are taken as signed

    // The C library's conversion in the "C" locale stops at the first byte it cannot convert.
    StringTools::g_stringToWStringConvert = 2;
    StringTools::StringToWString(bytes, Vorn::NarrowString("ab\xFF" "cd"));
    EXPECT_EQ(WideString(L"ab"), bytes);
    StringTools::StringToWString(bytes, Vorn::NarrowString("plain"));
    EXPECT_EQ(WideString(L"plain"), bytes);
}

TEST_F(Placeholders, FailedMethodsShowTheErrorTextAndLeaveTagsAlone)
{
    StringTools::g_stringToWStringConvert = 3;
    StringTools::g_replaceTag = 2;
    WideString out(L"keep");
    StringTools::StringToWString(out, Vorn::NarrowString(""));
    EXPECT_EQ(WideString(L" _ERROR_ "), out);
    StringTools::StringToWString(out, Vorn::NarrowString("anything"));
    EXPECT_EQ(WideString(L" _ERROR_ "), out);
    EXPECT_EQ(WideString(L"@1@"), Filled(L"@1@", 3));
    EXPECT_FALSE(StringTools::SelfTest());
}

TEST_F(Placeholders, InitTriesThePairsInOrderFromTheFirst)
{
    // Byte-wise widening passes the ASCII self test too, but the trial starts again from the
    // first pair.
    StringTools::g_stringToWStringConvert = 1;
    StringTools::g_replaceTag = 1;
    EXPECT_TRUE(StringTools::SelfTest());
    EXPECT_TRUE(StringTools::Init());
    EXPECT_EQ(0, StringTools::g_stringToWStringConvert);
    EXPECT_EQ(0, StringTools::g_replaceTag);
}

TEST(TextsManager, KeysAndMissingKeys)
{
    Vorn::g_textDict = nullptr;
    TextsManager& texts = TextsManager::Instance();
    EXPECT_EQ(&texts, &TextsManager::Instance());
    // Before any dictionary exists a key still shows as itself.
    EXPECT_EQ(WideString(L"HINT_LEFT"), texts.GetText("HINT_LEFT"));

    texts.ResetDictionary();
    Vorn::SmartPtr<Vorn::TextDict> first = Vorn::g_textDict;
    ASSERT_TRUE(first);
    texts.ResetDictionary();
    EXPECT_NE(first, Vorn::g_textDict);
    EXPECT_EQ(1, first->GetRefCount());  // the old dictionary was released by the manager

    VornTest::MemoryMount* mount = VornTest::MemoryMount::Install("common/");
    mount->Add("texts/en.xml", std::string("<texts><string id=\"MENU\">Menu</string>"
                                           "<string id=\"LEVEL\">Level @1@ of @2@</string>"
                                           "<string id=\"ACCENT\">\xC3\xA9</string></texts>"));
    mount->Add("texts/fr.xml", std::string("<texts><string id=\"MENU\">Menu FR</string></texts>"));
    ASSERT_TRUE(texts.LoadTexts("common/texts/en.xml"));
    EXPECT_EQ(WideString(L"Menu"), texts.GetText("MENU"));
    EXPECT_EQ(WideString(L"\u00E9"), texts.GetText("ACCENT"));
    EXPECT_EQ(WideString(L"HINT_LEFT"), texts.GetText("HINT_LEFT"));

    WideString level = texts.GetText("LEVEL");
    StringTools::SprintfRef(level, 3, 12);
    EXPECT_EQ(WideString(L"Level 3 of 12"), level);

    // A new language replaces the table entirely.
    ASSERT_TRUE(texts.LoadTexts("common/texts/fr.xml"));
    EXPECT_EQ(WideString(L"Menu FR"), texts.GetText("MENU"));
    EXPECT_EQ(WideString(L"LEVEL"), texts.GetText("LEVEL"));

    // Loading without a dictionary installs one instead of failing.
    Vorn::g_textDict = nullptr;
    EXPECT_TRUE(texts.LoadTexts("common/texts/fr.xml"));
    EXPECT_EQ(WideString(L"Menu FR"), texts.GetText("MENU"));
    EXPECT_FALSE(texts.LoadTexts("common/texts/xx.xml"));
    EXPECT_EQ(WideString(L"Menu FR"), texts.GetText("MENU"));

    Vorn::g_textDict = nullptr;
    Vorn::Vfs::Init();
}
