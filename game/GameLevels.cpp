// The start of a level: the level turned into a running board, its statistics record begun, and
// play entered.
#include <algorithm>
#include <climits>
#include <ctime>

#include "Content.h"
#include "Game.h"
#include "PlayfieldFit.h"
#include "Stats.h"

void Game::StartLevel(int level)
{
    // A locked level, or one whose file is missing or invalid, starts nothing and changes nothing.
    if (LevelRecord(level) == 0 || !Content::GetLevel(level))
        return;
    Vorn::SmartPtr<PlayfieldFit> board = NewBoard();
    if (!board->LoadLevel(level))
        return;
    currentLevel = level;
    PutBoardInPlay(board);

    // The game takes the number the counter has before this start adds it.
    if (!stats)
        stats = Stats::Load(Stats::TOTALS);
    Vorn::SmartPtr<Stats> record(new Stats(std::max(stats->gameCounter, 0)));
    // Counters read from a damaged file may already stand at the top of their range.
    for (int* counter : {&stats->gameCounter, &stats->counters[Stats::COUNTER_GAMES_PLAYED]})
        if (*counter < INT_MAX)
            ++*counter;
    record->kind = Stats::KIND_PUZZLE;
    record->found = Stats::NOT_SOLVED;
    record->level = level;
    record->startTime = static_cast<int>(std::time(nullptr));
    board->stats = record;

    screenState = STATE_PLAY;
    board->ClearSavedGame();
}
