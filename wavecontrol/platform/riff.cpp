#include "platform/riff.h"

#include <QFile>

namespace tonwell {

namespace {

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace

std::uint64_t Chunk::end() const {
    const bool form = id == kRiff || id == fourcc("LIST");
    return dataOffset - (form ? 4 : 0) + size;
}

bool RiffReader::open(const QString& path) {
    close();
    file_ = std::fopen(QFile::encodeName(path).constData(), "rb");
    return start();
}

bool RiffReader::openMemory(const void* bytes, std::size_t size) {
    close();
    // fmemopen refuses a zero-sized buffer: nothing reads as an empty file.
    file_ = size ? fmemopen(const_cast<void*>(bytes), size, "rb") : std::fopen("/dev/null", "rb");
    return start();
}

bool RiffReader::start() {
    if (!file_) return false;
    if (fseeko(file_, 0, SEEK_END) != 0) {
        close();
        return false;
    }
    fileSize_ = static_cast<std::uint64_t>(ftello(file_));
    pos_ = 0;
    if (!seek(0)) {
        close();
        return false;
    }
    return true;
}

void RiffReader::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool RiffReader::seek(std::uint64_t offset) {
    if (!file_ || offset > fileSize_ || fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    pos_ = offset;
    return true;
}

bool RiffReader::readHeader(std::uint32_t* id, std::uint32_t* size) {
    unsigned char h[8];
    if (read(h, 8) != 8) return false;
    *id = le32(h);
    *size = le32(h + 4);
    return true;
}

long long RiffReader::read(void* buffer, std::size_t n) {
    if (!file_) return -1;
    const std::size_t got = std::fread(buffer, 1, n, file_);
    if (got < n && std::ferror(file_)) return -1;
    pos_ += got;
    return static_cast<long long>(got);
}

bool RiffReader::findRiff(std::uint32_t formType, Chunk* out) {
    while (file_) {
        const std::uint64_t start = pos_;
        std::uint32_t id = 0, size = 0;
        if (!readHeader(&id, &size)) return false;
        if (id == kRiff) {
            unsigned char t[4];
            if (size < 4 || read(t, 4) != 4) return false;
            if (le32(t) == formType) {
                *out = Chunk{id, size, formType, start + 12};
                return true;
            }
        }
        const std::uint64_t next = start + 8 + size + (size & 1u);
        if (next > fileSize_ || !seek(next)) return false;
    }
    return false;
}

bool RiffReader::findChunk(const Chunk& parent, std::uint32_t id, Chunk* out) {
    const std::uint64_t parentEnd = parent.end();
    while (file_ && pos_ + 8 <= parentEnd) {
        const std::uint64_t start = pos_;
        std::uint32_t cid = 0, size = 0;
        if (!readHeader(&cid, &size)) return false;
        if (cid == id) {
            *out = Chunk{cid, size, 0, start + 8};
            return true;
        }
        const std::uint64_t next = start + 8 + size + (size & 1u);
        if (next > parentEnd || next > fileSize_ || !seek(next)) return false;
    }
    return false;
}

bool RiffReader::ascend(const Chunk& chunk) {
    std::uint64_t next = chunk.end();
    if (chunk.size & 1u) ++next;
    // A last chunk without its pad byte is still a whole chunk.
    if (next > fileSize_ && next - 1 == fileSize_ && (chunk.size & 1u)) next = fileSize_;
    return seek(next);
}

bool RiffWriter::create(const QString& path) {
    close();
    file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
    pos_ = 0;
    return file_ != nullptr;
}

bool RiffWriter::close() {
    bool ok = true;
    if (file_) ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

bool RiffWriter::write(const void* data, std::size_t n) {
    if (!file_ || std::fwrite(data, 1, n, file_) != n) return false;
    pos_ += n;
    return true;
}

bool RiffWriter::createChunk(Chunk* chunk, std::uint32_t id, std::uint32_t formType) {
    unsigned char h[12];
    putLe32(h, id);
    putLe32(h + 4, 0);
    const bool form = id == kRiff || id == fourcc("LIST");
    putLe32(h + 8, formType);
    const std::uint64_t start = pos_;
    if (!write(h, form ? 12 : 8)) return false;
    *chunk = Chunk{id, 0, form ? formType : 0, start + (form ? 12 : 8)};
    return true;
}

bool RiffWriter::ascend(Chunk* chunk) {
    if (!file_) return false;
    const bool form = chunk->id == kRiff || chunk->id == fourcc("LIST");
    const std::uint64_t headerAt = chunk->dataOffset - (form ? 12 : 8);
    const std::uint64_t size = pos_ - chunk->dataOffset + (form ? 4 : 0);
    if (size > 0xFFFFFFFFull) return false;
    chunk->size = static_cast<std::uint32_t>(size);
    if (size & 1u) {
        const unsigned char pad = 0;
        if (!write(&pad, 1)) return false;
    }
    const std::uint64_t here = pos_;
    unsigned char s[4];
    putLe32(s, chunk->size);
    if (fseeko(file_, static_cast<off_t>(headerAt + 4), SEEK_SET) != 0 || std::fwrite(s, 1, 4, file_) != 4 ||
        fseeko(file_, static_cast<off_t>(here), SEEK_SET) != 0)
        return false;
    return true;
}

}  // namespace tonwell
