// The "preview" command: a contact sheet of level outlines, so that a person can see at a glance
// that every level looks like its name.
#include "BinaryFiles.h"
#include "Command.h"
#include "Files.h"
#include "LevelBuild.h"
#include "LevelSource.h"
#include "Tiling.h"
#include "TrayLayout.h"
#include "art/ArtPreview.h"

#include <cairo.h>

#include <cmath>
#include <filesystem>

namespace DataBuild {

namespace {

int RunPreview(const std::vector<std::string>& args);

const CommandRegistration s_preview{
    {"preview", "preview levels SRC_DIR OUT.png [--pack NAME] [--built DIR] | preview art TEXTS_DIR OUT_DIR "
     "[--size W] [--theme T] [--language L] [--screens]",
     "render the level outlines of a pack (or all) as one PNG; with --built, the built boards and "
     "trays from DIR; or contact sheets of the art per theme and size",
     &RunPreview}};

const double CELL = 12.0;                    // pixels per cell on the sheet
const double TILE_WIDTH = CELL * PlayArea::COLUMNS;
const double TILE_HEIGHT = CELL * PlayArea::ROWS;
const double LABEL_HEIGHT = 30.0;
const double GAP = 10.0;
const int COLUMNS = 6;

struct Tile {
    std::string name;
    std::string note;
    LevelSource outline;
    bool built = false;
    LevelFile level;
    std::string error;
};

void DrawCells(cairo_t* cr, const LevelSource& outline, double x0, double y0, double shift)
{
    const std::vector<bool> holes = EnclosedHoles(outline.width, outline.height, outline.cells);
    for (int y = 0; y < outline.height; ++y) {
        for (int x = 0; x < outline.width; ++x) {
            const double px = x0 + (x + shift) * CELL, py = y0 + y * CELL;
            if (outline.At(x, y)) {
                cairo_set_source_rgb(cr, 0.80, 0.86, 0.95);
                cairo_rectangle(cr, px, py, CELL, CELL);
                cairo_fill(cr);
            } else if (holes[y * outline.width + x]) {
                cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
                cairo_set_line_width(cr, 1.0);
                for (int k = 1; k < 3; ++k) {
                    cairo_move_to(cr, px + k * CELL / 3, py);
                    cairo_line_to(cr, px + k * CELL / 3, py + CELL);
                    cairo_move_to(cr, px, py + k * CELL / 3);
                    cairo_line_to(cr, px + CELL, py + k * CELL / 3);
                }
                cairo_stroke(cr);
            }
        }
    }
    // The outline: every edge between a cell to cover and anything else.
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.2);
    cairo_set_line_width(cr, 2.0);
    for (int y = 0; y <= outline.height; ++y) {
        for (int x = 0; x <= outline.width; ++x) {
            const double px = x0 + (x + shift) * CELL, py = y0 + y * CELL;
            if (outline.At(x, y) != outline.At(x - 1, y) && y < outline.height) {
                cairo_move_to(cr, px, py);
                cairo_line_to(cr, px, py + CELL);
            }
            if (outline.At(x, y) != outline.At(x, y - 1) && x < outline.width) {
                cairo_move_to(cr, px, py);
                cairo_line_to(cr, px + CELL, py);
            }
        }
    }
    cairo_stroke(cr);
}

void DrawPiece(cairo_t* cr, int type, double x, double y, double cell)
{
    const ShapeInfo& shape = Shape(type);
    cairo_set_source_rgb(cr, 0.85, 0.45, 0.2);
    for (int dy = 0; dy < shape.height; ++dy)
        for (int dx = 0; dx < shape.width; ++dx)
            if ((shape.mask >> (dx + 4 * dy)) & 1)
                cairo_rectangle(cr, x + dx * cell + 0.5, y + dy * cell + 0.5, cell - 1, cell - 1);
    cairo_fill(cr);
}

void DrawTile(cairo_t* cr, const Tile& tile, double left, double top)
{
    // The screen: rows 0..15 of the play area; the unusable rows are shaded.
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, left, top, TILE_WIDTH, TILE_HEIGHT);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.93, 0.93, 0.93);
    for (int y = 0; y < PlayArea::ROWS; ++y)
        for (int x = 0; x < PlayArea::COLUMNS; ++x)
            if (!PlayArea::TrayCellAllowed(x, y))
                cairo_rectangle(cr, left + x * CELL, top + y * CELL, CELL, CELL);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, left + 0.5, top + 0.5, TILE_WIDTH - 1, TILE_HEIGHT - 1);
    cairo_stroke(cr);

    if (tile.built) {
        const LevelFile& level = tile.level;
        const int shiftBits = level.flags & 3;
        const double shift = shiftBits == 1 ? -0.5 : shiftBits == 2 ? 0.5 : 0.0;
        DrawCells(cr, tile.outline, left + level.originX * CELL, top + level.originY * CELL, shift);
        for (const LevelTrayEntry& entry : level.tray) {
            const ShapeInfo& shape = Shape(entry.type);
            const double small = CELL * 0.45;
            const double cx = left + (entry.x + 1) * CELL, cy = top + (entry.y + 1) * CELL;
            DrawPiece(cr, entry.type, cx - shape.width * small / 2, cy - shape.height * small / 2,
                      small);
            cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
            cairo_rectangle(cr, left + entry.x * CELL + 0.5, top + entry.y * CELL + 0.5,
                            2 * CELL - 1, 2 * CELL - 1);
            cairo_stroke(cr);
        }
    } else if (!tile.outline.cells.empty()) {
        const LevelSource& outline = tile.outline;
        const double shift = outline.shift == LevelSource::SHIFT_LEFT    ? -0.5
                             : outline.shift == LevelSource::SHIFT_RIGHT ? 0.5
                                                                         : 0.0;
        const double x0 = left + (TILE_WIDTH - outline.width * CELL) / 2;
        const double y0 = top + CELL;
        DrawCells(cr, outline, x0, y0, shift);
    }

    cairo_save(cr);
    cairo_rectangle(cr, left, top + TILE_HEIGHT, TILE_WIDTH + GAP / 2, LABEL_HEIGHT);
    cairo_clip(cr);
    cairo_set_source_rgb(cr, tile.error.empty() ? 0.0 : 0.8, 0.0, 0.0);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 10.0);
    cairo_move_to(cr, left, top + TILE_HEIGHT + 12);
    cairo_show_text(cr, tile.name.c_str());
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 9.0);
    cairo_move_to(cr, left, top + TILE_HEIGHT + 24);
    cairo_show_text(cr, (tile.error.empty() ? tile.note : tile.error).c_str());
    cairo_restore(cr);
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    auto* bytes = static_cast<std::vector<uint8_t>*>(closure);
    bytes->insert(bytes->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// The tiles in rows of COLUMNS, written to outputPath as a PNG.
bool DrawSheet(const std::vector<Tile>& tiles, const std::string& outputPath, std::string& error)
{
    const int rows = (static_cast<int>(tiles.size()) + COLUMNS - 1) / COLUMNS;
    const int width = static_cast<int>(GAP + COLUMNS * (TILE_WIDTH + GAP));
    const int height = static_cast<int>(GAP + rows * (TILE_HEIGHT + LABEL_HEIGHT + GAP));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0.97, 0.96, 0.92);
    cairo_paint(cr);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const double left = GAP + (i % COLUMNS) * (TILE_WIDTH + GAP);
        const double top = GAP + (i / COLUMNS) * (TILE_HEIGHT + LABEL_HEIGHT + GAP);
        DrawTile(cr, tiles[i], left, top);
    }
    cairo_destroy(cr);
    std::vector<uint8_t> png;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, AppendBytes, &png);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = outputPath + ": " + cairo_status_to_string(status);
        return false;
    }
    return WriteWholeFile(outputPath, png, error);
}

int RunPreview(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("preview");
    if (!args.empty() && args[0] == "art")
        return RunArtPreview(args);
    if (args.size() < 3 || args[0] != "levels")
        return UsageError(self);
    const std::string sourceDir = args[1], outputPath = args[2];
    std::string pack, builtDir;
    for (size_t i = 3; i < args.size(); ++i) {
        if (args[i] == "--pack" && i + 1 < args.size())
            pack = args[++i];
        else if (args[i] == "--built" && i + 1 < args.size())
            builtDir = args[++i];
        else
            return UsageError(self);
    }

    std::error_code ec;
    if (!std::filesystem::is_directory(sourceDir, ec))
        return Fail("preview: " + sourceDir + ": " +
                    (ec ? ec.message() : std::string("not a folder")));

    BinaryFiles::Init();
    std::vector<Tile> tiles;
    bool packFound = pack.empty();
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        const std::string& file = BinaryFiles::files[level];
        const std::string folder = file.substr(0, file.find('/'));
        if (!pack.empty() && folder != pack)
            continue;
        packFound = true;
        Tile tile;
        const std::string name = file.substr(0, file.size() - 4);
        tile.name = std::to_string(level) + " " + name.substr(name.find('/') + 1);
        std::string error;
        if (!LoadLevelSource(sourceDir + "/" + name + ".txt", tile.outline, error)) {
            tile.error = error.substr(error.rfind(": ") + 2);
            tile.outline = LevelSource();
        } else {
            tile.note = std::to_string(tile.outline.width) + "x" +
                        std::to_string(tile.outline.height) + ", " +
                        std::to_string(tile.outline.CellCount()) + " cells";
        }
        if (!builtDir.empty()) {
            std::vector<uint8_t> bytes;
            std::string unread;
            if (ReadWholeFile(builtDir + "/levels/android_full/" + file, bytes, unread) &&
                tile.level.Parse(bytes.data(), bytes.size())) {
                tile.built = true;
                tile.outline = SourceOfLevel(tile.level);
                tile.note += ", " + std::to_string(tile.level.tray.size()) + " blocks, " +
                             std::to_string(tile.level.storedSolutions) + " sol.";
            } else if (tile.error.empty()) {
                tile.error = "no built level file";
            }
        }
        tiles.push_back(tile);
    }
    if (!packFound)
        return Fail("preview: no pack named '" + pack + "'");

    std::string error;
    if (!DrawSheet(tiles, outputPath, error))
        return Fail(error);
    std::printf("%s: %zu levels\n", outputPath.c_str(), tiles.size());
    return 0;
}

} // namespace

} // namespace DataBuild
