#include "base/Lua.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}

#include "application/DebugOverlay.h"
#include "application/KeyCodes.h"
#include "sound/mixer/Mixer.h"
#include "system/FixedArena.h"
#include "vfs/Vfs.h"

namespace Vorn {

namespace {

// Runs body(state) inside lua_cpcall, so that an error it raises (a full heap above all) comes
// back here instead of aborting the process. The body must keep no object with a destructor: an
// error leaves it by a long jump. The error value is dropped.
template <class Body>
int Trampoline(lua_State* state)
{
    Body* body = static_cast<Body*>(lua_touserdata(state, 1));
    (*body)(state);
    return 0;
}

template <class Body>
bool Protected(lua_State* state, Body body)
{
    if (lua_cpcall(state, &Trampoline<Body>, &body) == 0)
        return true;
    lua_pop(state, 1);
    return false;
}

// Key of the registry slot through which PushGlobal hands a global out of its protected call.
char s_fetchKey;

int Panic(lua_State*)
{
    // Only reached by an error outside every protected call, which the binding does not make.
    std::fputs("Lua: unprotected error\n", stderr);
    return 0;
}

struct KeyName {
    int code;
    const char* name;
};

#define VORN_KEY(name) {Key::name, #name}
// The named keys of the scripts' "keys" table; the digits and letters are added in their runs.
const KeyName KEYS[] = {
    VORN_KEY(INVALID), VORN_KEY(LEFT), VORN_KEY(RIGHT), VORN_KEY(UP), VORN_KEY(DOWN), VORN_KEY(LSOFT),
    VORN_KEY(SELECT), VORN_KEY(RSOFT), VORN_KEY(ESCAPE), VORN_KEY(BACK), VORN_KEY(SHIFT),
    VORN_KEY(GAMING_A), VORN_KEY(GAMING_B), VORN_KEY(HASH), VORN_KEY(ASTERISK), VORN_KEY(VOLUME_UP),
    VORN_KEY(VOLUME_DOWN), VORN_KEY(SPACE), VORN_KEY(AT), VORN_KEY(APOSTROPHE), VORN_KEY(TILDE),
    VORN_KEY(QUOTE), VORN_KEY(SLASH), VORN_KEY(PERIOD), VORN_KEY(EQUALS), VORN_KEY(LEFT_BRACKET),
    VORN_KEY(RIGHT_BRACKET), VORN_KEY(PS_TRIANGLE), VORN_KEY(PS_CIRCLE), VORN_KEY(PS_CROSS),
    VORN_KEY(PS_SQUARE), VORN_KEY(PS_LT), VORN_KEY(PS_RT), VORN_KEY(PS_START), VORN_KEY(PS_SELECT),
    VORN_KEY(MENU),
};
#undef VORN_KEY

// "keys={KEY_LEFT=1,...}": every named key, then KEY_0 to KEY_9 and KEY_A to KEY_Z.
NarrowString KeysTableSource()
{
    NarrowString source("keys={");
    auto add = [&source](const NarrowString& name, int code) {
        source += "KEY_" + name + "=";
        source.AppendInt(code);
        source += ",";
    };
    for (const KeyName& key : KEYS)
        add(key.name, key.code);
    for (int digit = 0; digit <= Key::DIGIT_9 - Key::DIGIT_0; ++digit)
        add(NarrowString(1, static_cast<char>('0' + digit)), Key::DIGIT_0 + digit);
    for (int letter = 0; letter <= Key::LETTER_Z - Key::LETTER_A; ++letter)
        add(NarrowString(1, static_cast<char>('A' + letter)), Key::LETTER_A + letter);
    source += "}";
    return source;
}

struct Library {
    u32 bit;
    const char* name;
    lua_CFunction open;
};

const Library LIBRARIES[] = {
    {Lua::LIB_BASE, "", luaopen_base},
    {Lua::LIB_TABLE, LUA_TABLIBNAME, luaopen_table},
    {Lua::LIB_STRING, LUA_STRLIBNAME, luaopen_string},
    {Lua::LIB_DEBUG, LUA_DBLIBNAME, luaopen_debug},
    {Lua::LIB_MATH, LUA_MATHLIBNAME, luaopen_math},
};

const char* const PROFILE_HOOK =
    "Counters = {}\n"
    "Names = {}\n"
    "function hook()\n"
    "  local f = debug.getinfo( 2, \"f\" ).func\n"
    "  if Counters[f] == nil then\n"
    "    Counters[f] = 1\n"
    "    Names[f] = debug.getinfo( 2, \"Sn\" )\n"
    "  else\n"
    "    Counters[f] = Counters[f] + 1\n"
    "  end\n"
    "end\n"
    "debug.sethook( hook, \"c\" )";

const char* const PROFILE_REPORT =
    "debug.sethook()\n"
    "function getname( func )\n"
    "  local n = Names[func]\n"
    "  if n.what == \"C\" then\n"
    "    return n.name\n"
    "  end\n"
    "  local loc = string.format( \"[%s]:%s\", n.short_src, n.linedefined )\n"
    "  if n.namewhat ~= \"\" then\n"
    "    return string.format( \"%s (%s)\", loc, n.name )\n"
    "  else\n"
    "    return string.format( \"%s\", loc )\n"
    "  end\n"
    "end\n"
    "for func, count in pairs( Counters ) do\n"
    "  VornMsg( getname( func ) .. \" \" .. count )\n"
    "end";

// The whole stream, read until it ends: the bytes that arrive count, not what the file claims.
bool ReadWhole(SeekableStream* stream, std::vector<char>& out)
{
    out.clear();
    // The size the stream claims only chooses the first piece (one byte more, to see the end).
    u32 piece = std::min<u32>(stream->GetSize(), 64u << 10) + 1;
    for (;;) {
        const size_t have = out.size();
        if (have > Lua::MAX_SCRIPT_BYTES)
            return false;
        out.resize(have + piece);
        const s32 n = stream->Read(out.data() + have, piece);
        // After a short read the end is near: a small probe confirms it.
        piece = n >= 0 && static_cast<u32>(n) < piece ? 256 : 64u << 10;
        out.resize(have + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n <= 0)
            return true;
    }
}

} // namespace

Lua::LuaHeap::LuaHeap(u32 size, void* memory, lua_State** state) : m_ownsMemory(memory == nullptr), m_memory(nullptr)
{
    *state = nullptr;
    m_memory = memory ? static_cast<u8*>(memory) : new (std::nothrow) u8[size];
    if (!m_memory)
        return;
    m_arena.reset(new FixedArena(m_memory, size));
    *state = lua_newstate(&LuaHeap::Allocate, this);
}

Lua::LuaHeap::~LuaHeap()
{
    m_arena.reset();
    if (m_ownsMemory)
        delete[] m_memory;
}

void* Lua::LuaHeap::Allocate(void* heap, void* pointer, size_t, size_t newSize)
{
    FixedArena& arena = *static_cast<LuaHeap*>(heap)->m_arena;
    if (newSize == 0) {
        arena.Free(pointer);
        return nullptr;
    }
    // Null when the arena is full: the interpreter raises its memory error. A shrink never fails.
    return arena.Reallocate(pointer, newSize);
}

Lua::Lua(u32 heapSize, void* heapMemory)
    : m_state(nullptr), m_borrowed(false), m_profiling(false), m_libraries(0)
{
    if (heapSize == 0)
        m_state = luaL_newstate();
    else
        m_heap = new LuaHeap(heapSize, heapMemory, &m_state);
    if (!m_state)
        return;
    lua_atpanic(m_state, &Panic);
    OpenLib(32);  // names no library: a new state opens none

    const NarrowString keys = KeysTableSource();
    if (luaL_loadbuffer(m_state, keys.data(), keys.size(), "enum table") != 0 || lua_pcall(m_state, 0, 0, 0) != 0)
        TakeError();

    RegisterFunction("require", &Lua::Require);
    RegisterFunction("VornMsg", &Lua::Msg);
}

Lua::Lua(lua_State* state) : m_state(state), m_borrowed(true), m_profiling(false), m_libraries(0) {}

Lua::~Lua()
{
    if (!m_state || m_borrowed)
        return;
    if (m_profiling)
        RunString(PROFILE_REPORT);
    lua_close(m_state);
    m_state = nullptr;
}

void Lua::OpenLib(u32 library)
{
    if (!m_state || (m_libraries & library))
        return;
    m_libraries |= library;
    for (const Library& lib : LIBRARIES) {
        if (!(lib.bit & library))
            continue;
        Protected(m_state, [&lib](lua_State* state) {
            lua_pushcfunction(state, lib.open);
            lua_pushstring(state, lib.name);
            lua_call(state, 1, 0);
        });
    }
}

void Lua::RegisterFunction(const char* name, lua_CFunction function)
{
    if (!m_state || !name)
        return;
    Protected(m_state, [name, function](lua_State* state) {
        lua_pushcclosure(state, function, 0);
        lua_setfield(state, LUA_GLOBALSINDEX, name);
    });
}

void Lua::SetGlobalPointer(const char* name, void* pointer)
{
    if (!m_state || !name)
        return;
    Protected(m_state, [name, pointer](lua_State* state) {
        lua_pushlightuserdata(state, pointer);
        lua_setfield(state, LUA_GLOBALSINDEX, name);
    });
}

bool Lua::PushGlobal(const char* name)
{
    // Looking a name up can allocate (a new string for the name): done protected, the value is
    // passed out through a registry slot, which reading and clearing never allocate.
    const bool fetched = Protected(m_state, [name](lua_State* state) {
        lua_checkstack(state, 4);
        lua_pushlightuserdata(state, &s_fetchKey);
        lua_getfield(state, LUA_GLOBALSINDEX, name);
        lua_rawset(state, LUA_REGISTRYINDEX);
    });
    if (!fetched)
        return false;
    lua_pushlightuserdata(m_state, &s_fetchKey);
    lua_rawget(m_state, LUA_REGISTRYINDEX);
    lua_pushlightuserdata(m_state, &s_fetchKey);
    lua_pushnil(m_state);
    lua_rawset(m_state, LUA_REGISTRYINDEX);
    return true;
}

void* Lua::GetGlobalUserdata(const char* name)
{
    if (!m_state || !name || !PushGlobal(name))
        return nullptr;
    // The global keeps the value alive, so its address stays good after the pop.
    void* pointer = lua_touserdata(m_state, -1);
    lua_pop(m_state, 1);
    return pointer;
}

bool Lua::IsFunction(const char* name)
{
    if (!m_state || !name || !PushGlobal(name))
        return false;
    const bool function = lua_type(m_state, -1) == LUA_TFUNCTION;
    lua_pop(m_state, 1);
    return function;
}

void Lua::TakeError()
{
    switch (lua_type(m_state, -1)) {
    case LUA_TSTRING: {
        size_t length = 0;
        const char* text = lua_tolstring(m_state, -1, &length);
        m_lastError.assign(text, length);
        break;
    }
    case LUA_TNUMBER: {
        char text[64];
        std::snprintf(text, sizeof(text), "%.14g", lua_tonumber(m_state, -1));
        m_lastError = text;
        break;
    }
    default:
        m_lastError = std::string("(error object is a ") + lua_typename(m_state, lua_type(m_state, -1)) + " value)";
        break;
    }
    lua_pop(m_state, 1);
}

const char* Lua::Call(const char* name, int nargs, int nresults)
{
    m_lastError.clear();
    if (!m_state) {
        m_lastError = "no interpreter state";
        return m_lastError.c_str();
    }
    const int top = lua_gettop(m_state);
    if (!name || nargs < 0 || nargs > top) {
        m_lastError = "bad call";
        return m_lastError.c_str();
    }
    if (!PushGlobal(name)) {
        lua_settop(m_state, top - nargs);
        m_lastError = "not enough memory";
        return m_lastError.c_str();
    }
    lua_insert(m_state, top - nargs + 1);
    if (lua_pcall(m_state, nargs, nresults, 0) == 0)
        return nullptr;
    TakeError();
    return m_lastError.c_str();
}

void Lua::RunString(const char* source)
{
    if (!m_state || !source)
        return;
    const int top = lua_gettop(m_state);
    if (luaL_loadstring(m_state, source) != 0 || lua_pcall(m_state, 0, LUA_MULTRET, 0) != 0)
        TakeError();
    lua_settop(m_state, top);
}

std::string Lua::ChunkHeader()
{
    const int one = 1;
    const char header[12] = {
        27, 'L', 'u', 'a',
        0x51,  // version 5.1
        0,     // official format
        static_cast<char>(*reinterpret_cast<const char*>(&one)),  // 1 on a little-endian machine
        static_cast<char>(sizeof(int)),
        static_cast<char>(sizeof(size_t)),
        4,     // bytes of an instruction
        static_cast<char>(sizeof(lua_Number)),
        static_cast<char>(static_cast<lua_Number>(0.5) == 0),  // integral numbers
    };
    return std::string(header, sizeof(header));
}

bool Lua::Load(const NarrowString& name)
{
    m_lastError.clear();
    if (!m_state)
        return false;
    // A precompiled chunk runs only when it was made for this machine's interpreter; any other
    // (another word size, another number type, not a chunk at all) leaves the source to run.
    SmartPtr<File> file(Vfs::Open((name + "c").c_str()));
    bool precompiled = false;
    if (file) {
        const std::string expected = ChunkHeader();
        char header[12];
        precompiled = file->Read(header, sizeof(header)) == static_cast<s32>(sizeof(header)) &&
                      std::memcmp(header, expected.data(), sizeof(header)) == 0 && file->Seek(0, SeekableStream::FROM_START);
        if (!precompiled)
            file = nullptr;
    }
    if (!file)
        file = Vfs::Open(name.c_str());
    if (!file) {
        m_lastError = "cannot open " + name;
        return false;
    }
    std::vector<char> script;
    if (!ReadWhole(file.Get(), script)) {
        m_lastError = name + ": too large";
        ReportFatal(name.c_str());
        return false;
    }
    file = nullptr;
    // The interpreter cannot check a precompiled chunk's code: one is run only from its own
    // file, made for this machine, never in place of a source.
    if (!precompiled && !script.empty() && script[0] == LUA_SIGNATURE[0]) {
        m_lastError = name + ": precompiled chunk in place of a source";
        ReportFatal(name.c_str());
        return false;
    }
    return RunBuffer(script.data(), script.size(), name.c_str());
}

bool Lua::RunStream(SeekableStream* stream, const char* name)
{
    m_lastError.clear();
    if (!m_state || !stream)
        return false;
    std::vector<char> script;
    if (!ReadWhole(stream, script)) {
        m_lastError = std::string(name ? name : "?") + ": too large";
        ReportFatal(name ? name : "?");
        return false;
    }
    return RunBuffer(script.data(), script.size(), name ? name : "?");
}

bool Lua::RunBuffer(const char* data, size_t size, const char* name)
{
    const int top = lua_gettop(m_state);
    int status = luaL_loadbuffer(m_state, data, size, name);
    if (status == 0)
        status = lua_pcall(m_state, 0, LUA_MULTRET, 0);
    if (status != 0) {
        TakeError();
        ReportFatal(name);
    }
    lua_settop(m_state, top);
    return status == 0;
}

void Lua::ReportFatal(const char* name)
{
    if (!g_debugOverlay)
        return;
    DebugOverlay::s_consoleEnabled = true;
    if (g_mixer)
        g_mixer->Pause(Mixer::PAUSE_CONSOLE, true);
    g_debugOverlay->Print(NarrowString("Fatal error reading file ") + name, nullptr);
    g_debugOverlay->Print(NarrowString(m_lastError), nullptr);
}

void Lua::EnableProfiling()
{
    if (!m_state)
        return;
    m_profiling = true;
    OpenLib(LIB_DEBUG);
    RunString(PROFILE_HOOK);
}

void Lua::CopyError(const char* text, char* error, size_t capacity) noexcept
{
    if (capacity > 0)
        std::snprintf(error, capacity, "%s", text ? text : "");
}

int Lua::Require(lua_State* state)
{
    // Read before any object with a destructor exists: converting a number argument can raise a
    // memory error, which leaves by a long jump.
    const char* name = lua_tostring(state, 1);
    if (!name)
        return 0;
    char error[256];
    if (!Contain([state, name] { Lua(state).Load(NarrowString(name)); }, error, sizeof(error)))
        return luaL_error(state, "require %s: %s", name, error);
    return 0;
}

int Lua::Msg(lua_State*)
{
    return 0;
}

} // namespace Vorn
