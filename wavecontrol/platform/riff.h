// RIFF files: a buffered reader that descends into chunks and ascends out of them, and a writer
// that creates chunks and fixes their sizes on ascent.
#pragma once
#include <QString>
#include <cstdint>
#include <cstdio>

namespace tonwell {

constexpr std::uint32_t fourcc(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) | (std::uint32_t(std::uint8_t(s[1])) << 8) |
           (std::uint32_t(std::uint8_t(s[2])) << 16) | (std::uint32_t(std::uint8_t(s[3])) << 24);
}

constexpr std::uint32_t kRiff = fourcc("RIFF");
constexpr std::uint32_t kWave = fourcc("WAVE");
constexpr std::uint32_t kFmt = fourcc("fmt ");
constexpr std::uint32_t kData = fourcc("data");

struct Chunk {
    std::uint32_t id = 0;
    std::uint32_t size = 0;        // as the file says (may exceed the file)
    std::uint32_t formType = 0;    // RIFF and LIST only
    std::uint64_t dataOffset = 0;  // first byte of the chunk's data (after the form type for RIFF)
    std::uint64_t end() const;     // first byte after the data, before any pad byte
};

class RiffReader {
public:
    RiffReader() = default;
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;
    ~RiffReader() { close(); }

    bool open(const QString& path);
    // Reads from memory instead of a file (the bytes must outlive the reader).
    bool openMemory(const void* bytes, std::size_t size);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // Searches from the current position, at the top level, for a RIFF chunk of `formType` and
    // stops inside it (after its form type).
    bool findRiff(std::uint32_t formType, Chunk* out);
    // Searches forward from the current position, inside `parent`, for a chunk with `id` and
    // stops at its data. Chunks that run past their parent end the search.
    bool findChunk(const Chunk& parent, std::uint32_t id, Chunk* out);
    // Moves past `chunk` and its pad byte.
    bool ascend(const Chunk& chunk);
    // Reads up to n bytes; returns the count read (less at the end of the file), -1 on error.
    long long read(void* buffer, std::size_t n);

private:
    bool start();
    bool readHeader(std::uint32_t* id, std::uint32_t* size);
    bool seek(std::uint64_t offset);
    std::FILE* file_ = nullptr;
    std::uint64_t pos_ = 0;
    std::uint64_t fileSize_ = 0;
};

class RiffWriter {
public:
    RiffWriter() = default;
    RiffWriter(const RiffWriter&) = delete;
    RiffWriter& operator=(const RiffWriter&) = delete;
    ~RiffWriter() { close(); }

    bool create(const QString& path);
    bool close();
    bool isOpen() const { return file_ != nullptr; }

    // Starts a chunk at the current position (a RIFF or LIST chunk takes `formType`).
    bool createChunk(Chunk* chunk, std::uint32_t id, std::uint32_t formType = 0);
    bool write(const void* data, std::size_t n);
    // Ends `chunk`: writes its real size into its header and pads an odd size with one byte.
    bool ascend(Chunk* chunk);

private:
    std::FILE* file_ = nullptr;
    std::uint64_t pos_ = 0;
};

}  // namespace tonwell
