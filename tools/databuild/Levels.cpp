// The "levels" command: builds every level file from its source, or checks single files.
#include "BinaryFiles.h"
#include "Command.h"
#include "Files.h"
#include "LevelBuild.h"
#include "LevelSource.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

namespace DataBuild {

namespace {

int RunLevels(const std::vector<std::string>& args);

const CommandRegistration s_levels{{"levels", "levels SRC_DIR OUT_DIR | levels --check FILE...",
                                    "build the 200 level files, or check sources and level files",
                                    &RunLevels}};

const char* const SHAPE_PICTURES[28] = {
    "##/##", "#/#/#/#", "####", "#./#./##", "###/#..", "##/.#/.#", "..#/###", ".#/.#/##",
    "#../###", "##/#./#.", "###/..#", "##./.##", ".#/##/#.", ".##/##.", "#./##/.#", ".#./###",
    "#./##/#.", "###/.#.", ".#/##/.#", "#/#/#", "###", "#./##", "##/#.", "##/.#", ".#/##", "#/#",
    "##", "#",
};

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(),
                                                      tail) == 0;
}

// The level a path names ("<pack>/<stem>.txt" or ".bin" at its end), or -1.
int LevelOfPath(const std::string& path)
{
    BinaryFiles::Init();
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        std::string name = BinaryFiles::files[level];
        std::string stem = name.substr(0, name.size() - 4);
        if (EndsWith(path, "/" + stem + ".txt") || path == stem + ".txt" ||
            EndsWith(path, "/" + stem + ".bin") || path == stem + ".bin")
            return level;
    }
    return -1;
}

std::string SeedName(const std::string& path, int level)
{
    if (level >= 0) {
        const std::string& name = BinaryFiles::files[level];
        return name.substr(0, name.size() - 4);
    }
    return path;
}

// What a person checking an outline wants to see: sizes, the tray, the solutions and the screen.
void PrintLevel(const LevelFile& level)
{
    const LevelSource source = SourceOfLevel(level);
    std::printf("  board %dx%d, %d cells, at column %d, row %d%s\n", level.width, level.height,
                source.CellCount(), level.originX, level.originY,
                source.shift == LevelSource::SHIFT_LEFT    ? ", shifted left"
                : source.shift == LevelSource::SHIFT_RIGHT ? ", shifted right"
                                                           : "");
    std::printf("  tray: %zu blocks:", level.tray.size());
    for (size_t i = 0; i < level.tray.size(); ++i)
        std::printf(" %c=%d(%s)", static_cast<char>('A' + i % 26), level.tray[i].type,
                    SHAPE_PICTURES[level.tray[i].type]);
    std::printf("\n  solutions: %d (hints: %d)\n", level.storedSolutions,
                level.piecesPerSolution / 2);

    std::vector<std::string> screen(PlayArea::ROWS, std::string(PlayArea::COLUMNS, ' '));
    for (int y = PlayArea::TRAY_FIRST_ROW; y <= PlayArea::TRAY_LAST_ROW; ++y)
        for (int x = 0; x < PlayArea::COLUMNS; ++x)
            screen[y][x] = PlayArea::TrayCellAllowed(x, y) ? '.' : ' ';
    const std::vector<bool> holes = EnclosedHoles(source.width, source.height, source.cells);
    for (int y = 0; y < level.height; ++y) {
        for (int x = 0; x < level.width; ++x) {
            int index = y * level.width + x;
            if (source.cells[index] || holes[index])
                screen[level.originY + y][level.originX + x] = source.cells[index] ? '#' : 'o';
        }
    }
    for (size_t i = 0; i < level.tray.size(); ++i)
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                screen[level.tray[i].y + dy][level.tray[i].x + dx] =
                    static_cast<char>('A' + i % 26);
    std::printf("  screen (board cells #, holes o, tray boxes A.., rows 0-15):\n");
    for (const std::string& row : screen)
        std::printf("    |%s|\n", row.c_str());
}

bool CheckSource(const std::string& path)
{
    LevelSource source;
    std::string error;
    if (!LoadLevelSource(path, source, error)) {
        Fail(error);
        return false;
    }
    const int level = LevelOfPath(path);
    const int difficulty = source.difficulty ? source.difficulty : DefaultDifficulty(level);
    std::printf("%s: %dx%d, %d cells, difficulty %d%s\n", path.c_str(), source.width,
                source.height, source.CellCount(), difficulty,
                level < 0 ? " (not one of the game's level names)" : "");
    BuiltLevel built;
    if (!BuildLevel(source, difficulty, SeedFromName(SeedName(path, level)), TraySearch::Options(),
                    built, error)) {
        Fail(path + ": " + error);
        return false;
    }
    LevelFile parsed;
    parsed.Parse(built.bytes.data(), built.bytes.size());
    PrintLevel(parsed);
    return true;
}

bool CheckBinary(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error)) {
        Fail(error);
        return false;
    }
    LevelFile level;
    if (!level.Parse(bytes.data(), bytes.size())) {
        Fail(path + ": refused by the game's level reader");
        return false;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    PrintLevel(level);
    const std::string problem = VerifyLevel(level);
    if (!problem.empty()) {
        Fail(path + ": " + problem);
        return false;
    }
    return true;
}

int CheckFiles(const std::vector<std::string>& paths)
{
    int failures = 0;
    for (const std::string& path : paths) {
        bool ok = EndsWith(path, ".bin") ? CheckBinary(path) : CheckSource(path);
        failures += ok ? 0 : 1;
    }
    return failures ? 1 : 0;
}

struct LevelJob {
    std::string sourcePath;
    std::string outputPath;
    bool ok = false;
    std::string error;
    BuiltLevel built;
};

int BuildAll(const std::string& sourceDir, const std::string& outputDir)
{
    BinaryFiles::Init();
    std::vector<LevelJob> jobs(BinaryFiles::LEVEL_COUNT);
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        const std::string& name = BinaryFiles::files[level];
        jobs[level].sourcePath = sourceDir + "/" + name.substr(0, name.size() - 4) + ".txt";
        jobs[level].outputPath = outputDir + "/levels/android_full/" + name;
    }

    // Each level is built on its own from its own seed, so the thread that takes it does not
    // change the result. The biggest outlines take longest: they go first, so that no thread is
    // left with one at the end.
    std::vector<LevelSource> sources(BinaryFiles::LEVEL_COUNT);
    std::vector<int> order;
    for (int level = 0; level < BinaryFiles::LEVEL_COUNT; ++level) {
        LevelJob& job = jobs[level];
        if (LoadLevelSource(job.sourcePath, sources[level], job.error))
            order.push_back(level);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return sources[a].CellCount() > sources[b].CellCount();
    });
    std::atomic<size_t> next{0};
    auto worker = [&]() {
        for (size_t taken = next++; taken < order.size(); taken = next++) {
            const int level = order[taken];
            LevelJob& job = jobs[level];
            const LevelSource& source = sources[level];
            const int difficulty = source.difficulty ? source.difficulty
                                                     : DefaultDifficulty(level);
            const std::string& name = BinaryFiles::files[level];
            job.ok = BuildLevel(source, difficulty, SeedFromName(name.substr(0, name.size() - 4)),
                                TraySearch::Options(), job.built, job.error);
            if (!job.ok)
                job.error = job.sourcePath + ": " + job.error;
        }
    };
    const unsigned threadCount = std::min(8u, Workers());
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < threadCount; ++i)
        threads.emplace_back(worker);
    for (std::thread& thread : threads)
        thread.join();

    int failures = 0;
    for (LevelJob& job : jobs) {
        if (!job.ok) {
            Fail(job.error);
            ++failures;
            continue;
        }
        std::string error;
        if (!WriteWholeFile(job.outputPath, job.built.bytes, error)) {
            Fail(error);
            ++failures;
        }
    }
    if (failures)
        return Fail(std::to_string(failures) + " of 200 levels failed");
    return 0;
}

int RunLevels(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("levels");
    if (!args.empty() && args[0] == "--check") {
        if (args.size() < 2)
            return UsageError(self);
        return CheckFiles(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (args.size() != 2)
        return UsageError(self);
    return BuildAll(args[0], args[1]);
}

} // namespace

} // namespace DataBuild
