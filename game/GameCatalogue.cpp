// The level catalogue: which levels form which pack, and the title of every level. Titles are texts
// of the language table under keys of fixed families; the numbered families are built into one
// larger series table, of which the seven packs use a few ranges.
#include "Game.h"

#include "BinaryFiles.h"
#include "TitleKeys.h"

static_assert(TitleKeys::SLOT_COUNT <= Game::TITLE_SERIES_COUNT, "every title slot fits the table");

Vorn::NarrowString Game::TitleSeriesKey(const char* series, int member)
{
    return TitleKeys::SeriesKey(series, member);
}

void Game::InitLevelTitles()
{
    for (int slot = 0; slot < TitleKeys::NAMED_COUNT; ++slot)
        titleSeries[slot] = GetText(TitleKeys::NAMED[slot]);
    for (const TitleKeys::Series& series : TitleKeys::SERIES)
        for (int member = 1; member <= series.count; ++member)
            titleSeries[series.firstSlot + member - 1] =
                GetText(TitleSeriesKey(series.name, member));
}

void Game::CopyLevelNames()
{
    // After a language change the texts are new but the series table still holds the old
    // language: read it again, or the level titles would stay in the language of the start.
    // Before loading has built the table once there is nothing to refresh.
    if (!titleSeries[0].empty())
        InitLevelTitles();
    for (const TitleKeys::Block& block : TitleKeys::PACK_BLOCKS)
        for (int i = 0; i < block.count; ++i)
            levelTitles[block.firstLevel + i] = titleSeries[block.firstSlot + i];
}

void Game::BuildPackTables()
{
    for (int pack = 0; pack < BinaryFiles::PACK_COUNT; ++pack) {
        packSizes[pack] = BinaryFiles::PACK_SIZES[pack];
        packLevels[pack].clear();
        for (int i = 0; i < packSizes[pack]; ++i)
            packLevels[pack].push_back(BinaryFiles::PACK_FIRST[pack] + i);
        packNames[pack] = GetText(TitleKeys::PACK_NAME_KEYS[pack]);
        packLockedTexts[pack] = GetText("PACK_LOCKED");
    }
}
