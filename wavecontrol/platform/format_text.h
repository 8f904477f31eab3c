// Format records as text, as RecordUserFormat and ConvertFormat read and write them: two
// hexadecimal digits a byte, in memory order.
#pragma once
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tonwell {

// The bytes of a text of hexadecimal digits of either case; nothing when the length is odd or a
// character is not a hexadecimal digit.
std::optional<std::vector<std::uint8_t>> fromHex(const QString& text);
// Two uppercase digits a byte.
QString toHex(std::span<const std::uint8_t> bytes);
// Copies the bytes of `text` over the start of the format buffer when they fit it and so do the
// extra bytes of the record they leave there; otherwise changes nothing and returns false.
bool overlayRecordText(const QString& text, std::span<std::uint8_t> buffer);

}  // namespace tonwell
