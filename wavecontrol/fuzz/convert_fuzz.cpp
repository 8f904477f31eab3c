// libFuzzer target: arbitrary bytes as the source of a conversion, through both stages to each
// target format the codec manager offers a sample of (codecs and PCM of other rates and widths).
// The destination is thrown away.
#include "convert/conversion.h"
#include "platform/codecs/codec.h"

#include <cstdint>
#include <vector>

using namespace tonwell;

namespace {

std::vector<std::vector<std::uint8_t>> targets() {
    const CodecManager& acm = CodecManager::instance();
    std::vector<WaveFormat> formats = {WaveFormat::pcm(8000, 16), WaveFormat::pcm(22050, 8, 2)};
    for (const auto& d : acm.drivers())
        if (!d->formats().empty() && d->tag() != WAVE_FORMAT_PCM) formats.push_back(d->formats().front());
    std::vector<std::vector<std::uint8_t>> buffers;
    for (const WaveFormat& f : formats) {
        std::vector<std::uint8_t> b = f.toBytes();
        b.resize(acm.maxFormatSize());
        buffers.push_back(std::move(b));
    }
    return buffers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const std::vector<std::vector<std::uint8_t>> all = targets();
    if (size == 0) return 0;
    // The first byte picks the target; the rest is the source file.
    ConversionJob job;
    job.target = all[bytes[0] % all.size()];
    job.maxFormatSize = CodecManager::instance().maxFormatSize();
    job.fromMemory = true;
    job.source = std::span(bytes + 1, size - 1);
    job.output = QStringLiteral("/dev/null");
    const int code = runConversion(job);
    if (conversionErrorText(code).isEmpty() && code != kConversionOk) __builtin_trap();
    return 0;
}
