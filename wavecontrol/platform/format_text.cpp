#include "platform/format_text.h"

#include "platform/waveformat.h"

#include <algorithm>

namespace tonwell {

namespace {

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> fromHex(const QString& text) {
    if (text.size() % 2) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(text.size()) / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return bytes;
}

QString toHex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    QString text(static_cast<qsizetype>(bytes.size() * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text[2 * i] = QLatin1Char(digits[bytes[i] >> 4]);
        text[2 * i + 1] = QLatin1Char(digits[bytes[i] & 0x0F]);
    }
    return text;
}

bool overlayRecordText(const QString& text, std::span<std::uint8_t> buffer) {
    // Checked before decoding: a long text is refused without building its bytes.
    if (static_cast<std::size_t>(text.size()) > 2 * buffer.size()) return false;
    const auto bytes = fromHex(text);
    if (!bytes) return false;
    std::vector<std::uint8_t> merged(buffer.begin(), buffer.end());
    std::copy(bytes->begin(), bytes->end(), merged.begin());
    if (kWaveFormatHeaderSize + formatbuf::u16(merged, 16) > merged.size()) return false;
    std::copy(merged.begin(), merged.end(), buffer.begin());
    return true;
}

}  // namespace tonwell
