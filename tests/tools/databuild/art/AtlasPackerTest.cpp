#include "art/AtlasPacker.h"
#include "art/Noise.h"

#include <gtest/gtest.h>

#include <memory>

using namespace DataBuild;

namespace {

struct Pictures {
    std::vector<std::unique_ptr<Canvas>> canvases;
    std::vector<AtlasEntry> entries;

    void Add(const std::string& name, int w, int h, uint8_t value)
    {
        canvases.push_back(std::make_unique<Canvas>(w, h, Canvas::MASK));
        Canvas& canvas = *canvases.back();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                canvas.Row(y)[x] = value;
        canvas.MarkDirty();
        entries.push_back({name, canvases.back().get()});
    }
};

bool Overlap(const AtlasFrame& a, const AtlasFrame& b, int gap)
{
    return a.x < b.x + b.width + gap && b.x < a.x + a.width + gap && a.y < b.y + b.height + gap &&
           b.y < a.y + a.height + gap;
}

} // namespace

TEST(ArtAtlas, FramesLieApartInsideTheImageAndKeepTheirPixels)
{
    Pictures pictures;
    Rng rng(3);
    for (int i = 0; i < 40; ++i)
        pictures.Add("device/p" + std::to_string(i) + ".png", 5 + rng.Below(60), 5 + rng.Below(60),
                     static_cast<uint8_t>(1 + i));
    pictures.Add("device/long.png", 300, 9, 200);
    PackedAtlas atlas;
    std::string error;
    ASSERT_TRUE(PackAtlas(pictures.entries, 512, 2, atlas, error)) << error;
    ASSERT_EQ(atlas.frames.size(), pictures.entries.size());
    for (size_t i = 0; i < atlas.frames.size(); ++i) {
        const AtlasFrame& frame = atlas.frames[i];
        EXPECT_GE(frame.x, 2);
        EXPECT_GE(frame.y, 2);
        EXPECT_LE(frame.x + frame.width, atlas.image.Width());
        EXPECT_LE(frame.y + frame.height, atlas.image.Height());
        for (size_t j = i + 1; j < atlas.frames.size(); ++j)
            EXPECT_FALSE(Overlap(frame, atlas.frames[j], 2)) << frame.name << " " << atlas.frames[j].name;
        // Every pixel of the frame is the picture's own.
        const Canvas* source = nullptr;
        for (const AtlasEntry& entry : pictures.entries)
            if (entry.name == frame.name)
                source = entry.image;
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(frame.width, source->Width());
        EXPECT_EQ(frame.height, source->Height());
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                ASSERT_EQ(atlas.image.Get(frame.x + x, frame.y + y).a, source->Get(x, y).a);
    }
    EXPECT_TRUE(std::is_sorted(atlas.frames.begin(), atlas.frames.end(),
                               [](const AtlasFrame& a, const AtlasFrame& b) { return a.name < b.name; }));
}

TEST(ArtAtlas, TheLayoutDependsOnlyOnThePictures)
{
    Pictures pictures;
    for (int i = 0; i < 12; ++i)
        pictures.Add("f" + std::to_string(i), 10 + 7 * i % 23, 12 + 5 * i % 17, 9);
    PackedAtlas first, second;
    std::string error;
    ASSERT_TRUE(PackAtlas(pictures.entries, 256, 1, first, error));
    std::vector<AtlasEntry> reversed(pictures.entries.rbegin(), pictures.entries.rend());
    ASSERT_TRUE(PackAtlas(reversed, 256, 1, second, error));
    ASSERT_EQ(first.frames.size(), second.frames.size());
    for (size_t i = 0; i < first.frames.size(); ++i) {
        EXPECT_EQ(first.frames[i].name, second.frames[i].name);
        EXPECT_EQ(first.frames[i].x, second.frames[i].x);
        EXPECT_EQ(first.frames[i].y, second.frames[i].y);
    }
    EXPECT_EQ(first.DescriptionXml(), second.DescriptionXml());
}

TEST(ArtAtlas, RefusesRepeatsMixedFormatsAndWhatDoesNotFit)
{
    PackedAtlas atlas;
    std::string error;
    Pictures repeated;
    repeated.Add("a", 4, 4, 1);
    repeated.Add("a", 4, 4, 2);
    EXPECT_FALSE(PackAtlas(repeated.entries, 64, 1, atlas, error));
    EXPECT_NE(error.find("twice"), std::string::npos);

    Pictures big;
    big.Add("big", 300, 300, 1);
    EXPECT_FALSE(PackAtlas(big.entries, 256, 1, atlas, error));

    Pictures mixed;
    mixed.Add("mask", 4, 4, 1);
    Canvas colour(4, 4, Canvas::COLOUR);
    mixed.entries.push_back({"colour", &colour});
    EXPECT_FALSE(PackAtlas(mixed.entries, 64, 1, atlas, error));

    EXPECT_FALSE(PackAtlas({}, 64, 1, atlas, error));
}

TEST(ArtAtlas, DescriptionNamesFramesAsTheReaderExpects)
{
    Pictures pictures;
    pictures.Add("device/ui/a&b.png", 3, 4, 1);
    PackedAtlas atlas;
    std::string error;
    ASSERT_TRUE(PackAtlas(pictures.entries, 64, 2, atlas, error));
    const std::string xml = atlas.DescriptionXml();
    EXPECT_NE(xml.find("<rect id=\"device/ui/a&amp;b.png\" x=\"2\" y=\"2\" width=\"3\" height=\"4\"/>"),
              std::string::npos)
        << xml;
}
