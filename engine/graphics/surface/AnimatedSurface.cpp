#include "graphics/surface/AnimatedSurface.h"

#include <cmath>

extern "C" {
#include <lua.h>
}

namespace Vorn {

namespace {

AnimatedSurface* Self(lua_State* state)
{
    lua_getfield(state, LUA_GLOBALSINDEX, "this");
    void* self = lua_touserdata(state, -1);
    lua_pop(state, 1);
    return static_cast<AnimatedSurface*>(self);
}

// A script number as an integer: truncated, and 0 for what no integer can hold.
s64 ToInteger(lua_State* state, int index)
{
    const double value = lua_tonumber(state, index);
    if (!(value > -9.0e18 && value < 9.0e18))
        return 0;
    return static_cast<s64>(value);
}

int ScriptFrameNum(lua_State* state)
{
    AnimatedSurface* self = Self(state);
    lua_pushnumber(state, self ? self->GetCurrentFrame() : 0);
    return 1;
}

int ScriptSetFrame(lua_State* state)
{
    AnimatedSurface* self = Self(state);
    const s64 n = ToInteger(state, 1);
    if (self && n >= 0 && n < static_cast<s64>(self->GetFrameCount()))
        self->ApplyFrame(static_cast<u32>(n));
    return 0;
}

int ScriptNumFrames(lua_State* state)
{
    AnimatedSurface* self = Self(state);
    lua_pushnumber(state, self ? self->GetFrameCount() : 0);
    return 1;
}

// Outside the frames: no result (the script sees nil).
int ScriptFrameTime(lua_State* state)
{
    AnimatedSurface* self = Self(state);
    const s64 n = ToInteger(state, 1);
    if (!self || n < 0 || n >= static_cast<s64>(self->GetFrameCount()))
        return 0;
    lua_pushnumber(state, self->GetFrame(static_cast<u32>(n))->seconds);
    return 1;
}

int ScriptSetAlpha(lua_State* state)
{
    AnimatedSurface* self = Self(state);
    if (self)
        self->SetAlpha(static_cast<u8>(static_cast<u64>(ToInteger(state, 1)) & 0xFF));
    return 0;
}

}  // namespace

AnimatedSurface::AnimatedSurface(const std::vector<Frame>& frames, bool loop, const NarrowString& script)
    : m_frames(frames), m_current(0), m_loop(loop), m_timeLeft(0.0f)
{
    SetAlpha(255);
    ApplyFrame(0);
    if (!script.empty())
        StartScript(script);
}

AnimatedSurface::AnimatedSurface(const AnimatedSurface& other)
    : Surface(), m_frames(other.m_frames), m_current(0), m_loop(other.m_loop), m_timeLeft(0.0f)
{
    SetAlpha(255);
    ApplyFrame(0);
}

AnimatedSurface::~AnimatedSurface()
{
    // The script first: it must not outlive the surface its "this" points at.
    m_script = nullptr;
    m_frames.clear();
}

void AnimatedSurface::StartScript(const NarrowString& script)
{
    m_script = new Lua(0, nullptr);
    if (!m_script->IsValid())
        return;
    m_script->SetGlobalPointer("this", this);
    m_script->RegisterFunction("FrameNum", &ScriptFrameNum);
    m_script->RegisterFunction("SetFrame", &ScriptSetFrame);
    m_script->RegisterFunction("NumFrames", &ScriptNumFrames);
    m_script->RegisterFunction("FrameTime", &ScriptFrameTime);
    m_script->RegisterFunction("SetAlpha", &ScriptSetAlpha);
    m_script->Load(script);
}

void AnimatedSurface::ApplyFrame(u32 n)
{
    if (n >= m_frames.size() || !m_frames[n].surface)
        return;
    const Frame& frame = m_frames[n];
    Surface* picture = frame.surface.Get();
    m_current = n;
    SetPixelData(picture->GetPixelData());
    SetFlags(picture->GetFlags());
    SetClipRect(picture->GetClipRect());
    SetTextureOrigin(picture->GetTextureOriginX(), picture->GetTextureOriginY());
    SetSize(picture->GetWidth(), picture->GetHeight());
    CopyPieces(picture->GetPieceCount(), picture->GetPieces());
    SetDrawOffset(frame.x, frame.y);
    m_timeLeft = frame.seconds;
}

bool AnimatedSurface::Update(float seconds)
{
    if (m_script) {
        lua_State* state = m_script->GetState();
        if (!state || !lua_checkstack(state, 2))
            return false;
        lua_pushnumber(state, seconds);
        if (m_script->Call("Update", 1, 1))
            return false;
        // The result is taken off again, so the stack does not grow by one value a frame.
        const bool done = lua_type(state, -1) == LUA_TNUMBER && lua_tonumber(state, -1) == 1.0;
        lua_pop(state, 1);
        return done;
    }
    m_timeLeft -= seconds;
    if (m_timeLeft >= 0.0f)
        return true;
    return Advance();
}

bool AnimatedSurface::Advance()
{
    if (m_current + 1 < m_frames.size()) {
        ApplyFrame(m_current + 1);
        return true;
    }
    if (m_loop && !m_frames.empty()) {
        ApplyFrame(0);
        return true;
    }
    return false;
}

void AnimatedSurface::SetState(s32 n)
{
    if (!m_script || !m_script->GetState())
        return;
    lua_State* state = m_script->GetState();
    if (!lua_checkstack(state, 1))
        return;
    lua_pushnumber(state, n);
    m_script->Call("SetState", 1, 0);
}

}  // namespace Vorn
