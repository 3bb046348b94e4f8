#include "base/TextDict.h"

#include <string>

extern "C" {
#include <lua.h>
}

namespace Vorn {

namespace {

// The result is built here and pushed after every local object is gone: pushing can raise a
// memory error, which leaves the function by a long jump that would skip their destructors.
void LookUp(const char* id, std::string& result)
{
    const NarrowString key(id);
    result = NarrowString(g_textDict ? g_textDict->GetText(key) : WideString(key));
}

thread_local std::string t_result;

} // namespace

int TextDict::LuaGet(lua_State* state)
{
    const char* id = lua_tostring(state, 1);
    LookUp(id ? id : "", t_result);
    lua_pushlstring(state, t_result.data(), t_result.size());
    return 1;
}

} // namespace Vorn
