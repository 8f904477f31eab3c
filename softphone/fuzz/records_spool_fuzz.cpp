// libFuzzer target: the call-record spool as the program reads it back at
// start (after a crash, a full disk or someone else's hand), and each row.
#include "FuzzInput.h"
#include "records/Spool.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(bytes), size);
    const auto scan = records::scanSpool(content);
    if (scan.end > content.size() && content.size() >= records::kHeaderSize) std::abort();
    for (const auto& entry : scan.rows) {
        if (entry.offset < scan.head || entry.offset + entry.length > scan.end) std::abort();
        const auto line = content.substr(entry.offset, entry.length - 1);
        const auto row = records::decodeRow(line);
        if (!row) std::abort();
        // What is read back is written back the same.
        if (records::encodeRow(*row) != std::string(line) + "\n") std::abort();
    }
    if (const auto row = records::decodeRow(content)) {
        if (!records::sameRow(records::sanitized(*row), *row)) std::abort();
    }

    // The file itself: opened, read, appended to and emptied.
    const auto file = fuzz::scratchFile("records-spool", std::string(content));
    records::Spool spool(file, {50, 1 << 16});
    const auto pending = spool.peek(100);
    if (pending.size() != spool.size()) std::abort();
    core::CallRecordRow row;
    row.callId = "fuzz";
    if (!spool.append(row).ok) std::abort();
    spool.confirm(spool.peek(1000).back().seq);
    if (spool.size() != 0) std::abort();
    return 0;
}
