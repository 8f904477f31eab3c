#pragma once

#include "core/CallBook.h"

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

// The own call's file name for its trimmed number, with fresh stamps kept in
// recordingDate and recordingTime, shown in EditSaveFileName.
void nameOwnRecording(core::AppContext& app, const std::string& number);

// Clears RecThisCallCheck and CheckStartRecording for the call: their click
// handling pauses that call's recording (not the other line's) and says so.
void clearRecordingBoxes(core::AppContext& app, std::uint64_t serial);

// Stops the call's recording, saves it under a name with the stop time and
// empties the engine's store; a refused save is reported and keeps the store
// for a later save.
void saveRecordingStep(core::AppContext& app, core::Call& call);

// Audio of a call that is over and was not saved: kept as the call's own
// unsaved recording under engine/recordings/unsaved/, never carried into
// another call's file. The folder keeps the newest kMaxUnsavedRecordings.
void keepUnsavedRecording(core::AppContext& app, core::Call& call);
inline constexpr std::size_t kMaxUnsavedRecordings = 200;

// engine/recordings/unsaved/ of the install root.
std::filesystem::path unsavedRecordingsFolder(const core::AppContext& app);

}  // namespace velmora::calls
