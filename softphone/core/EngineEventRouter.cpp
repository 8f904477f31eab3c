#include "EngineEventRouter.h"

#include "AppContext.h"
#include "StatusLog.h"

namespace velmora::core {

void EngineEventRouter::OnDtmfDigit(int line, const std::string& digit) {
    ShowStatus(app_, lineStatus(line, "Key-pressed: " + digit));
}

void EngineEventRouter::OnPlayWaveDone(int line) { ShowStatus(app_, lineStatus(line, "Play wave done.")); }

}  // namespace velmora::core
