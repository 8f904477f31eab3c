// libFuzzer target: a wave file as SetPlayFile reads it, then resampled to
// the call's rate as playback does.
#include "FuzzInput.h"
#include "WaveFile.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const auto file = fuzz::scratchFile("play.wav", std::string(reinterpret_cast<const char*>(bytes), size));
    const auto loaded = engine::loadWave(file);
    if (loaded.problem != engine::WaveProblem::None) return 0;
    if (loaded.audio.sampleRate < 4000 || loaded.audio.sampleRate > 192000) std::abort();
    // Bounded: a file of a few kilobytes cannot claim minutes of sound.
    if (loaded.audio.samples.size() > size) std::abort();
    engine::resampled(loaded.audio.samples, loaded.audio.sampleRate, 8000);
    return 0;
}
