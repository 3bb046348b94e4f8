// The game's application object: chooses the base size and its archive from the window's width,
// mounts the archives and the save directory, creates the Game and its drawing context, draws every
// frame into an offscreen target of the base size and stretches that over the screen, and turns
// screen touches into base pixels.
#pragma once

#include <string>

#include "application/playbook/PlaybookApplication.h"
#include "base/SmartPtr.h"

class Game;
class Graphics;

namespace Vorn {
class Surface;
}

namespace Tessela {

// A base size of the game and the archive drawn for it.
struct BaseSize {
    int width;
    int height;
    const char* archive;
};

// The base size for a window surface this wide. Widths from 481 to 539 lie between the 480 and
// 600 rows: they take the 480 x 800 base, which fits them, rather than no base at all (a zero cell
// size).
constexpr BaseSize ChooseBaseSize(int surfaceWidth)
{
    if (surfaceWidth < 320)
        return {240, 320, "data_240.pak"};
    if (surfaceWidth == 320)
        return {320, 480, "data_320.pak"};
    if (surfaceWidth < 540)
        return {480, 800, "data_480.pak"};
    return {600, 1024, "data_600.pak"};
}

// A touch coordinate in the surface's pixels as a coordinate of the base size, truncated; 0 for a
// surface of no size.
inline int ScaleTouch(int value, int baseSize, int surfaceSize)
{
    if (surfaceSize <= 0)
        return 0;
    return static_cast<int>(static_cast<float>(value) * static_cast<float>(baseSize) /
                            static_cast<float>(surfaceSize));
}

// Only the first finger plays.
constexpr bool IsPlayingTouch(int id)
{
    return id == 0;
}

class TesselaApplication final : public Vorn::PlaybookApplication {
public:
    TesselaApplication();
    ~TesselaApplication() override;

    void Initialize() override;
    void Release() override;
    void OnKeyDown(int key) override;
    void OnKeyUp(int key) override;
    void OnFocus(bool focused) override;
    void Update(float seconds) override;
    void Render(Vorn::Surface* screen) override;
    void OnTouchDown(int x, int y, int id) override;
    void OnTouchUp(int x, int y, int id) override;
    void OnTouchMove(int x, int y, int id) override;

    // Base size and archive from the window surface, the mounts, and the offscreen target. False
    // when an archive is missing or cannot be read, each such archive said on stderr: the game
    // cannot run without them.
    bool MountData();
    static void ResetVersionStrings();

    Game* GetGame() const { return game.Get(); }
    Vorn::Surface* GetOffscreen() const { return offscreen.Get(); }

    static std::string s_appVersionName;
    static std::string s_appVersionCode;
    // Chosen by MountData; 0 until then.
    static int s_baseScreenWidth;
    static int s_baseScreenHeight;

private:
    // The window surface's size now, 0 x 0 without a display.
    void ScreenSize(int& width, int& height) const;
    // Screen pixels to base pixels; false for a touch the game does not take.
    bool ToBase(int& x, int& y, int id) const;

    Vorn::SmartPtr<Game> game;
    Vorn::SmartPtr<Graphics> graphics;
    int surfaceWidth;
    int surfaceHeight;
    Vorn::SmartPtr<Vorn::Surface> offscreen;
};

} // namespace Tessela
