#include "TransferEvents.h"

#include "core/StatusLog.h"

namespace velmora::calls {

void TransferEvents::OnTransferFailed(int, long, const std::string& reason) {
    core::ShowStatus(app_, "Fail to Transfer: " + reason);
}

}  // namespace velmora::calls
