// The XM module player against libxmp, rendering the same modules into the same format (16-bit
// mono at 22050 Hz, linear interpolation) on one thread: a busy written module (eight channels of
// looped 16-bit samples, with envelopes, slides and portamento) and the modules of Debian's
// njam-data when installed. Reports the ratio of the rates, measured side by side in alternating
// rounds, with its spread.
#include <benchmark/benchmark.h>
#include <xmp.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "SideBySide.h"
#include "engine/sound/XmWriter.h"
#include "sound/AudioXM.h"
#include "vfs/CachedFile.h"

namespace {

std::vector<uint8_t> g_module;

XmTest::Sample Wave(int harmonics, size_t length, bool wide)
{
    XmTest::Sample s;
    s.wide = wide;
    for (size_t i = 0; i < length; ++i) {
        double v = 0;
        for (int h = 1; h <= harmonics; ++h)
            v += std::sin(2 * M_PI * h * i / length) / h;
        s.values.push_back(static_cast<int16_t>(9000 * v));
    }
    s.loopLength = static_cast<uint32_t>(length);
    s.loopType = 1;
    return s;
}

std::vector<uint8_t> MakeModule()
{
    XmTest::Module m;
    m.channels = 8;
    m.speed = 6;
    m.bpm = 125;
    m.orders = {0, 1, 2, 3};
    const uint8_t effects[][2] = {{0, 0}, {10, 0x01}, {1, 0x02}, {2, 0x02}, {3, 0x10}, {14, 0xA1}, {12, 0x30}, {6, 0x10}};
    for (int p = 0; p < 4; ++p) {
        XmTest::Pattern pattern;
        pattern.rows = 64;
        pattern.cells.resize(64);
        for (int row = 0; row < 64; ++row) {
            for (int c = 0; c < 8; ++c) {
                XmTest::Cell cell;
                if ((row + c) % 4 == 0) {
                    cell.note = static_cast<uint8_t>(37 + (row * 7 + c * 5 + p * 3) % 36);
                    cell.instrument = static_cast<uint8_t>(1 + c % 3);
                    cell.volume = static_cast<uint8_t>(0x10 + 32 + (row % 32));
                }
                cell.effect = effects[(row / 4 + c) % 8][0];
                cell.parameter = effects[(row / 4 + c) % 8][1];
                pattern.cells[row].push_back(cell);
            }
        }
        m.patterns.push_back(pattern);
    }
    for (int i = 0; i < 3; ++i) {
        XmTest::Instrument instrument;
        instrument.samples.push_back(Wave(1 + 3 * i, 256 << i, i != 1));
        if (i == 2) {
            instrument.volume.points = {{0, 64}, {8, 40}, {30, 48}, {80, 20}, {200, 0}};
            instrument.volume.type = 3;
            instrument.volume.sustain = 3;
        }
        m.instruments.push_back(instrument);
    }
    return XmTest::Write(m);
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const int BLOCK = 2048;  // samples, as the mixer asks for them at 22050 Hz mono

// The engine's source, read in blocks.
class Player {
public:
    explicit Player(const std::vector<uint8_t>& module)
        : m_file(module.data(), static_cast<Vorn::u32>(module.size()), false), m_xm(Vorn::AudioXM::Load(m_file)), m_block(BLOCK)
    {
    }
    bool Ready() const { return m_xm.Get() != nullptr; }
    double Render()
    {
        m_xm->Read(m_block.data(), BLOCK * 2);
        benchmark::DoNotOptimize(m_block.data());
        return BLOCK / 22050.0;
    }

private:
    Vorn::CachedFile m_file;
    Vorn::SmartPtr<Vorn::AudioSource> m_xm;
    std::vector<Vorn::s16> m_block;
};

// libxmp in the same output format: 22050 Hz, mono, 16-bit, linear interpolation.
class Reference {
public:
    explicit Reference(const std::vector<uint8_t>& module) : m_context(xmp_create_context()), m_block(BLOCK)
    {
        m_ready = xmp_load_module_from_memory(m_context, module.data(), static_cast<long>(module.size())) == 0 &&
                  xmp_start_player(m_context, 22050, XMP_FORMAT_MONO) == 0 &&
                  xmp_set_player(m_context, XMP_PLAYER_INTERP, XMP_INTERP_LINEAR) == 0;
    }
    ~Reference()
    {
        if (m_ready) {
            xmp_end_player(m_context);
            xmp_release_module(m_context);
        }
        xmp_free_context(m_context);
    }
    bool Ready() const { return m_ready; }
    double Render()
    {
        xmp_play_buffer(m_context, m_block.data(), BLOCK * 2, 0);
        benchmark::DoNotOptimize(m_block.data());
        return BLOCK / 22050.0;
    }

private:
    xmp_context m_context;
    std::vector<int16_t> m_block;
    bool m_ready = false;
};

} // namespace

int main()
{
    std::vector<std::pair<std::string, std::vector<uint8_t> > > modules = {{"written, 8 channels", MakeModule()}};
    for (const char* name : {"dali.xm", "satisfy.xm"}) {
        std::vector<uint8_t> bytes = ReadFile(std::string("/usr/share/games/njam/data/") + name);
        if (!bytes.empty())
            modules.push_back({name, bytes});
    }
    for (const auto& module : modules) {
        Player player(module.second);
        Reference reference(module.second);
        if (!player.Ready() || !reference.Ready()) {
            std::fprintf(stderr, "%s did not load\n", module.first.c_str());
            return 1;
        }
        const SideBySide::Ratio r =
            SideBySide::Compare([&player] { return player.Render(); }, [&reference] { return reference.Render(); });
        std::printf("%s: the player renders at %.0f x real time, libxmp at %.0f x\n", module.first.c_str(), r.rateA,
                    r.rateB);
        SideBySide::Print(("  player / libxmp, " + module.first).c_str(), r, "goal >= 1.0");
    }
    return 0;
}
