#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <random>
#include <span>

namespace platform {

// A uniform random source: Rnd() yields single-precision values 0 <= u < 1,
// Randomize() seeds it. Values are made in small batches by the concrete
// generator and handed out one by one, so that taking a value costs a
// buffer read instead of a virtual call; the order of values is the same.
class RandomSource
{
public:
    virtual ~RandomSource() = default;

    void Randomize(double seed)
    {
        m_next = m_end = 0;
        Reseed(seed);
    }

    float Rnd()
    {
        if (m_next == m_end)
            Refill();
        return m_buffer[m_next++];
    }

protected:
    virtual void Reseed(double seed) = 0;
    // Writes the next values of the stream, at least one, and says how many.
    virtual std::size_t Generate(std::span<float> out) = 0;

private:
    void Refill();

    std::array<float, 128> m_buffer{};
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};

// The program's generator: a 32-bit Mersenne Twister whose whole state is
// filled from the seed through SplitMix64, so that seeds that differ only
// in their last bits (two runs a millisecond apart) give unrelated streams.
// Each value is the top 24 bits of one engine output scaled by 2^-24: a
// multiple of 2^-24, the largest 1 - 2^-24, and 1.0 never occurs.
class RandomGenerator final : public RandomSource
{
public:
    RandomGenerator();

protected:
    void Reseed(double seed) override;
    std::size_t Generate(std::span<float> out) override;

private:
    // std::mt19937 exactly, but on 32-bit words: libstdc++'s std::mt19937
    // keeps its state in 64-bit words, which halves the speed of the twist.
    using Engine =
        std::mersenne_twister_engine<std::uint32_t, 32, 624, 397, 31, 0x9908b0df, 11, 0xffffffff, 7,
                                     0x9d2c5680, 15, 0xefc60000, 18, 1812433253>;
    Engine m_engine;
};

// The local time of day of `time`, as the system's thread-safe conversion
// gives it (one per system, in unix/ and windows/).
std::tm LocalTime(std::time_t time);

// Seconds since local midnight, with the fraction at the full resolution of
// the system clock.
double Timer();

// A whole-number seed from 0 to 2^32 - 1 for a run seeded from the clock:
// the reading of Timer() mixed down to 32 bits, so that readings a moment
// apart give unrelated seeds, and the seed can be written down and given
// back to replay the run.
std::uint32_t SeedFromTimer(double seconds);

} // namespace platform
