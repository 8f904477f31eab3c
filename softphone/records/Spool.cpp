#include "Spool.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace velmora::records {
namespace {

// Once the confirmed part of the file is this large and what is left small,
// the rest is copied into a fresh file; the copy is cheap and rare.
constexpr std::uint64_t kCompactAfter = 1 << 20;
constexpr std::uint64_t kCompactTailAtMost = 1 << 20;

bool writeAll(int fd, const char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const auto written = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        size -= static_cast<std::size_t>(written);
        offset += static_cast<std::uint64_t>(written);
    }
    return true;
}

bool readAll(int fd, char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const auto got = ::pread(fd, data, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

std::runtime_error failure(const std::string& what, const std::filesystem::path& file) {
    return std::runtime_error(what + " " + file.string() + ": " + std::strerror(errno));
}

}  // namespace

int Spool::openFile(const std::filesystem::path& path, int extraFlags) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | extraFlags, 0600);
    if (fd < 0) throw failure("cannot open", path);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw std::runtime_error("not a regular file: " + path.string());
    }
    if ((info.st_mode & 077) != 0) ::fchmod(fd, 0600);
    // One program per spool: a second one would confirm rows it never sent.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        throw std::runtime_error("in use by another program: " + path.string());
    }
    return fd;
}

Spool::Spool(std::filesystem::path file, Limits limits) : file_(std::move(file)), limits_(limits) {
    fd_ = openFile(file_, 0);
    struct stat info {};
    ::fstat(fd_, &info);
    std::string content(static_cast<std::size_t>(info.st_size), '\0');
    if (!readAll(fd_, content.data(), content.size(), 0)) {
        ::close(fd_);
        throw failure("cannot read", file_);
    }
    const auto scan = scanSpool(content);
    unreadableAtOpen_ = scan.unreadable;
    for (const auto& row : scan.rows) {
        rows_.push_back({nextSeq_++, row.offset, row.length});
        pendingBytes_ += row.length;
    }
    end_ = scan.end;
    if (end_ < kHeaderSize) {
        end_ = kHeaderSize;
        if (!writeHead(kHeaderSize)) {
            ::close(fd_);
            throw failure("cannot write", file_);
        }
    }
    // A line torn by a crash is cut off, so the next row starts a line.
    if (static_cast<std::uint64_t>(info.st_size) > end_ && ::ftruncate(fd_, static_cast<off_t>(end_)) != 0) {
        ::close(fd_);
        throw failure("cannot truncate", file_);
    }
    droppedAtOpen_ = dropOldest(0);
    compactIfWorthIt();
}

Spool::~Spool() {
    if (fd_ >= 0) ::close(fd_);
}

bool Spool::writeHead(std::uint64_t head) {
    const auto header = encodeHeader(head);
    return writeAll(fd_, header.data(), header.size(), 0);
}

std::size_t Spool::dropOldest(std::uint64_t incoming) {
    std::size_t dropped = 0;
    while (!rows_.empty() &&
           (rows_.size() + (incoming ? 1 : 0) > limits_.maxRows || pendingBytes_ + incoming > limits_.maxBytes)) {
        pendingBytes_ -= rows_.front().length;
        rows_.pop_front();
        ++dropped;
    }
    if (dropped) writeHead(rows_.empty() ? end_ : rows_.front().offset);
    return dropped;
}

Spool::Appended Spool::append(const core::CallRecordRow& row, bool sync) {
    const auto line = encodeRow(sanitized(row));
    std::lock_guard lock(mutex_);
    Appended result;
    result.dropped = dropOldest(line.size());
    if (!writeAll(fd_, line.data(), line.size(), end_) || (sync && ::fdatasync(fd_) != 0)) {
        [[maybe_unused]] const int cut = ::ftruncate(fd_, static_cast<off_t>(end_));
        return result;
    }
    rows_.push_back({nextSeq_++, end_, static_cast<std::uint32_t>(line.size())});
    end_ += line.size();
    pendingBytes_ += line.size();
    result.ok = true;
    return result;
}

void Spool::sync() {
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        fd = fd_;  // replaced only by compaction, which runs on the writer thread too
    }
    ::fdatasync(fd);
}

std::vector<Spool::Pending> Spool::peek(std::size_t max) {
    std::lock_guard lock(mutex_);
    std::vector<Pending> out;
    std::string line;
    for (std::size_t i = 0; i < rows_.size() && out.size() < max;) {
        const auto& entry = rows_[i];
        line.resize(entry.length);
        std::optional<core::CallRecordRow> row;
        if (readAll(fd_, line.data(), line.size(), entry.offset))
            row = decodeRow(std::string_view(line).substr(0, line.size() - 1));
        if (!row) {
            // Changed on disk behind our back: no use keeping it.
            pendingBytes_ -= entry.length;
            rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        out.push_back({entry.seq, std::move(*row)});
        ++i;
    }
    return out;
}

void Spool::confirm(std::uint64_t seq) {
    std::lock_guard lock(mutex_);
    bool changed = false;
    while (!rows_.empty() && rows_.front().seq <= seq) {
        pendingBytes_ -= rows_.front().length;
        rows_.pop_front();
        changed = true;
    }
    if (!changed) return;
    if (rows_.empty()) {
        // All in the database: the file shrinks back to its header.
        if (::ftruncate(fd_, static_cast<off_t>(kHeaderSize)) == 0) end_ = kHeaderSize;
        writeHead(end_);
        return;
    }
    writeHead(rows_.front().offset);
    compactIfWorthIt();
}

void Spool::compactIfWorthIt() {
    const std::uint64_t head = rows_.empty() ? end_ : rows_.front().offset;
    const std::uint64_t tail = end_ - head;
    const bool cheap = head >= kCompactAfter && tail <= kCompactTailAtMost;
    const bool tooLarge = end_ > 2 * limits_.maxBytes + kHeaderSize;
    if (head == kHeaderSize || !(cheap || tooLarge)) return;

    // The rest goes to a fresh file that replaces this one in one rename; a
    // crash before the rename leaves the old file, which is still right.
    const auto fresh = std::filesystem::path(file_.string() + ".new");
    ::unlink(fresh.c_str());
    int fd = -1;
    try {
        fd = openFile(fresh, O_EXCL);
    } catch (const std::exception&) {
        return;
    }
    std::string rest(tail, '\0');
    const auto header = encodeHeader(kHeaderSize);
    const bool copied = readAll(fd_, rest.data(), rest.size(), head) && writeAll(fd, header.data(), header.size(), 0) &&
                        writeAll(fd, rest.data(), rest.size(), kHeaderSize) && ::fsync(fd) == 0;
    if (!copied || ::rename(fresh.c_str(), file_.c_str()) != 0) {
        ::unlink(fresh.c_str());
        ::close(fd);
        return;
    }
    if (const int dir = ::open(file_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    ::close(fd_);
    fd_ = fd;
    for (auto& entry : rows_) entry.offset = entry.offset - head + kHeaderSize;
    end_ = end_ - head + kHeaderSize;
}

std::size_t Spool::size() const {
    std::lock_guard lock(mutex_);
    return rows_.size();
}

std::uint64_t Spool::bytes() const {
    std::lock_guard lock(mutex_);
    return pendingBytes_;
}

}  // namespace velmora::records
