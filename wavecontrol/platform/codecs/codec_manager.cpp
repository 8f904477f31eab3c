#include "platform/codecs/codec.h"
#include "platform/codecs/codec_pair.h"

#include <algorithm>
#include <cstring>

namespace tonwell {

// --- the manager ------------------------------------------------------------------------

CodecManager::CodecManager() {
    drivers_.push_back(makePcmDriver());
    drivers_.push_back(makeALawDriver());
    drivers_.push_back(makeMuLawDriver());
    drivers_.push_back(makeImaAdpcmDriver());
    drivers_.push_back(makeGsm610Driver());
    drivers_.push_back(makeMp3Driver());
}

const CodecManager& CodecManager::instance() {
    static const CodecManager manager;
    return manager;
}

const CodecDriver* CodecManager::driver(std::uint16_t tag) const {
    for (const auto& d : drivers_)
        if (d->tag() == tag) return d.get();
    return nullptr;
}

std::size_t CodecManager::maxFormatSize() const {
    std::size_t size = kWaveFormatHeaderSize;
    for (const auto& d : drivers_) size = std::max(size, d->maxFormatSize());
    return size;
}

bool CodecManager::tagName(std::uint16_t tag, QString* name) const {
    const CodecDriver* d = driver(tag);
    if (!d) return false;
    *name = d->tagName();
    return true;
}

bool CodecManager::describe(const WaveFormat& f, QString* text) const {
    const CodecDriver* d = driver(f.tag);
    if (!d) return false;
    *text = d->describe(f);
    return true;
}

std::vector<WaveFormat> CodecManager::formats(FormatUse use) const {
    // Every driver here also encodes from PCM, so each of its formats can be recorded in.
    (void)use;
    std::vector<WaveFormat> all;
    for (const auto& d : drivers_) {
        const std::vector<WaveFormat> some = d->formats();
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

MMRESULT CodecManager::suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const {
    for (const auto& d : drivers_) {
        WaveFormat candidate = *dst;
        const MMRESULT rc = d->suggest(src, &candidate, flags);
        if (rc == MMSYSERR_NOERROR) *dst = candidate;
        if (rc != ACMERR_NOTPOSSIBLE) return rc;
    }
    return ACMERR_NOTPOSSIBLE;
}

namespace {

bool wellFormed(const WaveFormat& f) {
    return f.channels >= 1 && f.channels <= 8 && f.samplesPerSec >= kMinRate && f.samplesPerSec <= kMaxRate &&
           f.blockAlign > 0 && f.avgBytesPerSec > 0;
}

}  // namespace

MMRESULT CodecManager::openStream(const WaveFormat& src, const WaveFormat& dst, std::uint32_t flags,
                                  std::unique_ptr<CodecStream>* out) const {
    if (flags & ACM_STREAMOPENF_ASYNC) return MMSYSERR_NOTSUPPORTED;
    if (!wellFormed(src) || !wellFormed(dst) || (!src.isPcm() && !dst.isPcm())) return ACMERR_NOTPOSSIBLE;
    const CodecDriver* d = driver(src.isPcm() ? dst.tag : src.tag);
    if (!d) return ACMERR_NOTPOSSIBLE;
    std::unique_ptr<Converter> converter;
    if (const MMRESULT rc = d->openConverter(src, dst, &converter); rc != MMSYSERR_NOERROR) return rc;
    if (flags & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
    if (!out) return MMSYSERR_INVALPARAM;
    *out = std::make_unique<CodecStream>(std::move(converter), src, dst,
                                         std::max<std::uint32_t>(1, d->sourceAlign(src, dst)));
    return MMSYSERR_NOERROR;
}

// --- streams ----------------------------------------------------------------------------

CodecStream::CodecStream(std::unique_ptr<Converter> converter, WaveFormat src, WaveFormat dst, std::uint32_t align)
    : converter_(std::move(converter)), src_(std::move(src)), dst_(std::move(dst)), align_(align) {}

MMRESULT CodecStream::prepareHeader(StreamHeader* h) {
    if (!h || (!h->src && h->srcLength) || (!h->dst && h->dstLength)) return MMSYSERR_INVALPARAM;
    h->status = ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT CodecStream::unprepareHeader(StreamHeader* h) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (!(h->status & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    h->status = 0;
    return MMSYSERR_NOERROR;
}

bool CodecStream::run(std::span<const std::uint8_t> in, bool end) {
    pending_.clear();
    pendingAt_ = 0;
    if (ended_) return in.empty();  // a finished codec takes no more input
    if (in.empty() && !end) return true;
    if (!converter_->convert(in, end, pending_)) return false;
    ended_ = end;
    return true;
}

MMRESULT CodecStream::convert(StreamHeader* h, std::uint32_t flags) {
    if (!h) return MMSYSERR_INVALPARAM;
    if (!(h->status & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    h->status &= ~ACMSTREAMHEADER_STATUSF_DONE;
    h->srcLengthUsed = 0;
    h->dstLengthUsed = 0;
    auto drain = [&] {
        const std::size_t n = std::min<std::size_t>(pending_.size() - pendingAt_, h->dstLength - h->dstLengthUsed);
        if (n) std::memcpy(h->dst + h->dstLengthUsed, pending_.data() + pendingAt_, n);
        pendingAt_ += n;
        h->dstLengthUsed += static_cast<std::uint32_t>(n);
    };
    drain();
    if (!pending()) {
        const bool end = flags & ACM_STREAMCONVERTF_END;
        const std::uint32_t take = end ? h->srcLength : h->srcLength - h->srcLength % align_;
        if (!run(std::span<const std::uint8_t>(h->src, take), end)) return MMSYSERR_ERROR;
        h->srcLengthUsed = take;
        drain();
    }
    h->status |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT CodecStream::convert(std::span<const std::uint8_t> in, std::uint32_t flags, std::vector<std::uint8_t>& out,
                              std::size_t* used) {
    *used = 0;
    out.insert(out.end(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingAt_), pending_.end());
    pendingAt_ = pending_.size();
    const bool end = flags & ACM_STREAMCONVERTF_END;
    const std::size_t take = end ? in.size() : in.size() - in.size() % align_;
    if (!run(in.first(take), end)) return MMSYSERR_ERROR;
    out.insert(out.end(), pending_.begin(), pending_.end());
    pendingAt_ = pending_.size();
    *used = take;
    return MMSYSERR_NOERROR;
}

// --- the codec drivers' shared part -----------------------------------------------------

bool isMatchingPcm16(const WaveFormat& pcm, const WaveFormat& codec) {
    return pcm.isPcm() && pcm.bitsPerSample == 16 && pcm.channels == codec.channels &&
           pcm.samplesPerSec == codec.samplesPerSec && pcm.blockAlign == 2 * pcm.channels &&
           pcm.avgBytesPerSec == pcm.samplesPerSec * pcm.blockAlign;
}

MMRESULT CodecPairDriver::suggest(const WaveFormat& src, WaveFormat* dst, std::uint32_t flags) const {
    std::optional<WaveFormat> candidate;
    if (src.tag == tag() && accepts(src)) {
        candidate = WaveFormat::pcm(src.samplesPerSec, 16, src.channels);
    } else if (src.isPcm() && src.channels >= 1 && src.samplesPerSec >= kMinRate && src.samplesPerSec <= kMaxRate) {
        const std::uint32_t rate = (flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? dst->samplesPerSec : src.samplesPerSec;
        const std::uint16_t channels = (flags & ACM_FORMATSUGGESTF_NCHANNELS) ? dst->channels : src.channels;
        candidate = formatFor(rate, channels);
    }
    if (!candidate) return ACMERR_NOTPOSSIBLE;
    if (((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && candidate->tag != dst->tag) ||
        ((flags & ACM_FORMATSUGGESTF_NCHANNELS) && candidate->channels != dst->channels) ||
        ((flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && candidate->samplesPerSec != dst->samplesPerSec) ||
        ((flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && candidate->bitsPerSample != dst->bitsPerSample))
        return ACMERR_NOTPOSSIBLE;
    *dst = *candidate;
    return MMSYSERR_NOERROR;
}

MMRESULT CodecPairDriver::openConverter(const WaveFormat& src, const WaveFormat& dst,
                                        std::unique_ptr<Converter>* out) const {
    if (src.tag == tag() && accepts(src) && isMatchingPcm16(dst, src))
        *out = decoder(src);
    else if (dst.tag == tag() && accepts(dst) && isMatchingPcm16(src, dst))
        *out = encoder(dst);
    else
        return ACMERR_NOTPOSSIBLE;
    return *out ? MMSYSERR_NOERROR : MMSYSERR_NOMEM;
}

std::uint32_t CodecPairDriver::sourceAlign(const WaveFormat& src, const WaveFormat& dst) const {
    if (src.tag == tag()) return src.blockAlign;
    return samplesPerBlock(dst) * src.blockAlign;
}

// --- wording ----------------------------------------------------------------------------

QString rateText(std::uint32_t rate) {
    return QStringLiteral("%1.%2 kHz").arg(rate / 1000).arg(rate % 1000, 3, 10, QLatin1Char('0'));
}

QString channelsText(std::uint16_t channels) {
    if (channels == 1) return QStringLiteral("Mono");
    if (channels == 2) return QStringLiteral("Stereo");
    return QStringLiteral("%1 Channels").arg(channels);
}

}  // namespace tonwell
