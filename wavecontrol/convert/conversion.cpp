#include "convert/conversion.h"

#include "platform/codecs/codec.h"
#include "platform/riff.h"
#include "platform/wavefile.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace tonwell {

QString conversionErrorText(int code) {
    switch (code) {
    case 1: return QStringLiteral("Failed to open source file");
    case 2: return QStringLiteral("Not a valid audio source file");
    case 3: return QStringLiteral("Damaged wave audio source file");
    case 4: return QStringLiteral("Error reading format of audio source file");
    case 5: return QStringLiteral("Unable to find data in wave audio source file");
    case 10: return QStringLiteral("Failed to find suitable output codec");
    case 11: return QStringLiteral("Failed to open codec");
    case 12: return QStringLiteral("Failed to find suitable intermediate format");
    case 20: return QStringLiteral("Failed to create\\open destination file");
    case 22: return QStringLiteral("Failed to create RIFF chunk in destination file");
    case 23: return QStringLiteral("Failed to create format info in destination file");
    case 24: return QStringLiteral("Failed to write format info in destination file");
    case 25: return QStringLiteral("Failed to ascend to RIFF chunk in destination file");
    case 26: return QStringLiteral("Failed to create wave data in destination file");
    case 30:
    case 34: return QStringLiteral("Conversion not possible");
    case 31:
    case 35: return QStringLiteral("Conversion not supported");
    case 32: return QStringLiteral("Failed to open first stream");
    case 33: return QStringLiteral("Failed to prepare first stream header");
    case 36: return QStringLiteral("Failed to open second stream");
    case 37: return QStringLiteral("Failed to prepare second stream header");
    case 40: return QStringLiteral("Failed to convert first stream");
    case 41: return QStringLiteral("Failed to convert second stream");
    case 42: return QStringLiteral("Failed to write destination file output wave data");
    default: return QStringLiteral("Unknown conversion error");
    }
}

namespace {

// The record at the start of a format buffer: 18 bytes and the extra bytes it announces, as far
// as the buffer goes.
WaveFormat recordOf(std::span<const std::uint8_t> buffer) {
    const std::size_t size = std::min<std::size_t>(kWaveFormatHeaderSize + formatbuf::u16(buffer, 16), buffer.size());
    return WaveFormat::fromBytes(buffer.first(size));
}

// Opens one stage: not possible, not supported and any other failure give their own codes.
int openStage(const WaveFormat& from, const WaveFormat& to, int firstCode, std::unique_ptr<CodecStream>* stream) {
    const MMRESULT rc = CodecManager::instance().openStream(from, to, ACM_STREAMOPENF_NONREALTIME, stream);
    if (rc == MMSYSERR_NOERROR) return 0;
    if (rc == ACMERR_NOTPOSSIBLE) return firstCode;
    return rc == MMSYSERR_NOTSUPPORTED ? firstCode + 1 : firstCode + 2;
}

// The destination: RIFF form, format chunk with the target record, and an open data chunk.
int createDestination(RiffWriter& file, const QString& path, const WaveFormat& target, Chunk* riff, Chunk* data) {
    if (!file.create(path)) return 20;
    if (!file.createChunk(riff, kRiff, kWave)) return 22;
    Chunk fmt;
    if (!file.createChunk(&fmt, kFmt)) return 23;
    const std::vector<std::uint8_t> record = target.toBytes();
    if (!file.write(record.data(), record.size())) return 24;
    if (!file.ascend(&fmt)) return 25;
    if (!file.createChunk(data, kData)) return 26;
    return 0;
}

}  // namespace

int runConversion(const ConversionJob& job) {
    const CodecManager& acm = CodecManager::instance();

    // Source: RIFF WAVE form, format chunk, data chunk.
    RiffReader source;
    if (!(job.fromMemory ? source.openMemory(job.source.data(), job.source.size()) : source.open(job.input))) return 1;
    std::vector<std::uint8_t> sourceBuffer;
    Chunk data;
    switch (readWaveFile(source, job.maxFormatSize, sourceBuffer, &data)) {
    case WaveFileStep::Ok: break;
    case WaveFileStep::NotWave: return 2;
    case WaveFileStep::NoFormat: return 3;
    case WaveFileStep::FormatUnreadable: return 4;
    case WaveFileStep::NoData: return 5;
    }
    const WaveFormat from = recordOf(sourceBuffer);
    const WaveFormat target = recordOf(job.target);

    // The codec of the non-PCM side: the first driver that lists a format of that tag.
    const std::uint16_t tag = from.isPcm() ? target.tag : from.tag;
    const CodecDriver* codec = nullptr;
    for (const auto& d : acm.drivers()) {
        const std::vector<WaveFormat> formats = d->formats();
        if (std::any_of(formats.begin(), formats.end(), [tag](const WaveFormat& f) { return f.tag == tag; })) {
            codec = d.get();
            break;
        }
    }
    if (!codec) return 10;

    // The intermediate PCM: the codec's suggestion for its side, else the whole manager's for the
    // target.
    WaveFormat intermediate;
    intermediate.tag = WAVE_FORMAT_PCM;
    if (codec->suggest(from.isPcm() ? target : from, &intermediate, ACM_FORMATSUGGESTF_WFORMATTAG) ==
        ACMERR_NOTPOSSIBLE) {
        intermediate = WaveFormat{};
        intermediate.tag = WAVE_FORMAT_PCM;
        if (acm.suggest(target, &intermediate, ACM_FORMATSUGGESTF_WFORMATTAG) == ACMERR_NOTPOSSIBLE) return 12;
    }

    RiffWriter out;
    Chunk riff, dataOut;
    if (const int code = createDestination(out, job.output, target, &riff, &dataOut)) {
        out.close();
        return code;
    }

    // Both stages are opened before any buffer is sized: an open stream vouches for its formats,
    // so a second of each is a small, bounded buffer whatever the file claims.
    std::unique_ptr<CodecStream> stage1, stage2;
    int code = openStage(from, intermediate, 30, &stage1);
    if (!code) code = openStage(intermediate, target, 34, &stage2);
    if (code) {
        out.close();
        return code;
    }
    const std::uint32_t s = from.avgBytesPerSec;
    std::vector<std::uint8_t> sourceBytes(s), out1(2u * intermediate.avgBytesPerSec), in2(out1.size()),
        out2(2u * target.avgBytesPerSec);
    StreamHeader h1{0, sourceBytes.data(), s, 0, out1.data(), static_cast<std::uint32_t>(out1.size()), 0};
    StreamHeader h2{0, in2.data(),  static_cast<std::uint32_t>(in2.size()),
                    0, out2.data(), static_cast<std::uint32_t>(out2.size()),
                    0};
    if (stage1->prepareHeader(&h1) != MMSYSERR_NOERROR) {
        out.close();
        return 33;
    }
    if (stage2->prepareHeader(&h2) != MMSYSERR_NOERROR) {
        out.close();
        return 37;
    }

    // One second of source a pass. c1 and c2 are the bytes a stage left unconverted, carried to
    // the front of its input. The pass that finds the data short of a full second is the last:
    // it flushes both stages (and is repeated while a stage still holds output).
    std::uint32_t left = data.size;
    std::size_t c1 = 0, c2 = 0;
    bool last = false;
    do {
        if (job.stop && job.stop->load(std::memory_order_relaxed)) {
            code = kConversionStopped;
            break;
        }
        std::size_t t = 0;
        if (!last) {
            const long long r = source.read(sourceBytes.data() + c1, s - c1);
            t = std::min<std::size_t>(r > 0 ? static_cast<std::size_t>(r) : 0, left);
            left -= static_cast<std::uint32_t>(t);
            last = c1 + t < s;
        }
        const std::uint32_t flags = last ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN;
        h1.srcLength = static_cast<std::uint32_t>(c1 + t);
        if (stage1->convert(&h1, flags) != MMSYSERR_NOERROR || !(h1.status & ACMSTREAMHEADER_STATUSF_DONE)) {
            code = 40;
            break;
        }
        if (c2 + h1.dstLengthUsed > in2.size()) {  // stage 2 fell behind by more than its buffer
            code = 41;
            break;
        }
        std::memcpy(in2.data() + c2, out1.data(), h1.dstLengthUsed);
        h2.srcLength = static_cast<std::uint32_t>(c2 + h1.dstLengthUsed);
        if (stage2->convert(&h2, flags) != MMSYSERR_NOERROR || !(h2.status & ACMSTREAMHEADER_STATUSF_DONE)) {
            code = 41;
            break;
        }
        if (h2.dstLengthUsed && !out.write(out2.data(), h2.dstLengthUsed))
            code = 42;  // recorded; the conversion goes on
        c1 = h1.srcLength - h1.srcLengthUsed;
        std::memmove(sourceBytes.data(), sourceBytes.data() + h1.srcLengthUsed, c1);
        c2 = h2.srcLength - h2.srcLengthUsed;
        std::memmove(in2.data(), in2.data() + h2.srcLengthUsed, c2);
        // A full second that holds not one whole block would never move on.
        if (!last && c1 == s && h1.srcLengthUsed == 0 && !stage1->pending()) {
            code = 40;
            break;
        }
    } while (!last || c1 > 0 || c2 > 0 || stage1->pending() || stage2->pending());

    if (code) {  // the partial file stays, its sizes unfixed
        out.close();
        return code;
    }
    stage1->unprepareHeader(&h1);
    stage2->unprepareHeader(&h2);
    // Sizes that cannot be written leave a file that does not describe its data: a write failure.
    if (!out.ascend(&dataOut) || !out.ascend(&riff) || !out.close()) return 42;
    return kConversionOk;
}

}  // namespace tonwell
