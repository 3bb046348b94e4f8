// Ogg Vorbis channels streaming from a pak archive through the mixer, pulled block by block on
// one thread as the playback thread pulls them, against the integer decoder alone decoding the
// same files one after another from memory with a plain ov_read loop. Mixing N streams can at best
// run at 1/N of the plain decoder's multiple of real time; the benchmark reports the mix's multiple
// as a ratio of that limit for 4 and 32 channels (goal: at least 0.9), measured side by side in
// alternating rounds on one thread (the mixer's output device is shut, so no playback thread pulls
// beside it), with the spread over the rounds.
//
// The archives: the game's own two pieces of music (made by the data builder, when the build has
// it), stored as the data builder stores its Ogg files (raw blocks of their own) and again with
// every block raw, directory included; music-like files (a tone over noise), whose Ogg data hardly
// compresses, so most blocks are stored raw or barely coded; and pure tones, whose Ogg packets
// repeat enough for the archive to LZMA-code them, so that streams reading in turn make the
// archive decode its blocks again and again unless each stream reads whole blocks ahead. With more
// channels than files, each file plays on several channels, each with a decoder of its own.
#include <benchmark/benchmark.h>
#include <tremor/ivorbisfile.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "OggMemory.h"
#include "SideBySide.h"
#include "pakwriter/PakWriter.h"
#include "sound/AudioSource.h"
#include "sound/mixer/EffectVolume.h"
#include "sound/mixer/Mixer.h"
#include "vfs/Vfs.h"

namespace {

const Vorn::AudioFormat FORMAT(2, 44100);
const Vorn::AudioBufferSpec SPEC(4096, 4);
const char* const NAMES[] = {"a.ogg", "b.ogg", "c.ogg", "d.ogg"};
std::string g_dir;
// The four files of each archive, by mount point, as the plain decoder reads them.
std::map<std::string, std::vector<std::vector<unsigned char> > > g_files;

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A sandbox directory with the pak in its install area, the process's working directory while the
// benchmark runs.
bool WritePak(const std::string& pak, const std::string& mount, const std::string& toneOptions)
{
    VornTools::PakWriter writer;
    for (int i = 0; i < 4; ++i) {
        const std::string path = g_dir + "/" + pak + "-" + NAMES[i];
        const std::string command = std::string("'") + VORN_OGGTONE + "' '" + path + "' --seconds 20 --quality 0.5 --freq " +
                                    std::to_string(220 + 110 * i) + " " + toneOptions;
        if (std::system(command.c_str()) != 0 || !writer.AddFileFromDisk(std::string("music/") + NAMES[i], path))
            return false;
        g_files[mount].push_back(ReadFile(path));
    }
    return writer.Write(g_dir + "/app/native/" + pak);
}

// The game's own music, synthesised by the data builder, when the build has it: once as the data
// builder stores Ogg files in data_common.pak (each in raw blocks of its own, the directory coded
// where that saves a thirty-second), once with every block raw, which leaves the mixer nothing to
// decode but the Vorbis data.
bool WriteGamePaks()
{
#ifdef VORN_DATABUILD
    const std::string out = g_dir + "/game";
    const std::string command = std::string("'") + VORN_DATABUILD + "' sounds '" + out + "' > /dev/null";
    if (std::system(command.c_str()) != 0)
        return false;
    VornTools::PakWriter::Options rawBlocks;
    rawBlocks.blocks = VornTools::BlockFileWriter::STORE_RAW;
    VornTools::PakWriter::Options asBuilt;
    asBuilt.rawEndings = {".ogg"};
    VornTools::PakWriter writer(asBuilt);
    VornTools::PakWriter raw(rawBlocks);
    const char* const music[] = {"music.ogg", "musichelloween.ogg"};
    for (int i = 0; i < 4; ++i) {
        const std::string path = out + "/sounds/" + music[i % 2];
        const std::string name = std::string("music/") + NAMES[i];
        if (!writer.AddFileFromDisk(name, path) || !raw.AddFileFromDisk(name, path))
            return false;
        g_files["game/"].push_back(ReadFile(path));
        g_files["gameraw/"].push_back(ReadFile(path));
    }
    return writer.Write(g_dir + "/app/native/game.pak") && raw.Write(g_dir + "/app/native/gameraw.pak");
#else
    return false;
#endif
}

bool MakePaks()
{
    char dir[] = "/tmp/vorn-bench-XXXXXX";
    if (!mkdtemp(dir))
        return false;
    g_dir = dir;
    std::filesystem::create_directories(g_dir + "/app/native");
    if (!WritePak("music.pak", "music/", "--noise 0.1") || !WritePak("tones.pak", "tones/", "") || chdir(g_dir.c_str()) != 0)
        return false;
    Vorn::Vfs::Init();
    if (!WriteGamePaks() || !Vorn::Vfs::MountPak("game.pak", "game/", 0) || !Vorn::Vfs::MountPak("gameraw.pak", "gameraw/", 0))
        g_files.erase("game/"), g_files.erase("gameraw/");
    return Vorn::Vfs::MountPak("music.pak", "music/", 0) && Vorn::Vfs::MountPak("tones.pak", "tones/", 0);
}

// The mixer playing channels streams, looping, each under its own volume and a master volume.
class Mixing {
public:
    Mixing(const char* mount, int channels) : m_mixer(new Vorn::Mixer(FORMAT, SPEC)), m_block(SPEC.blockBytes)
    {
        m_mixer->Shutdown();
        Vorn::SmartPtr<Vorn::EffectVolume> master(new Vorn::EffectVolume(FORMAT, 0.6f));
        for (int i = 0; i < channels; ++i) {
            Vorn::SmartPtr<Vorn::AudioSource> source(
                Vorn::AudioSource::Create(std::string(mount) + "music/" + NAMES[i % 4], false));
            Vorn::SmartPtr<Vorn::AudioChannel> channel = m_mixer->Play(source, true).Lock();
            if (!channel)
                return;
            channel->AddEffect(Vorn::SmartPtr<Vorn::AudioEffect>(new Vorn::EffectVolume(FORMAT, 0.5f, master)));
            channel->SetLoop(true);
            channel->SetPaused(false);
            ++m_playing;
        }
    }
    bool Ready(int channels) const { return m_playing == channels; }
    double Mix()
    {
        m_mixer->Read(m_block.data(), SPEC.blockBytes);
        benchmark::DoNotOptimize(m_block.data());
        return static_cast<double>(SPEC.blockBytes) / (FORMAT.sampleRate * FORMAT.FrameBytes());
    }

private:
    Vorn::SmartPtr<Vorn::Mixer> m_mixer;
    std::vector<unsigned char> m_block;
    int m_playing = 0;
};

// One stream at a time, each of the four files in turn, in the mixer's block size.
class Plain {
public:
    explicit Plain(const std::vector<std::vector<unsigned char> >& files) : m_files(files), m_buffer(SPEC.blockBytes) {}
    ~Plain()
    {
        if (m_open)
            ov_clear(&m_vf);
    }
    bool Ready() { return Open(); }
    double Decode()
    {
        if (!m_open && !Open())
            return 0;
        int link;
        const long n = ov_read(&m_vf, m_buffer.data(), static_cast<int>(m_buffer.size()), &link);
        if (n <= 0) {
            ov_clear(&m_vf);
            m_open = false;
            m_next = (m_next + 1) % m_files.size();
            return 0;
        }
        return static_cast<double>(n) / m_frameBytes / m_rate;
    }

private:
    bool Open()
    {
        m_memory = {m_files[m_next].data(), m_files[m_next].size(), 0};
        if (OggMemoryOpen(&m_memory, &m_vf) != 0)
            return false;
        const vorbis_info* info = ov_info(&m_vf, -1);
        m_frameBytes = 2.0 * info->channels;
        m_rate = static_cast<double>(info->rate);
        m_open = true;
        return true;
    }

    const std::vector<std::vector<unsigned char> >& m_files;
    std::vector<char> m_buffer;
    OggMemory m_memory = {nullptr, 0, 0};
    OggVorbis_File m_vf;
    bool m_open = false;
    size_t m_next = 0;
    double m_frameBytes = 4;
    double m_rate = 44100;
};

} // namespace

int main()
{
    const bool ready = MakePaks();
    int status = ready ? 0 : 1;
    if (!ready)
        std::fprintf(stderr, "could not make the pak of Ogg files\n");
    for (const char* set : {"music", "tones", "game", "gameraw"}) {
        const std::string mount = std::string(set) + "/";
        if (!ready || g_files[mount].size() != 4)
            continue;
        for (int channels : {4, 32}) {
            Mixing mixing(mount.c_str(), channels);
            Plain plain(g_files[mount]);
            if (!mixing.Ready(channels) || !plain.Ready()) {
                std::fprintf(stderr, "%s: the streams did not open\n", set);
                status = 1;
                continue;
            }
            SideBySide::Ratio r = SideBySide::Compare([&mixing] { return mixing.Mix(); }, [&plain] { return plain.Decode(); });
            // The mix against the limit of decoding its channels one after another.
            r.median *= channels;
            r.low *= channels;
            r.high *= channels;
            std::printf("%s: %d streams from one pak mixed at %.0f x real time; the plain decoder decodes one at %.0f x, "
                        "so %d cap at %.1f x\n",
                        set, channels, r.rateA, r.rateB, channels, r.rateB / channels);
            SideBySide::Print(("  mix / limit, " + std::to_string(channels) + " channels, " + set).c_str(), r, "goal >= 0.9");
        }
    }
    Vorn::Vfs::Shutdown();
    std::error_code ec;
    if (!g_dir.empty())
        std::filesystem::remove_all(g_dir, ec);
    return status;
}
