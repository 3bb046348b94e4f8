#include "base/Lua.h"

#include "application/DebugOverlay.h"
#include "base/TextDict.h"
#include "pakwriter/PakWriter.h"
#include "sound/mixer/Mixer.h"
#include "support/Sandbox.h"
#include "system/FixedArena.h"
#include "vfs/Vfs.h"

#include <gtest/gtest.h>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include <set>
#include <string>
#include <vector>

using namespace Vorn;

namespace {

int GlobalNumber(Lua& lua, const char* name)
{
    lua_State* L = lua.GetState();
    lua_getfield(L, LUA_GLOBALSINDEX, name);
    const int value = static_cast<int>(lua_tointeger(L, -1));
    lua_pop(L, 1);
    return value;
}

int Twice(lua_State* L)
{
    lua_pushinteger(L, 2 * luaL_checkinteger(L, 1));
    return 1;
}

// A precompiled chunk of source, as the interpreter writes it.
std::string Compile(const char* source)
{
    lua_State* L = luaL_newstate();
    std::string out;
    if (luaL_loadstring(L, source) == 0) {
        lua_dump(L, [](lua_State*, const void* p, size_t n, void* ud) {
            static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
            return 0;
        }, &out);
    }
    lua_close(L);
    return out;
}

std::vector<uint8_t> Bytes(const std::string& s)
{
    return std::vector<uint8_t>(s.begin(), s.end());
}

} // namespace

TEST(Lua, KeyTableHoldsTheKeyCodes)
{
    Lua lua(0, nullptr);
    ASSERT_TRUE(lua.IsValid());
    lua_State* L = lua.GetState();
    lua_getfield(L, LUA_GLOBALSINDEX, "keys");
    ASSERT_EQ(lua_type(L, -1), LUA_TTABLE);
    std::set<int> codes;
    int fields = 0;
    lua_pushnil(L);
    while (lua_next(L, -2)) {
        ++fields;
        codes.insert(static_cast<int>(lua_tointeger(L, -1)));
        lua_pop(L, 1);
    }
    lua_pop(L, 1);
    EXPECT_EQ(fields, 72);
    for (int unused : {35, 36, 37, 66, 67, 68, 69})
        EXPECT_EQ(codes.count(unused), 0u) << unused;
    lua.RunString("a = keys.KEY_A menu = keys.KEY_MENU");
    EXPECT_EQ(GlobalNumber(lua, "a"), 40);
    EXPECT_EQ(GlobalNumber(lua, "menu"), 78);
    EXPECT_EQ(lua_gettop(L), 0);
}

TEST(Lua, NewStateOpensNoLibraryAndOpenLibOpensOnce)
{
    Lua lua(0, nullptr);
    EXPECT_FALSE(lua.IsFunction("print"));
    EXPECT_TRUE(lua.IsFunction("require"));
    EXPECT_TRUE(lua.IsFunction("VornMsg"));
    lua.OpenLib(Lua::LIB_MATH);
    lua.RunString("x = math.floor(2.5) math = nil");
    EXPECT_EQ(GlobalNumber(lua, "x"), 2);
    lua.OpenLib(Lua::LIB_MATH);  // already open: not opened again
    lua.RunString("y = math and 1 or 0");
    EXPECT_EQ(GlobalNumber(lua, "y"), 0);
}

TEST(Lua, CallLeavesTheStackBalancedOnSuccessAndOnError)
{
    Lua lua(0, nullptr);
    lua.OpenLib(Lua::LIB_BASE);
    lua_State* L = lua.GetState();
    lua.RunString("function add(a, b) return a + b, a - b end\n"
                  "function fail(a) error('broken ' .. a) end\n"
                  "function throwtable() error({}) end\n"
                  "notfunction = 5");
    lua_pushinteger(L, 99);  // the caller's own value stays below
    lua_pushinteger(L, 7);
    lua_pushinteger(L, 3);
    ASSERT_EQ(lua.Call("add", 2, 2), nullptr);
    ASSERT_EQ(lua_gettop(L), 3);
    EXPECT_EQ(lua_tointeger(L, -2), 10);
    EXPECT_EQ(lua_tointeger(L, -1), 4);
    lua_settop(L, 1);

    // Every failure takes its arguments and its error value off the stack: a script failing on
    // every frame must not grow the stack.
    for (int i = 0; i < 1000; ++i) {
        lua_pushinteger(L, i);
        const char* error = lua.Call("fail", 1, 1);
        ASSERT_NE(error, nullptr);
        ASSERT_EQ(lua_gettop(L), 1) << i;
    }
    lua_pushinteger(L, 5);
    EXPECT_NE(std::string(lua.Call("fail", 1, 0)).find("broken 5"), std::string::npos);
    EXPECT_NE(lua.Call("notfunction", 0, 0), nullptr);
    EXPECT_NE(lua.Call("nothing", 0, 0), nullptr);
    EXPECT_STREQ(lua.Call("throwtable", 0, 0), "(error object is a table value)");
    EXPECT_NE(lua.Call("add", 5, 0), nullptr);  // more arguments than the stack holds
    EXPECT_EQ(lua_gettop(L), 1);
    EXPECT_EQ(lua_tointeger(L, 1), 99);
}

TEST(Lua, HostFunctionsAndPointers)
{
    Lua lua(0, nullptr);
    lua.RegisterFunction("twice", &Twice);
    lua.RunString("r = twice(21)");
    EXPECT_EQ(GlobalNumber(lua, "r"), 42);
    int target = 0;
    lua.SetGlobalPointer("this", &target);
    EXPECT_EQ(lua.GetGlobalUserdata("this"), &target);
    EXPECT_EQ(lua.GetGlobalUserdata("missing"), nullptr);
    EXPECT_TRUE(lua.IsFunction("twice"));
    EXPECT_FALSE(lua.IsFunction("this"));
    EXPECT_EQ(lua_gettop(lua.GetState()), 0);

    // Wrapping a state borrows it: the wrapper's end leaves the state open.
    {
        Lua borrowed(lua.GetState());
        EXPECT_EQ(borrowed.GetGlobalUserdata("this"), &target);
    }
    lua.RunString("r = twice(4)");
    EXPECT_EQ(GlobalNumber(lua, "r"), 8);
}

class LuaFiles : public ::testing::Test {
protected:
    // Writes files into a pak mounted on "scripts/".
    void Mount(const std::vector<std::pair<std::string, std::vector<uint8_t> > >& files)
    {
        VornTools::PakWriter writer;
        for (const auto& file : files)
            ASSERT_TRUE(writer.AddFile(file.first, file.second.data(), file.second.size()));
        ASSERT_TRUE(writer.Write(VornTest::Sandbox::Native("scripts.pak")));
        ASSERT_TRUE(Vfs::MountPak("scripts.pak", "scripts/", 0));
    }

    VornTest::Sandbox sandbox;
};

TEST_F(LuaFiles, ScriptsLoadFromAPakAndRequireRunsAgainEachTime)
{
    Mount({{"main.lua", Bytes("require('scripts/count.lua') require('scripts/count.lua') function answer() return 42 end")},
           {"count.lua", Bytes("count = (count or 0) + 1")}});
    Lua lua(0, nullptr);
    EXPECT_TRUE(lua.Load("scripts/main.lua"));
    EXPECT_EQ(GlobalNumber(lua, "count"), 2);
    ASSERT_EQ(lua.Call("answer", 0, 1), nullptr);
    EXPECT_EQ(lua_tointeger(lua.GetState(), -1), 42);
    lua_pop(lua.GetState(), 1);
    EXPECT_FALSE(lua.Load("scripts/missing.lua"));
    EXPECT_EQ(lua_gettop(lua.GetState()), 0);
}

TEST_F(LuaFiles, PrecompiledChunkRunsOnlyWhenMadeForThisMachine)
{
    const std::string good = Compile("source = 'precompiled'");
    ASSERT_EQ(good.compare(0, 12, Lua::ChunkHeader()), 0);
    std::string foreign = Compile("source = 'foreign'");
    foreign[8] = static_cast<char>(foreign[8] == 8 ? 4 : 8);  // another size_t
    Mount({{"a.lua", Bytes("source = 'a text'")},
           {"a.luac", Bytes(good)},
           {"b.lua", Bytes("source = 'b text'")},
           {"b.luac", Bytes(foreign)},
           {"c.lua", Bytes("source = 'c text'")},
           {"c.luac", Bytes("not a chunk at all")},
           {"d.lua", Bytes(good)}});
    Lua lua(0, nullptr);
    lua_State* L = lua.GetState();
    auto source = [&]() {
        lua_getfield(L, LUA_GLOBALSINDEX, "source");
        std::string s = lua_isstring(L, -1) ? lua_tostring(L, -1) : "";
        lua_pop(L, 1);
        return s;
    };
    EXPECT_TRUE(lua.Load("scripts/a.lua"));
    EXPECT_EQ(source(), "precompiled");
    EXPECT_TRUE(lua.Load("scripts/b.lua"));
    EXPECT_EQ(source(), "b text");
    EXPECT_TRUE(lua.Load("scripts/c.lua"));
    EXPECT_EQ(source(), "c text");
    // A precompiled chunk is never taken from the source's own file.
    lua.RunString("source = nil");
    EXPECT_FALSE(lua.Load("scripts/d.lua"));
    EXPECT_EQ(source(), "");
}

TEST_F(LuaFiles, ScriptFailureShowsOnTheConsoleAndPausesTheSound)
{
    Mount({{"bad.lua", Bytes("this is not lua")}});
    g_debugOverlay = new DebugOverlay;
    g_mixer = new Mixer(AudioFormat(2, 44100), AudioBufferSpec(4096, 4));
    DebugOverlay::s_consoleEnabled = false;
    {
        Lua lua(0, nullptr);
        EXPECT_FALSE(lua.Load("scripts/bad.lua"));
        EXPECT_EQ(lua_gettop(lua.GetState()), 0);
    }
    EXPECT_TRUE(DebugOverlay::s_consoleEnabled);
    EXPECT_EQ(g_mixer->GetPauseMask(), Mixer::PAUSE_CONSOLE);
    const std::vector<NarrowString>& lines = g_debugOverlay->GetConsoleLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Fatal error reading file scripts/bad.lua");
    EXPECT_NE(lines.back().find("scripts/bad.lua"), std::string::npos);
    g_mixer = nullptr;
    g_debugOverlay = nullptr;
    DebugOverlay::s_consoleEnabled = false;

    // Without the overlay a failure only ends the script.
    Lua lua(0, nullptr);
    EXPECT_FALSE(lua.Load("scripts/bad.lua"));
    EXPECT_FALSE(DebugOverlay::s_consoleEnabled);
}

// A state given a heap stays inside it; a script that fills it gets the interpreter's memory
// error and the state goes on working.
TEST(Lua, FixedHeapExhaustionIsAMemoryError)
{
    static unsigned char block[96 * 1024];
    Lua lua(sizeof(block), block);
    ASSERT_TRUE(lua.IsValid());
    ASSERT_NE(lua.GetHeap(), nullptr);
    lua.RunString("t = {}");
    lua_State* L = lua.GetState();
    lua_getfield(L, LUA_GLOBALSINDEX, "t");
    EXPECT_TRUE(lua.GetHeap()->GetArena().Contains(lua_topointer(L, -1)));
    lua_pop(L, 1);

    lua.RunString("function fill() local t = {} for i = 1, 1e7 do t[i] = {i} end end\n"
                  "function small() return 7 end");
    for (int round = 0; round < 3; ++round) {
        const char* error = lua.Call("fill", 0, 0);
        ASSERT_NE(error, nullptr);
        EXPECT_STREQ(error, "not enough memory");
        EXPECT_EQ(lua_gettop(L), 0);
        lua_gc(L, LUA_GCCOLLECT, 0);
        ASSERT_EQ(lua.Call("small", 0, 1), nullptr);
        EXPECT_EQ(lua_tointeger(L, -1), 7);
        lua_pop(L, 1);
    }
    // Operations that allocate outside a script fail quietly too when the heap is full.
    lua.RunString("hog = {} for i = 1, 1e7 do hog[i] = i end");
    for (int i = 0; i < 50; ++i) {
        lua.RegisterFunction(("f" + std::to_string(i)).c_str(), &Twice);
        lua.SetGlobalPointer(("p" + std::to_string(i)).c_str(), block);
        EXPECT_NE(lua.Call(("no_such_function_" + std::to_string(i)).c_str(), 0, 0), nullptr);
    }
    EXPECT_EQ(lua_gettop(L), 0);
}

TEST(Lua, HeapOwnedOrTooSmall)
{
    Lua owned(256 * 1024, nullptr);
    ASSERT_TRUE(owned.IsValid());
    owned.RunString("x = 1 + 2");
    EXPECT_EQ(GlobalNumber(owned, "x"), 3);

    Lua tiny(200, nullptr);
    EXPECT_FALSE(tiny.IsValid());
    tiny.RunString("x = 1");
    tiny.RegisterFunction("twice", &Twice);
    EXPECT_FALSE(tiny.IsFunction("twice"));
    EXPECT_NE(tiny.Call("twice", 0, 0), nullptr);
    EXPECT_FALSE(tiny.Load("anything.lua"));
}

TEST(Lua, ProfilingRunsItsHookAndReport)
{
    Lua lua(0, nullptr);
    lua.OpenLib(Lua::LIB_BASE | Lua::LIB_STRING);
    lua.EnableProfiling();
    lua.RunString("function f() return 1 end for i = 1, 10 do f() end");
    lua_getfield(lua.GetState(), LUA_GLOBALSINDEX, "Counters");
    EXPECT_EQ(lua_type(lua.GetState(), -1), LUA_TTABLE);
    lua_pop(lua.GetState(), 1);
}

TEST(Lua, TextDictionaryGetter)
{
    VornTest::Sandbox sandbox;
    ASSERT_TRUE(VornTest::WriteText(VornTest::Sandbox::Native("texts/en.xml"),
                                    "<texts><string id=\"hello\">Caf\xC3\xA9</string></texts>"));
    ASSERT_TRUE(Vfs::MountNative("texts/", "texts/", 0));
    g_textDict = new TextDict;
    ASSERT_TRUE(g_textDict->Load("texts/en.xml"));
    Lua lua(0, nullptr);
    lua.RegisterFunction("gettext", &TextDict::LuaGet);
    lua.RunString("a = gettext('hello') b = gettext('missing') c = gettext()");
    lua_State* L = lua.GetState();
    lua_getfield(L, LUA_GLOBALSINDEX, "a");
    EXPECT_STREQ(lua_tostring(L, -1), "Caf\xC3\xA9");
    lua_getfield(L, LUA_GLOBALSINDEX, "b");
    EXPECT_STREQ(lua_tostring(L, -1), "missing");
    lua_getfield(L, LUA_GLOBALSINDEX, "c");
    EXPECT_STREQ(lua_tostring(L, -1), "");
    lua_pop(L, 3);
    g_textDict = nullptr;
}
