#include "Random.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <ctime>

namespace platform {

namespace {

// One step of SplitMix64: the upper 32 bits of the mixed next state.
std::uint32_t SplitMix(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
}

// Fills an engine's state from one 64-bit value through SplitMix64, without
// allocating (std::seed_seq keeps its input in a vector).
struct SplitMixSeedSequence
{
    using result_type = std::uint32_t;
    std::uint64_t state;

    template <typename Iterator> void generate(Iterator first, Iterator last)
    {
        for (; first != last; ++first)
            *first = SplitMix(state);
    }
};

} // namespace

RandomGenerator::RandomGenerator()
{
    Randomize(0.0);
}

void RandomSource::Refill()
{
    m_next = 0;
    m_end = Generate(m_buffer);
}

void RandomGenerator::Reseed(double seed)
{
    SplitMixSeedSequence sequence{std::bit_cast<std::uint64_t>(seed)};
    m_engine.seed(sequence);
}

std::size_t RandomGenerator::Generate(std::span<float> out)
{
    for (float& value : out)
        value = static_cast<float>(m_engine() >> 8) * 0x1p-24f;
    return out.size();
}

std::uint32_t SeedFromTimer(double seconds)
{
    auto state = std::bit_cast<std::uint64_t>(seconds);
    return SplitMix(state);
}

double Timer()
{
    using namespace std::chrono;
    const auto sinceEpoch = system_clock::now().time_since_epoch();
    const auto wholeSeconds = floor<seconds>(sinceEpoch);
    const std::time_t now = static_cast<std::time_t>(wholeSeconds.count());
    const std::tm local = LocalTime(now);
    const double fraction = duration<double>(sinceEpoch - wholeSeconds).count();
    return local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + fraction;
}

} // namespace platform
