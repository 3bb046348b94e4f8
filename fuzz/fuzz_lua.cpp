// Feeds arbitrary bytes to the Lua loader the way an animated surface loads its script: through the
// virtual file system, the precompiled name tried first, into a state with a fixed heap, with no
// standard library. The input is either the script itself or a would-be precompiled chunk beside
// a fixed script.
//
// Chunks that pass the header check are not fed: the interpreter cannot verify precompiled code,
// and the game only runs chunks from its own archives. What is fuzzed is the header check and the
// fall-back, the parser and the running of source code, require, and the fixed heap running out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

extern "C" {
#include <lauxlib.h>
#include <lua.h>
}

#include "base/Lua.h"
#include "vfs/Vfs.h"

using namespace Vorn;

namespace {

const u32 HEAP_BYTES = 256u << 10;
const int INSTRUCTION_LIMIT = 50000;

// The scripts live in the install area of a sandbox directory, which is the working directory
// only while an input runs: libFuzzer reads its corpus by relative paths between runs.
std::string s_dir;

void Stop(lua_State* state, lua_Debug*)
{
    luaL_error(state, "instruction limit");
}

// The sandbox goes when the run ends (libFuzzer ends with exit at the end of its time).
void RemoveSandbox()
{
    std::error_code ignored;
    std::filesystem::remove_all(s_dir, ignored);
}

bool Setup()
{
    char dir[] = "/tmp/vorn-fuzz-lua-XXXXXX";
    if (!mkdtemp(dir))
        return false;
    s_dir = dir;
    std::atexit(&RemoveSandbox);
    const std::string native = s_dir + "/app/native";
    if (mkdir((s_dir + "/app").c_str(), 0700) != 0 || mkdir(native.c_str(), 0700) != 0 ||
        mkdir((native + "/s").c_str(), 0700) != 0)
        return false;
    Vfs::Init();
    return Vfs::MountNative("s/", "s/", 0);
}

class InSandbox {
public:
    InSandbox() : m_previous(open(".", O_RDONLY | O_DIRECTORY)) { m_inside = m_previous >= 0 && chdir(s_dir.c_str()) == 0; }
    ~InSandbox()
    {
        if (m_previous >= 0) {
            if (fchdir(m_previous) != 0)
                std::abort();
            close(m_previous);
        }
    }
    bool Inside() const { return m_inside; }

private:
    int m_previous;
    bool m_inside;
};

bool Write(const char* name, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen((std::string("app/native/s/") + name).c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = Setup();
    if (!ready || size == 0 || size > (64u << 10))
        return 0;
    InSandbox sandbox;
    if (!sandbox.Inside())
        return 0;

    const bool asChunk = data[0] & 1;
    std::remove("app/native/s/x.luac");
    if (asChunk) {
        std::string chunk(reinterpret_cast<const char*>(data) + 1, size - 1);
        const std::string header = Lua::ChunkHeader();
        if (chunk.compare(0, header.size(), header) == 0)
            chunk[header.size() - 1] ^= 1;
        static const char SCRIPT[] = "value = 1";
        if (!Write("x.luac", reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size()) ||
            !Write("x.lua", reinterpret_cast<const uint8_t*>(SCRIPT), sizeof(SCRIPT) - 1))
            return 0;
    } else if (!Write("x.lua", data + 1, size - 1)) {
        return 0;
    }

    // The caller's block, as a surface with a heap of its own would pass it.
    static unsigned char block[HEAP_BYTES];
    Lua lua(HEAP_BYTES, block);
    if (!lua.IsValid())
        return 0;
    lua_sethook(lua.GetState(), &Stop, LUA_MASKCOUNT, INSTRUCTION_LIMIT);
    lua.Load("s/x.lua");
    if (lua.IsFunction("update")) {
        lua_pushnumber(lua.GetState(), 0.016);
        lua.Call("update", 1, 0);
    }
    lua.GetGlobalUserdata("this");
    return 0;
}
