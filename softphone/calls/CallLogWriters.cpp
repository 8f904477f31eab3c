#include "CallLogWriters.h"

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

std::string quotedField(const std::string& text) {
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void writeOUTEntry(const std::filesystem::path& file, const std::array<std::string, 6>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + quotedField(fields[i]);
    append(file, line);
}

void writePlacedCalls(const std::filesystem::path& file, const std::string& first, const std::string& second) {
    const std::size_t width = (first.size() / kPrintZone + 1) * kPrintZone;
    append(file, first + std::string(width - first.size(), ' ') + second);
}

void writeInFile(const std::filesystem::path& file, const std::string& text) { append(file, quotedField(text)); }

void writeIMFile(const std::filesystem::path& file, const std::string& text) { append(file, text); }

}  // namespace velmora::calls
