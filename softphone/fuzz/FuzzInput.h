#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace velmora::fuzz {

// The fuzzer's bytes cut into texts at NUL bytes: the first parts name what
// a parser takes besides its main text (a key, a domain), the rest is that text.
class Parts {
public:
    Parts(const std::uint8_t* bytes, std::size_t size) : rest_(reinterpret_cast<const char*>(bytes), size) {}
    std::string next() {
        const auto end = rest_.find('\0');
        std::string part(rest_.substr(0, end));
        rest_ = end == std::string_view::npos ? std::string_view() : rest_.substr(end + 1);
        return part;
    }
    std::string rest() const { return std::string(rest_); }

private:
    std::string_view rest_;
};

// A file of this process's own, rewritten for each input (the readers under
// test take paths).
inline std::filesystem::path scratchFile(const std::string& name, const std::string& content) {
    static const std::filesystem::path folder = [] {
        auto dir = std::filesystem::temp_directory_path() / ("velmora-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        return dir;
    }();
    const auto file = folder / name;
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
    return file;
}

}  // namespace velmora::fuzz
