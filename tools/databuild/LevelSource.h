// A level's source: its outline drawn as text (format in data/levels/README.md).
#pragma once

#include <string>
#include <vector>

namespace DataBuild {

struct LevelSource {
    enum Shift { SHIFT_NONE = 0, SHIFT_LEFT = 1, SHIFT_RIGHT = 2 };

    // The published limits of an outline (data/levels/README.md derives them from the screen):
    // the outline keeps half a cell clear of both screen edges, where its lines would be cut.
    static constexpr int MAX_WIDTH = 10;
    static constexpr int MAX_SHIFTED_WIDTH = 11;
    static constexpr int MAX_HEIGHT = 11;
    static constexpr int MAX_CELLS = 72;
    static constexpr int MIN_DIFFICULTY = 1;
    static constexpr int MAX_DIFFICULTY = 10;

    int width = 0;
    int height = 0;
    std::vector<bool> cells; // width * height, row by row, true = a cell to cover
    Shift shift = SHIFT_NONE;
    int difficulty = 0; // 0 = not given

    bool At(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < width && y < height && cells[y * width + x];
    }
    int CellCount() const;
};

// Parses source text. On failure returns false and sets error to a one-line reason (with the line
// number where one applies). Checks the format and the limits above, and that the outline is one
// piece.
bool ParseLevelSource(const std::string& text, LevelSource& source, std::string& error);

// Reads and parses a file; the error names the file.
bool LoadLevelSource(const std::string& path, LevelSource& source, std::string& error);

} // namespace DataBuild
