#pragma once

#include <filesystem>
#include <string>

namespace velmora::core {

// The private-profile reader: section and key match ignoring case, blanks
// around names and values are trimmed, a value in matching quotes loses them,
// and a value longer than 749 characters (a 750-character buffer with its
// terminator) is cut. A missing file, section or key gives "".
std::string GetProfileSetting(const std::string& section, const std::string& key, const std::filesystem::path& file);

// The program's own line reader: creates a missing file; the wanted section
// starts at a line equal (ignoring case and surrounding blanks) to
// "[section]" and ends at the next line that opens with "[" (after blanks);
// a "[" inside a value is the value's. The first line starting (ignoring case) with key + "=" gives
// everything after the "=", as it stands in the file.
std::string INIread(const std::filesystem::path& file, const std::string& section, const std::string& key);

// Sets one key by rewriting the whole file: an existing key line is replaced
// in place, a new key goes right below the section header, a new section is
// appended after one blank line. Line breaks are CR LF; line breaks inside
// the value are removed.
bool INIwrite(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value);

// The text INIwrite would write for `content` (exposed for tests).
std::string iniWithKey(const std::string& content, const std::string& section, const std::string& key,
                       const std::string& value);

}  // namespace velmora::core
