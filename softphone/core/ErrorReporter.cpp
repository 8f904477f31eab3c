#include "ErrorReporter.h"

#include "AppContext.h"

namespace velmora::core {
namespace {

constexpr const char* kMessages[] = {
    "You are not Online, please click the 'Online' button first.",
    "Can not open local communication port. Another softphone (x-Ten, x-lite or skype etc) is "
    "already running. Please close it first.",
    "Please Check Your Internet Connection.",
    "Fail to initialize task window.",
    "Can not access Input/Mic device or device is already in use.",
    "Can not access Output/Speaker device or device is already in use.",
    "Input/Mic device is not open.",
    "Output/Speaker device is not open.",
    "Your sound device does not support mic volume.",
    "Your sound device does not support speaker volume.",
    "Recording media initialization fail.",
    "Can not open the wave file.",
    "Provided SIP URI is not valid.",
    "Codec is not supported.",
    "Error to create SDP (Session Description Protocol) request.",
    "Error to create CONNECTION request. Please check the provided SIP URI is valid.",
    "Error to create REGISTER request. Please check the provided SIP URI is valid.",
    "Error to create UN-REGISTER request. Please check the provided SIP URI is valid.",
    "Error to create DISCONNECT request.",
    "Line No is not valid.",
    "Line is already busy.",
    "Line is not open.",
    "Invalid Call-Id.",
    "Provided value is not valid.",
    "Selected line is not in voice session.",
    "Fail to read wave file.",
    "Fail to write wave file.",
    "Unsupported wave file format.",
    "Error to create CANCEL request.",
};
constexpr long kFirstCode = 10;
constexpr long kLastCode = kFirstCode + std::size(kMessages) - 1;
constexpr int kMessageTopTwips = 1000;

}  // namespace

std::optional<std::string> engineErrorMessage(long code) {
    if (code < kFirstCode || code > kLastCode) return std::nullopt;
    return kMessages[code - kFirstCode];
}

void moveWindowForMessage(AppContext& app) { app.window.form.move(app.window.form.left(), kMessageTopTwips); }

void ReportEngineError(AppContext& app) {
    if (app.state.shuttingDown) return;  // the program ends: no box to answer
    const long code = app.engine.GetLastEngineError();
    const auto message = engineErrorMessage(code);
    if (!message) return;
    if (code != engine::kCodecNotSupported && code != engine::kSdpFailed) moveWindowForMessage(app);
    app.platform.messageBox(*message, code == engine::kLineBusy ? MessageStyle::CriticalOnTop : MessageStyle::Ok);
}

}  // namespace velmora::core
