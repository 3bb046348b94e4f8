// The language setting: which text table is loaded, the version strings, and the text primitive
// every screen draws with.
#include "Game.h"

#include "Consts.h"
#include "GLFont.h"
#include "Language.h"
#include "Mounts.h"
#include "TextsManager.h"

using Vorn::NarrowString;
using Vorn::WideString;

namespace {

struct LanguageEntry {
    const char* file;
    const char* key; // the language's button on the language screens
};

const LanguageEntry LANGUAGES[Game::LANGUAGE_COUNT] = {
    {"texts/en.xml", "ENGLISH"}, {"texts/fr.xml", "FRENCH"}, {"texts/it.xml", "ITALIAN"},
    {"texts/de.xml", "GERMAN"},  {"texts/es.xml", "SPANISH"},
};

} // namespace

const NarrowString Game::s_appVersionName = "1.0";
const NarrowString Game::s_appVersionCode = "1";

NarrowString Game::GetLanguagePath(int language)
{
    // Outside the table, and in builds for English only, the English table: some table must be
    // loaded, or every text shows its key.
    if (!Language::EFIGS || language < 0 || language >= LANGUAGE_COUNT)
        language = 0;
    return NarrowString(Tessela::COMMON_MOUNT) + LANGUAGES[language].file;
}

const char* Game::GetLanguageKey(int language)
{
    return language >= 0 && language < LANGUAGE_COUNT ? LANGUAGES[language].key : "";
}

bool Game::LoadTexts()
{
    return TextsManager::Instance().LoadTexts(GetLanguagePath(language));
}

WideString Game::GetVersionName()
{
    return WideString(s_appVersionName);
}

WideString Game::GetVersionCode()
{
    return WideString(s_appVersionCode);
}

WideString Game::GetVersionLabel()
{
    return GetVersionName() + L"." + GetVersionCode();
}

void Game::DrawTextAt(const Vorn::SmartPtr<Graphics>& graphics, const Vorn::SmartPtr<GLFont>& font,
                      const WideString& text, float x, float y)
{
    if (!font)
        return;
    float cell = static_cast<float>(Consts::CELL_SIZE);
    font->DrawTextCentered(graphics, text, static_cast<int>(Consts::DISPLAY_AREA_X + x * cell),
                           static_cast<int>(Consts::DISPLAY_AREA_Y + y * cell));
}

void Game::DrawTextAtNarrow(const Vorn::SmartPtr<Graphics>& graphics,
                            const Vorn::SmartPtr<GLFont>& font, const NarrowString& text, float x,
                            float y)
{
    DrawTextAt(graphics, font, WideString(text), x, y);
}
