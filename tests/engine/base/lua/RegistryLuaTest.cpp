// The registry's script pair, called from a script.
#include <gtest/gtest.h>

extern "C" {
#include <lua.h>
}

#include "base/Lua.h"
#include "base/Registry.h"

using namespace Vorn;

namespace {

class RegistryScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_registry = new Registry;
        lua.RegisterFunction("RegGet", &Registry::LuaGet);
        lua.RegisterFunction("RegSet", &Registry::LuaSet);
    }
    void TearDown() override { g_registry = nullptr; }

    // Runs body as a function and gives its result as text ("nil", "true", a number or a text).
    std::string Run(const std::string& body)
    {
        lua.RunString(("function probe() " + body + " end").c_str());
        const char* error = lua.Call("probe", 0, 1);
        if (error)
            return std::string("error: ") + error;
        lua_State* L = lua.GetState();
        std::string result;
        switch (lua_type(L, -1)) {
        case LUA_TNIL: result = "nil"; break;
        case LUA_TBOOLEAN: result = lua_toboolean(L, -1) ? "true" : "false"; break;
        default: result = lua_tostring(L, -1); break;
        }
        lua_pop(L, 1);
        return result;
    }

    Lua lua{0, nullptr};
};

TEST_F(RegistryScript, SetsEachTypeAndReadsItBack)
{
    EXPECT_EQ(Run("return RegSet('/s/int', 2.0)"), "true");
    EXPECT_EQ(g_registry->FindKey("/s/int", false)->GetType(), RegistryKey::TYPE_INT);
    EXPECT_EQ(Run("return RegSet('/s/float', 2.5)"), "true");
    EXPECT_EQ(g_registry->Get<float>("/s/float"), 2.5f);
    EXPECT_EQ(Run("return RegSet('/s/text7', '7')"), "true");
    EXPECT_EQ(g_registry->Get<s32>("/s/text7"), 7);
    EXPECT_EQ(Run("return RegSet('/s/flag', true)"), "true");
    EXPECT_EQ(Run("return RegSet('/s/name', 'tessela')"), "true");
    EXPECT_EQ(Run("return RegSet('/s/table', {})"), "false");
    EXPECT_EQ(Run("return RegSet('/x', 1)"), "false") << "no key directly under the root";

    EXPECT_EQ(Run("return RegGet('/s/int')"), "2");
    EXPECT_EQ(Run("return RegGet('/s/float')"), "2.5");
    EXPECT_EQ(Run("return RegGet('/s/flag')"), "true");
    EXPECT_EQ(Run("return RegGet('/s/name')"), "tessela");
    EXPECT_EQ(Run("return RegGet('/s/none')"), "nil");
}

TEST_F(RegistryScript, HugeWholeNumbersAreNotWrappedIntoInts)
{
    EXPECT_EQ(Run("return RegSet('/s/big', 1e12)"), "true");
    const RegistryKey* key = g_registry->FindKey("/s/big", false);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetType(), RegistryKey::TYPE_FLOAT);
    EXPECT_FLOAT_EQ(key->GetFloat(), 1e12f);
    EXPECT_EQ(Run("return RegSet('/s/low', -2147483648)"), "true");
    EXPECT_EQ(g_registry->Get<s32>("/s/low"), -2147483647 - 1);
}

TEST_F(RegistryScript, ABadPathIsAScriptErrorAndNoRegistryIsNil)
{
    EXPECT_EQ(Run("return RegGet({})").rfind("error: ", 0), 0u);
    g_registry = nullptr;
    EXPECT_EQ(Run("return RegGet('/s/int')"), "nil");
    EXPECT_EQ(Run("return RegSet('/s/int', 1)"), "false");
}

} // namespace
