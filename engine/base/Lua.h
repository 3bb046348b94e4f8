// A Lua 5.1 interpreter state and the engine's few operations on it: registering host functions
// and pointers, loading scripts through the virtual file system (precompiled chunks first),
// calling global functions, and reporting a script's fatal error.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "base/NarrowString.h"
#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/SeekableStream.h"
#include "system/Types.h"

struct lua_State;
typedef int (*lua_CFunction)(lua_State*);

namespace Vorn {

class FixedArena;

// Every operation stays inside the interpreter's protection: a script error or an exhausted heap
// comes back as an error text (or is dropped where the operation has no result), never as an
// abort of the process.
class Lua : public RefCounter {
public:
    // Standard libraries for OpenLib.
    static constexpr u32 LIB_BASE = 1;
    static constexpr u32 LIB_TABLE = 2;
    static constexpr u32 LIB_STRING = 4;
    static constexpr u32 LIB_DEBUG = 8;
    static constexpr u32 LIB_MATH = 16;

    // The state's own heap: a block of fixed size (the caller's, or one it allocates and owns)
    // with every allocation of the state inside it.
    class LuaHeap : public RefCounter {
    public:
        // Makes the arena and, over it, the state (null in *state when the block is too small).
        LuaHeap(u32 size, void* memory, lua_State** state);
        ~LuaHeap() override;

        const FixedArena& GetArena() const { return *m_arena; }

    private:
        static void* Allocate(void* heap, void* pointer, size_t oldSize, size_t newSize);

        bool m_ownsMemory;
        u8* m_memory;
        std::unique_ptr<FixedArena> m_arena;
    };

    // heapSize 0: the standard allocator. Otherwise the state runs in a heap of that many bytes,
    // at heapMemory when given. No standard library is opened; the globals "require", "VornMsg"
    // and the "keys" table are made. A heap too small for the state gives an object with no
    // state (IsValid false), on which every operation fails quietly.
    Lua(u32 heapSize, void* heapMemory);
    // Wraps a state it does not own (inside host functions).
    explicit Lua(lua_State* state);
    // Runs the profiler's report when profiling, closes an owned state, then releases the heap.
    ~Lua() override;

    bool IsValid() const { return m_state != nullptr; }
    lua_State* GetState() const { return m_state; }
    const LuaHeap* GetHeap() const { return m_heap.Get(); }

    void OpenLib(u32 library);
    void RegisterFunction(const char* name, lua_CFunction function);
    void SetGlobalPointer(const char* name, void* pointer);
    // The global's userdata (light or full) or null; the stack is left as it was.
    void* GetGlobalUserdata(const char* name);
    bool IsFunction(const char* name);
    // Calls the global function name with the nargs values on top of the stack. Null on success,
    // with the nresults results on the stack. On failure the error text, valid until the next
    // call of this object, with the arguments and the error value gone from the stack.
    const char* Call(const char* name, int nargs, int nresults);
    // Runs source; errors are dropped.
    void RunString(const char* source);
    // Runs the script name, or its precompiled chunk name + "c" when that exists and was made
    // for this machine's interpreter (otherwise name itself). The chunk name is always name.
    // False when neither opens or the script fails.
    bool Load(const NarrowString& name);
    // Runs the stream's content as a chunk called name; a failure goes to the debug console when
    // there is one, pausing the sound while it shows. False on failure.
    bool RunStream(SeekableStream* stream, const char* name);
    void EnableProfiling();

    // The text of the last error this object met, empty when none.
    const std::string& GetLastError() const { return m_lastError; }

    // Runs C++ work from inside a host function, so that no exception reaches the interpreter's
    // C frames: one thrown stops here, its text kept in error (capacity bytes) and false returned.
    // The host function then raises the text as a script error, from a frame that holds no object
    // with a destructor (a script error leaves by a long jump).
    template <class Work>
    static bool Contain(Work&& work, char* error, size_t capacity) noexcept
    {
        try {
            work();
            return true;
        } catch (const std::exception& e) {
            CopyError(e.what(), error, capacity);
        } catch (...) {
            CopyError("unknown exception", error, capacity);
        }
        return false;
    }
    static void CopyError(const char* text, char* error, size_t capacity) noexcept;

    // The header that starts a precompiled chunk of this machine's interpreter (12 bytes).
    static std::string ChunkHeader();
    // Largest script read (bytes); longer files are refused.
    static constexpr u32 MAX_SCRIPT_BYTES = 16u << 20;

private:
    Lua(const Lua&) = delete;
    Lua& operator=(const Lua&) = delete;

    // Pushes the global name (nil when absent); false, with nothing pushed, when the state has no
    // room left for it.
    bool PushGlobal(const char* name);
    // Takes the error value on top of the stack into m_lastError and pops it.
    void TakeError();
    bool RunBuffer(const char* data, size_t size, const char* name);
    void ReportFatal(const char* name);

    static int Require(lua_State* state);
    static int Msg(lua_State* state);

    lua_State* m_state;
    bool m_borrowed;
    bool m_profiling;
    u32 m_libraries;
    SmartPtr<LuaHeap> m_heap;
    std::string m_lastError;
};

} // namespace Vorn
