#pragma once

#include "WaveFile.h"

#include <cmath>
#include <filesystem>
#include <numbers>

namespace velmora::engine::testing {

// A sine tone at half of full scale.
inline WaveAudio tone(double frequency, double seconds, int rate = 8000) {
    WaveAudio audio;
    audio.sampleRate = rate;
    audio.samples.resize(static_cast<std::size_t>(seconds * rate));
    for (std::size_t i = 0; i < audio.samples.size(); ++i)
        audio.samples[i] =
            static_cast<std::int16_t>(16000 * std::sin(2 * std::numbers::pi * frequency * double(i) / rate));
    return audio;
}

// Seconds of audio, in 20 ms blocks, that carry the frequency as their main
// content (Goertzel power against the block's whole energy), so that codecs,
// gains and jitter do not matter, only what was heard.
inline double toneSeconds(const WaveAudio& audio, double frequency) {
    const std::size_t block = static_cast<std::size_t>(audio.sampleRate / 50);
    if (block == 0) return 0;
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * frequency / audio.sampleRate);
    std::size_t toneBlocks = 0;
    for (std::size_t start = 0; start + block <= audio.samples.size(); start += block) {
        double s1 = 0, s2 = 0, energy = 0;
        for (std::size_t i = start; i < start + block; ++i) {
            const double x = audio.samples[i];
            const double s0 = x + coefficient * s1 - s2;
            s2 = s1;
            s1 = s0;
            energy += x * x;
        }
        const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;  // |X(f)|^2
        // A pure tone's |X|^2 is energy * block / 2; loud enough to be heard.
        const double rms = std::sqrt(energy / double(block));
        if (rms > 300 && power > 0.5 * energy * double(block) / 2) ++toneBlocks;
    }
    return double(toneBlocks) / 50.0;
}

inline double toneSeconds(const std::filesystem::path& file, double frequency) {
    const LoadedWave loaded = loadWave(file);
    return loaded.problem == WaveProblem::None ? toneSeconds(loaded.audio, frequency) : -1;
}

}  // namespace velmora::engine::testing
