#include "component/errorinfo.h"

#include <atomic>

namespace component {

namespace {

thread_local std::shared_ptr<const ErrorInfo> t_errorInfo;

void ownSet(std::shared_ptr<const ErrorInfo> info) { t_errorInfo = std::move(info); }

std::shared_ptr<const ErrorInfo> ownGet() {
    std::shared_ptr<const ErrorInfo> info = std::move(t_errorInfo);
    t_errorInfo.reset();
    return info;
}

const Runtime kOwnRuntime{kRuntimeVersion, &ownSet, &ownGet};
std::atomic<const Runtime*> g_runtime{&kOwnRuntime};

}  // namespace

const Runtime* currentRuntime() { return g_runtime.load(); }

void attachRuntime(const Runtime* runtime) {
    g_runtime.store(runtime && runtime->version >= kRuntimeVersion ? runtime : &kOwnRuntime);
}

void setErrorInfo(std::shared_ptr<const ErrorInfo> info) { g_runtime.load()->setErrorInfo(std::move(info)); }

std::shared_ptr<const ErrorInfo> getErrorInfo() { return g_runtime.load()->getErrorInfo(); }

HRESULT reportError(HRESULT hr, const Guid& iid, const QString& source, const QString& description,
                    const QString& helpFile, std::uint32_t helpContext) {
    auto info = std::make_shared<ErrorInfo>();
    info->iid = iid;
    info->source = source;
    info->description = description;
    info->helpFile = helpFile;
    info->helpContext = helpContext;
    setErrorInfo(std::move(info));
    return hr;
}

}  // namespace component
