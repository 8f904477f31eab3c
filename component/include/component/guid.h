// 128-bit class and interface identifiers, written "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace component {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    // Parses the registry form with or without braces; nullopt on any malformed text.
    static constexpr std::optional<Guid> parse(std::string_view text);
    // For literals known to be valid: a malformed literal fails to compile in a constant expression.
    static constexpr Guid of(std::string_view text) {
        auto g = parse(text);
        if (!g) throw "malformed GUID literal";
        return *g;
    }
    static std::optional<Guid> parse(const QString& text) {
        return parse(std::string_view(text.toLatin1().constData()));
    }

    QString toString() const;  // upper case, with braces
    bool isNull() const { return *this == Guid{}; }
    friend constexpr bool operator==(const Guid&, const Guid&) = default;
    friend constexpr auto operator<=>(const Guid&, const Guid&) = default;
};

namespace detail {
constexpr int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace detail

constexpr std::optional<Guid> Guid::parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    std::array<std::uint8_t, 16> bytes{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '-') {
            if (i != 8 && i != 13 && i != 18 && i != 23) return std::nullopt;
            ++i;
            continue;
        }
        const int hi = detail::hexValue(text[i]);
        const int lo = i + 1 < text.size() ? detail::hexValue(text[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n >= bytes.size()) return std::nullopt;
        bytes[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    if (n != 16) return std::nullopt;
    Guid g;
    g.data1 =
        (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) | bytes[3];
    g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
    g.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i) g.data4[i] = bytes[8 + i];
    return g;
}

}  // namespace component
