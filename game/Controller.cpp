#include "Controller.h"

#include "Playfield.h"

Controller::Controller() : target(nullptr), state(IDLE) {}

Controller::~Controller() {}

void Controller::TouchDown(int, int) {}

void Controller::TouchMove(int, int) {}

void Controller::TouchUp(int, int) {}

void Controller::OnPieceRemoved(int, int) {}

bool Controller::IsPending()
{
    return false;
}

void Controller::ForwardTouchDown(int x, int y)
{
    if (target)
        target->OnTouchDown(x, y);
}

void Controller::ForwardTouchMove(int x, int y)
{
    if (target)
        target->OnTouchMove(x, y);
}

void Controller::ForwardTouchUp(int x, int y)
{
    if (target)
        target->OnTouchUp(x, y);
}

void Controller::Cancel()
{
    state = IDLE;
    // Far off the board: hits no piece and no cell, and a drag in progress fails its drop.
    const int away = -100;
    if (target) {
        target->OnTouchDown(away, away);
        target->OnTouchUp(away, away);
    }
}
