// A surface that shows one frame of an animation at a time: each frame is a picture, shown for a
// time at a draw offset. Update steps the frames by their times, or, when the animation has a
// script, leaves the choice of frame to the script's "Update" function, which sees the script
// functions "FrameNum", "SetFrame", "NumFrames", "FrameTime" and "SetAlpha".
#pragma once

#include <vector>

#include "base/Lua.h"
#include "base/NarrowString.h"
#include "base/SmartPtr.h"
#include "graphics/surface/Surface.h"

namespace Vorn {

class AnimatedSurface final : public Surface {
public:
    struct Frame {
        SmartPtr<Surface> surface;
        float seconds = 0.0f;
        s32 x = 0;
        s32 y = 0;
    };

    // Shows frame 0. With a script name, a Lua state of the standard allocator runs that script
    // (its precompiled chunk when there is one) after the five functions above are registered
    // and the global "this" points at this surface; a script that fails leaves them absent.
    // Frames without a picture are not shown.
    AnimatedSurface(const std::vector<Frame>& frames, bool loop, const NarrowString& script);
    // The same frames and loop flag, from frame 0, played by frame times: the copy has no script.
    AnimatedSurface(const AnimatedSurface& other);
    ~AnimatedSurface() override;

    AnimatedSurface& operator=(const AnimatedSurface&) = delete;

    // With a script: its "Update" (dt), true when it returned 1. Without: counts dt off the frame's
    // time and, once it fell below 0, takes one step (Advance).
    bool Update(float seconds) override;
    // The next frame, or frame 0 after the last when looping; false (staying on the last frame)
    // when the last frame was passed without looping.
    bool Advance();
    // Calls the script's "SetState" with n; nothing without a script.
    void SetState(s32 n);

    // Shows frame n; an index outside the frames, or a frame without picture, is ignored.
    void ApplyFrame(u32 n);

    u32 GetCurrentFrame() const { return m_current; }
    u32 GetFrameCount() const { return static_cast<u32>(m_frames.size()); }
    const Frame* GetFrame(u32 n) const { return n < m_frames.size() ? &m_frames[n] : nullptr; }
    bool IsLooping() const { return m_loop; }
    float GetTimeLeft() const { return m_timeLeft; }
    Lua* GetScript() const { return m_script.Get(); }

private:
    void StartScript(const NarrowString& script);

    std::vector<Frame> m_frames;
    u32 m_current;
    bool m_loop;
    float m_timeLeft;
    SmartPtr<Lua> m_script;
};

}  // namespace Vorn
