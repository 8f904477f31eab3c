#include "IniFiles.h"

#include "TextFile.h"

#include <algorithm>
#include <cctype>

namespace velmora::core {
namespace {

constexpr std::size_t kProfileBuffer = 750;

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && lower(text.substr(0, prefix.size())) == lower(prefix);
}

// A section header opens its line (blanks before it allowed); a "[" further
// into a line is part of a value (a password may hold one).
bool opensSection(const std::string& line) {
    const auto first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

std::size_t findNoCase(const std::string& haystack, const std::string& needle, std::size_t from) {
    auto it = std::search(haystack.begin() + static_cast<std::ptrdiff_t>(std::min(from, haystack.size())),
                          haystack.end(), needle.begin(), needle.end(), [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    return it == haystack.end() ? std::string::npos : static_cast<std::size_t>(it - haystack.begin());
}

// Every line break written as CR LF, so that header and key searches find
// files written by other tools with LF or CR alone.
std::string withCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Runs of three or more line breaks become two (at most one blank line).
std::string withoutBlankRuns(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    int run = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            if (++run <= 2) out += "\r\n";
            ++i;
        } else {
            run = 0;
            out += text[i];
        }
    }
    return out;
}

}  // namespace

std::string GetProfileSetting(const std::string& section, const std::string& key, const std::filesystem::path& file) {
    auto content = readWholeFile(file);
    if (!content) return "";
    const std::string wantedSection = lower(trimBlanks(section));
    const std::string wantedKey = lower(trimBlanks(key));
    bool inSection = false;
    for (const std::string& raw : splitLines(*content)) {
        const std::string line = trimBlanks(raw);
        if (!line.empty() && line.front() == '[') {
            const auto close = line.find(']');
            const std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
            if (inSection) break;  // only the first section of that name counts
            inSection = lower(trimBlanks(name)) == wantedSection;
            continue;
        }
        if (!inSection) continue;
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (lower(trimBlanks(line.substr(0, eq))) != wantedKey) continue;
        std::string value = trimBlanks(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.size() > kProfileBuffer - 1) value.resize(kProfileBuffer - 1);
        return value;
    }
    return "";
}

std::string INIread(const std::filesystem::path& file, const std::string& section, const std::string& key) {
    ensureFile(file);
    auto content = readWholeFile(file);
    if (!content) return "";
    const std::string header = lower("[" + section + "]");
    const std::string prefix = key + "=";
    bool inSection = false;
    for (const std::string& line : splitLines(*content)) {
        if (opensSection(line)) {
            inSection = lower(trimBlanks(line)) == header;
            continue;
        }
        if (inSection && startsWithNoCase(line, prefix)) return line.substr(prefix.size());
    }
    return "";
}

std::string iniWithKey(const std::string& content, const std::string& section, const std::string& key,
                       const std::string& value) {
    const std::string crlf = "\r\n";
    // A value is one line: a line break from outside (a dialled number,
    // a field's text) would otherwise write keys of its own into the file.
    const auto oneLine = [](std::string text) {
        std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
        return text;
    };
    const std::string keyLine = key + "=" + oneLine(value);
    // The text with a leading line break, so the first header is found like any other.
    std::string text = crlf + withCrLf(content);
    const std::string header = crlf + "[" + section + "]\r";
    const std::size_t h = findNoCase(text, header, 0);
    if (h != std::string::npos) {
        const std::size_t afterHeader = h + header.size();
        // The section ends where a line opens the next one.
        std::size_t nextSection = text.size();
        for (std::size_t at = text.find('\n', afterHeader); at != std::string::npos; at = text.find('\n', at + 1)) {
            const std::size_t end = text.find('\r', at + 1);
            if (opensSection(text.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1))) {
                nextSection = at + 1;
                break;
            }
        }
        const std::size_t k = findNoCase(text, "\n" + key + "=", afterHeader);
        if (k != std::string::npos && k < nextSection) {
            const std::size_t from = k + 1;
            std::size_t to = text.find('\r', from);
            if (to == std::string::npos) to = text.size();
            text.replace(from, to - from, keyLine);
        } else {
            std::size_t at = afterHeader;
            if (at < text.size() && text[at] == '\n') ++at;
            text.insert(at, keyLine + crlf);
        }
    } else {
        text += crlf + crlf + "[" + section + "]" + crlf + keyLine;
    }
    text.erase(0, 1);
    text = withoutBlankRuns(text);
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 13) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 13) --e;
    return text.substr(b, e - b) + crlf;
}

bool INIwrite(const std::filesystem::path& file, const std::string& section, const std::string& key,
              const std::string& value) {
    if (!ensureFile(file)) return false;
    auto content = readWholeFile(file);
    if (!content) return false;
    return replaceFile(file, iniWithKey(*content, section, key, value));
}

}  // namespace velmora::core
