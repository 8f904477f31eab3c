#include "WaveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::engine {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatALaw = 6;
constexpr std::uint16_t kFormatMuLaw = 7;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

std::int16_t fromALaw(std::uint8_t value) {
    value ^= 0x55;
    int magnitude = (value & 0x0F) << 4;
    const int segment = (value & 0x70) >> 4;
    if (segment == 0)
        magnitude += 8;
    else
        magnitude = (magnitude + 0x108) << (segment - 1);
    return std::int16_t((value & 0x80) ? magnitude : -magnitude);
}

std::int16_t fromMuLaw(std::uint8_t value) {
    value = ~value;
    int magnitude = (((value & 0x0F) << 3) + 0x84) << ((value & 0x70) >> 4);
    magnitude -= 0x84;
    return std::int16_t((value & 0x80) ? -magnitude : magnitude);
}

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

bool playable(const Format& f) {
    if (f.channels < 1 || f.channels > 2 || f.rate < 4000 || f.rate > 192000) return false;
    if (f.tag == kFormatPcm) return f.bits == 8 || f.bits == 16;
    if (f.tag == kFormatALaw || f.tag == kFormatMuLaw) return f.bits == 8;
    return false;
}

std::int16_t sampleAt(const Format& f, const unsigned char* p) {
    switch (f.tag) {
    case kFormatALaw: return fromALaw(*p);
    case kFormatMuLaw: return fromMuLaw(*p);
    default: return f.bits == 8 ? std::int16_t((int(*p) - 128) << 8) : std::int16_t(le16(p));
    }
}

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
void put16(std::string& out, std::uint16_t v) {
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

}  // namespace

LoadedWave loadWave(const std::filesystem::path& path) {
    LoadedWave result;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        result.problem = WaveProblem::CannotOpen;
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.problem = WaveProblem::CannotOpen;
        return result;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    result.problem = WaveProblem::CannotRead;
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return result;

    Format format;
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const unsigned char* chunk = bytes.data() + at;
        std::size_t size = le32(chunk + 4);
        const std::size_t body = at + 8;
        // Sound data cut short, or a writer that never fixed its sizes
        // (mediastreamer's counts the header too): the samples that are
        // there play. Any other chunk cut short is a broken file.
        if (size > bytes.size() - body) {
            if (std::memcmp(chunk, "data", 4) != 0) return result;
            size = bytes.size() - body;
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) return result;
            const unsigned char* f = bytes.data() + body;
            format.tag = le16(f);
            format.channels = le16(f + 2);
            format.rate = int(le32(f + 4));
            format.bits = le16(f + 14);
            // WAVE_FORMAT_EXTENSIBLE: the real tag leads the sub-format GUID.
            if (format.tag == kFormatExtensible && size >= 40) format.tag = le16(f + 24);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return result;  // data before its format: not a wave we can trust
            if (!playable(format)) {
                result.problem = WaveProblem::Unsupported;
                return result;
            }
            const std::size_t sampleBytes = format.bits / 8;
            const std::size_t frameBytes = sampleBytes * format.channels;
            const std::size_t frames = size / frameBytes;
            result.audio.sampleRate = format.rate;
            result.audio.samples.resize(frames);
            for (std::size_t i = 0; i < frames; ++i) {
                const unsigned char* frame = bytes.data() + body + i * frameBytes;
                int sum = 0;
                for (int c = 0; c < format.channels; ++c) sum += sampleAt(format, frame + c * sampleBytes);
                result.audio.samples[i] = std::int16_t(sum / format.channels);
            }
            result.problem = WaveProblem::None;
            return result;
        }
        at = body + size + (size & 1);  // chunks are padded to even sizes
    }
    if (haveFormat && !playable(format)) result.problem = WaveProblem::Unsupported;
    return result;  // no data chunk
}

std::vector<std::int16_t> resampled(const std::vector<std::int16_t>& samples, int fromRate, int toRate) {
    if (fromRate == toRate || samples.empty() || fromRate <= 0 || toRate <= 0) return samples;
    const std::size_t count = std::size_t(double(samples.size()) * toRate / fromRate);
    std::vector<std::int16_t> out(count);
    const double step = double(fromRate) / toRate;
    for (std::size_t i = 0; i < count; ++i) {
        const double position = i * step;
        const std::size_t left = std::min(std::size_t(position), samples.size() - 1);
        const std::size_t right = std::min(left + 1, samples.size() - 1);
        const double fraction = position - double(left);
        out[i] = std::int16_t(samples[left] + (samples[right] - samples[left]) * fraction);
    }
    return out;
}

namespace {

// A RIFF size field holds 36 bytes of header besides the sound data.
constexpr std::uint64_t kMaxWaveData = 0xFFFFFFFFull - 36;

std::string pcmHeader(int rate, std::uint64_t dataBytes) {
    std::string header;
    header += "RIFF";
    put32(header, std::uint32_t(36 + dataBytes));
    header += "WAVEfmt ";
    put32(header, 16);
    put16(header, kFormatPcm);
    put16(header, 1);
    put32(header, std::uint32_t(rate));
    put32(header, std::uint32_t(rate * 2));
    put16(header, 2);
    put16(header, 16);
    header += "data";
    put32(header, std::uint32_t(dataBytes));
    return header;
}

void putSamples(std::string& out, const std::int16_t* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) put16(out, std::uint16_t(samples[i]));
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Where a wave file's sound data lies, and in what format.
struct DataChunk {
    Format format;
    std::uint64_t offset = 0, size = 0;
};

std::optional<DataChunk> findData(std::ifstream& in, std::uint64_t fileSize) {
    unsigned char riff[12];
    if (!in.read(reinterpret_cast<char*>(riff), 12) || std::memcmp(riff, "RIFF", 4) != 0 ||
        std::memcmp(riff + 8, "WAVE", 4) != 0)
        return std::nullopt;
    DataChunk chunk;
    bool haveFormat = false;
    for (std::uint64_t at = 12; at + 8 <= fileSize;) {
        unsigned char head[8];
        if (!in.seekg(std::streamoff(at)) || !in.read(reinterpret_cast<char*>(head), 8)) return std::nullopt;
        std::uint64_t size = le32(head + 4);
        const std::uint64_t body = at + 8;
        const bool data = std::memcmp(head, "data", 4) == 0;
        if (size > fileSize - body || (data && size == 0)) {
            if (!data) return std::nullopt;
            size = fileSize - body;  // never fixed, or cut short: what is there counts
        }
        if (std::memcmp(head, "fmt ", 4) == 0) {
            unsigned char f[40] = {};
            if (size < 16 || !in.read(reinterpret_cast<char*>(f), std::streamsize(std::min<std::uint64_t>(size, 40))))
                return std::nullopt;
            chunk.format = {le16(f), le16(f + 2), int(le32(f + 4)), le16(f + 14)};
            if (chunk.format.tag == kFormatExtensible && size >= 40) chunk.format.tag = le16(f + 24);
            haveFormat = true;
        } else if (data) {
            if (!haveFormat || !playable(chunk.format)) return std::nullopt;
            chunk.offset = body;
            chunk.size = size;
            return chunk;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

}  // namespace

bool writeWave(const std::filesystem::path& path, const WaveAudio& audio) {
    const std::uint64_t dataBytes = std::uint64_t(audio.samples.size()) * 2;
    if (dataBytes > kMaxWaveData) return false;
    // Written in place, not through a renamed temporary: the path may be a
    // device or a link the program was given on purpose.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const std::string header = pcmHeader(audio.sampleRate, dataBytes);
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    constexpr std::size_t kBlock = 32768;
    std::string block;
    for (std::size_t at = 0; written && at < audio.samples.size(); at += kBlock) {
        block.clear();
        putSamples(block, audio.samples.data() + at, std::min(kBlock, audio.samples.size() - at));
        written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
    }
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

std::optional<std::uint64_t> appendWaveAsPcm(const std::filesystem::path& wave, const std::filesystem::path& raw,
                                             int rate) {
    std::error_code error;
    const std::uint64_t fileSize = std::filesystem::file_size(wave, error);
    if (error || rate <= 0) return std::nullopt;
    std::ifstream in(wave, std::ios::binary);
    if (!in) return std::nullopt;
    const auto chunk = findData(in, fileSize);
    if (!chunk) return std::nullopt;
    const Format& f = chunk->format;
    const std::uint64_t sampleBytes = f.bits / 8, frameBytes = sampleBytes * f.channels;
    const std::uint64_t frames = chunk->size / frameBytes;
    const double step = double(f.rate) / rate;
    const std::uint64_t outCount = f.rate == rate ? frames : std::uint64_t(double(frames) * rate / f.rate);

    const int fd = ::open(raw.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return std::nullopt;
    const off_t before = ::lseek(fd, 0, SEEK_END);
    bool ok = before >= 0 && in.seekg(std::streamoff(chunk->offset));

    // Linear interpolation across blocks: `previous` is the sample just
    // before the block, output k sits at input position k * step.
    constexpr std::uint64_t kBlockFrames = 8192;
    std::vector<char> bytes(kBlockFrames * frameBytes);
    std::vector<std::int16_t> block, out;
    std::string encoded;
    std::int16_t previous = 0;
    std::uint64_t start = 0, written = 0;
    while (ok && start < frames && written < outCount) {
        const std::uint64_t count = std::min(kBlockFrames, frames - start);
        if (!in.read(bytes.data(), std::streamsize(count * frameBytes))) {
            ok = false;
            break;
        }
        block.resize(count);
        for (std::uint64_t i = 0; i < count; ++i) {
            const auto* frame = reinterpret_cast<const unsigned char*>(bytes.data() + i * frameBytes);
            int sum = 0;
            for (int c = 0; c < f.channels; ++c) sum += sampleAt(f, frame + c * sampleBytes);
            block[i] = std::int16_t(sum / f.channels);
        }
        const bool last = start + count == frames;
        auto at = [&](std::uint64_t i) { return i < start ? previous : block[i - start]; };
        out.clear();
        if (f.rate == rate) {
            out = block;
            written += count;
        } else {
            for (; written < outCount; ++written) {
                const double position = double(written) * step;
                const auto left = std::uint64_t(position);
                if (left + 1 >= start + count && !last) break;  // its right neighbour comes with the next block
                const std::uint64_t right = std::min(left + 1, frames - 1);
                const double fraction = position - double(left);
                out.push_back(std::int16_t(at(left) + (at(right) - at(left)) * fraction));
            }
        }
        previous = block.back();
        start += count;
        encoded.clear();
        putSamples(encoded, out.data(), out.size());
        ok = writeAll(fd, encoded.data(), encoded.size());
    }
    const off_t after = ok ? ::lseek(fd, 0, SEEK_END) : before;
    if (!ok && before >= 0 && ::ftruncate(fd, before) != 0) ok = false;
    ok = ::close(fd) == 0 && ok;
    if (!ok || after < before) return std::nullopt;
    return std::uint64_t(after - before);
}

bool appendSilenceAsPcm(const std::filesystem::path& raw, std::uint64_t bytes) {
    const int fd = ::open(raw.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    const off_t before = ::lseek(fd, 0, SEEK_END);
    bool ok = before >= 0;
    const std::vector<char> zeros(std::min<std::uint64_t>(bytes, 64 * 1024), 0);
    for (std::uint64_t left = bytes; ok && left > 0;) {
        const std::size_t count = std::size_t(std::min<std::uint64_t>(left, zeros.size()));
        ok = writeAll(fd, zeros.data(), count);
        left -= count;
    }
    if (!ok && before >= 0 && ::ftruncate(fd, before) != 0) ok = false;
    return ::close(fd) == 0 && ok;
}

bool writeWaveFromPcm(const std::filesystem::path& path, const std::filesystem::path& raw, int rate) {
    const int source = ::open(raw.c_str(), O_RDONLY | O_CLOEXEC);
    if (source < 0) return false;
    struct stat rawStat {};
    if (::fstat(source, &rawStat) != 0 || std::uint64_t(rawStat.st_size) > kMaxWaveData) {
        ::close(source);
        return false;
    }
    const std::uint64_t dataBytes = std::uint64_t(rawStat.st_size) & ~std::uint64_t(1);
    // In place, not renamed: the path may be a device the caller chose.
    const int target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (target < 0) {
        ::close(source);
        return false;
    }
    struct stat targetStat {};
    const bool regular = ::fstat(target, &targetStat) == 0 && S_ISREG(targetStat.st_mode);
    if (regular) ::fchmod(target, 0600);
    const std::string header = pcmHeader(rate, dataBytes);
    bool ok = writeAll(target, header.data(), header.size());
    off_t offset = 0;
    std::uint64_t left = dataBytes;
    while (ok && left > 0) {
        const ssize_t n = ::copy_file_range(source, &offset, target, nullptr, left, 0);
        if (n > 0) {
            left -= std::uint64_t(n);
            continue;
        }
        if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
            // No copy in the kernel between these files: through a buffer.
            std::vector<char> buffer(1 << 20);
            while (ok && left > 0) {
                const ssize_t got =
                    ::pread(source, buffer.data(), std::min<std::uint64_t>(buffer.size(), left), offset);
                ok = got > 0 && writeAll(target, buffer.data(), std::size_t(got));
                offset += got;
                left -= ok ? std::uint64_t(got) : 0;
            }
            break;
        }
        ok = false;  // a write error, or the raw file shrank
    }
    ok = ::close(target) == 0 && ok;
    ::close(source);
    if (!ok && regular) ::unlink(path.c_str());  // half a wave is no recording
    return ok;
}

}  // namespace velmora::engine
