#include "Tiling.h"

#include "Block.h"

#include <algorithm>

namespace DataBuild {
namespace {

const int STRIDE = 16;

std::array<ShapeInfo, 28> BuildShapes()
{
    // The game's own tables, so that the builder and the game can never disagree on a shape.
    Block::InitTables();
    std::array<ShapeInfo, 28> shapes{};
    for (int type = 0; type < 28; ++type) {
        ShapeInfo& shape = shapes[type];
        shape.width = Block::blocksWType[type];
        shape.height = Block::blocksHType[type];
        shape.mask = Block::blocksDescription[type];
        shape.cells = 0;
        for (int bits = shape.mask; bits != 0; bits &= bits - 1)
            ++shape.cells;
    }
    return shapes;
}

} // namespace

const ShapeInfo& Shape(int type)
{
    static const std::array<ShapeInfo, 28> s_shapes = BuildShapes();
    return s_shapes[type];
}

uint64_t Random::Next()
{
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t Random::Below(uint32_t bound)
{
    return static_cast<uint32_t>((Next() >> 32) * bound >> 32);
}

double Random::Unit()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

int TilingSolver::Bits::Lowest() const
{
    for (int i = 0; i < 4; ++i)
        if (w[i])
            return i * 64 + __builtin_ctzll(w[i]);
    return -1;
}

TilingSolver::TilingSolver(int width, int height, const std::vector<bool>& cells)
    : m_width(std::clamp(width, 0, MAX_WIDTH)), m_height(std::clamp(height, 0, MAX_HEIGHT)),
      m_anchors(STRIDE * MAX_HEIGHT * 28)
{
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            size_t index = static_cast<size_t>(y) * width + x;
            if (index < cells.size() && cells[index]) {
                int bit = y * STRIDE + x;
                m_outline.w[bit / 64] |= 1ull << (bit % 64);
                ++m_cellCount;
            }
        }
    }
    // For every cell and type: the placement whose first cell in reading order is that cell.
    for (int type = 0; type < 28; ++type) {
        const ShapeInfo& shape = Shape(type);
        int firstX = 0;
        while (!Block::HasCell(shape.mask, firstX, 0))
            ++firstX;
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                int left = x - firstX;
                if (left < 0 || left + shape.width > m_width || y + shape.height > m_height)
                    continue;
                Anchor& anchor = m_anchors[(y * STRIDE + x) * 28 + type];
                for (int dy = 0; dy < shape.height; ++dy) {
                    for (int dx = 0; dx < shape.width; ++dx) {
                        if (!Block::HasCell(shape.mask, dx, dy))
                            continue;
                        int bit = (y + dy) * STRIDE + left + dx;
                        anchor.mask.w[bit / 64] |= 1ull << (bit % 64);
                    }
                }
                anchor.valid = anchor.mask.Within(m_outline);
                anchor.x = left;
                anchor.y = y;
            }
        }
    }
    // Every placement, listed under each cell it covers, grouped by type.
    const int cellSlots = STRIDE * MAX_HEIGHT;
    m_coverStart.assign(cellSlots * 29, 0);
    for (int cell = 0; cell < cellSlots; ++cell) {
        for (int type = 0; type < 28; ++type) {
            m_coverStart[cell * 29 + type] = static_cast<int>(m_coverList.size());
            for (int anchorCell = 0; anchorCell < cellSlots; ++anchorCell) {
                const Anchor& anchor = AnchorAt(anchorCell, type);
                if (anchor.valid && ((anchor.mask.w[cell / 64] >> (cell % 64)) & 1))
                    m_coverList.push_back(Cover{type, anchor.mask, anchor.x, anchor.y});
            }
        }
        m_coverStart[cell * 29 + 28] = static_cast<int>(m_coverList.size());
    }
}

TilingSolver::Bits TilingSolver::Frontier(const Bits& remaining)
{
    // Outside = not remaining; shift it one cell in each direction (the row stride is 16, so a shift
    // by 1 crosses into a spare column, never into the outline of the next row).
    Bits outside;
    for (int i = 0; i < 4; ++i)
        outside.w[i] = ~remaining.w[i];
    auto shiftUp = [](const Bits& b, int n) { // bit i takes bit i - n
        Bits r;
        for (int i = 3; i >= 0; --i)
            r.w[i] = (b.w[i] << n) | (i > 0 ? b.w[i - 1] >> (64 - n) : ~0ull >> (64 - n));
        return r;
    };
    auto shiftDown = [](const Bits& b, int n) { // bit i takes bit i + n
        Bits r;
        for (int i = 0; i < 4; ++i)
            r.w[i] = (b.w[i] >> n) | (i < 3 ? b.w[i + 1] << (64 - n) : ~0ull << (64 - n));
        return r;
    };
    Bits a = shiftUp(outside, 1), b = shiftUp(outside, STRIDE), c = shiftDown(outside, 1),
         d = shiftDown(outside, STRIDE);
    Bits frontier;
    for (int i = 0; i < 4; ++i)
        frontier.w[i] = remaining.w[i] & (a.w[i] | b.w[i] | c.w[i] | d.w[i]);
    return frontier;
}

struct TilingSolver::SearchState {
    TypeCounts counts;
    int limit;
    uint64_t budget;
    bool keep;
    Tiling current;
    Result result;
    bool stop = false;
    int activeTypes[28]; // the types in the tray, so that steps skip the others quickly
    int activeCount = 0;
};

int TilingSolver::Search(SearchState& state, const Bits& remaining) const
{
    if (remaining.Empty()) {
        ++state.result.count;
        if (state.keep)
            state.result.tilings.push_back(state.current);
        if (state.result.count >= state.limit)
            state.stop = true;
        return 1;
    }
    if (state.budget && ++state.result.nodes > state.budget) {
        state.result.complete = false;
        state.stop = true;
        return 0;
    }
    if (!state.budget)
        ++state.result.nodes;
    // The frontier cell with the fewest fitting pieces; none at all means a dead end.
    int cell = -1, fewest = 1 << 30;
    const Bits frontier = Frontier(remaining);
    for (int word = 0; word < 4 && fewest > 1; ++word) {
        for (uint64_t bits = frontier.w[word]; bits != 0 && fewest > 1; bits &= bits - 1) {
            const int candidate = word * 64 + __builtin_ctzll(bits);
            int options = 0;
            for (int t = 0; t < state.activeCount && options < fewest; ++t) {
                const int type = state.activeTypes[t];
                if (state.counts[type] == 0)
                    continue;
                const int* range = &m_coverStart[candidate * 29 + type];
                for (int c = range[0]; c < range[1]; ++c)
                    if (m_coverList[c].mask.Within(remaining) && ++options >= fewest)
                        break;
            }
            if (options < fewest) {
                fewest = options;
                cell = candidate;
            }
        }
    }
    if (cell < 0)
        cell = remaining.Lowest();
    int found = 0;
    if (fewest > 0) {
        for (int c = m_coverStart[cell * 29]; c < m_coverStart[cell * 29 + 28]; ++c) {
            const Cover& cover = m_coverList[c];
            if (state.counts[cover.type] == 0 || !cover.mask.Within(remaining))
                continue;
            Bits next = remaining;
            next.Remove(cover.mask);
            --state.counts[cover.type];
            state.current.push_back(Piece{cover.type, cover.x, cover.y});
            found += Search(state, next);
            state.current.pop_back();
            ++state.counts[cover.type];
            if (state.stop)
                return found;
        }
    }
    return found;
}

TilingSolver::Result TilingSolver::Solve(const TypeCounts& counts, int limit, uint64_t nodeBudget,
                                         bool keepTilings) const
{
    SearchState state;
    state.counts = counts;
    state.limit = limit;
    state.budget = nodeBudget;
    state.keep = keepTilings;
    int total = 0;
    for (int type = 0; type < 28; ++type) {
        if (counts[type] < 0)
            return state.result;
        total += counts[type] * Shape(type).cells;
    }
    if (total != m_cellCount || m_cellCount == 0 || limit <= 0)
        return state.result;
    for (int type = 0; type < 28; ++type)
        if (counts[type] > 0)
            state.activeTypes[state.activeCount++] = type;
    Search(state, m_outline);
    return state.result;
}

bool TilingSolver::RandomSearch(Random& random, const std::array<double, 28>& weights,
                                uint64_t budget, uint64_t& nodes, const Bits& remaining,
                                Tiling& tiling) const
{
    if (remaining.Empty())
        return true;
    if (++nodes > budget)
        return false;
    const int cell = remaining.Lowest();
    std::array<int, 28> options;
    std::array<double, 28> optionWeights;
    int optionCount = 0;
    for (int type = 0; type < 28; ++type) {
        const Anchor& anchor = AnchorAt(cell, type);
        if (weights[type] > 0 && anchor.valid && anchor.mask.Within(remaining)) {
            options[optionCount] = type;
            optionWeights[optionCount] = weights[type];
            ++optionCount;
        }
    }
    // Try the fitting types in a weighted random order (sampling without replacement).
    while (optionCount > 0) {
        double total = 0;
        for (int i = 0; i < optionCount; ++i)
            total += optionWeights[i];
        double pick = random.Unit() * total;
        int chosen = optionCount - 1;
        for (int i = 0; i < optionCount; ++i) {
            pick -= optionWeights[i];
            if (pick < 0) {
                chosen = i;
                break;
            }
        }
        const int type = options[chosen];
        options[chosen] = options[optionCount - 1];
        optionWeights[chosen] = optionWeights[optionCount - 1];
        --optionCount;

        const Anchor& anchor = AnchorAt(cell, type);
        Bits next = remaining;
        next.Remove(anchor.mask);
        tiling.push_back(Piece{type, anchor.x, anchor.y});
        if (RandomSearch(random, weights, budget, nodes, next, tiling))
            return true;
        tiling.pop_back();
        if (nodes > budget)
            return false;
    }
    return false;
}

bool TilingSolver::RandomTiling(Random& random, const std::array<double, 28>& weights,
                                uint64_t nodeBudget, Tiling& tiling) const
{
    tiling.clear();
    if (m_cellCount == 0)
        return false;
    uint64_t nodes = 0;
    return RandomSearch(random, weights, nodeBudget, nodes, m_outline, tiling);
}

bool TilingSolver::RandomTiling(Random& random, const std::array<double, 28>& weights,
                                uint64_t nodeBudget, const std::vector<bool>& region,
                                Tiling& tiling) const
{
    tiling.clear();
    Bits cells;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            size_t index = static_cast<size_t>(y) * m_width + x;
            if (index < region.size() && region[index]) {
                int bit = y * STRIDE + x;
                cells.w[bit / 64] |= 1ull << (bit % 64);
            }
        }
    }
    for (int i = 0; i < 4; ++i)
        cells.w[i] &= m_outline.w[i];
    if (cells.Empty())
        return false;
    uint64_t nodes = 0;
    return RandomSearch(random, weights, nodeBudget, nodes, cells, tiling);
}

} // namespace DataBuild
