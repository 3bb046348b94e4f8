#include "ImageButton.h"

#include "Game.h"
#include "Graphics.h"
#include "Image.h"
#include "Sounds.h"

ImageButton::ImageButton(int normal, int pressedNormal, int px, int py, int align)
    : x(px), y(py), w(0), h(0), image(normal), pressedImage(pressedNormal), pressed(false)
{
    if (const Image* found = Graphics::FindImage(normal)) {
        w = found->width;
        h = found->height;
    }
    if (align & Graphics::ALIGN_CENTER_X)
        x -= w / 2;
    else if (align & Graphics::ALIGN_RIGHT)
        x -= w;
    if (align & Graphics::ALIGN_CENTER_Y)
        y -= h / 2;
    else if (align & Graphics::ALIGN_BOTTOM)
        y -= h;
}

ImageButton::~ImageButton() {}

void ImageButton::Update() {}

void ImageButton::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (graphics)
        graphics->DrawImage(pressed && pressedImage != -1 ? pressedImage : image, x, y);
}

void ImageButton::Press(int px, int py)
{
    pressed = Contains(px, py);
}

void ImageButton::Move(int px, int py)
{
    pressed = Contains(px, py);
}

bool ImageButton::Release(int px, int py)
{
    pressed = false;
    return Contains(px, py);
}

bool ImageButton::Contains(int px, int py) const
{
    return x <= px && px < x + w && y <= py && py < y + h;
}

ThemedImageButton::ThemedImageButton(int normal, int px, int py, int align)
    : ImageButton(normal, -1, px, py, align), scale(0.0f), max(MAX_SCALE)
{
}

void ThemedImageButton::Update()
{
    scale += pressed ? SCALE_STEP : -SCALE_STEP;
    if (scale < 0.0f)
        scale = 0.0f;
    if (scale > max)
        scale = max;
}

void ThemedImageButton::Draw(const Vorn::SmartPtr<Graphics>& graphics)
{
    if (!graphics)
        return;
    if (scale <= 0.0f) {
        graphics->DrawImageColored(image, x, y, Game::COLOR_R, Game::COLOR_G, Game::COLOR_B, 1.0f);
        return;
    }
    const int left = static_cast<int>(static_cast<float>(x) + scale * 0.5f * static_cast<float>(w));
    const int top = static_cast<int>(static_cast<float>(y) + scale * 0.5f * static_cast<float>(h));
    graphics->DrawImageEx(image, left, top, 0, 0, w, h, 1.0f - scale, Game::COLOR_R, Game::COLOR_G,
                          Game::COLOR_B, 1.0f);
}

bool ThemedImageButton::Release(int px, int py)
{
    pressed = false;
    if (!Contains(px, py))
        return false;
    Sounds::PlayClick();
    return true;
}
