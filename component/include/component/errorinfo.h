// Thread-local error information: the rich description that accompanies a failed HRESULT.
#pragma once
#include "component/guid.h"
#include "component/hresult.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace component {

struct ErrorInfo {
    Guid iid;        // interface that raised it
    QString source;  // ProgID of the raising class
    QString description;
    QString helpFile;
    std::uint32_t helpContext = 0;
};

// Replaces the calling thread's current error info (nullptr clears it).
void setErrorInfo(std::shared_ptr<const ErrorInfo> info);
// Takes the calling thread's current error info and clears it, as GetErrorInfo does.
std::shared_ptr<const ErrorInfo> getErrorInfo();

// Sets a new error info on the calling thread and returns `hr`, for `return reportError(...)`.
HRESULT reportError(HRESULT hr, const Guid& iid, const QString& source, const QString& description,
                    const QString& helpFile = {}, std::uint32_t helpContext = 0);

// Every module that links this library statically has its own copy of the thread slot. The
// class factory therefore hands each module it loads the loader's slot (see module.h), so that
// a control's error info is what its host reads.
struct Runtime {
    std::uint32_t version;
    void (*setErrorInfo)(std::shared_ptr<const ErrorInfo>);
    std::shared_ptr<const ErrorInfo> (*getErrorInfo)();
};
constexpr std::uint32_t kRuntimeVersion = 1;

// This module's runtime (its own slot, or the one it was attached to).
const Runtime* currentRuntime();
// Makes this module use `runtime` from now on (null returns to the module's own slot).
void attachRuntime(const Runtime* runtime);

}  // namespace component
