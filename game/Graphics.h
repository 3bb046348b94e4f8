// The game's drawing context: the render target every painter draws on, and the helpers that draw
// images of the image cache by id.
//
// Every helper takes an image id and a position in base-screen pixels. It draws nothing when the
// id is outside the image table or not in the cache (Content::s_images): a picture that was never
// loaded, or not loaded at this size, is simply absent. Colours and alphas are floats 0..1.
//
// A Graphics can record the calls that reach a cached image (the final destination after
// alignment, the source rectangle, tint and transform), so that painters are tested without GL:
// a Graphics without target records and draws nothing, and cached Images without surface stand in
// for pictures.
#pragma once

#include <vector>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

namespace Vorn {
class Surface;
}

class Image;

class Graphics : public Vorn::RefCounter {
public:
    // Alignment bits of DrawImageCentered (also used by image buttons).
    static constexpr int ALIGN_CENTER_X = 2;
    static constexpr int ALIGN_RIGHT = 4;
    static constexpr int ALIGN_CENTER_Y = 8;
    static constexpr int ALIGN_BOTTOM = 16;

    enum class Call { IMAGE, PART, ROTATED, SCALED, COLORED, EX, EX_FLIPPED, CENTERED };

    // One recorded draw. x, y: the destination in target pixels (after alignment); src*: the source
    // rectangle; scale, angle (radians) and the pivot (source pixels); r, g, b, a: the tint and
    // alpha (1, 1, 1, surface alpha for untinted calls read as 1).
    struct DrawCall {
        Call call;
        int image;
        int x;
        int y;
        int srcX;
        int srcY;
        int srcW;
        int srcH;
        float scale;
        float angle;
        float pivotX;
        float pivotY;
        float r;
        float g;
        float b;
        float a;
        bool tinted;
        bool flipped;
    };

    // target may be null (record only).
    explicit Graphics(Vorn::Surface* target);
    ~Graphics() override;

    // The whole image, top-left at (x, y).
    void DrawImage(int image, int x, int y);
    // The top-left w x h pixels of the image at (x, y).
    void DrawImagePart(int image, int x, int y, int w, int h);
    // The whole image rotated by angle about the pivot (image pixels) and scaled by scale.
    void DrawImageRotated(int image, int x, int y, float pivotX, float pivotY, float angle, float scale);
    // The source rectangle rotated and scaled the same way.
    void DrawImageScaled(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                         float pivotX, float pivotY, float angle, float scale);
    // The whole image tinted; sets the image surface's alpha to a (it stays).
    void DrawImageColored(int image, int x, int y, float r, float g, float b, float a);
    // The source rectangle scaled about its top-left corner and tinted; sets the surface's alpha.
    void DrawImageEx(int image, int x, int y, int srcX, int srcY, int srcW, int srcH, float scale,
                     float r, float g, float b, float a);
    // As DrawImageEx, mirrored left to right.
    void DrawImageExFlipped(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                            float scale, float r, float g, float b, float a);
    // The whole image anchored by the ALIGN_ bits: centre x, else right; centre y, else bottom.
    void DrawImageCentered(int image, int x, int y, int align);

    // The image of the cache under id, or null when the id is outside the table or not cached.
    static Image* FindImage(int image);

    Vorn::Surface* GetTarget() const { return target.Get(); }

    void StartRecording();
    void StopRecording();
    bool IsRecording() const { return m_recording; }
    const std::vector<DrawCall>& GetRecord() const { return m_record; }
    void ClearRecord() { m_record.clear(); }

    Vorn::SmartPtr<Vorn::Surface> target;

private:
    void DrawImageExMirrored(int image, int x, int y, int srcX, int srcY, int srcW, int srcH,
                             float scale, float r, float g, float b, float a, bool flipped);
    // The cached image with a surface to draw, after recording the call; null when nothing is to
    // be drawn on the target.
    Vorn::Surface* Begin(const DrawCall& call);

    bool m_recording;
    std::vector<DrawCall> m_record;
};
