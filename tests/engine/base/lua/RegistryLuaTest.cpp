// The registry's script pair, called from a script.
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

extern "C" {
#include <lauxlib.h>
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

// A callback's script error and a callback's exception each reach the script as its error, with
// the registry's own frames left normally: the notification ends, nothing stays locked or running.
TEST_F(RegistryScript, ACallbacksErrorOrExceptionBecomesTheScriptsError)
{
    int later = 0;
    auto count = [](void* user, const std::string&, RegistryKey*) { ++*static_cast<int*>(user); };
    g_registry->AddCallback("/e/lua", [](void* user, const std::string&, RegistryKey*) {
        luaL_error(static_cast<lua_State*>(user), "refused by the callback");
    }, lua.GetState(), __FILE__, "test", __LINE__);
    g_registry->AddCallback("/e/cpp", [](void*, const std::string&, RegistryKey*) {
        throw std::runtime_error("boom");
    }, nullptr, __FILE__, "test", __LINE__);
    g_registry->AddCallback("/e", count, &later, __FILE__, "test", __LINE__);

    const std::string refused = Run("return RegSet('/e/lua', 1)");
    EXPECT_NE(refused.find("refused by the callback"), std::string::npos) << refused;
    const std::string thrown = Run("return RegSet('/e/cpp', 2)");
    EXPECT_NE(thrown.find("registry callback: boom"), std::string::npos) << thrown;
    EXPECT_EQ(later, 0) << "a failed callback ends the notification";
    EXPECT_EQ(g_registry->Get<s32>("/e/cpp"), 2) << "the value itself was set";

    EXPECT_EQ(Run("return RegSet('/e/other', 4)"), "true");
    EXPECT_EQ(later, 1);
    // No call is left counted as running: a removal from another thread returns.
    bool removed = false;
    std::thread([&] { removed = g_registry->RemoveCallback("/e", count, &later); }).join();
    EXPECT_TRUE(removed);
    EXPECT_EQ(lua_gettop(lua.GetState()), 0);
}

// A callback whose own set makes a nested callback fail: that failure, not a stand-in, reaches the
// script. A long exception text arrives cut to the error buffer, with its start intact.
TEST_F(RegistryScript, ANestedCallbacksFailureAndALongTextReachTheScript)
{
    auto setInner = [](void* user, const std::string&, RegistryKey*) {
        g_registry->SetInt(static_cast<const char*>(user), 5);
    };
    g_registry->AddCallback("/n/outer-lua", setInner, const_cast<char*>("/n/lua"), __FILE__, "test",
                            __LINE__);
    g_registry->AddCallback("/n/outer-cpp", setInner, const_cast<char*>("/n/cpp"), __FILE__, "test",
                            __LINE__);
    g_registry->AddCallback("/n/lua", [](void* user, const std::string&, RegistryKey*) {
        luaL_error(static_cast<lua_State*>(user), "inner refused");
    }, lua.GetState(), __FILE__, "test", __LINE__);
    g_registry->AddCallback("/n/cpp", [](void*, const std::string&, RegistryKey*) {
        throw std::runtime_error("inner boom");
    }, nullptr, __FILE__, "test", __LINE__);
    g_registry->AddCallback("/n/long", [](void*, const std::string&, RegistryKey*) {
        throw std::runtime_error("<" + std::string(1000, 'x') + ">");
    }, nullptr, __FILE__, "test", __LINE__);

    const std::string refused = Run("return RegSet('/n/outer-lua', 1)");
    EXPECT_NE(refused.find("inner refused"), std::string::npos) << refused;
    const std::string thrown = Run("return RegSet('/n/outer-cpp', 1)");
    EXPECT_NE(thrown.find("registry callback: inner boom"), std::string::npos) << thrown;
    EXPECT_EQ(g_registry->Get<s32>("/n/lua"), 5);
    EXPECT_EQ(g_registry->Get<s32>("/n/cpp"), 5);

    const std::string cut = Run("return RegSet('/n/long', 1)");
    const std::string start = "registry callback: <" + std::string(254, 'x');
    ASSERT_GE(cut.size(), start.size()) << cut;
    EXPECT_EQ(cut.substr(cut.size() - start.size()), start) << "the first 255 bytes, then the end";
    EXPECT_EQ(lua_gettop(lua.GetState()), 0);
}

} // namespace
