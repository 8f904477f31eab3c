// libFuzzer target: a wave file from arbitrary bytes, read as Play reads it (RIFF form, format
// chunk, data chunk), its format described by the codec manager and its data decoded by the
// device mapper's converter. The same bytes, read as text, are also taken as RecordUserFormat
// and ConvertFormat take theirs.
#include "platform/codecs/codec.h"
#include "platform/format_text.h"
#include "platform/riff.h"
#include "platform/wavefile.h"
#include "platform/waveformat.h"

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace tonwell;

namespace {

// A format text over a format buffer of the manager's largest size, as both properties keep
// theirs, then described as their tag and attribute strings are.
void formatTexts(const std::uint8_t* bytes, std::size_t size) {
    const CodecManager& acm = CodecManager::instance();
    const QString text = QString::fromLatin1(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
    std::vector<std::uint8_t> buffer(acm.maxFormatSize(), 0);
    formatbuf::markNotSet(buffer);
    QString described;
    if (overlayRecordText(text, buffer)) {
        const std::size_t n = kWaveFormatHeaderSize + formatbuf::u16(buffer, 16);
        acm.describe(WaveFormat::fromBytes(std::span(buffer).first(n)), &described);
        toHex(std::span(buffer).first(n));
    }
    if (const auto record = fromHex(text);
        record && record->size() >= kWaveFormatHeaderSize && record->size() <= buffer.size())
        acm.describe(WaveFormat::fromBytes(*record), &described);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    formatTexts(bytes, size);
    const CodecManager& acm = CodecManager::instance();
    RiffReader file;
    if (!file.openMemory(bytes, size)) return 0;
    std::vector<std::uint8_t> format;
    Chunk data;
    if (readWaveFile(file, acm.maxFormatSize(), format, &data) != WaveFileStep::Ok) return 0;
    const std::size_t recordSize =
        std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(format, 16), format.size());
    const WaveFormat f = WaveFormat::fromBytes(std::span(format).first(recordSize));
    QString text;
    acm.tagName(f.tag, &text);
    acm.describe(f, &text);
    WaveFormat pcm;
    pcm.tag = WAVE_FORMAT_PCM;
    std::unique_ptr<CodecStream> stream;
    if (acm.suggest(f, &pcm, ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR ||
        acm.openStream(f, pcm, ACM_STREAMOPENF_NONREALTIME, &stream) != MMSYSERR_NOERROR)
        return 0;
    // Decode in buffers of whole blocks, as playback hands them over.
    std::size_t n = 1024;
    if (f.blockAlign) n = std::max<std::size_t>(f.blockAlign, n - n % f.blockAlign);
    std::vector<std::uint8_t> buffer(n), out;
    std::uint32_t left = data.size;
    for (int i = 0; i < 64 && left > 0; ++i) {
        const long long r = file.read(buffer.data(), std::min<std::size_t>(left, n));
        if (r <= 0) break;
        left -= static_cast<std::uint32_t>(r);
        out.clear();
        std::size_t used = 0;
        const std::uint32_t flags = left == 0 ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        if (stream->convert(std::span(buffer.data(), static_cast<std::size_t>(r)), flags, out, &used) !=
            MMSYSERR_NOERROR)
            break;
    }
    return 0;
}
