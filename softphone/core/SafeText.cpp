#include "SafeText.h"

#include <algorithm>

namespace velmora::core {
namespace {

// The length of the valid UTF-8 sequence at s[i] and its code point; 0 when
// the bytes there are not one (overlong forms and surrogates included).
std::size_t decode(const std::string& s, std::size_t i, char32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    std::size_t n;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        n = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        n = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        n = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool isControl(char32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0); }

// Marks and embeddings, overrides and isolates of the bidirectional algorithm.
bool isDirectionControl(char32_t cp) {
    return cp == 0x200E || cp == 0x200F || cp == 0x061C || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

}  // namespace

std::string shownText(const std::string& raw, std::size_t maxChars) {
    std::string out;
    out.reserve(std::min(raw.size(), maxChars * 4));
    std::size_t chars = 0;
    for (std::size_t i = 0; i < raw.size();) {
        char32_t cp = 0;
        std::size_t n = decode(raw, i, cp);
        if (chars == maxChars) return out + "...";
        if (n == 0) {
            out += "\xEF\xBF\xBD";  // U+FFFD
            ++i;
        } else if (isControl(cp)) {
            out += ' ';
            i += n;
        } else if (isDirectionControl(cp)) {
            i += n;
            continue;
        } else {
            out.append(raw, i, n);
            i += n;
        }
        ++chars;
    }
    return out;
}

std::string oneLine(const std::string& raw) {
    std::string out = raw;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

}  // namespace velmora::core
