// The encoded sounds, made by the databuild executable and read back with the decoder the game
// uses.
#include "SoundRecipes.h"

#include <gtest/gtest.h>

#include <tremor/ivorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace DataBuild;

namespace {

struct DecodedFile {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved
    size_t Frames() const { return channels ? samples.size() / channels : 0; }
};

bool DecodeWithTremor(const std::filesystem::path& path, DecodedFile& out)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    OggVorbis_File vorbis;
    if (ov_open(file, &vorbis, nullptr, 0) != 0) {
        std::fclose(file);
        return false;
    }
    vorbis_info* info = ov_info(&vorbis, -1);
    out.rate = static_cast<int>(info->rate);
    out.channels = info->channels;
    out.samples.clear();
    char buffer[8192];
    bool ok = true;
    for (;;) {
        int section = 0;
        long bytes = ov_read(&vorbis, buffer, sizeof buffer, &section);
        if (bytes == 0)
            break;
        if (bytes < 0) {
            ok = false;
            break;
        }
        for (long i = 0; i + 1 < bytes; i += 2)
            out.samples.push_back(static_cast<int16_t>(static_cast<uint8_t>(buffer[i]) |
                                                       (static_cast<uint8_t>(buffer[i + 1]) << 8)));
    }
    ov_clear(&vorbis); // closes the file
    return ok;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int RunDatabuild(const std::string& arguments)
{
    const std::string command = std::string("'") + DATABUILD_EXECUTABLE + "' " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class SoundFiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessela-sounds-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        s_dir = pattern;
        // Two runs side by side, each leaving its exit status in a file.
        std::string both;
        for (const char* run : {"first", "second"})
            both += "('" + std::string(DATABUILD_EXECUTABLE) + "' sounds '" + (s_dir / run).string() +
                    "'; echo $? > '" + (s_dir / run).string() + ".status') & ";
        std::system((both + "wait").c_str());
        s_firstRun = ReadStatus(s_dir / "first.status");
        s_secondRun = ReadStatus(s_dir / "second.status");
    }

    static int ReadStatus(const std::filesystem::path& path)
    {
        std::ifstream in(path);
        int status = -1;
        return in >> status ? status : -1;
    }

    static void TearDownTestSuite()
    {
        std::error_code ec;
        if (!s_dir.empty())
            std::filesystem::remove_all(s_dir, ec);
    }

    static std::filesystem::path File(const char* run, const std::string& name)
    {
        return s_dir / run / "sounds" / (name + ".ogg");
    }

    // The checks of the built files; one test runs them all, so the files are built once.
    void BuildWritesExactlyTheSixSounds();
    void SameBytesOnEveryRun();
    void DecodeAsStereo44100WithinThePeakLimit();
    void MusicLoopsWithoutASeamAfterDecoding();
    void CommandLine();

    static std::filesystem::path s_dir;
    static int s_firstRun, s_secondRun;
};

std::filesystem::path SoundFiles::s_dir;
int SoundFiles::s_firstRun = -1;
int SoundFiles::s_secondRun = -1;

int16_t Channel(const DecodedFile& file, size_t frame, int channel)
{
    return file.samples[frame * file.channels + channel];
}

} // namespace

void SoundFiles::BuildWritesExactlyTheSixSounds()
{
    ASSERT_FALSE(s_dir.empty());
    ASSERT_EQ(s_firstRun, 0);
    std::vector<std::string> entries;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(s_dir / "first"))
        entries.push_back(std::filesystem::relative(entry.path(), s_dir / "first").string());
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"sounds", "sounds/drop.ogg", "sounds/eraser.ogg",
                                                 "sounds/music.ogg", "sounds/musichelloween.ogg",
                                                 "sounds/single.ogg", "sounds/whole.ogg"}));
}

void SoundFiles::SameBytesOnEveryRun()
{
    ASSERT_EQ(s_firstRun, 0);
    ASSERT_EQ(s_secondRun, 0);
    for (const GameSound& sound : GameSounds()) {
        const std::string first = ReadAll(File("first", sound.name));
        EXPECT_FALSE(first.empty()) << sound.name;
        EXPECT_TRUE(first == ReadAll(File("second", sound.name))) << sound.name;
    }
}

void SoundFiles::DecodeAsStereo44100WithinThePeakLimit()
{
    ASSERT_EQ(s_firstRun, 0);
    const double limit = 32768.0 * std::pow(10.0, SOUND_PEAK_LIMIT_DB / 20.0);
    for (const GameSound& sound : GameSounds()) {
        SCOPED_TRACE(sound.name);
        DecodedFile file;
        ASSERT_TRUE(DecodeWithTremor(File("first", sound.name), file));
        EXPECT_EQ(file.rate, 44100);
        EXPECT_EQ(file.channels, 2);
        ASSERT_GT(file.Frames(), 1000u);
        int peak = 0;
        for (int16_t s : file.samples)
            peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_LE(peak, limit);
        EXPECT_GT(peak, limit / 4) << "hardly audible";

        if (!sound.loops) {
            // The decoder gives back exactly the frames that were rendered (the builder checks
            // this for the music itself, with the reference decoder).
            EXPECT_EQ(file.Frames(), RenderGameSound(sound).Frames());
            EXPECT_LT(file.Frames(), 4u * 44100u);
            int end = 0;
            for (size_t i = file.Frames() - 44; i < file.Frames(); ++i)
                end = std::max({end, std::abs(Channel(file, i, 0)), std::abs(Channel(file, i, 1))});
            EXPECT_LT(end, 100) << "an effect fades out to silence";
        }
    }
}

void SoundFiles::MusicLoopsWithoutASeamAfterDecoding()
{
    ASSERT_EQ(s_firstRun, 0);
    for (const GameSound& sound : GameSounds()) {
        if (!sound.loops)
            continue;
        SCOPED_TRACE(sound.name);
        DecodedFile file;
        ASSERT_TRUE(DecodeWithTremor(File("first", sound.name), file));
        const size_t n = file.Frames();
        EXPECT_GT(n, 60u * 44100u);
        // Played in a loop, the last few milliseconds run into the first: the step across the
        // seam must look like the steps on either side of it.
        const size_t near = 441;
        for (int c = 0; c < 2; ++c) {
            int around = 0;
            for (size_t i = n - near; i < n; ++i)
                around = std::max(around, std::abs(Channel(file, i, c) - Channel(file, i - 1, c)));
            for (size_t i = 1; i < near; ++i)
                around = std::max(around, std::abs(Channel(file, i, c) - Channel(file, i - 1, c)));
            const int seam = std::abs(Channel(file, 0, c) - Channel(file, n - 1, c));
            EXPECT_LE(seam, around + 64) << "channel " << c;
            EXPECT_GT(std::abs(Channel(file, n - 1, c)) + std::abs(Channel(file, n - 2, c)), 0)
                << "the music still sounds at the loop point";
        }
    }
}

void SoundFiles::CommandLine()
{
    EXPECT_EQ(RunDatabuild("sounds 2>/dev/null"), 2);
    const std::filesystem::path junk = s_dir / "junk.ogg";
    std::ofstream(junk) << "not a sound";
    EXPECT_EQ(RunDatabuild("sounds --check '" + junk.string() + "' 2>/dev/null"), 1);
    ASSERT_EQ(s_firstRun, 0);
    EXPECT_EQ(RunDatabuild("sounds --check '" + File("first", "drop").string() + "' >/dev/null"), 0);
}

TEST_F(SoundFiles, BuiltFilesAreCompleteDeterministicAndClean)
{
    {
        SCOPED_TRACE("BuildWritesExactlyTheSixSounds");
        BuildWritesExactlyTheSixSounds();
    }
    {
        SCOPED_TRACE("SameBytesOnEveryRun");
        SameBytesOnEveryRun();
    }
    {
        SCOPED_TRACE("DecodeAsStereo44100WithinThePeakLimit");
        DecodeAsStereo44100WithinThePeakLimit();
    }
    {
        SCOPED_TRACE("MusicLoopsWithoutASeamAfterDecoding");
        MusicLoopsWithoutASeamAfterDecoding();
    }
    {
        SCOPED_TRACE("CommandLine");
        CommandLine();
    }
}
