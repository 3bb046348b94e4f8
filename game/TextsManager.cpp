#include "TextsManager.h"

#include "base/SmartPtr.h"
#include "base/TextDict.h"

TextsManager& TextsManager::Instance()
{
    // Never destroyed: texts are asked for until the very end of the process.
    static TextsManager* s_instance = new TextsManager();
    return *s_instance;
}

void TextsManager::ResetDictionary()
{
    Vorn::g_textDict = new Vorn::TextDict();
}

bool TextsManager::LoadTexts(const Vorn::NarrowString& path)
{
    if (!Vorn::g_textDict)
        ResetDictionary();
    return Vorn::g_textDict->Load(path);
}

Vorn::WideString TextsManager::GetText(const Vorn::NarrowString& key) const
{
    if (!Vorn::g_textDict)
        return Vorn::WideString(key);
    return Vorn::g_textDict->GetText(key);
}
