#pragma once

#include "RecordStore.h"
#include "core/settings/InstallRoot.h"

#include <memory>
#include <string>

namespace velmora::records {

// <root>/logs/records-spool: the rows the database has not confirmed.
std::filesystem::path spoolFile(const core::InstallRoot& root);

// The store the deployment asks for (key CallRecordStore), or nothing: without
// the key, or when it cannot be used (the reason goes to the diagnostics; the
// call-log file still holds every call).
std::unique_ptr<RecordStore> openRecordStore(const core::InstallRoot& root, loop::EventLoop& ui,
                                             RecordStore::Status status);

// Connects to the deployment's database and brings its schema up to date.
// Returns the error on one line, empty on success.
std::string migrateRecordStore(const core::InstallRoot& root);

}  // namespace velmora::records
