// A list of rectangular buttons laid out in board cells: every menu, panel and dialogue of the
// game is one. The list does the hit testing, tracks which button is pressed and which one the
// finger is over, animates the press highlight (a pressed button shrinks while the finger stays on
// it) and draws its buttons through the game's themed button painters.
//
// Positions and sizes are cells (floats) from the display area's corner; touches are base-screen
// pixels. Several buttons may share an id; a change by id acts on all of them.
#pragma once

#include <vector>

#include "base/RefCounter.h"
#include "base/SmartPtr.h"
#include "base/WideString.h"

class GLFont;
class Graphics;

struct ButtonRecord {
    float x;
    float y;
    float w;
    float h;
    float highlight; // the press inset, 0 .. max cells
    float max;
    float extra;     // handed to the plain painter (style 0)
    int style;       // 1: framed button with optional icon; 0: plain menu button; others: not drawn
    int id;
    Vorn::WideString label1; // first text of a two-text button
    Vorn::WideString label2; // its second text
    Vorn::WideString label3; // the caption of a one-text button
    Vorn::SmartPtr<GLFont> font;
    ButtonRecord* next;
    int icon;                // image id, -1 for none
};

class ButtonDisplayer : public Vorn::RefCounter {
public:
    static constexpr int NONE = -1;
    // Highlight per millisecond: 0.2 cells in about 157 ms, and in 11 ms at factor 1 when fast.
    static constexpr float HIGHLIGHT_STEP = 0.0012727273f;
    static constexpr float HIGHLIGHT_STEP_FAST = 0.018182116f;

    // Registers the new list with every list made before (s_displayers), which keeps it alive for
    // the rest of the process.
    ButtonDisplayer();
    ~ButtonDisplayer() override;

    // New buttons go to the head of the list: the one added first is drawn last (on top) and wins
    // the hit test where buttons overlap.
    void AddButton(int id, const Vorn::WideString& label, const Vorn::SmartPtr<GLFont>& font,
                   float x, float y, float w, float h, float max, int icon);
    void AddButtonEx(int id, const Vorn::WideString& label, const Vorn::SmartPtr<GLFont>& font,
                     float x, float y, float w, float h, float max, float extra, int style,
                     int icon);
    void AddTextButton(int id, const Vorn::WideString& text1, const Vorn::WideString& text2,
                       const Vorn::SmartPtr<GLFont>& font, float x, float y, float w, float h,
                       float max, int icon);

    void SetRect(int id, float x, float y, float w, float h, float max);
    void SetText1(int id, const Vorn::WideString& text);
    void SetText2(int id, const Vorn::WideString& text);
    void SetText3(int id, const Vorn::WideString& text);
    // y of the first button from the head with that id; 0 when there is none.
    float GetButtonY(int id) const;

    // The id under the point (left and top edges inside, right and bottom outside), or NONE.
    int HitTest(int x, int y) const;
    void TouchDown(int x, int y);
    void TouchMove(int x, int y);
    // The id of the button released on when it is the one pressed down (the finger may have left
    // and come back), with the click sound unless silent; else NONE. Either way nothing is pressed
    // afterwards.
    int TouchUp(int x, int y, bool silent);

    // dt in milliseconds.
    void Update(int dt);
    void UpdateFast(int dt, float factor);
    void ResetHighlights();
    static void ResetAllHighlights();

    void Draw(const Vorn::SmartPtr<Graphics>& graphics);
    void DrawOffset(const Vorn::SmartPtr<Graphics>& graphics, float dx, float dy);
    // Only the buttons with that id (all for NONE).
    void DrawOnly(const Vorn::SmartPtr<Graphics>& graphics, int id);
    void DrawOffsetOnly(const Vorn::SmartPtr<Graphics>& graphics, float dx, float dy, int id);

    // Frees every button. Acts only in builds for the European languages, the only ones whose
    // lists are rebuilt in place.
    void Clear();

    int GetCount() const { return count; }
    int GetPressed() const { return pressed; }
    int GetHover() const { return hover; }
    const ButtonRecord* GetHead() const { return head; }

    ButtonRecord* head;
    int count;
    int pressed;
    int hover;

    // Every list ever made, in order of construction. Allocated once and never destroyed: lists
    // hold fonts, whose pictures must not be released after the GL context is gone at exit.
    static std::vector<Vorn::SmartPtr<ButtonDisplayer>>* s_displayers;

private:
    ButtonDisplayer(const ButtonDisplayer&) = delete;
    ButtonDisplayer& operator=(const ButtonDisplayer&) = delete;

    ButtonRecord* Add(int id, const Vorn::SmartPtr<GLFont>& font, float x, float y, float w,
                      float h, float max, int icon);
    void Step(float step);
    void DrawButton(const Vorn::SmartPtr<Graphics>& graphics, const ButtonRecord& button, float dx,
                    float dy);
    void FreeAll();
};
