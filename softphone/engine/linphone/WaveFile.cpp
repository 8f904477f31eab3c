#include "WaveFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

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

bool writeWave(const std::filesystem::path& path, const WaveAudio& audio) {
    const std::uint32_t dataBytes = std::uint32_t(audio.samples.size() * 2);
    std::string header;
    header += "RIFF";
    put32(header, 36 + dataBytes);
    header += "WAVEfmt ";
    put32(header, 16);
    put16(header, kFormatPcm);
    put16(header, 1);
    put32(header, std::uint32_t(audio.sampleRate));
    put32(header, std::uint32_t(audio.sampleRate * 2));
    put16(header, 2);
    put16(header, 16);
    header += "data";
    put32(header, dataBytes);

    // Written in place, not through a renamed temporary: the path may be a
    // device or a link the program was given on purpose.
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    std::string data(dataBytes, '\0');
    for (std::size_t i = 0; i < audio.samples.size(); ++i) {
        const auto v = std::uint16_t(audio.samples[i]);
        data[2 * i] = char(v & 0xFF);
        data[2 * i + 1] = char(v >> 8);
    }
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
                   std::fwrite(data.data(), 1, data.size(), file) == data.size();
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

}  // namespace velmora::engine
