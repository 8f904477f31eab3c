#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora::records {

struct FileDigest {
    std::uint64_t size = 0;
    std::string sha256;  // lower-case hex
};

// The size and SHA-256 of a saved recording, read on the writer's thread;
// nullopt when it cannot be read (moved or deleted since).
std::optional<FileDigest> digestFile(const std::filesystem::path& file);

}  // namespace velmora::records
