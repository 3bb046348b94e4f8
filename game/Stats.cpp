#include "Stats.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "Game.h"
#include "Mounts.h"
#include "SaveFile.h"
#include "base/WideString.h"
#include "vfs/Vfs.h"

namespace {

class Writer {
public:
    void Int(int value)
    {
        const uint32_t bits = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(bits >> shift));
    }
    void Byte(bool value) { bytes.push_back(value ? 1 : 0); }

    std::vector<uint8_t> bytes;
};

// Reads fields in order; a field the data does not hold completely leaves its target alone.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(data ? size : 0) {}

    void Int(int& value)
    {
        if (m_size - m_position < 4)
            return;
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i)
            bits |= static_cast<uint32_t>(m_data[m_position + i]) << (8 * i);
        m_position += 4;
        value = static_cast<int>(bits);
    }
    void Byte(bool& value)
    {
        if (m_size - m_position < 1)
            return;
        value = m_data[m_position++] != 0;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

// One description of the layout serves both directions: the totals section when totals is set,
// then the puzzle section when the kind (as read so far) is a puzzle. The play time goes through
// its two words (Stats.h); a word the data does not hold keeps the record's value.
template <class Stream>
void Fields(Stream& stream, Stats& stats, bool totals)
{
    const int64_t largest = totals ? INT64_MAX : int64_t(UINT32_MAX);
    const int64_t playTime = std::min(stats.playTime, largest);
    int low = static_cast<int>(static_cast<uint32_t>(playTime));
    int& high = stats.counters[Stats::COUNTER_PLAY_TIME_HIGH];
    high = totals ? static_cast<int>(playTime >> 32) : 0;
    stream.Int(stats.number);
    stream.Int(stats.kind);
    for (int& count : stats.pieces)
        stream.Int(count);
    stream.Int(low);
    stream.Int(stats.startTime);
    if (totals) {
        stream.Int(stats.gameCounter);
        for (int& counter : stats.counters)
            stream.Int(counter);
        stream.Int(stats.levelsSolved);
        stream.Int(stats.solutionsFound);
        stream.Int(stats.completions);
    }
    if (stats.kind == Stats::KIND_PUZZLE) {
        stream.Int(stats.level);
        stream.Int(stats.found);
        stream.Byte(stats.isNew);
    }
    stats.playTime = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 |
                                          static_cast<uint32_t>(low));
    high = 0;
}

} // namespace

Stats::Stats(int recordNumber)
    : number(recordNumber), kind(KIND_PUZZLE), pieces{}, playTime(0), startTime(0), gameCounter(0),
      counters{}, levelsSolved(0), solutionsFound(0), completions(0), found(NOT_SOLVED),
      isNew(false), level(0)
{
}

Vorn::NarrowString Stats::FileName(int recordNumber)
{
    Vorn::NarrowString name = Game::instance ? Vorn::NarrowString(Game::instance->profilePrefix)
                                             : Vorn::NarrowString(Tessela::SAVE_MOUNT);
    name += "stats";
    name.AppendInt(recordNumber);
    return name;
}

std::vector<uint8_t> Stats::Serialize() const
{
    Writer writer;
    Stats copy(*this);
    Fields(writer, copy, number == TOTALS);
    return writer.bytes;
}

void Stats::Deserialize(const uint8_t* data, size_t size)
{
    // The requested number chooses the totals section, not the number the file holds.
    Reader reader(data, size);
    Fields(reader, *this, number == TOTALS);
}

bool Stats::Save() const
{
    SaveWriter file(FileName(number));
    const std::vector<uint8_t> bytes = Serialize();
    file.PutBytes(bytes.data(), bytes.size());
    return file.Finish();
}

void Stats::ClampCounts()
{
    // Only a damaged high word makes it negative: the low word still counts.
    if (playTime < 0)
        playTime &= UINT32_MAX;
    for (int* count : {&startTime, &gameCounter, &levelsSolved, &solutionsFound, &completions,
                       &counters[COUNTER_GAMES_PLAYED]})
        *count = std::max(*count, 0);
    levelsSolved = std::min(levelsSolved, Game::LEVEL_COUNT);
    for (int& count : pieces)
        count = std::max(count, 0);
    found = std::max(found, static_cast<int>(NOT_SOLVED));
    if (level < 0 || level >= Game::LEVEL_COUNT)
        level = 0;
}

Vorn::SmartPtr<Stats> Stats::Load(int recordNumber, bool emptyIsNew)
{
    Vorn::SmartPtr<Stats> stats(new Stats(recordNumber));
    SaveReader file;
    // One byte more than a record holds tells a file that is too long.
    if (!file.Open(FileName(recordNumber), MAX_FILE_BYTES + 1) || (file.Size() == 0 && emptyIsNew))
        return stats; // missing, or emptied with its profile
    stats->Deserialize(file.Bytes().data(), file.Size());
    const std::vector<uint8_t> read = stats->Serialize();
    const bool whole = file.Size() == read.size() && stats->number == recordNumber;
    // A stored number other than the one asked for would save this record under another name.
    stats->number = recordNumber;
    // A count no game can reach is one the clamp changes.
    stats->ClampCounts();
    // Written back once the damaged file is safe beside it, so that the next load reads it whole.
    if ((!whole || stats->Serialize() != read) &&
        KeepDamagedSave(FileName(recordNumber), whole ? "the statistics, negative counts set to 0"
                                                      : "the statistics the file held in full"))
        stats->Save();
    return stats;
}
