// vorn-oggtone: writes a sine tone as an Ogg Vorbis file.
//
//   vorn-oggtone OUT.ogg [--rate HZ] [--channels 1|2] [--seconds S] [--freq HZ] [--amplitude A]
//                        [--noise A] [--quality Q] [--then-channels 1|2] [--then-rate HZ]
//
// Stereo files carry the tone on the left and 1.5 times its frequency on the right, so that
// swapped or mixed channels show. --then-channels / --then-rate append a second link to the
// stream (a chained file) in another format, with the same length. The output is the same bytes
// from run to run.
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

struct Tone {
    long rate = 44100;
    int channels = 2;
    double seconds = 1.0;
    double freq = 440.0;
    double amplitude = 0.5;
    double noise = 0.0;  // white noise under the tone: music-like, hard to compress further
    float quality = 0.4f;
};

bool WritePages(ogg_stream_state& stream, FILE* out, bool flush)
{
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, page.header_len, out) != static_cast<size_t>(page.header_len) ||
            std::fwrite(page.body, 1, page.body_len, out) != static_cast<size_t>(page.body_len))
            return false;
    }
    return true;
}

// Encodes one logical stream (one link) with the given serial number.
bool EncodeLink(const Tone& tone, int serial, FILE* out)
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, tone.channels, tone.rate, tone.quality) != 0) {
        std::fprintf(stderr, "vorn-oggtone: the encoder refuses %d channels at %ld Hz\n", tone.channels, tone.rate);
        vorbis_info_clear(&info);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    ogg_packet header, commentHeader, codeHeader;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codeHeader);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &codeHeader);
    bool ok = WritePages(stream, out, true);

    const long frames = std::lround(tone.seconds * tone.rate);
    const long chunk = 1024;
    const double pi = 3.14159265358979323846;
    long at = 0;
    bool ended = false;
    uint32_t seed = 12345u + static_cast<uint32_t>(serial);
    while (ok && !ended) {
        const long n = std::min(chunk, frames - at);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (int c = 0; c < tone.channels; ++c) {
                const double f = tone.freq * (c == 0 ? 1.0 : 1.5);
                for (long i = 0; i < n; ++i) {
                    seed = seed * 1664525u + 1013904223u;
                    const double white = (static_cast<double>(seed >> 8) / 8388608.0 - 1.0) * tone.noise;
                    buffer[c][i] = static_cast<float>(tone.amplitude * std::sin(2.0 * pi * f * (at + i) / tone.rate) + white);
                }
            }
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            at += n;
        } else {
            vorbis_analysis_wrote(&dsp, 0);  // end of stream: the encoder flushes what it holds
            ended = true;
        }
        while (ok && vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (ok && vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                ok = WritePages(stream, out, false);
            }
        }
    }
    ok = ok && WritePages(stream, out, true);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return ok;
}

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && std::isfinite(value);
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: vorn-oggtone OUT.ogg [--rate HZ] [--channels 1|2] [--seconds S] [--freq HZ]\n"
                 "                    [--amplitude A] [--noise A] [--quality Q] [--then-channels 1|2]\n"
                 "                    [--then-rate HZ]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0)
        return Usage();
    const char* outPath = argv[1];
    Tone tone;
    int thenChannels = 0;  // 0: no second link, or the first link's value
    long thenRate = 0;
    for (int i = 2; i < argc; i += 2) {
        double v = 0;
        if (i + 1 >= argc || !ParseNumber(argv[i + 1], v)) {
            std::fprintf(stderr, "vorn-oggtone: %s needs a number\n", argv[i]);
            return Usage();
        }
        const std::string option = argv[i];
        if (option == "--rate") tone.rate = static_cast<long>(v);
        else if (option == "--channels") tone.channels = static_cast<int>(v);
        else if (option == "--seconds") tone.seconds = v;
        else if (option == "--freq") tone.freq = v;
        else if (option == "--amplitude") tone.amplitude = v;
        else if (option == "--noise") tone.noise = v;
        else if (option == "--quality") tone.quality = static_cast<float>(v);
        else if (option == "--then-channels") thenChannels = static_cast<int>(v);
        else if (option == "--then-rate") thenRate = static_cast<long>(v);
        else {
            std::fprintf(stderr, "vorn-oggtone: unknown option %s\n", argv[i]);
            return Usage();
        }
    }
    if (tone.channels < 1 || tone.channels > 2 || tone.rate < 8000 || tone.rate > 192000 || tone.seconds < 0 ||
        tone.seconds > 3600) {
        std::fprintf(stderr, "vorn-oggtone: channels 1 or 2, rate 8000 to 192000 Hz, 0 to 3600 seconds\n");
        return 2;
    }
    FILE* out = std::fopen(outPath, "wb");
    if (!out) {
        std::fprintf(stderr, "vorn-oggtone: cannot write %s\n", outPath);
        return 1;
    }
    bool ok = EncodeLink(tone, 1, out);
    if (ok && (thenChannels || thenRate)) {
        if (thenChannels)
            tone.channels = thenChannels;
        if (thenRate)
            tone.rate = thenRate;
        ok = EncodeLink(tone, 2, out);
    }
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "vorn-oggtone: writing %s failed\n", outPath);
        std::remove(outPath);
        return 1;
    }
    return 0;
}
