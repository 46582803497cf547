// Writes the program's two sound cues, reproducibly:
//   make-cues DIRECTORY
// pinpon.wav     a two-tone door chime, a high tone and then a lower one
// endpinpon.wav  a short closing chime, the two tones the other way round
// Both are 16-bit PCM, 44.1 kHz, mono, under one second. The generated files
// are committed in assets/; run this only to change them.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct Tone
{
    double start;     // seconds
    double frequency; // Hz
    double length;    // seconds until silent
};

std::vector<std::int16_t> Render(const std::vector<Tone>& tones, double seconds)
{
    const auto count = static_cast<std::size_t>(seconds * kSampleRate);
    std::vector<double> mix(count, 0.0);
    for (const Tone& tone : tones) {
        const auto first = static_cast<std::size_t>(tone.start * kSampleRate);
        const auto length = static_cast<std::size_t>(tone.length * kSampleRate);
        for (std::size_t i = 0; i < length && first + i < count; ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double attack = std::min(1.0, t / 0.004);                 // no click
            const double decay = std::exp(-4.0 * t / tone.length);          // a struck bar
            const double release = std::min(1.0, (tone.length - t) / 0.02); // ends at zero
            const double wave = std::sin(2 * kPi * tone.frequency * t) +
                                0.25 * std::sin(2 * kPi * 2.0 * tone.frequency * t) +
                                0.08 * std::sin(2 * kPi * 3.0 * tone.frequency * t);
            mix[first + i] += 0.45 * attack * decay * release * wave;
        }
    }
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double clipped = std::max(-1.0, std::min(1.0, mix[i]));
        samples[i] = static_cast<std::int16_t>(std::lround(clipped * 32767.0));
    }
    return samples;
}

void Put32(std::FILE* file, std::uint32_t v)
{
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, file);
}

void Put16(std::FILE* file, std::uint16_t v)
{
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, file);
}

bool WriteWave(const std::string& path, const std::vector<std::int16_t>& samples)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, file);
    Put32(file, 36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, file);
    Put32(file, 16);
    Put16(file, 1); // PCM
    Put16(file, 1); // mono
    Put32(file, kSampleRate);
    Put32(file, kSampleRate * 2);
    Put16(file, 2);
    Put16(file, 16);
    std::fwrite("data", 1, 4, file);
    Put32(file, dataBytes);
    for (const std::int16_t s : samples)
        Put16(file, static_cast<std::uint16_t>(s));
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-cues DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[1];
    // A major third down, E6 then C6: the familiar door chime.
    const bool ok =
        WriteWave(directory + "/pinpon.wav",
                  Render({{0.0, 1318.51, 0.42}, {0.30, 1046.50, 0.58}}, 0.88)) &&
        WriteWave(
            directory + "/endpinpon.wav",
            Render({{0.0, 1046.50, 0.30}, {0.22, 1318.51, 0.22}, {0.40, 783.99, 0.40}}, 0.80));
    if (!ok) {
        std::fprintf(stderr, "make-cues: cannot write into %s\n", directory.c_str());
        return 1;
    }
    return 0;
}
