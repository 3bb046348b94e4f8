// The game's texts by key, over the engine's text dictionary g_textDict.
#pragma once

#include "base/NarrowString.h"
#include "base/WideString.h"

class TextsManager {
public:
    static TextsManager& Instance();

    // Installs a new, empty dictionary as g_textDict, releasing the previous one.
    void ResetDictionary();
    // Replaces the texts by the table at path (installing a dictionary first when there is none).
    // False when the table cannot be read; the dictionary then keeps its texts.
    bool LoadTexts(const Vorn::NarrowString& path);
    // The key's text; the key itself, widened, when the dictionary lacks it or there is none.
    Vorn::WideString GetText(const Vorn::NarrowString& key) const;

private:
    TextsManager() = default;
    TextsManager(const TextsManager&) = delete;
    TextsManager& operator=(const TextsManager&) = delete;
};
