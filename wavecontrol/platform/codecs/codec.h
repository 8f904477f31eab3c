// The codec manager: the installed drivers that name, describe, suggest and convert wave formats,
// and the conversion streams opened through it. Every conversion has PCM on one side or both:
// a codec driver converts between its own tag and PCM of the same rate and channels, the PCM
// driver between any two PCM formats (8/16-bit, mono/stereo, any rate).
#pragma once
#include "platform/waveformat.h"
#include "platform/waveout.h"  // MMRESULT and the system error codes

#include <QString>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace tonwell {

// The manager's own refusals (beside MMSYSERR_*): the formats cannot be bridged, a header is in
// use or was not prepared for this stream.
constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;
constexpr MMRESULT ACMERR_CANCELED = 515;

// openStream flags. Every driver here converts faster than real time, so NONREALTIME changes
// nothing; ASYNC (completion by callback) is not offered and is refused with
// MMSYSERR_NOTSUPPORTED. QUERY only asks whether the open would work.
constexpr std::uint32_t ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr std::uint32_t ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr std::uint32_t ACM_STREAMOPENF_NONREALTIME = 0x00000004;

// convert flags: BLOCKALIGN converts whole source blocks only (the tail is left for the caller
// to pass again); END converts everything given and flushes what the codec still holds.
constexpr std::uint32_t ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr std::uint32_t ACM_STREAMCONVERTF_START = 0x00000010;
constexpr std::uint32_t ACM_STREAMCONVERTF_END = 0x00000020;

constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr std::uint32_t ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;

// suggest flags: which fields of the destination are fixed by the caller.
constexpr std::uint32_t ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr std::uint32_t ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr std::uint32_t ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr std::uint32_t ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;

// Which formats a chooser or an enumeration lists: every format, or those a recording can be
// made in (formats the manager can produce from captured PCM).
enum class FormatUse { All, Input };

// One pass of a stream: the caller's source and destination buffers and what the pass did.
struct StreamHeader {
    std::uint32_t status = 0;  // ACMSTREAMHEADER_STATUSF_*
    std::uint8_t* src = nullptr;
    std::uint32_t srcLength = 0;
    std::uint32_t srcLengthUsed = 0;  // bytes converted; the rest is the caller's to pass again
    std::uint8_t* dst = nullptr;
    std::uint32_t dstLength = 0;
    std::uint32_t dstLengthUsed = 0;  // bytes produced
};

// A driver's converter between two formats it accepts. It is handed whole source blocks (all of
// the input on the end pass) and takes all of them; codecs may hold samples back until `end`.
class Converter {
public:
    virtual ~Converter() = default;
    // Appends the converted bytes to `out`; false when the input cannot be converted.
    virtual bool convert(std::span<const std::uint8_t> in, bool end, std::vector<std::uint8_t>& out) = 0;
};

// One installed driver: one format tag, a fixed list of formats.
class CodecDriver {
public:
    virtual ~CodecDriver() = default;
    virtual QString name() const = 0;  // the driver's short name ("Tonwell GSM 6.10")
    virtual std::uint16_t tag() const = 0;
    virtual QString tagName() const = 0;  // "GSM 6.10"
    // The largest format record of this driver, extra bytes included.
    virtual std::size_t maxFormatSize() const = 0;
    // The formats offered, in list order (what a chooser shows and a search looks through).
    virtual std::vector<WaveFormat> formats() const = 0;
    // The format's details text ("8.000 kHz, 16 Bit, Mono").
    virtual QString describe(const WaveFormat& f) const = 0;
    // A destination format this driver converts `src` to, restricted by `flags` to the fixed
    // fields of *dst. ACMERR_NOTPOSSIBLE when it has none.
    virtual MMRESULT suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const = 0;
    // A converter from `src` to `dst`, or ACMERR_NOTPOSSIBLE.
    virtual MMRESULT openConverter(const WaveFormat& src, const WaveFormat& dst,
                                   std::unique_ptr<Converter>* out) const = 0;
    // The source bytes that convert as one unit from `src` to `dst` (a codec block, a PCM frame,
    // or the PCM of one codec block).
    virtual std::uint32_t sourceAlign(const WaveFormat& src, const WaveFormat& dst) const = 0;
};

// A conversion stream from one format to another (acmStreamOpen and its companions). One thread
// at a time. Output that does not fit the destination is held and given out first on the next
// pass (pending()); a pass then takes no new source.
class CodecStream {
public:
    CodecStream(std::unique_ptr<Converter> converter, WaveFormat src, WaveFormat dst, std::uint32_t align);
    const WaveFormat& source() const { return src_; }
    const WaveFormat& destination() const { return dst_; }
    // Source bytes that convert as a unit: BLOCKALIGN passes use multiples of this.
    std::uint32_t sourceAlign() const { return align_; }

    MMRESULT prepareHeader(StreamHeader* h);
    MMRESULT unprepareHeader(StreamHeader* h);
    // Converts h->src[0, srcLength) into h->dst; sets srcLengthUsed, dstLengthUsed and the done
    // status. MMSYSERR_ERROR when the codec fails (the header is then not done).
    MMRESULT convert(StreamHeader* h, std::uint32_t flags);
    // Whether converted bytes are still held for the next pass.
    bool pending() const { return pendingAt_ < pending_.size(); }

    // Convenience for callers with growing buffers (the device mapper, an encoder): converts
    // `in` and appends all output to `out`, pending bytes included; *used as in convert.
    MMRESULT convert(std::span<const std::uint8_t> in, std::uint32_t flags, std::vector<std::uint8_t>& out,
                     std::size_t* used);

private:
    bool run(std::span<const std::uint8_t> in, bool end);
    std::unique_ptr<Converter> converter_;
    WaveFormat src_, dst_;
    std::uint32_t align_;
    bool ended_ = false;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingAt_ = 0;
};

class CodecManager {
public:
    static const CodecManager& instance();

    // The drivers in their fixed order: PCM, A-law, u-law, IMA ADPCM, GSM 6.10, MPEG Layer-3.
    std::span<const std::unique_ptr<CodecDriver>> drivers() const { return drivers_; }
    // The first driver of a tag, or null.
    const CodecDriver* driver(std::uint16_t tag) const;
    // The largest format size over all drivers (at least 18).
    std::size_t maxFormatSize() const;
    // False when no driver knows the tag (or, for describe, the format's tag).
    bool tagName(std::uint16_t tag, QString* name) const;
    bool describe(const WaveFormat& f, QString* text) const;
    // Every driver's formats in driver order, filtered by use.
    std::vector<WaveFormat> formats(FormatUse use = FormatUse::All) const;

    // Suggestion across all drivers: the first driver's answer that is not ACMERR_NOTPOSSIBLE.
    MMRESULT suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const;

    // Opens a stream from `src` to `dst`. ACMERR_NOTPOSSIBLE when no driver bridges the two
    // formats (or a format is malformed: no channels, no rate, no block align, no bytes per
    // second); MMSYSERR_NOTSUPPORTED for ASYNC.
    // With QUERY nothing is opened and `out` may be null.
    MMRESULT openStream(const WaveFormat& src, const WaveFormat& dst, std::uint32_t flags,
                        std::unique_ptr<CodecStream>* out) const;

private:
    CodecManager();
    std::vector<std::unique_ptr<CodecDriver>> drivers_;
};

// Shared wording of the format details.
QString rateText(std::uint32_t samplesPerSec);  // "8.000 kHz"
QString channelsText(std::uint16_t channels);   // "Mono", "Stereo", "3 Channels"

std::unique_ptr<CodecDriver> makePcmDriver();
std::unique_ptr<CodecDriver> makeALawDriver();
std::unique_ptr<CodecDriver> makeMuLawDriver();
std::unique_ptr<CodecDriver> makeImaAdpcmDriver();
std::unique_ptr<CodecDriver> makeGsm610Driver();
std::unique_ptr<CodecDriver> makeMp3Driver();

}  // namespace tonwell
