// The display the stand-in pretends to have: its size and the orientation the device reports.
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "bps/bps.h"
#include "bps/orientation.h"
#include "standin/standin.h"
#include "WindowBackend.h"

namespace {

struct DisplayState {
    std::mutex mutex;
    bool sizeKnown = false;
    int width = 0;
    int height = 0;
    int angle = -1;  // -1: the natural angle
};

DisplayState& State()
{
    static DisplayState s_state;
    return s_state;
}

// The game's base sizes, largest first; the window takes the first that fits the desktop.
const int BASE_SIZES[][2] = {{600, 1024}, {480, 800}, {320, 480}, {240, 320}};
const int HEADLESS_SIZE[2] = {480, 800};

bool ParseScreenVariable(const char* text, int& width, int& height)
{
    if (!text)
        return false;
    int w = 0, h = 0, used = 0;
    if (std::sscanf(text, "%dx%d%n", &w, &h, &used) != 2 || text[used] != '\0')
        return false;
    if (w < 1 || h < 1 || w > standin::MAX_WINDOW_SIDE || h > standin::MAX_WINDOW_SIDE)
        return false;
    width = w;
    height = h;
    return true;
}

void ChooseSize(int& width, int& height)
{
    if (ParseScreenVariable(std::getenv("VORN_SCREEN"), width, height))
        return;
    int deskW = 0, deskH = 0;
    if (!standin::GetWindowBackend().GetDesktopSize(deskW, deskH)) {
        width = HEADLESS_SIZE[0];
        height = HEADLESS_SIZE[1];
        return;
    }
    for (const auto& size : BASE_SIZES) {
        width = size[0];
        height = size[1];
        if (width <= deskW && height <= deskH)
            return;
    }
}

}  // namespace

extern "C" void standin_get_display_size(int* width, int* height)
{
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.sizeKnown) {
        ChooseSize(s.width, s.height);
        s.sizeKnown = true;
    }
    if (width)
        *width = s.width;
    if (height)
        *height = s.height;
}

extern "C" void standin_set_display_size(int width, int height)
{
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.sizeKnown = width > 0 && height > 0 && width <= standin::MAX_WINDOW_SIDE &&
                  height <= standin::MAX_WINDOW_SIDE;
    s.width = s.sizeKnown ? width : 0;
    s.height = s.sizeKnown ? height : 0;
}

extern "C" void standin_set_orientation(int angle)
{
    DisplayState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.angle = (angle == 0 || angle == 90 || angle == 180 || angle == 270) ? angle : -1;
}

extern "C" int orientation_get(orientation_direction_t* direction, int* angle)
{
    int w = 0, h = 0;
    standin_get_display_size(&w, &h);
    int a;
    {
        DisplayState& s = State();
        std::lock_guard<std::mutex> lock(s.mutex);
        a = s.angle;
    }
    // The panel lies landscape in its natural position, so a portrait display is one turned by a
    // quarter: the window buffers then take the short side as their width.
    if (a < 0)
        a = w < h ? 90 : 0;
    if (angle)
        *angle = a;
    if (direction) {
        switch (a) {
        case 90: *direction = ORIENTATION_LEFT_UP; break;
        case 180: *direction = ORIENTATION_BOTTOM_UP; break;
        case 270: *direction = ORIENTATION_RIGHT_UP; break;
        default: *direction = ORIENTATION_TOP_UP; break;
        }
    }
    return BPS_SUCCESS;
}
