#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::core {

struct AppContext;

// logs/<agent>_calllogs.csv, the agent being the display name (a "/" in it becomes "_").
std::filesystem::path callLogFile(const AppContext& app);

// The records of a call-log file, each with its six fields (number, agent,
// seconds, time, date, outcome), newest first. Doubled quotes inside a field
// stand for one; a field the writer marked as text for spreadsheets reads as
// it was before (core::fromCellText).
std::vector<std::vector<std::string>> readCallLog(const std::filesystem::path& file);
std::vector<std::string> parseCsvLine(const std::string& line);

// A recording in the messages folder, with what its name tells:
// NAME_DDMMYY_hhmmss.wav.
struct Recording {
    std::filesystem::path file;
    std::string name;  // the number or extension
    std::string date;  // M/D/YYYY, the short date form, from DDMMYY
    std::string time;  // HH:MM:SS
};
// Newest first (by the time in the name; names that do not fit come last).
std::vector<Recording> listRecordings(const std::filesystem::path& folder);

// An unsaved recording (kept when its call ended unsaved) moved into the
// recordings folder under its own name (with "-2", "-3" when taken); the new
// path, or nullopt when it could not be moved.
std::optional<std::filesystem::path> saveKeptRecording(const std::filesystem::path& kept,
                                                       const std::filesystem::path& messagesFolder);
// Deletes a kept recording for good; only a plain file of that folder.
bool deleteKeptRecording(const std::filesystem::path& kept, const std::filesystem::path& keptFolder);

}  // namespace velmora::core
