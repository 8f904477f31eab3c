#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::core {

// Whole-file reads and writes of the program's small text files. Files the
// program creates are readable by the user alone (they hold passwords), and
// no write follows a symbolic link: a link planted where a file of the
// program's should be makes the write fail (said once on stderr) instead of
// landing wherever the link points.
std::optional<std::string> readWholeFile(const std::filesystem::path& file);
// Replaces the file through a temporary beside it, so a failed write never
// leaves a truncated file. False (and a diagnostic line) when it cannot.
bool replaceFile(const std::filesystem::path& file, const std::string& content);
// Appends one line and its CR LF; creates the file (and no folders) when missing.
bool appendLine(const std::filesystem::path& file, const std::string& line);
// Creates an empty file when it does not exist; false when that fails.
bool ensureFile(const std::filesystem::path& file);
// Splits at CR LF, lone CR or lone LF; a final line break adds no empty line.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace velmora::core
