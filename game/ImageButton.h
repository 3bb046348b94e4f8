// Stand-alone buttons made of one picture (and optionally a second one shown while pressed),
// placed in screen pixels with an alignment anchor. Independent of the button lists.
#pragma once

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

class Graphics;

class ImageButton : public Vorn::RefCounter {
public:
    // align: Graphics::ALIGN_ bits (centre x, else right; centre y, else bottom). The normal image
    // must be in the image cache: its size is the button's (0 x 0, a button nothing hits, when it
    // is not).
    ImageButton(int image, int pressedImage, int x, int y, int align);
    ~ImageButton() override;

    virtual void Update();
    virtual void Draw(const Vorn::SmartPtr<Graphics>& graphics);
    virtual void Press(int px, int py);
    virtual void Move(int px, int py);
    // True when released on the button; never pressed afterwards.
    virtual bool Release(int px, int py);

    bool Contains(int px, int py) const;

    int x;
    int y;
    int w;
    int h;
    int image;
    int pressedImage; // -1 for none
    bool pressed;
};

// An image button in the theme's ink colour that shrinks towards its centre while pressed (by up
// to a tenth, over five frames) and clicks when released on it.
class ThemedImageButton : public ImageButton {
public:
    static constexpr float MAX_SCALE = 0.1f;
    static constexpr float SCALE_STEP = 0.02f;

    ThemedImageButton(int image, int x, int y, int align);

    void Update() override;
    void Draw(const Vorn::SmartPtr<Graphics>& graphics) override;
    bool Release(int px, int py) override;
    void ResetScale() { scale = 0.0f; }

    float scale;
    float max;
};
