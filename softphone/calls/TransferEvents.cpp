#include "TransferEvents.h"

#include "HoldTransfer.h"

#include "core/AppContext.h"
#include "core/StatusLog.h"

namespace velmora::calls {

void TransferEvents::OnTransferAccepted(int line) {
    core::ShowStatus(app_, core::lineStatus(line, "Transfer accepted."));
}

void TransferEvents::OnTransferFailed(int line, long, const std::string& reason) {
    transferFailed(app_, line);
    core::ShowStatus(app_, "Fail to Transfer: " + reason);
}

}  // namespace velmora::calls
