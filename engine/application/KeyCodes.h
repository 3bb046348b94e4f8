// The engine's key codes: what the platform layer turns keyboard symbols into, what the console's
// line editor reads and what scripts see in their "keys" table.
#pragma once

namespace Vorn {
namespace Key {

enum Code : int {
    INVALID = 0, LEFT = 1, RIGHT = 2, UP = 3, DOWN = 4, LSOFT = 5, SELECT = 6, RSOFT = 7, ESCAPE = 8,
    BACK = 9, SHIFT = 10, GAMING_A = 11, GAMING_B = 12,
    // 13 to 22: the digits 0 to 9.
    DIGIT_0 = 13, DIGIT_9 = 22,
    HASH = 23, ASTERISK = 24, VOLUME_UP = 25, VOLUME_DOWN = 26, SPACE = 27, AT = 28, APOSTROPHE = 29,
    TILDE = 30, QUOTE = 31, SLASH = 32, PERIOD = 33, EQUALS = 34, SEMICOLON = 35, COMMA = 36,
    MINUS = 37, LEFT_BRACKET = 38, RIGHT_BRACKET = 39,
    // 40 to 65: the letters a to z.
    LETTER_A = 40, LETTER_Z = 65,
    PS_TRIANGLE = 70, PS_CIRCLE = 71, PS_CROSS = 72, PS_SQUARE = 73, PS_LT = 74, PS_RT = 75,
    PS_START = 76, PS_SELECT = 77, MENU = 78,
};

// What the console's keys do: ENTER runs the line, BACKSPACE deletes, PAGE_DOWN and PAGE_UP
// scroll toward the newest line and back.
constexpr Code ENTER = SELECT;
constexpr Code BACKSPACE = BACK;
constexpr Code PAGE_DOWN = VOLUME_UP;
constexpr Code PAGE_UP = VOLUME_DOWN;

} // namespace Key
} // namespace Vorn
