#include "SpoolFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <tuple>

namespace velmora::records {
namespace {

constexpr std::string_view kRowTag = "r1";
constexpr std::string_view kHeaderTag = "VMRSPOOL1 head=";
constexpr std::size_t kFieldCount = 19;  // the tag and 18 values

// Valid UTF-8 without NUL, cut to at most bound bytes at a character boundary.
std::string cleanText(const std::string& text, std::size_t bound) {
    std::string out;
    out.reserve(std::min(text.size(), bound));
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        std::size_t length = 0;
        std::uint32_t lowest = 0;
        if (c < 0x80)
            length = 1;
        else if ((c & 0xE0) == 0xC0)
            length = 2, lowest = 0x80;
        else if ((c & 0xF0) == 0xE0)
            length = 3, lowest = 0x800;
        else if ((c & 0xF8) == 0xF0)
            length = 4, lowest = 0x10000;
        bool valid = length > 0 && i + length <= n;
        std::uint32_t code = length == 1 ? c : (c & (0x7F >> length));
        for (std::size_t k = 1; valid && k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                code = (code << 6) | (s[i + k] & 0x3F);
        }
        if (valid && length > 1 && (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)))
            valid = false;
        std::string_view piece = valid ? std::string_view(text.data() + i, length) : "\xEF\xBF\xBD";
        if (valid && c == 0) piece = {};
        if (out.size() + piece.size() > bound) break;
        out.append(piece);
        i += valid ? length : 1;
    }
    return out;
}

std::int64_t clampTime(std::int64_t t) { return std::clamp<std::int64_t>(t, 0, kLastSecond); }

void appendEscaped(std::string& out, const std::string& text) {
    for (const char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
}

std::optional<std::string> unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\r') return std::nullopt;  // written escaped, never raw
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) return std::nullopt;
        switch (field[i]) {
        case '\\': out += '\\'; break;
        case 't': out += '\t'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return std::nullopt;
        }
    }
    return out;
}

template <typename T>
std::optional<T> number(std::string_view field) {
    // One spelling per number, the one encodeRow writes.
    if (field.size() > 1 && (field[0] == '0' || (field[0] == '-' && field[1] == '0'))) return std::nullopt;
    T value{};
    const auto* end = field.data() + field.size();
    const auto [at, error] = std::from_chars(field.data(), end, value);
    if (error != std::errc() || at != end || field.empty()) return std::nullopt;
    return value;
}

}  // namespace

core::CallRecordRow sanitized(core::CallRecordRow row) {
    for (auto* text : {&row.callId, &row.agentLogin, &row.agentName, &row.account, &row.machine, &row.direction,
                       &row.number, &row.callerName, &row.outcome, &row.recordingSha256})
        *text = cleanText(*text, kMaxTextBytes);
    row.recordingFile = cleanText(row.recordingFile, kMaxPathBytes);
    row.line = std::clamp(row.line, 0, 1000);
    row.startUtc = clampTime(row.startUtc);
    row.answerUtc = clampTime(row.answerUtc);
    row.endUtc = clampTime(row.endUtc);
    row.utcOffsetSeconds = std::clamp(row.utcOffsetSeconds, -kMaxUtcOffset, kMaxUtcOffset);
    row.seconds = std::clamp<long>(row.seconds, 0, 1'000'000'000L);
    row.recordingSize = std::min<std::uint64_t>(row.recordingSize, std::numeric_limits<std::int64_t>::max());
    return row;
}

bool sameRow(const core::CallRecordRow& a, const core::CallRecordRow& b) {
    auto tie = [](const core::CallRecordRow& r) {
        return std::tie(r.callId, r.agentLogin, r.agentName, r.account, r.machine, r.line, r.direction, r.number,
                        r.callerName, r.startUtc, r.answerUtc, r.endUtc, r.utcOffsetSeconds, r.seconds, r.outcome,
                        r.recordingFile, r.recordingSize, r.recordingSha256);
    };
    return tie(a) == tie(b);
}

namespace {

// The row's fields in their order on a spool line, for writing and reading
// alike: text fields to text, numbers to num.
template <typename Row, typename Text, typename Num>
void eachField(Row& row, Text text, Num num) {
    text(row.callId);
    text(row.agentLogin);
    text(row.agentName);
    text(row.account);
    text(row.machine);
    num(row.line);
    text(row.direction);
    text(row.number);
    text(row.callerName);
    num(row.startUtc);
    num(row.answerUtc);
    num(row.endUtc);
    num(row.utcOffsetSeconds);
    num(row.seconds);
    text(row.outcome);
    text(row.recordingFile);
    num(row.recordingSize);
    text(row.recordingSha256);
}

}  // namespace

std::string encodeRow(const core::CallRecordRow& row) {
    std::string out(kRowTag);
    auto text = [&out](const std::string& value) {
        out += '\t';
        appendEscaped(out, value);
    };
    auto num = [&out](auto value) {
        out += '\t';
        out += std::to_string(value);
    };
    eachField(row, text, num);
    out += '\n';
    return out;
}

std::optional<core::CallRecordRow> decodeRow(std::string_view line) {
    if (line.size() >= kMaxLineBytes) return std::nullopt;
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos || fields.size() > kFieldCount) break;
        start = tab + 1;
    }
    if (fields.size() != kFieldCount || fields[0] != kRowTag) return std::nullopt;

    core::CallRecordRow row;
    std::size_t next = 1;
    bool ok = true;
    auto text = [&](std::string& into) {
        auto value = unescape(fields[next++]);
        if (value)
            into = std::move(*value);
        else
            ok = false;
    };
    auto num = [&](auto& into) {
        auto value = number<std::remove_reference_t<decltype(into)>>(fields[next++]);
        if (value)
            into = *value;
        else
            ok = false;
    };
    eachField(row, text, num);
    // Only what a sanitized row encodes to: anything else was not written by us.
    if (!ok || !sameRow(sanitized(row), row)) return std::nullopt;
    return row;
}

std::string encodeHeader(std::uint64_t head) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(head));
    std::string header(kHeaderTag);
    header += hex;
    header += '\n';
    return header;  // kHeaderSize bytes
}

std::optional<std::uint64_t> decodeHeader(std::string_view bytes) {
    if (bytes.size() < kHeaderSize || bytes.substr(0, kHeaderTag.size()) != kHeaderTag ||
        bytes[kHeaderSize - 1] != '\n')
        return std::nullopt;
    const auto hex = bytes.substr(kHeaderTag.size(), 16);
    std::uint64_t head = 0;
    const auto [at, error] = std::from_chars(hex.data(), hex.data() + hex.size(), head, 16);
    if (error != std::errc() || at != hex.data() + hex.size()) return std::nullopt;
    return head;
}

SpoolScan scanSpool(std::string_view content) {
    SpoolScan scan;
    if (content.size() < kHeaderSize) {
        scan.end = 0;  // nothing usable: the file is started afresh
        scan.head = 0;
        return scan;
    }
    if (auto head = decodeHeader(content);
        head && *head >= kHeaderSize && *head <= content.size() && content[*head - 1] == '\n')
        scan.head = *head;
    scan.end = scan.head;
    for (std::uint64_t at = scan.head; at < content.size();) {
        const auto newline = content.find('\n', at);
        if (newline == std::string_view::npos) break;  // torn by a crash: dropped
        const auto line = content.substr(at, newline - at);
        if (decodeRow(line))
            scan.rows.push_back({at, static_cast<std::uint32_t>(line.size() + 1)});
        else
            ++scan.unreadable;
        at = newline + 1;
        scan.end = at;
    }
    return scan;
}

}  // namespace velmora::records
