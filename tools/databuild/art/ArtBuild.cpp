#include "art/ArtBuild.h"

#include "Command.h"
#include "art/Drawing.h"
#include "ImageTable.h"
#include "art/Recipes.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace DataBuild {

namespace {

const int MAX_ATLAS_SIZE = 2048;
const int ATLAS_GAP = 2;

std::vector<int> Range(int first, int count)
{
    std::vector<int> ids;
    for (int i = 0; i < count; ++i)
        ids.push_back(first + i);
    return ids;
}

bool IsFontId(int id)
{
    return id >= 46 && id <= 53;
}

bool IsBackground(int id)
{
    return id >= 15 && id <= 28;
}

Canvas DrawById(const ArtSize& size, int id)
{
    using IT = ImageTable;
    if (id == IT::SPLASH_ENGINE || id == IT::SPLASH_GAME)
        return DrawSplash(size, id);
    if (id >= 2 && id <= 14)
        return DrawLogo(size, id);
    if (IsBackground(id))
        return DrawBackground(size, id);
    if (id >= 29 && id <= 34)
        return DrawProgressBar(size, id);
    if (id >= 35 && id <= 37)
        return DrawLineStrip(size, true);
    if (id >= 38 && id <= 40)
        return DrawLineStrip(size, false);
    if (id == IT::GUIDE_VERTICAL || id == IT::GUIDE_HORIZONTAL)
        return DrawGuide(size, id == IT::GUIDE_VERTICAL);
    if (id == IT::GRID)
        return DrawGrid(size);
    if (id >= 54 && id <= 58)
        return DrawIcon(size, id);
    if (id >= 67 && id <= 70)
        return DrawFrameTiles(size, id);
    if (id >= IT::FIRST_BLOCK && id < IT::FIRST_BLOCK + IT::BLOCK_SETS * IT::BLOCK_TYPES) {
        const int offset = id - IT::FIRST_BLOCK;
        return DrawBlock(size, offset / IT::BLOCK_TYPES, offset % IT::BLOCK_TYPES);
    }
    return Canvas();
}

} // namespace

std::vector<AtlasPlan> AtlasPlans(const ArtSize& size)
{
    std::vector<AtlasPlan> plans = {
        // The fonts are also files of their own (beside their glyph tables); here they share a
        // texture with the lines, so a button's frame and caption draw from one texture.
        {"atlas_ui", {29, 30, 34, 35, 38, 41, 42, 43, 46, 47, 52, 53}},
        {"atlas_ui2", {2, 3, 9, 10, 5, 12, 14}},
        {"atlas_ui3", {33, 54, 56, 57, 58, 69, 70}},
        {"atlas_blocks", Range(71, 28)},
        {"atlas_blocksNature", Range(267, 28)},
        {"atlas_blocksSummer", Range(323, 28)},
        {"atlas_blocksWood", Range(239, 28)},
        {"atlas_blocksZombie", Range(379, 28)},
    };
    if (size.width >= 600) {
        // The largest logos split over two atlases, keeping each image small.
        plans[1].ids = {2, 3, 9, 10};
        plans.push_back({"atlas_ui4", {5, 12, 14}});
    }
    return plans;
}

std::string AssetName(int id)
{
    if (id < 0 || id >= ImageTable::COUNT)
        return std::string();
    return "device/" + ImageTable::FileName(id);
}

bool FontRecipeOf(const ArtSize& size, int id, FontRecipe& recipe)
{
    recipe = FontRecipe();
    recipe.fontFile = FontPath("DejaVuSans-Bold.ttf");
    switch (id) {
    case 46: recipe.pixelSize = size.fontMain; break;
    case 47: recipe.pixelSize = size.fontSmall; break;
    // The summer theme's lettering leans forward, as if in a hurry to get to the beach.
    case 52: recipe.pixelSize = size.fontMain; recipe.slant = 0.14; break;
    case 53: recipe.pixelSize = size.fontSmall; recipe.slant = 0.14; break;
    default: return false;
    }
    return true;
}

void RunParallel(size_t count, int threads, const std::function<void(size_t)>& task)
{
    int workers = threads > 0 ? threads : static_cast<int>(Workers());
    workers = std::clamp(workers, 1, 8);
    workers = std::min<int>(workers, static_cast<int>(std::max<size_t>(count, 1)));
    std::atomic<size_t> next(0);
    auto run = [&]() {
        for (size_t i = next++; i < count; i = next++)
            task(i);
    };
    std::vector<std::thread> pool;
    for (int i = 1; i < workers; ++i)
        pool.emplace_back(run);
    run();
    for (std::thread& thread : pool)
        thread.join();
}

bool DrawArtImages(const ArtSize& size, const std::vector<int>& ids,
                   const std::vector<uint32_t>& characters, int threads, ArtImages& out,
                   std::string& error)
{
    out = ArtImages();
    std::vector<Canvas> canvases(ids.size());
    std::vector<FontSheet> sheets(ids.size());
    std::vector<std::string> errors(ids.size());
    // Large pictures first, so that no thread is left with a background at the end.
    std::vector<size_t> order(ids.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return IsBackground(ids[a]) > IsBackground(ids[b]);
    });
    RunParallel(ids.size(), threads, [&](size_t k) {
        const size_t i = order[k];
        const int id = ids[i];
        FontRecipe recipe;
        if (FontRecipeOf(size, id, recipe)) {
            if (!BuildFontSheet(recipe, characters, sheets[i], errors[i]))
                errors[i] = ImageTable::FileName(id) + ": " + errors[i];
            return;
        }
        canvases[i] = DrawById(size, id);
        if (!canvases[i].IsValid())
            errors[i] = "no recipe for image " + std::to_string(id) + " (" +
                        ImageTable::FileName(id) + ")";
    });
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!errors[i].empty()) {
            error = errors[i];
            return false;
        }
        if (IsFontId(ids[i]))
            out.fonts[ids[i]] = std::move(sheets[i]);
        else
            out.images[ids[i]] = std::move(canvases[i]);
    }
    return true;
}

namespace {

// One file, or one atlas (its picture and description), to make from the drawn art.
struct Job {
    std::string name;
    const Canvas* canvas = nullptr;
    std::string text;
    std::vector<AtlasEntry> entries; // an atlas to pack first
    PackedAtlas atlas;
};

// The jobs: every image no atlas holds, every font's picture and description, every atlas.
bool ListJobs(const ArtImages& art, const std::vector<AtlasPlan>& plans, const std::set<int>& atlased,
              std::vector<Job>& jobs, std::string& error)
{
    for (const auto& image : art.images) {
        if (!atlased.count(image.first))
            jobs.push_back({ImageTable::FileName(image.first), &image.second, "", {}, {}});
    }
    for (const auto& font : art.fonts) {
        const std::string& name = ImageTable::FileName(font.first);
        jobs.push_back({name, &font.second.image, "", {}, {}});
        jobs.push_back({name.substr(0, name.find('.')) + ".xml", nullptr, font.second.DescriptionXml(), {}, {}});
    }
    for (const AtlasPlan& plan : plans) {
        Job job;
        job.name = plan.stem;
        for (int id : plan.ids) {
            const auto found = art.images.find(id);
            const auto font = art.fonts.find(id);
            if (found == art.images.end() && font == art.fonts.end()) {
                error = plan.stem + ": image " + std::to_string(id) + " was not drawn";
                return false;
            }
            job.entries.push_back({AssetName(id), found != art.images.end() ? &found->second : &font->second.image});
        }
        jobs.push_back(std::move(job));
    }
    return true;
}

// Makes the job's files; the error names the file.
void RunJob(Job& job, std::vector<ArtFile>& output, std::string& error)
{
    if (!job.entries.empty()) {
        if (!PackAtlas(job.entries, MAX_ATLAS_SIZE, ATLAS_GAP, job.atlas, error)) {
            error = job.name + ": " + error;
            return;
        }
        ArtFile image{job.name + ".png", {}};
        if (!EncodePng(job.atlas.image, image.bytes, error))
            return;
        const std::string xml = job.atlas.DescriptionXml();
        output.push_back(std::move(image));
        output.push_back({job.name + ".xml", std::vector<uint8_t>(xml.begin(), xml.end())});
        return;
    }
    if (job.canvas) {
        ArtFile file{job.name, {}};
        if (!EncodePng(*job.canvas, file.bytes, error))
            error = job.name + ": " + error;
        output.push_back(std::move(file));
        return;
    }
    output.push_back({job.name, std::vector<uint8_t>(job.text.begin(), job.text.end())});
}

} // namespace

bool BuildArtFiles(const ArtSize& size, const std::vector<uint32_t>& characters, int threads,
                   std::vector<ArtFile>& files, std::string& error)
{
    files.clear();
    const std::vector<int> ids = ImageTable::UsedIds();
    ArtImages art;
    if (!DrawArtImages(size, ids, characters, threads, art, error))
        return false;

    // What becomes a file of its own: whatever no atlas holds.
    const std::vector<AtlasPlan> plans = AtlasPlans(size);
    std::set<int> atlased;
    for (const AtlasPlan& plan : plans)
        for (int id : plan.ids)
            if (!atlased.insert(id).second) {
                error = "image " + std::to_string(id) + " is planned for two atlases";
                return false;
            }

    std::vector<Job> jobs;
    if (!ListJobs(art, plans, atlased, jobs, error))
        return false;
    std::vector<std::string> errors(jobs.size());
    std::vector<std::vector<ArtFile>> outputs(jobs.size());
    RunParallel(jobs.size(), threads, [&](size_t i) { RunJob(jobs[i], outputs[i], errors[i]); });
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!errors[i].empty()) {
            error = errors[i];
            return false;
        }
        for (ArtFile& file : outputs[i])
            files.push_back(std::move(file));
    }
    std::sort(files.begin(), files.end(),
              [](const ArtFile& a, const ArtFile& b) { return a.name < b.name; });
    return true;
}

} // namespace DataBuild
