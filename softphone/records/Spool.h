#pragma once

#include "SpoolFormat.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <vector>

namespace velmora::records {

// The call records the database has not confirmed yet, in a file of their
// own: appended as the calls end, read back in order by the writer,
// forgotten once committed. A crash of the program loses nothing that append
// returned from (the bytes are the kernel's); a crash of the machine nothing
// that was synced, by append itself or by sync. A row may at worst be sent
// twice, which the table ignores, so where the confirmed rows end is written
// but never waited for. Safe to use from two threads: the UI thread appends,
// the writer syncs, reads and confirms.
class Spool {
public:
    struct Limits {
        std::size_t maxRows = 100'000;
        std::uint64_t maxBytes = 64ull << 20;
    };
    struct Pending {
        std::uint64_t seq = 0;
        core::CallRecordRow row;
    };

    // Opens or creates the file (mode 0600, never through a symlink) and
    // takes it for this process; throws std::runtime_error with the reason.
    Spool(std::filesystem::path file, Limits limits);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    // Appends the row, and with sync waits until it is on disk; past the
    // limits the oldest rows are dropped first. Returns how many were
    // dropped; false in ok when the row could not be written.
    struct Appended {
        bool ok = false;
        std::size_t dropped = 0;
    };
    Appended append(const core::CallRecordRow& row, bool sync = true);
    // Waits until every row appended so far is on disk. Writer thread only.
    void sync();

    // Up to max of the oldest unconfirmed rows, oldest first.
    std::vector<Pending> peek(std::size_t max);
    // Rows up to and including seq are in the database.
    void confirm(std::uint64_t seq);

    std::size_t size() const;
    std::uint64_t bytes() const;  // of the unconfirmed rows
    std::size_t droppedAtOpen() const { return droppedAtOpen_; }
    std::size_t unreadableAtOpen() const { return unreadableAtOpen_; }
    const std::filesystem::path& file() const { return file_; }

private:
    struct Entry {
        std::uint64_t seq, offset;
        std::uint32_t length;
    };
    int openFile(const std::filesystem::path& path, int extraFlags);
    bool writeHead(std::uint64_t head);
    std::size_t dropOldest(std::uint64_t incoming);
    void compactIfWorthIt();

    std::filesystem::path file_;
    Limits limits_;
    mutable std::mutex mutex_;
    int fd_ = -1;
    std::deque<Entry> rows_;
    std::uint64_t end_ = 0, pendingBytes_ = 0, nextSeq_ = 1;
    std::size_t droppedAtOpen_ = 0, unreadableAtOpen_ = 0;
};

}  // namespace velmora::records
