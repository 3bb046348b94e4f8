#include "LevelSource.h"

#include "Files.h"

#include <cctype>
#include <sstream>

namespace DataBuild {

namespace {

std::string Trim(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

std::string AtLine(int line, const std::string& message)
{
    return "line " + std::to_string(line) + ": " + message;
}

// Parses "; key: value" into key and value when the text after ';' is a single lower-case word
// followed by a colon; anything else is a comment.
bool SplitOption(const std::string& line, std::string& key, std::string& value)
{
    std::string body = Trim(line.substr(1));
    size_t colon = body.find(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    for (size_t i = 0; i < colon; ++i)
        if (!std::islower(static_cast<unsigned char>(body[i])))
            return false;
    key = body.substr(0, colon);
    value = Trim(body.substr(colon + 1));
    return true;
}

bool ParseOption(const std::string& key, const std::string& value, LevelSource& source,
                 std::string& error)
{
    if (key == "shift") {
        if (value == "left")
            source.shift = LevelSource::SHIFT_LEFT;
        else if (value == "right")
            source.shift = LevelSource::SHIFT_RIGHT;
        else if (value == "none")
            source.shift = LevelSource::SHIFT_NONE;
        else {
            error = "shift must be left, right or none, not '" + value + "'";
            return false;
        }
        return true;
    }
    if (key == "difficulty") {
        int level = 0;
        bool digits = !value.empty() && value.size() <= 2;
        for (char c : value)
            digits = digits && std::isdigit(static_cast<unsigned char>(c));
        if (digits)
            level = std::stoi(value);
        if (!digits || level < LevelSource::MIN_DIFFICULTY || level > LevelSource::MAX_DIFFICULTY) {
            error = "difficulty must be a number from 1 to 10, not '" + value + "'";
            return false;
        }
        source.difficulty = level;
        return true;
    }
    error = "unknown option '" + key + "' (known: shift, difficulty)";
    return false;
}

bool IsConnected(const LevelSource& source)
{
    int total = source.CellCount();
    if (total == 0)
        return false;
    std::vector<bool> seen(source.cells.size(), false);
    std::vector<int> stack;
    for (size_t i = 0; i < source.cells.size(); ++i) {
        if (source.cells[i]) {
            stack.push_back(static_cast<int>(i));
            seen[i] = true;
            break;
        }
    }
    int reached = 0;
    while (!stack.empty()) {
        int index = stack.back();
        stack.pop_back();
        ++reached;
        int x = index % source.width, y = index / source.width;
        const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int d = 0; d < 4; ++d) {
            int nx = x + dx[d], ny = y + dy[d];
            if (!source.At(nx, ny))
                continue;
            int next = ny * source.width + nx;
            if (!seen[next]) {
                seen[next] = true;
                stack.push_back(next);
            }
        }
    }
    return reached == total;
}

// Reads the header options into source and the drawing's rows into rows, as they stand.
bool ReadLines(const std::string& text, LevelSource& source, std::vector<std::string>& rows,
               std::string& error)
{
    std::istringstream stream(text);
    std::string line;
    int lineNumber = 0;
    bool inDrawing = false, drawingEnded = false;
    while (std::getline(stream, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (!line.empty() && line[0] == ';') {
            if (inDrawing) {
                error = AtLine(lineNumber, "header lines must come before the drawing");
                return false;
            }
            std::string key, value;
            if (SplitOption(line, key, value) && !ParseOption(key, value, source, error)) {
                error = AtLine(lineNumber, error);
                return false;
            }
            continue;
        }
        if (line.empty()) {
            if (inDrawing)
                drawingEnded = true;
            continue;
        }
        if (drawingEnded) {
            error = AtLine(lineNumber, "empty line inside the drawing");
            return false;
        }
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] != '#' && line[i] != '.') {
                error = AtLine(lineNumber, std::string("unexpected character '") + line[i] +
                                               "' (only '#' and '.' draw the outline)");
                return false;
            }
        }
        inDrawing = true;
        rows.push_back(line);
    }
    return true;
}

// The cells of the drawing, trimmed to the bounding box of its '#' cells.
bool TrimToOutline(const std::vector<std::string>& rows, LevelSource& source, std::string& error)
{
    int top = -1, bottom = -1, left = -1, right = -1;
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        for (int x = 0; x < static_cast<int>(rows[y].size()); ++x) {
            if (rows[y][x] != '#')
                continue;
            if (top < 0)
                top = y;
            bottom = y;
            if (left < 0 || x < left)
                left = x;
            if (x > right)
                right = x;
        }
    }
    if (top < 0) {
        error = "the outline has no cell ('#')";
        return false;
    }
    source.width = right - left + 1;
    source.height = bottom - top + 1;
    source.cells.assign(static_cast<size_t>(source.width) * source.height, false);
    for (int y = 0; y < source.height; ++y) {
        const std::string& row = rows[top + y];
        for (int x = 0; x < source.width; ++x) {
            size_t column = static_cast<size_t>(left + x);
            source.cells[y * source.width + x] = column < row.size() && row[column] == '#';
        }
    }
    return true;
}

// The published limits, and that the outline is one piece.
bool CheckLimits(const LevelSource& source, std::string& error)
{
    const int maxWidth = source.shift == LevelSource::SHIFT_NONE ? LevelSource::MAX_WIDTH
                                                                 : LevelSource::MAX_SHIFTED_WIDTH;
    if (source.width > maxWidth) {
        error = "the outline is " + std::to_string(source.width) + " cells wide; at most " +
                std::to_string(maxWidth) +
                (source.shift == LevelSource::SHIFT_NONE ? "" : " with a half-cell shift");
        return false;
    }
    if (source.height > LevelSource::MAX_HEIGHT) {
        error = "the outline is " + std::to_string(source.height) + " rows high; at most " +
                std::to_string(LevelSource::MAX_HEIGHT);
        return false;
    }
    if (source.CellCount() > LevelSource::MAX_CELLS) {
        error = "the outline has " + std::to_string(source.CellCount()) + " cells; at most " +
                std::to_string(LevelSource::MAX_CELLS);
        return false;
    }
    if (!IsConnected(source)) {
        error = "the outline is not one piece (every cell must join the others edge to edge)";
        return false;
    }
    return true;
}

} // namespace


int LevelSource::CellCount() const
{
    int count = 0;
    for (bool cell : cells)
        count += cell ? 1 : 0;
    return count;
}

bool ParseLevelSource(const std::string& text, LevelSource& source, std::string& error)
{
    source = LevelSource();
    std::vector<std::string> rows;
    return ReadLines(text, source, rows, error) && TrimToOutline(rows, source, error) &&
           CheckLimits(source, error);
}

bool LoadLevelSource(const std::string& path, LevelSource& source, std::string& error)
{
    std::string text;
    if (!ReadWholeFile(path, text, error))
        return false;
    if (!ParseLevelSource(text, source, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace DataBuild
