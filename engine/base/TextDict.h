// The localised texts of the running language: text id -> wide text, read from an XML table whose
// root holds "string" elements with an "id" attribute.
#pragma once

#include <map>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WeakPtr.h"
#include "base/WideString.h"
#include "system/Types.h"

struct lua_State;

namespace Vorn {

class TextDict : public RefCounter, public WeakRefCounter {
public:
    typedef std::map<NarrowString, WideString> TextMap;

    // Replaces every text by the table in the file. The first of two entries with one id wins;
    // entries without an id are skipped. When the file cannot be read or is not a well-formed
    // document the old texts stay and the result is false.
    bool Load(const NarrowString& path);

    // The id's text, or the id itself (UTF-8 decoded) when the table lacks it, so an untranslated
    // text shows its id instead of nothing.
    WideString GetText(const NarrowString& id) const;

    // Replaces each "$(name)" in text by value and returns the number of replacements. Inserted
    // text is not searched again, so a value that holds the tag itself cannot loop.
    static u32 Substitute(WideString& text, const NarrowString& name, const WideString& value);

    const TextMap& GetTexts() const { return m_texts; }

    // Script-callable: the text of the id given as the first argument, from g_textDict, as one
    // UTF-8 string result. No script of this program registers it.
    static int LuaGet(lua_State* state);

private:
    TextMap m_texts;
};

// The game's texts; installed by its texts manager, released by the application's destructor.
extern SmartPtr<TextDict> g_textDict;

} // namespace Vorn
