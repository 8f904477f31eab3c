#pragma once

#include <functional>
#include <string>

namespace velmora::core {

// The program's own diagnostics (a file it could not write, a remote bus it
// could not offer), kept apart from the agent's status list. The view sends
// them to its logging category; until it does they go to stderr.
using DiagnosticSink = std::function<void(const std::string& text)>;
void setDiagnosticSink(DiagnosticSink sink);
void diagnostic(const std::string& text);

}  // namespace velmora::core
