// The display the stand-in pretends to have: its size and the orientation the device reports.
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "bps/bps.h"
#include "bps/orientation.h"
#include "Application.h"
#include "WindowBackend.h"
#include "standin/events.h"
#include "standin/standin.h"

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
const int BASE_SIZE_COUNT = sizeof(BASE_SIZES) / sizeof(BASE_SIZES[0]);
const int HEADLESS_SIZE[2] = {480, 800};

// The refresh rate assumed when the desktop does not give a believable one.
const int USUAL_REFRESH_RATE = 60;
const int MAX_REFRESH_RATE = 500;

// What VORN_SCREEN asks for.
enum class Request { NONE, SIZE, NOT_A_SIZE, TOO_LARGE, TOO_SMALL };

// Digits only; the value (capped above the largest side, so that it cannot overflow), or -1 when
// there is no digit.
int ParseSide(const char*& text)
{
    int value = 0;
    int digits = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits)
        value = std::min(value * 10 + (*text - '0'), standin::MAX_WINDOW_SIDE + 1);
    return digits > 0 ? value : -1;
}

Request ParseScreenVariable(const char* text, int& width, int& height)
{
    if (!text || !*text)
        return Request::NONE;
    const char* p = text;
    const int w = ParseSide(p);
    if (w < 0 || *p++ != 'x')
        return Request::NOT_A_SIZE;
    const int h = ParseSide(p);
    if (h < 0 || *p != '\0' || w == 0 || h == 0)
        return Request::NOT_A_SIZE;
    if (w > standin::MAX_WINDOW_SIDE || h > standin::MAX_WINDOW_SIDE)
        return Request::TOO_LARGE;
    width = w;
    height = h;
    // The game draws its screens at one of its base sizes and stretches them over the window:
    // below the smallest the picture would be squashed past reading.
    const int* smallest = BASE_SIZES[BASE_SIZE_COUNT - 1];
    if (std::min(w, h) < smallest[0] || std::max(w, h) < smallest[1]) {
        // The smallest base size, turned the way the request is.
        width = w > h ? smallest[1] : smallest[0];
        height = w > h ? smallest[0] : smallest[1];
        return Request::TOO_SMALL;
    }
    return Request::SIZE;
}

void ChooseDefaultSize(int& width, int& height)
{
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

void ChooseSize(int& width, int& height)
{
    const char* text = std::getenv("VORN_SCREEN");
    const Request request = ParseScreenVariable(text, width, height);
    if (request == Request::SIZE)
        return;
    if (request != Request::TOO_SMALL)
        ChooseDefaultSize(width, height);
    // A size asked for and not used is said once, with the size used instead.
    switch (request) {
    case Request::NOT_A_SIZE:
        standin::Say("VORN_SCREEN=%s is not a size such as 480x800; using %dx%d", text, width,
                     height);
        break;
    case Request::TOO_LARGE:
        standin::Say("VORN_SCREEN=%s is larger than %d pixels a side; using %dx%d", text,
                     standin::MAX_WINDOW_SIDE, width, height);
        break;
    case Request::TOO_SMALL:
        standin::Say("VORN_SCREEN=%s is smaller than the smallest screen the game is drawn for; "
                     "using %dx%d",
                     text, width, height);
        break;
    default:
        break;
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

extern "C" int standin_display_refresh_rate(void)
{
    // A stepped clock is simulated time: a pass takes none of it, and no one watches the frames.
    if (standin_clock_get_step() > 0)
        return 0;
    const int rate = standin::GetWindowBackend().GetRefreshRate();
    return rate > 0 && rate <= MAX_REFRESH_RATE ? rate : USUAL_REFRESH_RATE;
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
