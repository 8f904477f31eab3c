#include "CsvText.h"

namespace velmora::core {
namespace {

bool digitsOnly(const std::string& text, std::size_t from) {
    return text.find_first_not_of("0123456789", from) == std::string::npos;
}

// What a spreadsheet would take as the start of a formula.
bool opensFormula(const std::string& text, std::size_t at) {
    if (at >= text.size()) return false;
    switch (text[at]) {
    case '=':
    case '@':
    case '\t':
    case '\r': return true;
    case '+':
    case '-': return at + 1 < text.size() && !digitsOnly(text, at + 1);
    default: return false;
    }
}

// Apostrophes, then the start of a formula.
bool needsMark(const std::string& text) {
    const auto first = text.find_first_not_of('\'');
    return first != std::string::npos && opensFormula(text, first);
}

}  // namespace

std::string asCellText(const std::string& field) { return needsMark(field) ? "'" + field : field; }

std::string fromCellText(const std::string& cell) {
    return !cell.empty() && cell.front() == '\'' && needsMark(cell.substr(1)) ? cell.substr(1) : cell;
}

std::string csvRecord(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        line += '"';
        // A line break inside a field would start a record of the caller's own.
        std::string field = fields[i];
        for (char& c : field)
            if (c == '\r' || c == '\n') c = ' ';
        for (const char c : asCellText(field)) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line;
}

}  // namespace velmora::core
