#include "Deployment.h"

#include "Database.h"
#include "Schema.h"
#include "core/Diagnostics.h"

namespace velmora::records {

std::filesystem::path spoolFile(const core::InstallRoot& root) { return root.find("logs") / "records-spool"; }

std::unique_ptr<RecordStore> openRecordStore(const core::InstallRoot& root, loop::EventLoop& ui,
                                             RecordStore::Status status) {
    const auto uri = root.deployment().get(core::keys::CallRecordStore);
    if (uri.empty()) return nullptr;
    RecordStore::Options options;
    options.uri = uri;
    options.spoolFile = spoolFile(root);
    try {
        std::error_code ignored;
        std::filesystem::create_directories(options.spoolFile.parent_path(), ignored);
        return std::make_unique<RecordStore>(std::move(options), ui, std::move(status));
    } catch (const std::exception& error) {
        core::diagnostic(std::string("call records go to the call-log file only: ") + error.what());
        return nullptr;
    }
}

std::string migrateRecordStore(const core::InstallRoot& root) {
    const auto uri = root.deployment().get(core::keys::CallRecordStore);
    if (uri.empty()) return "no CallRecordStore in " + root.deployment().path().string();
    Database db;
    std::string error;
    if (!db.connect(uri, error) || !migrate(db, error)) return "CallRecordStore: " + oneLine(error);
    return {};
}

}  // namespace velmora::records
