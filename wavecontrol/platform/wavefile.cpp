#include "platform/wavefile.h"

#include "platform/waveformat.h"

namespace tonwell {

WaveFileStep readWaveFile(RiffReader& file, std::size_t maxFormatSize, std::vector<std::uint8_t>& format, Chunk* data) {
    Chunk riff;
    if (!file.findRiff(kWave, &riff)) return WaveFileStep::NotWave;
    Chunk fmt;
    if (!file.findChunk(riff, kFmt, &fmt)) return WaveFileStep::NoFormat;
    format.assign(maxFormatSize, 0);
    formatbuf::setU16(format, 16, static_cast<std::uint16_t>(maxFormatSize - kWaveFormatHeaderSize));
    // A chunk larger than the buffer is refused rather than cut: a cut record would not describe
    // the data that follows.
    if (fmt.size > maxFormatSize || file.read(format.data(), fmt.size) != static_cast<long long>(fmt.size))
        return WaveFileStep::FormatUnreadable;
    if (!data) return WaveFileStep::Ok;
    if (!file.ascend(fmt) || !file.findChunk(riff, kData, data)) return WaveFileStep::NoData;
    return WaveFileStep::Ok;
}

}  // namespace tonwell
