// The "sounds" command: synthesises the game's music and effects and encodes them as Ogg Vorbis.
//
// This file is linked into the databuild executable only (see ../Sounds.cmake): the reference
// Vorbis libraries export the same symbols as the engine's integer decoder, and the builder's tests
// link the engine.
#include "Command.h"
#include "Files.h"
#include "SoundRecipes.h"

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace DataBuild {

namespace {

int RunSounds(const std::vector<std::string>& args);

const CommandRegistration s_sounds{
    {"sounds", "sounds OUT_DIR | sounds --check FILE...",
     "synthesise the music and effects as sounds/<name>.ogg, or describe Ogg Vorbis files",
     &RunSounds}};

// Variable bit rate quality (-0.1 .. 1): music is long and soft-edged, effects are short and
// carry sharp attacks.
const float MUSIC_QUALITY = 0.3f;
const float EFFECT_QUALITY = 0.5f;

// Each stream gets a fixed serial number, so the same samples give the same bytes on every run.
const int SERIAL_BASE = 0x54534C00;

const int ENCODE_CHUNK = 4096;

bool Encode(const Synth::Track& track, float quality, int serial, std::string& out,
            std::string& error)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, Synth::RATE, quality) != 0) {
        vorbis_info_clear(&info);
        error = "the encoder refused its settings";
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_page page;
    auto appendPage = [&out](const ogg_page& p) {
        out.append(reinterpret_cast<const char*>(p.header), static_cast<size_t>(p.header_len));
        out.append(reinterpret_cast<const char*>(p.body), static_cast<size_t>(p.body_len));
    };

    ogg_packet identification, comments, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &comments, &codebooks);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &comments);
    ogg_stream_packetin(&stream, &codebooks);
    // The audio starts on a page of its own, as decoders expect.
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage(page);

    const size_t frames = track.Frames();
    size_t done = 0;
    bool finished = false;
    while (!finished) {
        const size_t chunk = std::min<size_t>(ENCODE_CHUNK, frames - done);
        if (chunk == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(chunk));
            std::memcpy(buffer[0], track.left.data() + done, chunk * sizeof(float));
            std::memcpy(buffer[1], track.right.data() + done, chunk * sizeof(float));
            vorbis_analysis_wrote(&dsp, static_cast<int>(chunk));
            done += chunk;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(page);
                    finished = finished || ogg_page_eos(&page);
                }
            }
        }
        if (chunk == 0)
            finished = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0)
        appendPage(page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return true;
}

// Reading an encoded stream back from memory for libvorbisfile. Return conventions of its
// callbacks: read gives the bytes copied (0 at the end), seek 0 on success and -1 on failure,
// tell the position.
struct MemoryReader {
    const std::string* bytes;
    size_t position;

    static size_t Read(void* destination, size_t size, size_t count, void* source)
    {
        MemoryReader& reader = *static_cast<MemoryReader*>(source);
        if (size == 0)
            return 0;
        const size_t available = (reader.bytes->size() - reader.position) / size;
        const size_t n = std::min(count, available);
        std::memcpy(destination, reader.bytes->data() + reader.position, n * size);
        reader.position += n * size;
        return n;
    }

    static int Seek(void* source, ogg_int64_t offset, int whence)
    {
        MemoryReader& reader = *static_cast<MemoryReader*>(source);
        const ogg_int64_t size = static_cast<ogg_int64_t>(reader.bytes->size());
        ogg_int64_t target = whence == SEEK_SET ? offset
                             : whence == SEEK_CUR ? static_cast<ogg_int64_t>(reader.position) + offset
                                                  : size + offset;
        if (target < 0 || target > size)
            return -1;
        reader.position = static_cast<size_t>(target);
        return 0;
    }

    static long Tell(void* source)
    {
        return static_cast<long>(static_cast<MemoryReader*>(source)->position);
    }
};

struct Decoded {
    int rate = 0;
    int channels = 0;
    long frames = 0;
    float peak = 0.0f; // linear
};

bool Decode(const std::string& bytes, Decoded& decoded, std::string& error)
{
    MemoryReader reader{&bytes, 0};
    ov_callbacks callbacks{&MemoryReader::Read, &MemoryReader::Seek, nullptr, &MemoryReader::Tell};
    OggVorbis_File file;
    if (ov_open_callbacks(&reader, &file, nullptr, 0, callbacks) != 0) {
        error = "not an Ogg Vorbis stream";
        return false;
    }
    const vorbis_info* info = ov_info(&file, -1);
    decoded.rate = static_cast<int>(info->rate);
    decoded.channels = info->channels;
    decoded.frames = 0;
    decoded.peak = 0.0f;
    bool ok = true;
    for (;;) {
        float** pcm = nullptr;
        int section = 0;
        const long n = ov_read_float(&file, &pcm, 4096, &section);
        if (n == 0)
            break;
        if (n < 0) {
            error = "the stream is damaged";
            ok = false;
            break;
        }
        for (int c = 0; c < decoded.channels; ++c)
            for (long i = 0; i < n; ++i)
                decoded.peak = std::max(decoded.peak, std::fabs(pcm[c][i]));
        decoded.frames += n;
    }
    ov_clear(&file);
    return ok;
}

float ToDb(float linear)
{
    return linear > 0.0f ? 20.0f * std::log10(linear) : -200.0f;
}

struct Result {
    std::string bytes;
    std::string error;
};

// Renders, encodes and checks one sound. The encoder may overshoot the rendered peak a little;
// should it pass the limit, the samples are lowered by the excess and encoded again.
void Build(size_t index, Result& result)
{
    const GameSound& sound = GameSounds()[index];
    Synth::Track track = RenderGameSound(sound);
    const float quality = sound.loops ? MUSIC_QUALITY : EFFECT_QUALITY;
    const float limit = std::pow(10.0f, SOUND_PEAK_LIMIT_DB / 20.0f);
    for (int attempt = 0; attempt < 4; ++attempt) {
        result.bytes.clear();
        if (!Encode(track, quality, SERIAL_BASE + static_cast<int>(index), result.bytes,
                    result.error))
            return;
        Decoded decoded;
        if (!Decode(result.bytes, decoded, result.error))
            return;
        if (decoded.rate != Synth::RATE || decoded.channels != 2 ||
            decoded.frames != static_cast<long>(track.Frames())) {
            result.error = "decodes as " + std::to_string(decoded.frames) + " frames of " +
                           std::to_string(decoded.channels) + " channels at " +
                           std::to_string(decoded.rate) + " Hz, not what was encoded";
            return;
        }
        if (decoded.peak <= limit)
            return;
        track.Normalise(track.Peak() * (limit / decoded.peak) * 0.97f);
    }
    result.error = "peak stays above " + std::to_string(SOUND_PEAK_LIMIT_DB) + " dBFS";
}

int Check(const std::vector<std::string>& paths)
{
    int failures = 0;
    for (const std::string& path : paths) {
        std::string bytes, error;
        Decoded decoded;
        if (!ReadWholeFile(path, bytes, error)) {
            Fail(error);
            ++failures;
            continue;
        }
        if (!Decode(bytes, decoded, error)) {
            Fail(path + ": " + error);
            ++failures;
            continue;
        }
        std::printf("%s: %d Hz, %d channel(s), %ld frames (%.3f s), peak %.2f dBFS\n",
                    path.c_str(), decoded.rate, decoded.channels, decoded.frames,
                    decoded.rate ? static_cast<double>(decoded.frames) / decoded.rate : 0.0,
                    ToDb(decoded.peak));
    }
    return failures ? 1 : 0;
}

int RunSounds(const std::vector<std::string>& args)
{
    const Command& self = *FindCommand("sounds");
    if (!args.empty() && args[0] == "--check") {
        if (args.size() < 2)
            return UsageError(self);
        return Check(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    if (args.size() != 1)
        return UsageError(self);

    std::string scoreError;
    if (!CheckScores(scoreError))
        return Fail("sounds: " + scoreError);

    const std::filesystem::path dir = std::filesystem::path(args[0]) / "sounds";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec)
        return Fail(dir.string() + ": cannot be created: " + ec.message());

    // The sounds are independent, so they are made side by side; each result depends on its own
    // recipe only, so the files are the same whatever the scheduling.
    const size_t count = GameSounds().size();
    std::vector<Result> results(count);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < count; ++i)
        workers.emplace_back(Build, i, std::ref(results[i]));
    for (std::thread& worker : workers)
        worker.join();

    int failures = 0;
    for (size_t i = 0; i < count; ++i) {
        const std::filesystem::path path = dir / (std::string(GameSounds()[i].name) + ".ogg");
        if (!results[i].error.empty()) {
            Fail(path.string() + ": " + results[i].error);
            ++failures;
        } else if (std::string error; !WriteWholeFile(path.string(), results[i].bytes, error)) {
            Fail(error);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

} // namespace

} // namespace DataBuild
