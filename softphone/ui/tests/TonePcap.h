#pragma once

// An RTP capture of a tone, for a sipp peer to play into a call
// (play_pcap_audio), so that what a recording holds can be told apart by
// frequency from what another call's far end sent.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace velmora::e2e {

namespace tone_pcap_detail {

inline std::uint8_t muLaw(int sample) {
    const int sign = sample < 0 ? 0x80 : 0;
    int magnitude = std::min(std::abs(sample), 32635) + 0x84;
    int exponent = 7;
    for (int mask = 0x4000; (magnitude & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
    const int mantissa = (magnitude >> (exponent + 3)) & 0x0F;
    return std::uint8_t(~(sign | exponent << 4 | mantissa));
}

inline void put(std::string& out, std::uint32_t value, int bytes, bool bigEndian = false) {
    for (int i = 0; i < bytes; ++i) {
        const int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        out.push_back(char((value >> shift) & 0xFF));
    }
}

}  // namespace tone_pcap_detail

// An RTP capture of a G.711 u-law tone, 20 ms a packet, for sipp to play.
inline void writeTonePcap(const std::filesystem::path& file, double frequency, double seconds) {
    using tone_pcap_detail::muLaw;
    using tone_pcap_detail::put;
    std::string out;
    put(out, 0xa1b2c3d4, 4);
    put(out, 2, 2);
    put(out, 4, 2);
    put(out, 0, 4);
    put(out, 0, 4);
    put(out, 65535, 4);
    put(out, 1, 4);  // Ethernet
    const int packets = int(seconds * 50);
    for (int p = 0; p < packets; ++p) {
        std::string rtp;
        put(rtp, 0x80, 1);
        put(rtp, p == 0 ? 0x80 : 0x00, 1);  // payload type 0, marker on the first
        put(rtp, std::uint32_t(p), 2, true);
        put(rtp, std::uint32_t(p * 160), 4, true);
        put(rtp, 0x12345678, 4, true);
        for (int i = 0; i < 160; ++i)
            rtp.push_back(char(muLaw(int(12000 * std::sin(2 * M_PI * frequency * (p * 160 + i) / 8000.0)))));
        std::string frame(12, '\0');
        put(frame, 0x0800, 2, true);
        std::string ip;
        put(ip, 0x4500, 2, true);
        put(ip, std::uint32_t(20 + 8 + rtp.size()), 2, true);
        put(ip, 0, 4);
        put(ip, 0x4011, 2, true);  // TTL 64, UDP
        put(ip, 0, 2);
        put(ip, 0x7f000001, 4, true);
        put(ip, 0x7f000001, 4, true);
        std::string udp;
        put(udp, 6000, 2, true);
        put(udp, 6002, 2, true);
        put(udp, std::uint32_t(8 + rtp.size()), 2, true);
        put(udp, 0, 2);
        const std::string packet = frame + ip + udp + rtp;
        put(out, std::uint32_t(p / 50), 4);
        put(out, std::uint32_t((p % 50) * 20000), 4);
        put(out, std::uint32_t(packet.size()), 4);
        put(out, std::uint32_t(packet.size()), 4);
        out += packet;
    }
    std::ofstream(file, std::ios::binary) << out;
}

}  // namespace velmora::e2e
