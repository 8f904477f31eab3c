#pragma once

#include <array>
#include <filesystem>
#include <string>

namespace velmora::calls {

// Each appends one CR LF line to the file, creating the file (and a missing
// logs folder) first; a file that cannot be written is skipped, with a line
// on stderr.

// Six fields, each in double quotes (a quote inside doubled), comma-separated,
// and each safe to open in a spreadsheet (core::csvRecord).
void writeOUTEntry(const std::filesystem::path& file, const std::array<std::string, 6>& fields);
// Two items as printed text: the first padded to the next 14-column zone.
void writePlacedCalls(const std::filesystem::path& file, const std::string& first, const std::string& second);
// One quoted field, as one field of writeOUTEntry.
void writeInFile(const std::filesystem::path& file, const std::string& text);
// The text as it stands.
void writeIMFile(const std::filesystem::path& file, const std::string& text);

// One field as writeOUTEntry writes it.
std::string quotedField(const std::string& text);

}  // namespace velmora::calls
