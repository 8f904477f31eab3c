// libFuzzer target: call-record fields as the call logs write and read them.
// The input is six fields (NUL-separated). The record is one line, no field of
// it opens as a spreadsheet formula, and the reader gives the fields back as
// they were (line breaks as blanks).
#include "FuzzInput.h"
#include "core/AgentFiles.h"
#include "core/CsvText.h"

#include <cstdlib>

using namespace velmora;

namespace {

bool opensFormula(const std::string& cell) {
    if (cell.empty()) return false;
    const char c = cell[0];
    if (c == '=' || c == '@' || c == '\t' || c == '\r') return true;
    return (c == '+' || c == '-') && cell.size() > 1 && cell.find_first_not_of("0123456789", 1) != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    fuzz::Parts parts(bytes, size);
    std::vector<std::string> fields;
    for (int i = 0; i < 5; ++i) fields.push_back(parts.next());
    fields.push_back(parts.rest());

    const std::string line = core::csvRecord(fields);
    if (line.find_first_of("\r\n") != std::string::npos) std::abort();
    const auto back = core::parseCsvLine(line);
    if (back.size() != fields.size()) std::abort();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::string expected = fields[i];
        for (char& c : expected)
            if (c == '\r' || c == '\n') c = ' ';
        if (back[i] != expected) std::abort();
        if (opensFormula(core::asCellText(expected))) std::abort();
        if (core::fromCellText(core::asCellText(fields[i])) != fields[i]) std::abort();
    }
    return 0;
}
