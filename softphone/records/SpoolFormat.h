#pragma once

#include "core/CallRecordSink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::records {

// Bounds of what one record may hold, in the spool and in the table. Longer
// texts are cut (at a character boundary); times are kept between 1970 and 9999.
inline constexpr std::size_t kMaxTextBytes = 1024;
inline constexpr std::size_t kMaxPathBytes = 4096;
inline constexpr std::int64_t kLastSecond = 253402300799;  // 9999-12-31 23:59:59 UTC
inline constexpr int kMaxUtcOffset = 18 * 3600;
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

// The row as it may be stored: valid UTF-8 (a broken sequence becomes U+FFFD),
// no NUL, every text within its bound, numbers within range.
core::CallRecordRow sanitized(core::CallRecordRow row);
bool sameRow(const core::CallRecordRow& a, const core::CallRecordRow& b);

// One spool line, '\n' included. Fields are separated by tabs; backslash,
// tab, CR and LF inside a text are escaped.
std::string encodeRow(const core::CallRecordRow& row);
// The row of one line (without its '\n'); nothing for a line that encodeRow
// could not have written from a sanitized row.
std::optional<core::CallRecordRow> decodeRow(std::string_view line);

// The spool starts with a fixed-size header naming where its first row the
// database has not confirmed begins.
inline constexpr std::size_t kHeaderSize = 32;
std::string encodeHeader(std::uint64_t head);
std::optional<std::uint64_t> decodeHeader(std::string_view bytes);

// What a spool file holds: its unconfirmed rows and where the last complete
// line ends (a torn last line, cut by a crash, lies beyond it).
struct SpoolScan {
    struct Entry {
        std::uint64_t offset = 0;
        std::uint32_t length = 0;  // '\n' included
    };
    std::uint64_t head = kHeaderSize;
    std::uint64_t end = kHeaderSize;
    std::vector<Entry> rows;
    std::size_t unreadable = 0;  // lines that hold no row; skipped
};
// A header that is missing, damaged or points anywhere but a line's start
// makes every line count as unconfirmed: sending a row twice is harmless.
SpoolScan scanSpool(std::string_view content);

}  // namespace velmora::records
