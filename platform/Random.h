#pragma once

#include <cstdint>
#include <random>

namespace platform {

// A uniform random source: Rnd() yields single-precision values 0 <= u < 1,
// Randomize() seeds it. Abstract so that tests can script the values.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual void Randomize(double seed) = 0;
    virtual float Rnd() = 0;
};

// The program's generator: a 32-bit Mersenne Twister whose whole state is
// filled from the seed through SplitMix64, so that seeds that differ only
// in their last bits (two runs a millisecond apart) give unrelated streams.
class RandomGenerator final : public RandomSource
{
public:
    RandomGenerator();

    void Randomize(double seed) override;

    // The top 24 bits of one engine output, scaled by 2^-24: every value is
    // a multiple of 2^-24, the largest is 1 - 2^-24 and 1.0 never occurs.
    float Rnd() override { return static_cast<float>(m_engine() >> 8) * 0x1p-24f; }

private:
    std::mt19937 m_engine;
};

// Seconds since local midnight, with the fraction at the full resolution of
// the system clock.
double Timer();

} // namespace platform
