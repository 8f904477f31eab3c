#pragma once

#include <string>
#include <vector>

namespace velmora::core {

// Call records are opened in spreadsheets, and a spreadsheet runs a cell that
// starts with "=", "@", a tab, a carriage return, or "+" or "-" followed by
// more than digits, as a formula. Caller names and numbers come from the
// network, so every field written into a CSV file goes through asCellText:
// such a field gets a leading apostrophe (the spreadsheet's mark for text),
// and so does a field that already starts with apostrophes followed by such
// a start, so the mark can always be taken off again. Every other field, a
// number such as "+15551234567" or a lone "-" included, stays as it is.
std::string asCellText(const std::string& field);
// The field asCellText was given, from what it wrote.
std::string fromCellText(const std::string& cell);

// One CSV line as the call logs hold it: fields in double quotes (a quote
// inside doubled), separated by commas, each through asCellText and with any
// line break inside it as a blank, so one record is always one line.
std::string csvRecord(const std::vector<std::string>& fields);

}  // namespace velmora::core
