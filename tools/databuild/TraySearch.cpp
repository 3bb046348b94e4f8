#include "TraySearch.h"

#include "BinaryFiles.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace DataBuild {

namespace {

enum PieceClass { SQUARE, BAR, BENT, STRAIGHT_THREE, BENT_THREE, DOMINO, SINGLE };

PieceClass ClassOf(int type)
{
    if (type == 0)
        return SQUARE;
    if (type <= 2)
        return BAR;
    if (type <= 18)
        return BENT;
    if (type <= 20)
        return STRAIGHT_THREE;
    if (type <= 24)
        return BENT_THREE;
    if (type <= 26)
        return DOMINO;
    return SINGLE;
}

// Preferences for one candidate: irregularity 0 asks for squares and bars, 1 for bent pieces, and a
// negative value for squares above all.
std::array<double, 28> Weights(double irregularity, bool allowSingles)
{
    std::array<double, 28> weights{};
    if (irregularity < 0) {
        // Squares wherever they go, bars next: the fewest tilings there are.
        for (int type = 0; type < 28; ++type)
            weights[type] = ClassOf(type) == SQUARE ? 20.0 : ClassOf(type) == BAR ? 2.0 : 0.05;
        weights[27] = allowSingles ? 0.002 : 0.0;
        return weights;
    }
    for (int type = 0; type < 28; ++type) {
        switch (ClassOf(type)) {
        case SQUARE: weights[type] = 0.3 + 4.0 * (1.0 - irregularity); break;
        case BAR: weights[type] = 0.3 + 1.5 * (1.0 - irregularity); break;
        // Sixteen bent types share this, so each gets a small part.
        case BENT: weights[type] = 0.02 + 0.35 * irregularity; break;
        case STRAIGHT_THREE: weights[type] = 0.12; break;
        case BENT_THREE: weights[type] = 0.03 + 0.12 * irregularity; break;
        case DOMINO: weights[type] = 0.04; break;
        case SINGLE: weights[type] = allowSingles ? 0.002 : 0.0; break;
        }
    }
    return weights;
}

} // namespace

uint64_t SeedFromName(const std::string& name)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

int DefaultDifficulty(int level)
{
    static const int LOW[BinaryFiles::PACK_COUNT] = {1, 2, 3, 4, 5, 6, 7};
    static const int HIGH[BinaryFiles::PACK_COUNT] = {3, 4, 6, 7, 8, 9, 10};
    const int pack = BinaryFiles::PackOfLevel(level);
    if (pack < 0)
        return 5;
    const int index = level - BinaryFiles::PACK_FIRST[pack];
    const int last = BinaryFiles::PACK_SIZES[pack] - 1;
    const double rise = last > 0 ? static_cast<double>(index) / last : 0.0;
    return LOW[pack] + static_cast<int>(std::lround(rise * (HIGH[pack] - LOW[pack])));
}

double TraySearch::Score(const TypeCounts& counts, int tilingCount, int difficulty)
{
    const double hardness = (std::clamp(difficulty, 1, 10) - 1) / 9.0;
    int pieces = 0, irregular = 0, singles = 0, dominoes = 0, distinct = 0;
    for (int type = 0; type < 28; ++type) {
        if (counts[type] == 0)
            continue;
        ++distinct;
        pieces += counts[type];
        switch (ClassOf(type)) {
        case BENT: irregular += counts[type]; break;
        case BENT_THREE: irregular += counts[type]; break;
        case DOMINO: dominoes += counts[type]; break;
        case SINGLE: singles += counts[type]; break;
        default: break;
        }
    }
    if (pieces == 0 || tilingCount < 1)
        return -1e9;
    double score = 0;
    // Harder levels get more bent pieces...
    const double wantedShare = 0.15 + 0.6 * hardness;
    score -= 6.0 * std::abs(static_cast<double>(irregular) / pieces - wantedShare);
    // ...and fewer solutions: easy levels may have many, the hardest one.
    const double wantedTilings = std::exp(std::log(30.0) * (1.0 - hardness));
    const double excess = std::log(static_cast<double>(tilingCount) / wantedTilings);
    score -= excess > 0 ? 1.0 * excess : 0.3 * -excess;
    // Small pieces make a puzzle fiddly rather than hard.
    score -= 1.5 * singles + 0.5 * dominoes;
    score += 0.1 * std::min(distinct, 10);
    return score;
}

namespace {

// One tray being considered: a tiling that shows it exists, its pieces and how it scored.
struct Candidate {
    Tiling tiling;
    TypeCounts counts{};
    int tilings = 0;
    double score = -1e9;
};

TypeCounts CountsOf(const Tiling& tiling)
{
    TypeCounts counts{};
    for (const Piece& piece : tiling)
        ++counts[piece.type];
    return counts;
}

// Cells of the outline owned by each piece of a tiling (-1 for none).
std::vector<int> Owners(const LevelSource& source, const Tiling& tiling)
{
    std::vector<int> owners(source.cells.size(), -1);
    for (size_t i = 0; i < tiling.size(); ++i) {
        const ShapeInfo& shape = Shape(tiling[i].type);
        for (int dy = 0; dy < shape.height; ++dy)
            for (int dx = 0; dx < shape.width; ++dx)
                if ((shape.mask >> (dx + 4 * dy)) & 1)
                    owners[(tiling[i].y + dy) * source.width + tiling[i].x + dx] =
                        static_cast<int>(i);
    }
    return owners;
}

class Search {
public:
    Search(const LevelSource& source, int difficulty, int capacity,
           const TraySearch::Options& options, uint64_t seed)
        : m_source(source), m_difficulty(difficulty), m_capacity(capacity), m_options(options),
          m_solver(source.width, source.height, source.cells), m_random(seed)
    {
    }

    // Counts (once per distinct tray) and scores a tiling's tray; false when it does not qualify.
    bool Evaluate(Candidate& candidate)
    {
        candidate.counts = CountsOf(candidate.tiling);
        m_fewestPieces = std::min(m_fewestPieces, static_cast<int>(candidate.tiling.size()));
        if (static_cast<int>(candidate.tiling.size()) > m_capacity)
            return false;
        auto known = m_counted.find(candidate.counts);
        int tilings;
        if (known != m_counted.end()) {
            tilings = known->second;
        } else {
            TilingSolver::Result result = m_solver.Solve(
                candidate.counts, TraySearch::MAX_SOLUTIONS + 1, m_options.countBudget, false);
            tilings = result.complete ? result.count : -1;
            m_nodes += result.nodes;
            m_counted.emplace(candidate.counts, tilings);
        }
        if (tilings < 1 || tilings > TraySearch::MAX_SOLUTIONS)
            return false;
        candidate.tilings = tilings;
        candidate.score = TraySearch::Score(candidate.counts, tilings, m_difficulty);
        return true;
    }

    bool RandomCandidate(double irregularity, Candidate& candidate)
    {
        return m_solver.RandomTiling(m_random, Weights(irregularity, false), 20000,
                                     candidate.tiling) ||
               m_solver.RandomTiling(m_random, Weights(irregularity, true), 20000,
                                     candidate.tiling);
    }

    // Re-tiles the cells of one piece and one or two of its neighbours with other pieces.
    bool Mutate(const Candidate& from, Candidate& to)
    {
        const Tiling& tiling = from.tiling;
        if (tiling.empty())
            return false;
        const std::vector<int> owners = Owners(m_source, tiling);
        const int first = static_cast<int>(m_random.Below(static_cast<uint32_t>(tiling.size())));
        std::vector<int> chosen{first};
        const int extra = 1 + static_cast<int>(m_random.Below(2));
        for (int round = 0; round < extra; ++round) {
            std::vector<int> neighbours;
            for (size_t cell = 0; cell < owners.size(); ++cell) {
                if (std::find(chosen.begin(), chosen.end(), owners[cell]) == chosen.end())
                    continue;
                const int x = static_cast<int>(cell) % m_source.width;
                const int y = static_cast<int>(cell) / m_source.width;
                const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int d = 0; d < 4; ++d) {
                    const int nx = x + dx[d], ny = y + dy[d];
                    if (!m_source.At(nx, ny))
                        continue;
                    const int owner = owners[ny * m_source.width + nx];
                    if (std::find(chosen.begin(), chosen.end(), owner) == chosen.end() &&
                        std::find(neighbours.begin(), neighbours.end(), owner) == neighbours.end())
                        neighbours.push_back(owner);
                }
            }
            if (neighbours.empty())
                break;
            std::sort(neighbours.begin(), neighbours.end());
            chosen.push_back(neighbours[m_random.Below(static_cast<uint32_t>(neighbours.size()))]);
        }
        std::vector<bool> region(m_source.cells.size(), false);
        for (size_t cell = 0; cell < owners.size(); ++cell)
            region[cell] = std::find(chosen.begin(), chosen.end(), owners[cell]) != chosen.end();
        Tiling patch;
        if (!m_solver.RandomTiling(m_random, Weights(m_random.Unit(), false), 2000, region, patch) &&
            !m_solver.RandomTiling(m_random, Weights(m_random.Unit(), true), 2000, region, patch))
            return false;
        to.tiling.clear();
        for (size_t i = 0; i < tiling.size(); ++i)
            if (std::find(chosen.begin(), chosen.end(), static_cast<int>(i)) == chosen.end())
                to.tiling.push_back(tiling[i]);
        to.tiling.insert(to.tiling.end(), patch.begin(), patch.end());
        return true;
    }

    Random& Rng() { return m_random; }
    bool OverBudget() const { return m_nodes > m_options.totalBudget; }
    int FewestPieces() const { return m_fewestPieces; }
    const TilingSolver& Solver() const { return m_solver; }

private:
    const LevelSource& m_source;
    int m_difficulty;
    int m_capacity;
    TraySearch::Options m_options;
    TilingSolver m_solver;
    Random m_random;
    std::map<TypeCounts, int> m_counted; // tray -> tilings, -1 when the count ran out of budget
    int m_fewestPieces = 1 << 30;
    uint64_t m_nodes = 0; // search steps spent counting so far
};

} // namespace

bool TraySearch::Choose(const LevelSource& source, int difficulty, uint64_t seed,
                        const Options& options, TrayChoice& choice, std::string& error)
{
    choice = TrayChoice();
    choice.difficulty = difficulty;
    const LayoutPlanner planner(source);
    const int capacity = planner.Capacity();
    if (capacity == 0) {
        error = "no room for a tray on the screen beside this outline";
        return false;
    }
    Search search(source, difficulty, capacity, options, seed);

    // Broad: random tilings from rigid to irregular. When nothing qualifies, lean on the rigid
    // pieces, which tile in the fewest ways.
    Candidate best;
    bool found = false;
    for (int round = 0; round < 2 && !found; ++round) {
        for (int i = 0; i < options.candidates && !(found && search.OverBudget()); ++i) {
            Candidate candidate;
            // Squared: most big outlines only stay under the limit with mostly rigid pieces; the
            // patches below then bring in the irregular ones where they fit.
            const double draw = search.Rng().Unit();
            const double irregularity = round == 0 ? draw * draw : -1.0;
            if (!search.RandomCandidate(irregularity, candidate) || !search.Evaluate(candidate))
                continue;
            if (!found || candidate.score > best.score) {
                best = candidate;
                found = true;
            }
        }
    }
    if (!found) {
        if (search.FewestPieces() > capacity && search.FewestPieces() != (1 << 30))
            error = "no room for the tray: at least " + std::to_string(search.FewestPieces()) +
                    " blocks, room for " + std::to_string(capacity) +
                    " boxes (make the outline smaller or leave space beside it)";
        else
            error = "no tray with 1 to 63 solutions found (thicken narrow parts or make the "
                    "outline smaller)";
        return false;
    }

    // Narrow: improve the best tray by re-tiling small patches of it.
    for (int i = 0; i < options.mutations && !search.OverBudget(); ++i) {
        Candidate candidate;
        if (!search.Mutate(best, candidate) || !search.Evaluate(candidate))
            continue;
        if (candidate.score > best.score)
            best = candidate;
    }

    TilingSolver::Result all = search.Solver().Solve(best.counts, MAX_SOLUTIONS + 1, 0, true);
    choice.counts = best.counts;
    choice.tilings = std::move(all.tilings);
    choice.pieceCount = static_cast<int>(best.tiling.size());
    choice.candidatesTried = options.candidates + options.mutations;
    if (!planner.Plan(choice.pieceCount, choice.layout)) {
        error = "no room for a tray of " + std::to_string(choice.pieceCount) + " blocks";
        return false;
    }
    return true;
}

} // namespace DataBuild
