#include "CallLogWriters.h"

#include "core/CsvText.h"
#include "core/settings/TextFile.h"

#include <system_error>

namespace velmora::calls {
namespace {

constexpr std::size_t kPrintZone = 14;

void append(const std::filesystem::path& file, const std::string& line) {
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    core::appendLine(file, line);
}

}  // namespace

std::string quotedField(const std::string& text) { return core::csvRecord({text}); }

void writeOUTEntry(const std::filesystem::path& file, const std::array<std::string, 6>& fields) {
    append(file, core::csvRecord({fields.begin(), fields.end()}));
}

void writePlacedCalls(const std::filesystem::path& file, const std::string& first, const std::string& second) {
    const std::size_t width = (first.size() / kPrintZone + 1) * kPrintZone;
    append(file, first + std::string(width - first.size(), ' ') + second);
}

void writeInFile(const std::filesystem::path& file, const std::string& text) { append(file, quotedField(text)); }

void writeIMFile(const std::filesystem::path& file, const std::string& text) { append(file, text); }

}  // namespace velmora::calls
