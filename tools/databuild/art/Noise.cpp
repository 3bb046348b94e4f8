#include "art/Noise.h"

#include <cmath>

namespace DataBuild {

namespace {

uint64_t Hash(uint64_t x)
{
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return x;
}

uint64_t HashCell(uint64_t seed, int64_t x, int64_t y)
{
    return Hash(seed ^ Hash(static_cast<uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^
                            Hash(static_cast<uint64_t>(y) + 0x632BE59BD9B4E019ULL)));
}

double Fade(double t)
{
    return t * t * t * (t * (t * 6 - 15) + 10);
}

// Unit gradient directions, looked up by hash rather than computed per corner.
struct GradientTable {
    double x[256];
    double y[256];
    GradientTable()
    {
        for (int i = 0; i < 256; ++i) {
            x[i] = std::cos(i * 6.283185307179586 / 256.0);
            y[i] = std::sin(i * 6.283185307179586 / 256.0);
        }
    }
};

const GradientTable s_gradients;

int64_t Wrap(int64_t v, int period)
{
    if (period <= 0)
        return v;
    const int64_t m = v % period;
    return m < 0 ? m + period : m;
}

} // namespace

uint64_t Rng::Next()
{
    m_state += 0x9E3779B97F4A7C15ULL;
    return Hash(m_state);
}

double Rng::Uniform()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

int Rng::Below(int n)
{
    if (n <= 0)
        return 0;
    return static_cast<int>(Next() % static_cast<uint64_t>(n));
}

double Rng::Gauss()
{
    // Box-Muller; the first uniform is kept away from 0.
    const double u = 1.0 - Uniform(), v = Uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * v);
}

uint64_t MixSeed(uint64_t a, uint64_t b, uint64_t c)
{
    return Hash(Hash(a ^ 0x51ED27A3ULL) ^ Hash(b + 0x1234567ULL) ^ Hash(c * 31 + 7));
}

double Noise::Gradient(double x, double y, int periodX, int periodY) const
{
    const double fx = std::floor(x), fy = std::floor(y);
    const int64_t ix = static_cast<int64_t>(fx), iy = static_cast<int64_t>(fy);
    const double dx = x - fx, dy = y - fy;
    auto corner = [&](int64_t cx, int64_t cy, double ox, double oy) {
        const uint64_t h = HashCell(m_seed, Wrap(cx, periodX), Wrap(cy, periodY)) >> 56;
        return s_gradients.x[h] * ox + s_gradients.y[h] * oy;
    };
    const double n00 = corner(ix, iy, dx, dy);
    const double n10 = corner(ix + 1, iy, dx - 1, dy);
    const double n01 = corner(ix, iy + 1, dx, dy - 1);
    const double n11 = corner(ix + 1, iy + 1, dx - 1, dy - 1);
    const double u = Fade(dx), v = Fade(dy);
    const double top = n00 + (n10 - n00) * u, bottom = n01 + (n11 - n01) * u;
    // Unit gradients give about -0.7..0.7; stretched to about -1..1.
    return (top + (bottom - top) * v) * 1.41421356;
}

double Noise::Fbm(double x, double y, int octaves) const
{
    double sum = 0, weight = 1, total = 0, scale = 1;
    int px = m_periodX, py = m_periodY;
    for (int i = 0; i < octaves; ++i) {
        sum += weight * Gradient(x * scale, y * scale, px, py);
        total += weight;
        weight *= 0.5;
        scale *= 2;
        px *= 2;
        py *= 2;
    }
    return total > 0 ? sum / total : 0;
}

double Noise::Ridge(double x, double y, int octaves) const
{
    const double n = 1.0 - std::fabs(Fbm(x, y, octaves));
    return n * n;
}

void Cells::Distances(double x, double y, double& nearest, double& second) const
{
    const int64_t ix = static_cast<int64_t>(std::floor(x)), iy = static_cast<int64_t>(std::floor(y));
    nearest = second = 1e9;
    for (int64_t cy = iy - 1; cy <= iy + 1; ++cy) {
        for (int64_t cx = ix - 1; cx <= ix + 1; ++cx) {
            const uint64_t h = HashCell(m_seed, cx, cy);
            const double jx = static_cast<double>(h & 0xFFFF) / 65535.0;
            const double jy = static_cast<double>((h >> 16) & 0xFFFF) / 65535.0;
            const double px = cx + 0.5 + (jx - 0.5) * m_jitter;
            const double py = cy + 0.5 + (jy - 0.5) * m_jitter;
            const double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < nearest) {
                second = nearest;
                nearest = d;
            } else if (d < second) {
                second = d;
            }
        }
    }
}

} // namespace DataBuild
