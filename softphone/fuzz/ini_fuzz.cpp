// libFuzzer target: settings files as the program reads and writes them. The
// input is section, key, value and the file's content (NUL-separated); the
// content is read by both readers and rewritten with the key set, and what
// was written must read back as one line.
#include "FuzzInput.h"
#include "settings/IniFiles.h"

#include <cstdlib>

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    const std::string section = parts.next();
    const std::string key = parts.next();
    const std::string value = parts.next();
    const std::string content = parts.rest();

    const auto file = fuzz::scratchFile("velmoraapp.ini", content);
    core::GetProfileSetting(section, key, file);
    core::INIread(file, section, key);
    const std::string written = core::iniWithKey(content, section, key, value);
    if (written.find('\r') == std::string::npos && !written.empty()) std::abort();  // always CR LF
    core::INIwrite(file, section, key, value);
    // A value never carries a line break into the file.
    const std::string back = core::INIread(file, section, key);
    if (back.find('\n') != std::string::npos) std::abort();
    return 0;
}
