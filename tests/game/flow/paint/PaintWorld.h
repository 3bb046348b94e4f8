// A game set up for painter tests: one base size, fonts whose glyphs can be read back from a
// recording Graphics, a button list in every menu slot, the dialog texts, the help pages and small
// levels; and the reading of drawn texts out of a record.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Game.h"
#include "Graphics.h"
#include "base/SmartPtr.h"
#include "support/BoardWorld.h"

namespace PaintTest {

constexpr int FONT = 46;
constexpr int SMALL_FONT = 47;
// Advance and height of every glyph of both test fonts.
constexpr int GLYPH = 10;

// One text as drawn: consecutive glyphs of one font on one line. x is the left edge, y the line's
// vertical centre, both in pixels.
struct TextRun {
    int font;
    int x;
    int y;
    std::string text;

    int Centre() const { return x + static_cast<int>(text.size()) * GLYPH / 2; }
    int Right() const { return x + static_cast<int>(text.size()) * GLYPH; }
};

std::vector<TextRun> ReadTexts(const std::vector<Graphics::DrawCall>& calls);
// The runs with exactly this text.
std::vector<TextRun> FindTexts(const std::vector<TextRun>& runs, const std::string& text);
bool HasText(const std::vector<Graphics::DrawCall>& calls, const std::string& text);

class PaintWorld {
public:
    // images: every picture of the image table stands in as a cached image without surface, and
    // the game has its two fonts; otherwise nothing is cached and the game has no fonts.
    PaintWorld(int width, int height, bool images = true);
    ~PaintWorld();

    Game& game() { return m_world->game(); }
    VornTest::BoardWorld& world() { return *m_world; }

    // What one painter call drew.
    std::vector<Graphics::DrawCall> Record(
        const std::function<void(const Vorn::SmartPtr<Graphics>&)>& paint);
    std::vector<Graphics::DrawCall> RecordFrame();

    // A small open level (a ring of eight cells) with one stored solution, and its outline.
    void InstallLevel(int level);

    Vorn::SmartPtr<Graphics> graphics;

private:
    std::unique_ptr<VornTest::BoardWorld> m_world;
};

} // namespace PaintTest
