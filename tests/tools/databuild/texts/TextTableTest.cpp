#include "Command.h"
#include "TextKeys.h"
#include "TextTable.h"
#include "support/Sandbox.h"

#include "base/TextDict.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

using namespace DataBuild;

namespace {

const std::string TEXTS_DIR = std::string(VORN_SOURCE_DIR) + "/data/texts";

std::string Lines(const std::vector<std::string>& errors)
{
    std::string out;
    for (const std::string& error : errors)
        out += error + "\n";
    return out;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A table file around the given string elements.
std::string Table(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<texts>\n" + body + "</texts>\n";
}

TextTable Parse(const std::string& bytes, std::vector<std::string>& errors)
{
    TextTable table;
    ParseTextTable(bytes, "t.xml", table, errors);
    return table;
}

bool Refused(const std::string& bytes, const std::string& expectedPart)
{
    std::vector<std::string> errors;
    TextTable table;
    bool ok = ParseTextTable(bytes, "t.xml", table, errors);
    if (ok || errors.empty())
        return false;
    for (const std::string& error : errors)
        if (error.find(expectedPart) != std::string::npos && error.compare(0, 5, "t.xml") == 0)
            return true;
    ADD_FAILURE() << "no message with '" << expectedPart << "' in:\n" << Lines(errors);
    return false;
}

} // namespace

TEST(TextTables, ShippedTablesHaveEveryKeyAndAgreeWithEnglish)
{
    std::vector<TextTable> tables;
    std::vector<std::string> errors;
    for (const std::string& language : TextLanguages()) {
        TextTable table;
        EXPECT_TRUE(LoadTextTable(TEXTS_DIR + "/" + language + ".xml", table, errors));
        tables.push_back(table);
    }
    ASSERT_EQ(tables.size(), 5u);
    for (const TextTable& table : tables) {
        EXPECT_EQ(table.entries.size(), GameTextKeys().size()) << table.name;
        CheckTableKeys(table, GameTextKeys(), errors);
    }
    for (size_t i = 1; i < tables.size(); ++i)
        CheckAgainstReference(tables[0], tables[i], errors);
    EXPECT_TRUE(errors.empty()) << Lines(errors);
}

TEST(TextTables, ShippedTablesAreTranslated)
{
    // A table copied from English and never translated passes every structural check; the
    // interface texts that must differ in every language catch that.
    const char* const distinct[] = {"BACK", "HELP_TEXT_1", "DELETE_PROFILE_CONFIRM", "LEVEL_LOCKED",
                                    "THINGS_DOG", "ZOMBIE_34"};
    std::vector<TextTable> tables(TextLanguages().size());
    std::vector<std::string> errors;
    for (size_t i = 0; i < tables.size(); ++i)
        ASSERT_TRUE(LoadTextTable(TEXTS_DIR + "/" + TextLanguages()[i] + ".xml", tables[i], errors))
            << Lines(errors);
    for (const char* id : distinct) {
        std::set<std::string> texts;
        for (const TextTable& table : tables)
            texts.insert(table.Find(id) ? table.Find(id)->text : std::string());
        EXPECT_EQ(texts.size(), tables.size()) << id << " is the same text in two languages";
    }
}

TEST(TextTables, ShippedTablesNameThePauseMenuAsTheRestOfTheGameDoes)
{
    for (const std::string& language : TextLanguages()) {
        TextTable table;
        std::vector<std::string> errors;
        ASSERT_TRUE(LoadTextTable(TEXTS_DIR + "/" + language + ".xml", table, errors)) << Lines(errors);
        auto text = [&](const char* id) { return table.Find(id) ? table.Find(id)->text : std::string(id); };
        // The pause menu's options open the screen the More menu calls its options: one name.
        EXPECT_EQ(text("SETTINGS"), text("OPTIONS")) << language;
        // The help page on pausing names the pause menu's buttons by their captions.
        const std::string help = text("HELP_TEXT_4");
        for (const char* id : {"MENU", "RESTART", "SETTINGS", "QUIT_GAME"})
            EXPECT_NE(help.find(text(id)), std::string::npos) << language << ": " << id << " \"" << text(id) << "\"";
    }
}

TEST(TextTables, ShippedTablesUseLineFeedsOnlyAndEndTheirLastLine)
{
    for (const std::string& language : TextLanguages()) {
        std::string bytes = ReadAll(TEXTS_DIR + "/" + language + ".xml");
        ASSERT_FALSE(bytes.empty()) << language;
        EXPECT_EQ(bytes.find('\r'), std::string::npos) << language;
        EXPECT_EQ(bytes.back(), '\n') << language;
        EXPECT_NE(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << language << " starts with a BOM";
    }
}

TEST(TextTables, TheGamesOwnReaderReadsTheSameTexts)
{
    // The builder reads the tables strictly with its own parser; the game reads them with the
    // engine's text dictionary. Both must see the same ids and the same texts.
    VornTest::Sandbox sandbox;
    for (const std::string& language : TextLanguages())
        ASSERT_TRUE(VornTest::WriteText(VornTest::Sandbox::Native("texts/" + language + ".xml"),
                                        ReadAll(TEXTS_DIR + "/" + language + ".xml")));
    ASSERT_TRUE(Vorn::Vfs::MountNative("texts/", "texts/", 0));
    for (const std::string& language : TextLanguages()) {
        SCOPED_TRACE(language);
        TextTable table;
        std::vector<std::string> errors;
        ASSERT_TRUE(LoadTextTable(TEXTS_DIR + "/" + language + ".xml", table, errors)) << Lines(errors);
        Vorn::SmartPtr<Vorn::TextDict> dict = new Vorn::TextDict;
        ASSERT_TRUE(dict->Load(Vorn::NarrowString("texts/" + language + ".xml")));
        EXPECT_EQ(dict->GetTexts().size(), table.entries.size());
        for (const TextEntry& entry : table.entries)
            EXPECT_TRUE(dict->GetText(Vorn::NarrowString(entry.id)) ==
                        Vorn::WideString(Vorn::NarrowString(entry.text)))
                << entry.id;
    }
}

TEST(TextTableParse, WhiteSpaceAloneIsAText)
{
    std::vector<std::string> errors;
    TextTable table = Parse(Table("<string id=\"A\"> </string>\n<string id=\"B\">\n</string>\n"), errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0].text, " ");
    EXPECT_EQ(table.entries[1].text, "\n");
    EXPECT_FALSE(CheckTableKeys(table, {{"A", {}}, {"B", {}}}, errors));
    EXPECT_EQ(errors.size(), 2u) << Lines(errors);
    EXPECT_NE(Lines(errors).find("A: blank text"), std::string::npos) << Lines(errors);
}

TEST(TextKeys, ListHoldsTheGamesSpellingsAndSeriesBoundaries)
{
    std::set<std::string> ids;
    for (const TextKey& key : GameTextKeys())
        EXPECT_TRUE(ids.insert(key.id).second) << key.id << " listed twice";
    for (const char* id : {"BEGGINER_ALMOST_TWO_3X3", "SOLUTIOINS", "LETTER_X", "PACK_HELLOWEEN",
                           "GAMES_09", "GAMES_10", "GAMES_36", "HELLOWEEN_01", "HELLOWEEN_20",
                           "ZOMBIE_01", "ZOMBIE_34", "HELP_TEXT_2_IPAD", "HELP_TEXT_2"})
        EXPECT_TRUE(ids.count(id)) << id;
    for (const char* id : {"GAMES_9", "GAMES_37", "HELLOWEEN_21", "ZOMBIE_35", "ZOMBIE_00",
                           "BEGINNER_ALMOST_TWO_3X3", "VAL_01"})
        EXPECT_FALSE(ids.count(id)) << id;

    // The titles come last, in level order, so the key of level L is at size - 200 + L.
    const std::vector<TextKey>& keys = GameTextKeys();
    ASSERT_GT(keys.size(), 200u);
    auto titleOf = [&](int level) { return keys[keys.size() - 200 + level].id; };
    EXPECT_EQ(keys[keys.size() - 201].id, "ABOUT_CREDITS_02");
    EXPECT_EQ(titleOf(0), "BEGINNER_SQR2X2");
    EXPECT_EQ(titleOf(18), "BEGGINER_ALMOST_TWO_3X3");
    EXPECT_EQ(titleOf(27), "LETTER_INDIA");
    EXPECT_EQ(titleOf(50), "LETTER_X");
    EXPECT_EQ(titleOf(53), "THINGS_DOG");
    EXPECT_EQ(titleOf(85), "SHAPE_UPPERLEFT");
    EXPECT_EQ(titleOf(109), "SHAPE_EXT_SQR");
    EXPECT_EQ(titleOf(110), "GAMES_01");
    EXPECT_EQ(titleOf(146), "HELLOWEEN_01");
    EXPECT_EQ(titleOf(166), "ZOMBIE_01");
    EXPECT_EQ(titleOf(199), "ZOMBIE_34");

    for (const TextKey& key : GameTextKeys()) {
        bool counted = key.id == "HINT_LEFT" || key.id == "HINTS_LEFT";
        EXPECT_EQ(key.placeholders, counted ? std::vector<std::string>{"%d"}
                                            : std::vector<std::string>{})
            << key.id;
    }
    EXPECT_EQ(TextLanguages(), (std::vector<std::string>{"en", "fr", "it", "de", "es"}));
}

TEST(TextTableParse, ReadsTextsVerbatimWithEntitiesDecoded)
{
    std::vector<std::string> errors;
    TextTable table = Parse(Table("  <!-- a comment -->\n"
                                  "  <string id=\"A\">Game </string>\n"
                                  "  <string id=\"B\">\nline one\nline two\n</string>\n"
                                  "  <string id=\"C\">R&amp;D &lt;3 caf\xC3\xA9</string>\n"),
                            errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    ASSERT_EQ(table.entries.size(), 3u);
    EXPECT_EQ(table.entries[0].id, "A");
    EXPECT_EQ(table.entries[0].text, "Game ");
    EXPECT_EQ(table.entries[0].line, 4);
    EXPECT_EQ(table.entries[1].text, "\nline one\nline two\n");
    EXPECT_EQ(table.entries[2].text, "R&D <3 caf\xC3\xA9");
    EXPECT_EQ(table.Find("C"), &table.entries[2]);
    EXPECT_EQ(table.Find("D"), nullptr);
}

TEST(TextTableParse, RefusesBrokenFiles)
{
    EXPECT_TRUE(Refused(Table("<string id=\"A\">one\r\ntwo</string>\n"), "carriage return"));
    EXPECT_TRUE(Refused("<texts>\r\n<string id=\"A\">x</string></texts>", "carriage return"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">caf\xC3</string>\n"), "invalid UTF-8"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">\xC0\xAF</string>\n"), "invalid UTF-8"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">\xED\xA0\x80</string>\n"), "invalid UTF-8"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">x</strin>\n"), "not well-formed"));
    EXPECT_TRUE(Refused("", "not well-formed"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">x</string>\n<string id=\"A\">y</string>\n"),
                        "given twice"));
    EXPECT_TRUE(Refused(Table("<string>x</string>\n"), "without an id"));
    EXPECT_TRUE(Refused(Table("<string id=\"\">x</string>\n"), "without an id"));
    EXPECT_TRUE(Refused(Table("<strng id=\"A\">x</strng>\n"), "unexpected element"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">x <b>y</b></string>\n"), "elements inside"));
    EXPECT_TRUE(Refused(Table("stray\n<string id=\"A\">x</string>\n"), "outside a string"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">a&#9;b</string>\n"), "U+0009"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">a&#13;b</string>\n"), "U+000D"));
    EXPECT_TRUE(Refused(Table("<string id=\"A\">a\xC2\x85</string>\n"), "U+0085"));
}

TEST(TextTableParse, KeepsGoingToReportEveryProblemOfAFile)
{
    std::vector<std::string> errors;
    TextTable table = Parse(Table("<string id=\"A\">x</string>\n<string id=\"A\">y</string>\n"
                                  "<string>z</string>\n<string id=\"B\">ok</string>\n"),
                            errors);
    EXPECT_EQ(errors.size(), 2u) << Lines(errors);
    ASSERT_EQ(table.entries.size(), 2u);
    EXPECT_EQ(table.entries[0].text, "x") << "the first of two equal ids is kept";
    EXPECT_EQ(table.entries[1].id, "B");
}

TEST(TextTableParse, MissingFileIsAnError)
{
    TextTable table;
    std::vector<std::string> errors;
    EXPECT_FALSE(LoadTextTable("/nonexistent/xx.xml", table, errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("/nonexistent/xx.xml"), std::string::npos);
}

TEST(Placeholders, FindsNumberedAndPrintfStylePlaceholders)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(FindPlaceholders("plain text"), V{});
    EXPECT_EQ(FindPlaceholders("%d hints left"), V{"%d"});
    EXPECT_EQ(FindPlaceholders("@2@ and @1@, @12@"), (V{"@12@", "@1@", "@2@"}));
    EXPECT_EQ(FindPlaceholders("%3d %i %s %u"), (V{"%3d", "%i", "%s", "%u"}));
    EXPECT_EQ(FindPlaceholders("@1@@2@"), (V{"@1@", "@2@"}));
    // Percent signs and at signs of ordinary text are no placeholders.
    EXPECT_EQ(FindPlaceholders("Loading 100% / 50% de / 50\xC2\xA0%"), V{});
    EXPECT_EQ(FindPlaceholders("@@ a@b.c @1 1@"), V{});
    EXPECT_EQ(FindPlaceholders("%"), V{});
}

TEST(TextTableCheck, RefusesMissingExtraEmptyAndMisplacedPlaceholders)
{
    const std::vector<TextKey> keys{{"HINTS", {"%d"}}, {"TITLE", {}}, {"BACK", {}}};
    std::vector<std::string> errors;
    TextTable good = Parse(Table("<string id=\"HINTS\">%d left</string>\n"
                                 "<string id=\"TITLE\">Dog</string>\n"
                                 "<string id=\"BACK\">Back</string>\n"),
                           errors);
    ASSERT_TRUE(errors.empty());
    EXPECT_TRUE(CheckTableKeys(good, keys, errors)) << Lines(errors);

    TextTable bad = Parse(Table("<string id=\"HINTS\">hints left</string>\n"
                                "<string id=\"TITLE\">Dog @1@</string>\n"
                                "<string id=\"BAKC\">Back</string>\n"
                                "<string id=\"EXTRA\"></string>\n"),
                          errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    EXPECT_FALSE(CheckTableKeys(bad, keys, errors));
    std::string all = Lines(errors);
    EXPECT_NE(all.find("HINTS: placeholders none, the game fills %d"), std::string::npos) << all;
    EXPECT_NE(all.find("TITLE: placeholders @1@, the game fills none"), std::string::npos) << all;
    EXPECT_NE(all.find("missing key BACK"), std::string::npos) << all;
    EXPECT_NE(all.find("BAKC: a key the game never looks up"), std::string::npos) << all;
    EXPECT_NE(all.find("EXTRA: a key the game never looks up"), std::string::npos) << all;
    EXPECT_NE(all.find("t.xml:5: BAKC"), std::string::npos) << "messages carry the line: " << all;

    errors.clear();
    TextTable percent = Parse(Table("<string id=\"HINTS\">%d left (100%)</string>\n"
                                    "<string id=\"TITLE\">Loading 50%</string>\n"
                                    "<string id=\"BACK\">%n%x</string>\n"),
                              errors);
    EXPECT_FALSE(CheckTableKeys(percent, keys, errors));
    ASSERT_EQ(errors.size(), 1u) << Lines(errors);
    EXPECT_NE(errors[0].find("HINTS: a per cent sign"), std::string::npos) << errors[0];

    errors.clear();
    TextTable empty = Parse(Table("<string id=\"HINTS\">%d</string>\n<string id=\"TITLE\"></string>\n"
                                  "<string id=\"BACK\">  </string>\n"),
                            errors);
    EXPECT_FALSE(CheckTableKeys(empty, keys, errors));
    EXPECT_EQ(errors.size(), 2u) << Lines(errors);
}

TEST(TextTableCheck, TranslationMustMatchTheReference)
{
    std::vector<std::string> errors;
    TextTable en = Parse(Table("<string id=\"N\">Game </string>\n"
                               "<string id=\"H\">%d hints left</string>\n"
                               "<string id=\"C\">\nCredits\n\n</string>\n"
                               "<string id=\"T\">Dog</string>\n"),
                         errors);
    TextTable fr = Parse(Table("<string id=\"N\">Partie </string>\n"
                               "<string id=\"H\">Indices restants : %d</string>\n"
                               "<string id=\"C\">\nCr\xC3\xA9" "dits\n\n</string>\n"
                               "<string id=\"T\">Chien</string>\n"),
                         errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    EXPECT_TRUE(CheckAgainstReference(en, fr, errors)) << Lines(errors);

    TextTable de = Parse(Table("<string id=\"N\">Partie</string>\n"
                               "<string id=\"H\">Noch Tipps</string>\n"
                               "<string id=\"C\">Credits\n</string>\n"
                               "<string id=\"X\">Hund</string>\n"),
                         errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    EXPECT_FALSE(CheckAgainstReference(en, de, errors));
    std::string all = Lines(errors);
    EXPECT_NE(all.find("N: ends with nothing, t.xml with \" \""), std::string::npos) << all;
    EXPECT_NE(all.find("H: placeholders none, t.xml has %d"), std::string::npos) << all;
    EXPECT_NE(all.find("C: starts with nothing, t.xml with \"\\n\""), std::string::npos) << all;
    EXPECT_NE(all.find("C: ends with \"\\n\", t.xml with \"\\n\\n\""), std::string::npos) << all;
    EXPECT_NE(all.find("missing key T"), std::string::npos) << all;
    EXPECT_NE(all.find("X: not in t.xml"), std::string::npos) << all;
}

TEST(TextCharacters, ListsEachCharacterOnceInCodePointOrder)
{
    std::vector<std::string> errors;
    TextTable a = Parse(Table("<string id=\"A\">ba\xC3\xA9\n\xE2\x80\x99</string>\n"), errors);
    TextTable b = Parse(Table("<string id=\"A\">\xC2\xA0" "ab\xF0\x9F\x98\x80</string>\n"), errors);
    ASSERT_TRUE(errors.empty()) << Lines(errors);
    EXPECT_EQ(CollectCharacters({a, b}), "ab\xC2\xA0\xC3\xA9\xE2\x80\x99\xF0\x9F\x98\x80");
    EXPECT_EQ(CollectCharacters({}), "");
}

TEST(TextsCommand, StagesTheTablesUnchangedAndWritesTheCharacterList)
{
    VornTest::TempDir temp;
    const std::filesystem::path out = temp / "stage";
    const std::filesystem::path chars = temp / "fonts/chars.txt";
    ASSERT_EQ(RunCommandLine({"texts", TEXTS_DIR, out.string(), "--chars", chars.string()}), 0);
    for (const std::string& language : TextLanguages())
        EXPECT_EQ(ReadAll(out / "texts" / (language + ".xml")),
                  ReadAll(TEXTS_DIR + "/" + language + ".xml"))
            << language;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out),
                            std::filesystem::directory_iterator()),
              1)
        << "only texts/ goes into the archive";
    std::string list = ReadAll(chars);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.back(), '\n');
    for (const char* needed : {"A", "z", "\xC3\xA9", "\xC3\x9F", "\xC2\xBF", "\xC2\xA0", "\xE2\x80\x99"})
        EXPECT_NE(list.find(needed), std::string::npos) << needed;
    EXPECT_EQ(list.find('\n'), list.size() - 1) << "line feeds of the texts are not listed";
}

TEST(TextsCommand, FailsWithoutWritingWhenATableIsWrong)
{
    VornTest::TempDir temp;
    const std::filesystem::path src = temp / "src";
    std::filesystem::create_directories(src);
    for (const std::string& language : TextLanguages())
        std::filesystem::copy_file(TEXTS_DIR + "/" + language + ".xml", src / (language + ".xml"));
    std::string de = ReadAll(src / "de.xml");
    size_t at = de.find("<string id=\"HINT_VIEW_MODE\">");
    ASSERT_NE(at, std::string::npos);
    de.erase(at, de.find('\n', at) + 1 - at);
    WriteAll(src / "de.xml", de);

    const std::filesystem::path out = temp / "stage";
    EXPECT_EQ(RunCommandLine({"texts", src.string(), out.string()}), 1);
    EXPECT_FALSE(std::filesystem::exists(out));

    std::filesystem::remove(src / "es.xml");
    EXPECT_EQ(RunCommandLine({"texts", src.string(), out.string()}), 1);
    EXPECT_EQ(RunCommandLine({"texts", src.string()}), 2);
}
