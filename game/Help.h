// The help screen's content: a fixed set of text pages, one shown at a time inside a frame, with a
// hand-drawn scroll track and thumb at the frame's right edge. Dragging moves the thumb; paging
// wraps around and always starts a page at its top.
//
// Geometry in cells comes from the game's menu layout (Game::menuMargin, menuRowHeight,
// screenRows, screenColumns) when the pages are made.
#pragma once

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

class Graphics;
class StringDisplayer;

class Help : public Vorn::RefCounter {
public:
    static constexpr int MAX_PAGES = 15;

    struct Frame {
        float x;
        float y;
        float width;
        float height;
    };

    Help();
    ~Help() override;

    void Draw(const Vorn::SmartPtr<Graphics>& graphics);
    // delta: the finger's vertical movement in cells; a finger moving down moves the thumb up.
    void Scroll(float delta);
    // Thumb to the top, and its length for the current page.
    void ResetPage();
    void FirstPage();
    void PreviousPage();
    void NextPage();

    // The first line of the current page shown for the thumb's position: 0 when the page fits.
    int GetFirstVisibleLine() const;

    int pageCount;
    int currentPage;
    Vorn::SmartPtr<StringDisplayer> pages[MAX_PAGES];
    float thumbLength;
    float scrollPos;
    Frame frame;
};
