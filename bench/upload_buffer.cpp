// Building a texture's upload buffer from CPU pixels (PixelDataGL's copy of an image: padded to
// powers of two, the last column and row repeated, red and blue exchanged) against the least any
// such copy costs: the same source rows copied with memcpy into a buffer of the texture's size.
// Sizes as the game's art has them: a 480 x 800 RGBA background (a 512 x 1024 texture), a 300 x 200
// RGBA atlas page and a 600 x 1000 RGB picture. Each round times both, side by side; printed is
// the ratio upload / memcpy as the median of the rounds with its spread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/SmartPtr.h"
#include "graphics/OpenGL.h"
#include "graphics/pixeldata/MemPixelData.h"
#include "graphics/pixeldata/PixelDataGL.h"

using namespace Vorn;

namespace {

using Clock = std::chrono::steady_clock;

const int ROUNDS = 15;
const int REPEATS = 20;

struct Case {
    const char* name;
    int width, height;
    PixelFormat format;
    int bytes;
};

// The texture's side for an image side, as the upload chooses it.
size_t TextureSide(int n)
{
    return static_cast<size_t>(PixelDataGL::TextureSide(n, OpenGL::GetMaxTextureSize()));
}

MemPixelData* MakeSource(const Case& c, const std::vector<u8>& pixels)
{
    auto data = new MemPixelData(c.width, c.height, c.format);
    std::memcpy(data->Lock(), pixels.data(), pixels.size());
    return data;
}

double Ms(Clock::time_point from)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

}  // namespace

int main()
{
    const Case cases[] = {{"480 x 800 RGBA", 480, 800, PF_RGBA8888, 4},
                          {"300 x 200 RGBA", 300, 200, PF_RGBA8888, 4},
                          {"600 x 1000 RGB", 600, 1000, PF_RGB888, 3}};
    std::printf("Upload buffer against a plain copy of the rows, %d rounds of %d:\n", ROUNDS,
                REPEATS);
    for (const Case& c : cases) {
        std::vector<u8> pixels(static_cast<size_t>(c.width) * c.height * c.bytes);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<u8>(i * 2654435761u >> 24);
        const size_t pitch = TextureSide(c.width) * c.bytes;
        const size_t bufferSize = pitch * TextureSide(c.height);
        std::vector<double> ratios, upload, copy;
        for (int round = 0; round < ROUNDS; ++round) {
            double u = 0, m = 0;
            for (int r = 0; r < REPEATS; ++r) {
                // Both sides make the source the same way; only what follows differs.
                auto from = Clock::now();
                {
                    SmartPtr<PixelDataGL> texture(new PixelDataGL(MakeSource(c, pixels)));
                    if (!texture->LockConst())
                        return 1;
                }
                u += Ms(from);
                from = Clock::now();
                {
                    SmartPtr<MemPixelData> source(MakeSource(c, pixels));
                    std::unique_ptr<u8[]> buffer(new u8[bufferSize]);
                    for (int y = 0; y < c.height; ++y)
                        std::memcpy(buffer.get() + y * pitch,
                                    source->LockConst() + static_cast<size_t>(y) * source->GetPitch(),
                                    static_cast<size_t>(c.width) * c.bytes);
                    volatile u8 keep = buffer[bufferSize / 2];
                    (void)keep;
                }
                m += Ms(from);
            }
            upload.push_back(u / REPEATS);
            copy.push_back(m / REPEATS);
            ratios.push_back(u / m);
        }
        std::sort(ratios.begin(), ratios.end());
        std::sort(upload.begin(), upload.end());
        std::sort(copy.begin(), copy.end());
        std::printf("  %-15s upload %.3f ms, copy %.3f ms: upload / copy = %.2f x (spread %.2f to "
                    "%.2f)\n",
                    c.name, upload[ROUNDS / 2], copy[ROUNDS / 2], ratios[ROUNDS / 2], ratios.front(),
                    ratios.back());
    }
    return 0;
}
