// Reading a wave file's format record and finding its data: the steps shared by the PlayFilename
// setter, Play and the fuzz target.
#pragma once
#include "platform/riff.h"

#include <cstdint>
#include <vector>

namespace tonwell {

enum class WaveFileStep {
    Ok,
    NotWave,           // no RIFF form of type WAVE
    NoFormat,          // no "fmt " chunk inside it
    FormatUnreadable,  // the chunk cannot be read whole, or is larger than the format buffer
    NoData,            // no "data" chunk after the format chunk
};

// With `file` open at its start: finds the RIFF WAVE form and its "fmt " chunk and reads the
// chunk into `format`, a zero-filled buffer of `maxFormatSize` bytes whose extra-size field is
// preset to maxFormatSize - 18 (a 16-byte PCM chunk leaves that in place). With `data`, goes on
// past the format chunk to the "data" chunk and stops at its first byte.
WaveFileStep readWaveFile(RiffReader& file, std::size_t maxFormatSize, std::vector<std::uint8_t>& format, Chunk* data);

}  // namespace tonwell
