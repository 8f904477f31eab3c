#pragma once

#include <filesystem>
#include <string>

namespace velmora::core {
struct AppContext;
}

namespace velmora::calls {

// messages/<name>_DDMMYY_hhmmss.wav with the stamps of now. The name is made
// safe for one file name first: path separators and ".." become "_", so no
// number or extension can place a recording outside messages/.
std::filesystem::path recordingFileName(core::AppContext& app, const std::string& name);

// The own call's file name for the trimmed EditPhoneNo, with fresh stamps kept
// in recordingDate and recordingTime, shown in EditSaveFileName.
void nameOwnRecording(core::AppContext& app);

// Stops the own call's recording, saves it under a name with the stop time
// and empties the engine's buffer; a refused save is reported and keeps the
// buffer for a later save.
void saveRecordingStep(core::AppContext& app);

}  // namespace velmora::calls
