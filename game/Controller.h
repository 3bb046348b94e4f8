// Sits between the play screen and the board: the screen hands every touch of the play screen to
// the controller, which forwards it to the board; the board handles pieces itself and gives back
// the touches that hit none.
//
// The board owns its controller; the controller's target is a plain back-pointer that the board
// clears when it goes, so the two never keep each other alive.
#pragma once

#include "base/RefCounter.h"
#include "base/SmartPtr.h"

class Graphics;
class Playfield;

class Controller : public Vorn::RefCounter {
public:
    static constexpr int IDLE = 0;
    static constexpr int DRAWING = 1;

    Controller();
    ~Controller() override;

    virtual int GetType() = 0;
    virtual void DrawBack(const Vorn::SmartPtr<Graphics>& graphics) = 0;
    virtual void Draw(const Vorn::SmartPtr<Graphics>& graphics) = 0;
    // Pixels relative to the board's origin.
    virtual void TouchDown(int x, int y);
    virtual void TouchMove(int x, int y);
    virtual void TouchUp(int x, int y);
    virtual void OnPieceRemoved(int x, int y);
    virtual bool IsPending();

    // Logical-screen pixels, passed to the target board.
    void ForwardTouchDown(int x, int y);
    void ForwardTouchMove(int x, int y);
    void ForwardTouchUp(int x, int y);
    // Ends any gesture: the drawing is dropped and a drag returns to the tray (an off-board press
    // and release).
    void Cancel();

    Playfield* target;
    int state;
};
