// Deterministic randomness for the art recipes: a seeded generator and smooth noise fields. Every
// picture takes its own seed, so pictures do not depend on the order they are drawn in (nor on
// the thread that draws them), and the same seed gives the same pixels on every run.
#pragma once

#include <cstdint>

namespace DataBuild {

class Rng {
public:
    explicit Rng(uint64_t seed) : m_state(seed) {}

    uint64_t Next();
    // Uniform in [0, 1).
    double Uniform();
    double Range(double low, double high) { return low + (high - low) * Uniform(); }
    // Uniform in 0 .. n - 1; 0 when n is not positive.
    int Below(int n);
    // Normal distribution, mean 0, deviation 1.
    double Gauss();

private:
    uint64_t m_state;
};

// Mixes several values into one seed.
uint64_t MixSeed(uint64_t a, uint64_t b, uint64_t c = 0);

// Gradient noise on the plane, about -1..1, smooth, one lattice cell per unit. With a period, the
// field repeats every period units in that direction (0: no repetition), so a tile of that size
// joins its copies without a seam.
class Noise {
public:
    explicit Noise(uint64_t seed, int periodX = 0, int periodY = 0)
        : m_seed(seed), m_periodX(periodX), m_periodY(periodY) {}

    double At(double x, double y) const { return Gradient(x, y, m_periodX, m_periodY); }
    // Fractal sum of octaves, each at twice the frequency and half the weight of the one before,
    // scaled back to about -1..1.
    double Fbm(double x, double y, int octaves) const;
    // Sharp creases where the noise crosses zero, 0..1 (1 on a crease).
    double Ridge(double x, double y, int octaves) const;

private:
    double Gradient(double x, double y, int periodX, int periodY) const;

    uint64_t m_seed;
    int m_periodX;
    int m_periodY;
};

// Cellular noise: one jittered point per unit cell; gives the distances to the nearest and the
// second nearest point (for grain, pebbles, cracks).
class Cells {
public:
    explicit Cells(uint64_t seed, double jitter = 0.9) : m_seed(seed), m_jitter(jitter) {}
    void Distances(double x, double y, double& nearest, double& second) const;

private:
    uint64_t m_seed;
    double m_jitter;
};

} // namespace DataBuild
